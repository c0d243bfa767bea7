// WildcardMatch: the engine's matcher for "*", "?" and "|"-separated alternatives.
//
// Its rules are deliberately simple and must stay as they are: a "*" followed by a
// character swallows at least one character and stops at the first occurrence of that
// character, with no backtracking, so "*.txt" does not match "a.b.txt". A name without
// a dot is matched as if it ended in one, and a name beginning with a dot as if a
// character stood before it, so "*.*" matches both.
#include "archive/archive.h"

namespace {

// A to Z and the Latin-1 capitals 0xC0-0xDE get 0x20 added; nothing else changes.
std::string Fold(const std::string& s) {
    std::string out = s;
    for (char& ch : out) {
        auto c = static_cast<unsigned char>(ch);
        if ((c >= 0x41 && c <= 0x5A) || (c >= 0xC0 && c <= 0xDE)) ch = static_cast<char>(c + 0x20);
    }
    return out;
}

} // namespace

int WildcardMatch(const std::string& name, const std::string& pattern) {
    std::string N = Fold(name);
    const std::string P = Fold(pattern);
    if (N == P) return 1;
    if (N.find('.') == std::string::npos) N += '.';
    if (N[0] == '.') N.insert(N.begin(), '*');

    // Positions count from 1, as in the rules above: N[i - 1] is character i.
    const std::size_t n = N.size(), m = P.size();
    std::size_t i = 1, k = 0;
    bool matched = false, failed = false, starPending = false;
    while (k < m && !matched) {
        ++k;
        const char c = P[k - 1];
        if (c == '*') {
            if (k == m)
                matched = true;
            else
                starPending = true;
        }
        switch (c) {
        case '|':
            if (i == n + 1) matched = true;
            break;
        case '?':
            if (i <= n)
                ++i;
            else
                failed = true;
            break;
        case '*':
            break;
        default:
            if (starPending) {
                starPending = false;
                ++i;
                while (i <= n && N[i - 1] != c)
                    ++i;
            }
            if (i <= n && N[i - 1] == c)
                ++i;
            else
                failed = true;
        }
        if (!failed && i == n + 1 && k == m) matched = true;
        if (failed) {
            std::size_t bar = P.find('|', k); // position k + 1 onwards, counted from 1
            if (bar == std::string::npos) return 0;
            k = bar + 1;
            failed = false;
            starPending = false;
            i = 1;
        }
    }
    return matched ? 1 : 0;
}
