#include "archive/archive.h"

#include <gtest/gtest.h>

namespace {

struct WildcardCase {
    const char* name;
    const char* pattern;
    int expected;
};

// Shown as name ~ pattern, bytes outside ASCII as \xHH so that test names stay plain.
void PrintTo(const WildcardCase& c, std::ostream* os) {
    auto put = [os](const char* text) {
        for (const char* p = text; *p; ++p) {
            auto b = static_cast<unsigned char>(*p);
            if (b < 0x80) {
                *os << *p;
            } else {
                static const char hex[] = "0123456789ABCDEF";
                *os << "\\x" << hex[b >> 4] << hex[b & 15];
            }
        }
    };
    put(c.name);
    *os << " ~ ";
    put(c.pattern);
}

class WildcardTable : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTable, MatchesAsTheRulesSay) {
    const WildcardCase& c = GetParam();
    EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.expected)
        << "name \"" << c.name << "\" pattern \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WildcardTable,
    ::testing::Values(
        // *.txt: case folded, a leading dot, and no backtracking over a second dot.
        WildcardCase{"readme.txt", "*.txt", 1}, WildcardCase{"README.TXT", "*.txt", 1},
        WildcardCase{".txt", "*.txt", 1}, WildcardCase{"a.b.txt", "*.txt", 0},
        WildcardCase{"readme.txt.bak", "*.txt", 0}, WildcardCase{"readme", "*.txt", 0},
        // Alternatives, tried left to right.
        WildcardCase{"a.txt", "*.txt|*.doc", 1}, WildcardCase{"a.doc", "*.txt|*.doc", 1},
        WildcardCase{"a.pdf", "*.txt|*.doc", 0},
        // An alternative read to its end without failing goes on into the next one
        // without starting the name again; one that consumed the name matches at "|".
        WildcardCase{"ab.txt", "ab|.txt", 1}, WildcardCase{"ab.txt", "ab.txt|zz", 1},
        WildcardCase{"ab.txt", "x*|ab|.txt", 1},
        // "*" and "*.*" select every name, with or without a dot.
        WildcardCase{"anything.at.all", "*", 1}, WildcardCase{"readme", "*.*", 1},
        WildcardCase{".profile", "*.*", 1}, WildcardCase{"a.b", "*.*", 1},
        // The dot added to a name without one must be matched too.
        WildcardCase{"abc", "a?c", 0}, WildcardCase{"abc", "a?c.", 1},
        WildcardCase{"abc", "a?c*", 1}, WildcardCase{"abc", "a?c?", 1},
        WildcardCase{"abc", "abc", 1}, WildcardCase{"abd.", "a?c.", 0},
        // A name equal to the pattern after folding matches, "*" and "?" included.
        WildcardCase{"A*B?.TXT", "a*b?.txt", 1},
        // Latin-1 capitals 0xC0-0xDE fold; other bytes do not.
        WildcardCase{"\xC4RGER.TXT", "\xE4rger.txt", 1}, WildcardCase{"\xDF.txt", "\xFF.txt", 0},
        // "?" needs a character, and "." has no special meaning in a pattern.
        WildcardCase{"a", "a??", 0}, WildcardCase{"axb", "a.b", 0}));

} // namespace
