#include "archive/archive.h"
#include "support/engine_fixture.h"
#include "support/zip_bytes.h"

#include <gtest/gtest.h>

namespace {

using testing_support::EngineTest;
using zip_bytes::Build;
using zip_bytes::DosDateTime;
using zip_bytes::Entry;

class ReaderTest : public EngineTest {
  protected:
    // Opens an archive of the given entries and reads its first entry.
    int FirstInfo(const std::vector<Entry>& entries, ArchiveEntryInfo& info) {
        EXPECT_NE(ArchiveOpenRead(PutArchive(Build(entries))), 0);
        EXPECT_EQ(ArchiveFirstEntry(), 0);
        return ArchiveGetEntryInfo(info);
    }
};

TEST_F(ReaderTest, ReportsEveryFieldOfTheCentralDirectory) {
    Entry e{.name = "docs/readme.txt", .data = std::string(1000, 'x')};
    e.madeBy = 0x031E;
    e.external = 0x81A40020; // Unix -rw-r--r--, archive bit
    ArchiveEntryInfo info;
    ASSERT_EQ(FirstInfo({e}, info), 0);
    EXPECT_EQ(info.versionMadeBy, 0x031Eu);
    EXPECT_EQ(info.versionNeeded, 20u);
    EXPECT_EQ(info.generalPurposeFlag, 0u);
    EXPECT_EQ(info.compressionMethod, 8u);
    EXPECT_EQ(info.dosDateTime, DosDateTime(2008, 5, 17, 14, 31, 58));
    EXPECT_EQ(info.crc, zip_bytes::Crc(e.data));
    EXPECT_EQ(info.compressedSize, zip_bytes::RawDeflate(e.data).size());
    EXPECT_EQ(info.uncompressedSize, 1000u);
    EXPECT_EQ(info.nameLength, 15u);
    EXPECT_EQ(info.extraLength, 0u);
    EXPECT_EQ(info.commentLength, 0u);
    EXPECT_EQ(info.diskNumberStart, 0u);
    EXPECT_EQ(info.internalAttributes, 0u);
    EXPECT_EQ(info.externalAttributes, 0x81A40020u);
    EXPECT_EQ(info.second, 58u);
    EXPECT_EQ(info.minute, 31u);
    EXPECT_EQ(info.hour, 14u);
    EXPECT_EQ(info.day, 17u);
    EXPECT_EQ(info.month, 4u); // January is 0
    EXPECT_EQ(info.year, 2008u);
    EXPECT_EQ(info.name, "docs\\readme.txt");
}

TEST_F(ReaderTest, EncryptedEntryHasBitZeroAndTheHeaderInItsSize) {
    Entry e{.name = "secret.txt", .data = "geheim geheim geheim", .password = "pw"};
    ArchiveEntryInfo info;
    ASSERT_EQ(FirstInfo({e}, info), 0);
    EXPECT_EQ(info.generalPurposeFlag & 1u, 1u);
    EXPECT_EQ(info.compressedSize, zip_bytes::RawDeflate(e.data).size() + 12);
}

TEST_F(ReaderTest, DateHalfZeroGivesDayZeroMonthMinusOneYear1980) {
    Entry e{.name = "a.txt", .data = "a", .dosDateTime = 0};
    ArchiveEntryInfo info;
    ASSERT_EQ(FirstInfo({e}, info), 0);
    EXPECT_EQ(info.day, 0u);
    EXPECT_EQ(info.month, 0xFFFFFFFFu);
    EXPECT_EQ(info.year, 1980u);
}

struct NameCase {
    const char* label;
    std::string stored;
    std::uint16_t flags;
    std::string local;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.label;
}

class ReaderNames : public ReaderTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ReaderNames, ComeBackInLocalForm) {
    const NameCase& c = GetParam();
    ArchiveEntryInfo info;
    ASSERT_EQ(FirstInfo({Entry{.name = c.stored, .data = "x", .flags = c.flags}}, info), 0);
    EXPECT_EQ(info.name, c.local);
    EXPECT_EQ(info.nameLength, c.stored.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderNames,
    ::testing::Values(
        NameCase{"SeparatorsBecomeBackslashes", "docs/readme.txt", 0, "docs\\readme.txt"},
        NameCase{"FolderKeepsItsTrailingSeparator", "docs/", 0, "docs\\"},
        // Octal escapes: cp850 0x81 (\201) and 0x84 (\204) are cp1252 0xFC and 0xE4.
        NameCase{"OemBytesBecomeAnsi", "\201ber/\204.txt", 0, "\374ber\\\344.txt"},
        NameCase{"Utf8FlaggedNamesAreDecodedAsUtf8", "\303\274ber.txt", 0x800, "\374ber.txt"},
        NameCase{"Utf8WithoutAnsiFormIsShownLossily", "\xCE\xA9.txt", 0x800, "?.txt"},
        NameCase{"NameOf499BytesComesBackWhole", std::string(495, 'n') + ".txt", 0,
                 std::string(495, 'n') + ".txt"},
        NameCase{"NameOf600BytesIsCutTo499", std::string(600, 'n'), 0, std::string(499, 'n')},
        NameCase{"NameWithNulEndsThere", std::string("ok\0.txt", 7), 0, "ok"}),
    [](const auto& info) { return info.param.label; });

// An archive that is nothing but its end record opens and has no entry (the system's
// minizip alone would not find an end record at the very start of a file).
TEST_F(ReaderTest, ArchiveWithoutEntriesOpensAndReportsNoEntry) {
    ASSERT_NE(ArchiveOpenRead(PutArchive(Build({}))), 0);
    ArchiveEntryInfo info;
    info.crc = 7;
    info.name = "old";
    EXPECT_EQ(ArchiveFirstEntry(), -103);
    EXPECT_EQ(ArchiveGetEntryInfo(info), -103);
    EXPECT_EQ(info.crc, 0u);
    EXPECT_EQ(info.name, "");
}

TEST_F(ReaderTest, SecondArchiveReplacesTheFirst) {
    ASSERT_NE(ArchiveOpenRead(PutArchive(Build({Entry{.name = "first.txt"}}), "1.zip")), 0);
    ASSERT_NE(ArchiveOpenRead(PutArchive(Build({Entry{.name = "second.txt"}}), "2.zip")), 0);
    ArchiveEntryInfo info;
    ASSERT_EQ(ArchiveGetEntryInfo(info), 0);
    EXPECT_EQ(info.name, "second.txt");
    EXPECT_EQ(ArchiveFirstEntry(), 0);
    ASSERT_EQ(ArchiveGetEntryInfo(info), 0);
    EXPECT_EQ(info.name, "second.txt");
}

TEST_F(ReaderTest, FailedOpenLeavesNoReaderAndRecordsUntouched) {
    ASSERT_NE(ArchiveOpenRead(PutArchive(Build({Entry{.name = "good.txt"}}), "good.zip")), 0);
    testing_support::WriteFile(tmp.host("bad.zip"), "this is not a zip archive");
    EXPECT_EQ(ArchiveOpenRead(Program("bad.zip")), 0);
    EXPECT_EQ(ArchiveOpenRead(Program("missing.zip")), 0);
    EXPECT_EQ(ArchiveFirstEntry(), -1);
    ArchiveEntryInfo info;
    info.crc = 42;
    info.name = "kept";
    EXPECT_EQ(ArchiveGetEntryInfo(info), -1);
    EXPECT_EQ(info.crc, 42u);
    EXPECT_EQ(info.name, "kept");
}

} // namespace
