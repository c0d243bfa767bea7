// What the engine packs, the engine unpacks: with and without a password, with the
// unpack workflow's order of calls (first entry's flag, then extraction).
#include "archive/archive.h"
#include "platform/win.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>

namespace {

using testing_support::EngineTest;
using testing_support::ReadFile;
using testing_support::WriteFile;

class RoundTrip : public EngineTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RoundTrip, PackedFilesComeBackWithTheirBytesAndAttributes) {
    const std::string password = GetParam();
    std::string big;
    for (int i = 0; big.size() < 250000; ++i)
        big += "Zeile " + std::to_string(i) + "\r\n";
    WriteFile(tmp.host("gro\xC3\x9F.txt"), big);
    WriteFile(tmp.host("leer.txt"), "");
    WriteFile(tmp.host("nur-lesen.txt"), "schreibgesch\xC3\xBCtzt");
    ASSERT_TRUE(
        win::SetFileAttributesA(Program("nur-lesen.txt").c_str(),
                                win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_ARCHIVE));

    ArchiveSetPassword(password);
    ASSERT_NE(ArchiveCreate(Program("packed.zip"), 0), 0);
    for (const char* name : {"gro\xDF.txt", "leer.txt", "nur-lesen.txt"})
        ASSERT_EQ(ArchiveAddFile(Program(name), 0), 0) << name;
    ASSERT_EQ(ArchiveClose(""), 0);

    ASSERT_NE(ArchiveOpenRead(Program("packed.zip")), 0);
    ASSERT_EQ(ArchiveFirstEntry(), 0);
    ArchiveEntryInfo first;
    ASSERT_EQ(ArchiveGetEntryInfo(first), 0);
    EXPECT_EQ(first.generalPurposeFlag & 1u, password.empty() ? 0u : 1u);
    EXPECT_EQ(first.name, "gro\xDF.txt");

    EXPECT_EQ(ArchiveExtract(Program("packed.zip"), "*.*", Program("out"), 1), 3);
    EXPECT_EQ(ReadFile(tmp.host("out/gro\xC3\x9F.txt")), big);
    EXPECT_EQ(ReadFile(tmp.host("out/leer.txt")), "");
    EXPECT_EQ(ReadFile(tmp.host("out/nur-lesen.txt")), "schreibgesch\xC3\xBCtzt");
    EXPECT_EQ(win::GetFileAttributesA(Program("out\\nur-lesen.txt").c_str()) &
                  win::FILE_ATTRIBUTE_READONLY,
              win::FILE_ATTRIBUTE_READONLY);
}

INSTANTIATE_TEST_SUITE_P(Passwords, RoundTrip, ::testing::Values("", "Geheim 1"),
                         [](const auto& info) {
                             return std::string(*info.param ? "WithPassword" : "WithoutPassword");
                         });

} // namespace
