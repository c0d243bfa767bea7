#include "archive/archive.h"
#include "archive/zip_crypto.h"
#include "platform/win.h"
#include "support/engine_fixture.h"
#include "support/zip_bytes.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using testing_support::EngineTest;
using testing_support::Exists;
using testing_support::ProgressLog;
using testing_support::ReadFile;
using zip_bytes::Build;
using zip_bytes::DosDateTime;
using zip_bytes::Entry;

Entry File(const std::string& name, const std::string& data) {
    return Entry{.name = name, .data = data};
}

// Every path below `root` (relative, "/" separated), links included, not followed.
std::set<std::string> Listing(const std::string& root, const std::string& skip = "") {
    std::set<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        std::string rel = fs::relative(it->path(), root).string();
        if (!skip.empty() && (rel == skip || rel.rfind(skip + "/", 0) == 0)) continue;
        out.insert(rel);
    }
    return out;
}

time_t ModificationTime(const std::string& hostPath) {
    struct stat st {};
    EXPECT_EQ(stat(hostPath.c_str(), &st), 0) << hostPath;
    return st.st_mtime;
}

class ExtractTest : public EngineTest {
  protected:
    std::string Dest() const { return Program("out"); }
    std::string DestHost(const std::string& rel = "") const {
        return rel.empty() ? tmp.host("out") : tmp.host("out/" + rel);
    }
    int Extract(const std::vector<Entry>& entries, const std::string& pattern = "*.*",
                int keepPaths = 1) {
        return ArchiveExtract(PutArchive(Build(entries)), pattern, Dest(), keepPaths);
    }
};

// --- Placement ---------------------------------------------------------------------------

struct PlacementCase {
    const char* label;
    std::vector<Entry> entries;
    std::string pattern;
    int keepPaths;
    bool trailingSeparator;
    int expected;
    std::vector<std::string> present; // below the destination, with their data
    std::vector<std::string> absent;
};

void PrintTo(const PlacementCase& c, std::ostream* os) {
    *os << c.label;
}

class Placement : public ExtractTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, WritesWhereTheNamesSay) {
    const PlacementCase& c = GetParam();
    std::string dest = Dest() + (c.trailingSeparator ? "\\" : "");
    EXPECT_EQ(ArchiveExtract(PutArchive(Build(c.entries)), c.pattern, dest, c.keepPaths),
              c.expected);
    for (const std::string& rel : c.present) {
        // Each entry's data is its own name's file part, so misplacement shows.
        std::string file = rel.substr(rel.find_last_of('/') + 1);
        EXPECT_EQ(ReadFile(DestHost(rel)), file == "empty.dat" ? "" : file) << rel;
    }
    for (const std::string& rel : c.absent)
        EXPECT_FALSE(Exists(DestHost(rel))) << rel;
    EXPECT_EQ(ArchiveLastExtractReport().cannotCreate, 0);
}

const std::vector<Entry> kDocs = {File("docs/", ""), File("docs/a.txt", "a.txt"),
                                  File("b.txt", "b.txt")};
const std::vector<Entry> kDrive = {File("C:/data/x.txt", "x.txt")};
const std::vector<Entry> kMixed = {File("a.txt", "a.txt"), File("empty.dat", ""),
                                   File("b.dat", "b.dat")};

INSTANTIATE_TEST_SUITE_P(
    Cases, Placement,
    ::testing::Values(
        PlacementCase{"FoldersKept", kDocs, "*.*", 1, false, 2, {"docs/a.txt", "b.txt"}, {}},
        PlacementCase{
            "FoldersKeptTrailingSeparator", kDocs, "*.*", 1, true, 2, {"docs/a.txt", "b.txt"}, {}},
        PlacementCase{"FoldersFlattened", kDocs, "*.*", 0, false, 2, {"a.txt", "b.txt"}, {"docs"}},
        PlacementCase{"EmptyPatternIsStarDotStar", kDocs, "", 0, false, 2, {"a.txt", "b.txt"}, {}},
        PlacementCase{"DriveStripped", kDrive, "*.*", 1, false, 1, {"data/x.txt"}, {"C:"}},
        PlacementCase{"DriveFlattened", kDrive, "*.*", 0, false, 1, {"x.txt"}, {"data"}},
        PlacementCase{"EmptyFilePassesThePatternWithPaths",
                      kMixed,
                      "*.txt",
                      1,
                      false,
                      2,
                      {"a.txt", "empty.dat"},
                      {"b.dat"}},
        PlacementCase{"EmptyFileFilteredWithoutPaths",
                      kMixed,
                      "*.txt",
                      0,
                      false,
                      1,
                      {"a.txt"},
                      {"empty.dat", "b.dat"}}),
    [](const auto& info) { return info.param.label; });

TEST_F(ExtractTest, DestinationIsCreatedOnlyWhenAnEntryOpens) {
    std::string deep = Program("deep/er/out");
    EXPECT_EQ(ArchiveExtract(PutArchive(Build({}), "none.zip"), "*.*", deep, 1), 0);
    EXPECT_FALSE(Exists(tmp.host("deep")));
    Entry bzip = File("a.txt", "a");
    bzip.method = 12;
    EXPECT_EQ(ArchiveExtract(PutArchive(Build({bzip}), "bzip.zip"), "*.*", deep, 1), 0);
    EXPECT_FALSE(Exists(tmp.host("deep")));
    EXPECT_EQ(
        ArchiveExtract(PutArchive(Build({File("b.dat", "b")}), "unselected.zip"), "*.txt", deep, 0),
        0);
    EXPECT_FALSE(Exists(tmp.host("deep")));
    EXPECT_EQ(ArchiveExtract(PutArchive(Build({File("a.txt", "a")}), "one.zip"), "*.*", deep, 1),
              1);
    EXPECT_EQ(ReadFile(tmp.host("deep/er/out/a.txt")), "a");
}

TEST_F(ExtractTest, BigEntriesComeOutWholeInEitherEncryption) {
    std::string data;
    for (int i = 0; data.size() < 700000; ++i)
        data += std::to_string(i * 7919 % 100003) + ",";
    Entry plain = File("plain.txt", data), stored = File("stored.txt", data);
    stored.method = 0;
    Entry secret = File("secret.txt", data), secretStored = File("secret-stored.txt", data);
    secret.password = secretStored.password = "Kennwort";
    secretStored.method = 0;
    Entry described = File("described.txt", data);
    described.password = "Kennwort";
    described.dataDescriptor = true;
    ArchiveSetPassword("Kennwort");
    EXPECT_EQ(Extract({plain, stored, secret, secretStored, described}), 5);
    for (const char* name :
         {"plain.txt", "stored.txt", "secret.txt", "secret-stored.txt", "described.txt"})
        EXPECT_EQ(ReadFile(DestHost(name)), data) << name;
    EXPECT_EQ(Listing(DestHost()).size(), 5u); // no temporary file left behind
}

// --- Times and attributes ----------------------------------------------------------------

class TimeZoneTest : public ExtractTest {
  protected:
    void SetUp() override {
        ExtractTest::SetUp();
        const char* old = getenv("TZ");
        saved_ = old ? old : "";
        hadTz_ = old != nullptr;
        // Five and a half hours east of UTC, no daylight saving time.
        setenv("TZ", "ZLV-5:30", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        ExtractTest::TearDown();
    }
    std::string saved_;
    bool hadTz_ = false;
};

TEST_F(TimeZoneTest, LastWriteTimeIsTheEntryTimeWithoutSeconds) {
    ASSERT_EQ(Extract({File("a.txt", "a")}), 1); // dated 2008-05-17 14:31:58
    tm local{};
    local.tm_year = 2008 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 17;
    local.tm_hour = 14;
    local.tm_min = 31;
    EXPECT_EQ(ModificationTime(DestHost("a.txt")), timegm(&local) - (5 * 3600 + 1800));

    // The same seen through the engine's own host calls.
    win::HANDLE h =
        win::CreateFileA((Dest() + "\\a.txt").c_str(), win::GENERIC_READ, 0, win::OPEN_EXISTING, 0);
    ASSERT_NE(h, win::INVALID_HANDLE_VALUE);
    win::FILETIME utc{}, localTime{};
    win::SYSTEMTIME st{};
    ASSERT_TRUE(win::GetFileTime(h, nullptr, nullptr, &utc));
    win::CloseHandle(h);
    ASSERT_TRUE(win::FileTimeToLocalFileTime(&utc, &localTime));
    ASSERT_TRUE(win::FileTimeToSystemTime(&localTime, &st));
    EXPECT_EQ(st.wYear, 2008);
    EXPECT_EQ(st.wMonth, 5);
    EXPECT_EQ(st.wDay, 17);
    EXPECT_EQ(st.wHour, 14);
    EXPECT_EQ(st.wMinute, 31);
    EXPECT_EQ(st.wSecond, 0);
}

TEST_F(TimeZoneTest, DatesThatAreNoDatesLeaveTheTimeOfWriting) {
    std::vector<Entry> entries;
    const std::uint32_t dates[] = {0,
                                   DosDateTime(2008, 0, 17, 14, 31, 0),
                                   DosDateTime(2008, 5, 0, 14, 31, 0),
                                   DosDateTime(2008, 13, 17, 14, 31, 0),
                                   DosDateTime(2008, 2, 30, 14, 31, 0),
                                   DosDateTime(2008, 5, 17, 25, 31, 0)};
    for (std::uint32_t date : dates) {
        Entry e = File("d" + std::to_string(entries.size()) + ".txt", "x");
        e.dosDateTime = date;
        entries.push_back(e);
    }
    time_t before = time(nullptr);
    ASSERT_EQ(Extract(entries), int(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        time_t t = ModificationTime(DestHost("d" + std::to_string(i) + ".txt"));
        EXPECT_GE(t, before - 2) << i;
        EXPECT_LE(t, time(nullptr) + 2) << i;
    }
}

TEST_F(TimeZoneTest, ReadOnlyComesAfterTheTimeAndIsKeptOnTheNextRun) {
    Entry ro = File("ro.txt", "first");
    ro.external = 0x21;
    std::vector<Entry> entries = {ro, File("rw.txt", "second")};
    ASSERT_EQ(Extract(entries), 2);
    EXPECT_EQ(win::GetFileAttributesA((Dest() + "\\ro.txt").c_str()) & win::FILE_ATTRIBUTE_READONLY,
              win::FILE_ATTRIBUTE_READONLY);
    struct stat st {};
    ASSERT_EQ(stat(DestHost("ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    time_t dated = ModificationTime(DestHost("ro.txt"));
    EXPECT_EQ(dated, ModificationTime(DestHost("rw.txt")));

    entries[0].data = "changed";
    entries[1].data = "changed";
    EXPECT_EQ(Extract(entries), 1);
    EXPECT_EQ(ArchiveLastExtractReport().cannotCreate, 1);
    EXPECT_EQ(ReadFile(DestHost("ro.txt")), "first");
    EXPECT_EQ(ReadFile(DestHost("rw.txt")), "changed");
    EXPECT_EQ(ModificationTime(DestHost("ro.txt")), dated);
}

TEST_F(ExtractTest, HiddenExistingFileIsOverwritten) {
    fs::create_directories(DestHost());
    testing_support::WriteFile(DestHost("h.txt"), "old hidden");
    ASSERT_TRUE(win::SetFileAttributesA((Dest() + "\\h.txt").c_str(), win::FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Extract({File("h.txt", "new")}), 1);
    EXPECT_EQ(ReadFile(DestHost("h.txt")), "new");
}

TEST_F(ExtractTest, UnixModesAreHonouredAndLinksBecomeFiles) {
    Entry script = File("run.sh", "#!/bin/sh\n");
    script.madeBy = 0x031E;
    script.external = (0100755u << 16) | 0x20;
    Entry link = File("link", "/etc/passwd");
    link.madeBy = 0x031E;
    link.external = 0120777u << 16;
    EXPECT_EQ(Extract({script, link}), 2);
    struct stat st {};
    ASSERT_EQ(lstat(DestHost("run.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    ASSERT_EQ(lstat(DestHost("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0002, 0u);
    EXPECT_EQ(ReadFile(DestHost("link")), "/etc/passwd");
}

// --- Progress ------------------------------------------------------------------------------

TEST_F(ExtractTest, ProgressReportsPerChunkPerFileAndPerEntry) {
    ArchiveSetCompressProgress(ProgressLog::OnCompress);
    ArchiveSetExtractProgress(ProgressLog::OnExtract);
    EXPECT_EQ(Extract({File("big.bin", std::string(250000, 'b')), File("empty.bin", "")}), 2);
    using Log = std::vector<std::pair<std::string, float>>;
    EXPECT_EQ(ProgressLog::Compress(), (Log{{"big.bin", 40.96f},
                                            {"big.bin", 81.92f},
                                            {"big.bin", 100.0f},
                                            {"", 100.0f},
                                            {"", 100.0f}}));
    EXPECT_EQ(ProgressLog::Extract(),
              (Log{{"big.bin", 50.0f}, {"empty.bin", 100.0f}, {"", 100.0f}}));
}

TEST_F(ExtractTest, MissingArchiveGivesZeroAndNoReport) {
    ArchiveSetCompressProgress(ProgressLog::OnCompress);
    ArchiveSetExtractProgress(ProgressLog::OnExtract);
    EXPECT_EQ(ArchiveExtract(Program("missing.zip"), "*.*", Dest(), 1), 0);
    EXPECT_TRUE(ProgressLog::Compress().empty());
    EXPECT_TRUE(ProgressLog::Extract().empty());
    EXPECT_FALSE(Exists(DestHost()));
    EXPECT_EQ(ArchiveLastExtractReport().opened, 0);
}

TEST_F(ExtractTest, EntryClaimingNoDataReportsFiniteProgressAndIsRefused) {
    ArchiveSetCompressProgress(ProgressLog::OnCompress);
    Entry liar = File("liar.txt", "there is data after all");
    liar.uncompressedSize = 0;
    liar.password = "pw";
    ArchiveSetPassword("pw");
    EXPECT_EQ(Extract({liar}), 0);
    EXPECT_EQ(ArchiveLastExtractReport().wrongPassword + ArchiveLastExtractReport().damagedData, 1);
    for (const auto& [name, percent] : ProgressLog::Compress()) {
        EXPECT_TRUE(std::isfinite(percent));
        EXPECT_LE(percent, 100.0f);
    }
    EXPECT_FALSE(Exists(DestHost("liar.txt")));
}

// --- Hostile archives ----------------------------------------------------------------------

// A password other than `real` whose check byte decision for the first entry of `archive`
// is `passes`: about 1 in 256 wrong passwords pass it.
std::string WrongPassword(const std::string& archive, const Entry& e, bool passes) {
    std::size_t headerAt = 30 + e.name.size();
    std::uint8_t check = std::uint8_t(zip_bytes::Crc(e.data) >> 24);
    for (int i = 0;; ++i) {
        std::string candidate = "falsch" + std::to_string(i);
        unsigned char header[ZipCrypto::kHeaderSize];
        std::copy_n(archive.begin() + long(headerAt), sizeof header, header);
        if (ZipCrypto(candidate).CheckHeader(header, check) == passes) return candidate;
    }
}

struct Hostile {
    std::string bytes;
    std::string password;
};

struct HostileCase {
    const char* label;
    std::function<Hostile(const std::string& tmpHost)> make;
    int expected;                      // files written
    int ArchiveExtractReport::*reason; // the reason counted once, or null
    std::function<void(const std::string& destHost, const std::string& tmpHost)> prepare = {};
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.label;
}

class HostileArchives : public ExtractTest, public ::testing::WithParamInterface<HostileCase> {
  protected:
    // The destination lies three folders deep in the temporary folder, so that names
    // climbing out of it still land where the test looks.
    std::string DeepDest() const { return Program("a/b/out"); }
    std::string DeepHost(const std::string& rel) const { return tmp.host("a/b/out/" + rel); }
};

TEST_P(HostileArchives, NothingLeavesTheDestinationAndGoodDataStays) {
    const HostileCase& c = GetParam();
    fs::create_directories(DeepHost(""));
    const std::string good = "GOOD DATA, must stay";
    testing_support::WriteFile(DeepHost("victim.txt"), good);
    testing_support::WriteFile(tmp.host("outside.txt"), "outside");
    if (c.prepare) c.prepare(DeepHost(""), tmp.host());
    Hostile h = c.make(tmp.host());
    std::string archive = PutArchive(h.bytes);
    std::set<std::string> before = Listing(tmp.host(), "a/b/out");

    ArchiveSetPassword(h.password);
    EXPECT_EQ(ArchiveExtract(archive, "*.*", DeepDest(), 1), c.expected);

    EXPECT_EQ(Listing(tmp.host(), "a/b/out"), before);
    EXPECT_EQ(ReadFile(tmp.host("outside.txt")), "outside");
    EXPECT_EQ(ReadFile(DeepHost("victim.txt")), good);
    for (const std::string& rel : Listing(DeepHost("")))
        EXPECT_EQ(rel.find(".zelvanto-"), std::string::npos) << "left behind: " << rel;
    if (c.reason) {
        EXPECT_EQ(ArchiveLastExtractReport().*c.reason, 1);
    }
}

Hostile Entries(std::vector<Entry> entries) {
    return {Build(entries), ""};
}

Hostile Encrypted(Entry e, bool checkBytePasses) {
    e.password = "richtig";
    std::string bytes = Build({e});
    return {bytes, WrongPassword(bytes, e, checkBytePasses)};
}

Entry Victim(const std::string& data = "BAD DATA") {
    return File("victim.txt", data);
}

Entry WithMethod(std::uint16_t method) {
    Entry e = Victim();
    e.method = method;
    return e;
}

// A name of exactly `length` bytes in folders short enough for the host's name limit.
std::string LongName(std::size_t length) {
    std::string name;
    while (name.size() + 101 < length)
        name += std::string(100, 'd') + "/";
    return name + std::string(length - name.size(), 'f');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileArchives,
    ::testing::Values(
        HostileCase{"ParentFolders",
                    [](auto&) { return Entries({File("../../../evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"ParentFolderInTheMiddle",
                    [](auto&) { return Entries({File("docs/../../../../evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"AbsoluteName",
                    [](const std::string& t) { return Entries({File(t + "/evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"DriveThenParent",
                    [](auto&) { return Entries({File("C:/../../../evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"SecondDriveSurvivesStripping",
                    [](auto&) { return Entries({File("C:/D:/evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"UncName",
                    [](auto&) { return Entries({File("//server/share/evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"BackslashParents",
                    [](auto&) { return Entries({File("..\\..\\..\\evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{"LinkEntryThenFileThroughIt",
                    [](const std::string& t) {
                        Entry link = File("escape", t);
                        link.madeBy = 0x031E;
                        link.external = 0120777u << 16;
                        return Entries({link, File("escape/evil.txt", "x")});
                    },
                    1, &ArchiveExtractReport::cannotCreate},
        HostileCase{"ExistingLinkOnTheWay",
                    [](auto&) { return Entries({File("sub/evil.txt", "x")}); }, 0,
                    &ArchiveExtractReport::unsafeName,
                    [](const std::string& d, const std::string& t) {
                        fs::create_directory_symlink(t, d + "sub");
                    }},
        HostileCase{"ExistingLinkAsTarget",
                    [](auto&) { return Entries({File("pointer.txt", "replaced")}); }, 1, nullptr,
                    [](const std::string& d, const std::string& t) {
                        fs::create_symlink(t + "/outside.txt", d + "pointer.txt");
                    }},
        HostileCase{"TruncatedCentralDirectory",
                    [](auto&) {
                        return Hostile{Build({Victim()}, 30), ""};
                    },
                    0, nullptr},
        HostileCase{"WrongCrc",
                    [](auto&) {
                        Entry e = Victim();
                        e.crc = 0x12345678;
                        return Entries({e});
                    },
                    0, &ArchiveExtractReport::damagedData},
        HostileCase{"StoredWrongCrc",
                    [](auto&) {
                        Entry e = WithMethod(0);
                        e.crc = 0x12345678;
                        return Entries({e});
                    },
                    0, &ArchiveExtractReport::damagedData},
        HostileCase{"MoreDataThanDeclared",
                    [](auto&) {
                        Entry e = Victim(std::string(5000, 'x'));
                        e.uncompressedSize = 10;
                        return Entries({e});
                    },
                    0, &ArchiveExtractReport::damagedData},
        HostileCase{"LessDataThanDeclared",
                    [](auto&) {
                        Entry e = Victim();
                        e.uncompressedSize = 5000;
                        return Entries({e});
                    },
                    0, &ArchiveExtractReport::damagedData},
        HostileCase{"StoredBytesBeyondTheEndOfTheFile",
                    [](auto&) {
                        Entry e = Victim(std::string(5000, 'x'));
                        e.compressedSizeExtra = 100000;
                        return Entries({e});
                    },
                    0, &ArchiveExtractReport::damagedData},
        HostileCase{"WrongPasswordFailsTheCheckByte",
                    [](auto&) { return Encrypted(Victim(), false); }, 0,
                    &ArchiveExtractReport::wrongPassword},
        HostileCase{"WrongPasswordPassesTheCheckByte",
                    [](auto&) { return Encrypted(Victim(std::string(3000, 'y')), true); }, 0,
                    &ArchiveExtractReport::wrongPassword},
        HostileCase{"StoredWrongPasswordFailsTheCheckByte",
                    [](auto&) { return Encrypted(WithMethod(0), false); }, 0,
                    &ArchiveExtractReport::wrongPassword},
        HostileCase{"StoredWrongPasswordPassesTheCheckByte",
                    [](auto&) { return Encrypted(WithMethod(0), true); }, 0,
                    &ArchiveExtractReport::wrongPassword},
        HostileCase{"EncryptedWithoutPassword",
                    [](auto&) {
                        Hostile h = Encrypted(Victim(), false);
                        h.password.clear();
                        return h;
                    },
                    0, &ArchiveExtractReport::wrongPassword},
        HostileCase{"Bzip2Method", [](auto&) { return Entries({WithMethod(12)}); }, 0,
                    &ArchiveExtractReport::unsupported},
        HostileCase{"LzmaMethod", [](auto&) { return Entries({WithMethod(14)}); }, 0,
                    &ArchiveExtractReport::unsupported},
        HostileCase{"AesMethod",
                    [](auto&) {
                        Entry e = WithMethod(99);
                        e.flags = 1;
                        return Entries({e});
                    },
                    0, &ArchiveExtractReport::unsupported},
        HostileCase{"NameOf499BytesIsWritten",
                    [](auto&) { return Entries({File(LongName(499), "long")}); }, 1, nullptr},
        HostileCase{"NameOf600BytesIsRefused",
                    [](auto&) { return Entries({File(LongName(600), "long")}); }, 0,
                    &ArchiveExtractReport::unsafeName},
        HostileCase{
            "NameWithNul",
            [](auto&) { return Entries({File(std::string("victim.txt\0/../../x", 19), "BAD")}); },
            0, &ArchiveExtractReport::unsafeName}),
    [](const auto& info) { return info.param.label; });

} // namespace
