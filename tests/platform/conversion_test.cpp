// Texts and paths at the host boundary, the OEM code page, and the environment lookup.
#include "platform/host.h"
#include "platform/text.h"
#include "platform/win.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// All 256 bytes, NUL included, in one text: the conversion is total and lossless.
TEST(TextConversion, AllBytesAtOnceSurviveTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::string back;
    ASSERT_TRUE(text::Utf8ToCp1252(text::Cp1252ToUtf8(all), back));
    EXPECT_EQ(back, all);
}

TEST(TextConversion, BytesMapToTheirCharacters) {
    struct Case {
        unsigned char byte;
        const char* utf8;
    } cases[] = {
        {0x41, "A"},
        {0x80, "\u20ac"},
        {0x8A, "\u0160"},
        {0x9F, "\u0178"},
        {0xA0, "\u00a0"},
        {0xC4, "\u00c4"},
        {0xDF, "\u00df"},
        {0xE4, "\u00e4"},
        {0xFC, "\u00fc"},
        {0xFF, "\u00ff"},
        // The five unassigned bytes become the C1 controls of the same number.
        {0x81, "\xC2\x81"},
        {0x8D, "\xC2\x8D"},
        {0x8F, "\xC2\x8F"},
        {0x90, "\xC2\x90"},
        {0x9D, "\xC2\x9D"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.byte));
        std::string one(1, static_cast<char>(c.byte));
        EXPECT_EQ(text::Cp1252ToUtf8(one), c.utf8);
        std::string back;
        ASSERT_TRUE(text::Utf8ToCp1252(c.utf8, back));
        EXPECT_EQ(back, one);
    }
}

TEST(TextConversion, Utf8WithoutCp1252FormIsRefused) {
    std::string out;
    for (const char* bad : {"\u65e5\u672c", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\xFF"})
        EXPECT_FALSE(text::Utf8ToCp1252(bad, out)) << bad;
    EXPECT_EQ(text::Utf8ToCp1252Lossy("a\u65e5b"), "a?b");
}

TEST(PathConversion, ProgramAndHostFormsCorrespond) {
    struct Case {
        const char* program;
        const char* host;
    } cases[] = {
        {"\\home\\anna\\Bilder\\Urlaub.jpg", "/home/anna/Bilder/Urlaub.jpg"},
        {"\\home\\j\xFCrgen\\M\xE4rz \x80.txt", "/home/j\u00fcrgen/M\u00e4rz \u20ac.txt"},
        {"relativ\\Ordner\\", "relativ/Ordner/"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::ToHostPath(c.program), c.host);
        std::string back;
        ASSERT_TRUE(text::ToProgramPath(c.host, back)) << c.host;
        EXPECT_EQ(back, c.program);
    }
}

// A host name the program cannot name must not become another name.
TEST(PathConversion, HostNamesWithoutProgramFormAreRefused) {
    std::string out;
    EXPECT_FALSE(text::ToProgramPath("/tmp/a\\b", out));
    EXPECT_FALSE(text::ToProgramPath("/tmp/\u65e5\u672c.txt", out));
    EXPECT_FALSE(text::ToProgramPath("/tmp/\xFF", out));
}

TEST(OemCodePage, UmlautsTakeTheirCp850Bytes) {
    struct Case {
        const char* ansi;
        const char* oem;
    } cases[] = {
        {"\xE4", "\x84"}, {"\xF6\xFC\xDF", "\x94\x81\xE1"}, {"\xC4", "\x8E"}, {"abc\\d", "abc\\d"}};
    for (const auto& c : cases) {
        char buffer[16];
        ASSERT_TRUE(win::CharToOemA(c.ansi, buffer));
        EXPECT_STREQ(buffer, c.oem);
        char back[16];
        ASSERT_TRUE(win::OemToCharA(buffer, back));
        EXPECT_STREQ(back, c.ansi);
    }
}

TEST(Environment, NamesAreLookedUpIgnoringCase) {
    setenv("ZelvantoTestVariable", "Wert", 1);
    EXPECT_EQ(host::GetEnv("ZELVANTOTESTVARIABLE"), "Wert");
    EXPECT_EQ(host::GetEnv("zelvantotestvariable"), "Wert");
    EXPECT_EQ(host::GetEnv("ZelvantoTestVariabl"), "");
    unsetenv("ZelvantoTestVariable");
    EXPECT_EQ(host::GetEnv("ZelvantoTestVariable"), "");
}

TEST(Environment, WindowsFoldersHaveLinuxEquivalents) {
    // Only the three folder names get a stand-in; the real value wins where it exists.
    setenv("HOME", "/home/anna", 1);
    unsetenv("XDG_CONFIG_HOME");
    for (const char* n : {"APPDATA", "appdata", "HOMEDRIVE", "homedrive", "HOMEPATH", "homepath"})
        unsetenv(n);
    EXPECT_EQ(host::GetEnv("appdata"), "\\home\\anna\\.config");
    EXPECT_EQ(host::GetEnv("Homedrive"), "");
    EXPECT_EQ(host::GetEnv("Homepath"), "\\home\\anna");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(host::GetEnv("AppData"), "\\cfg");
    setenv("appdata", "/real", 1);
    EXPECT_EQ(host::GetEnv("APPDATA"), "\\real");
}

} // namespace
