// The archive writer: the records it writes, its progress reports and abort, its
// failures and limits, and what other zip tools make of its archives.
#include "archive/archive.h"
#include "support/test_support.h"
#include "zip_records.h"

#include "platform/text.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>

namespace ts = testing_support;
namespace zr = zip_records;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kFourGiB = 0x100000000ull;

// Text-like bytes that deflate compresses, different for each seed.
std::string TextBytes(std::size_t size, unsigned seed = 1) {
    static const char* words[] = {"Bericht ",   "Daten ", "Zelvanto ", "packen ",  "und ",
                                  "entpacken ", "2008 ",  "\r\n",      "Umsatz: ", "\xE4\xF6\xFC "};
    std::mt19937 random(seed);
    std::string out;
    while (out.size() < size)
        out += words[random() % 10];
    out.resize(size);
    return out;
}

std::string RandomBytes(std::size_t size, unsigned seed = 7) {
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(random());
    return out;
}

std::string Program(const std::string& hostPath) {
    std::string out;
    EXPECT_TRUE(text::ToProgramPath(hostPath, out)) << hostPath;
    return out;
}

void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

// Sets the file's last-write time to `utc` seconds since 1970.
void SetWriteTime(const std::string& hostPath, std::time_t utc) {
    timespec times[2] = {{utc, 0}, {utc, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, hostPath.c_str(), times, 0)) << hostPath;
}

// 2008-05-17 12:34:57 UTC.
constexpr std::time_t kMay2008 = 1211027697;

// --- Progress recording -----------------------------------------------------------------

struct Report {
    std::string name;
    float percent;
};

struct Recorder {
    std::vector<Report> reports;
    std::vector<int> answers; // answer to report i; 0 beyond the list
    std::function<void()> onReport;
};
Recorder* recorder = nullptr;

int Record(const std::string& name, float percent) {
    std::size_t index = recorder->reports.size();
    recorder->reports.push_back({name, percent});
    if (recorder->onReport && !name.empty()) recorder->onReport();
    return index < recorder->answers.size() ? recorder->answers[index] : 0;
}

// --- Peers --------------------------------------------------------------------------------

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// The Python check beside this source file.
std::string PeerCheckScript() {
    return (fs::path(__FILE__).parent_path() / "zip_peer_check.py").string();
}

// Every peer reads the archive; Python's zipfile gives back each entry's exact bytes
// (the files named in `expected`, in entry order) with the password and refuses a
// wrong one. 7-Zip cannot open any archive behind gigabytes of other bytes, so the
// tests that build one behind a large sparse prefix leave it out.
void ExpectPeersAccept(const std::string& archive, const std::string& password,
                       const std::vector<std::string>& expected, bool with7z = true) {
    std::string quiet = " >/dev/null 2>&1";
    std::string pw = password.empty() ? "" : " -P " + Quote(password);
    std::string pw7 = password.empty() ? "" : " " + Quote("-p" + password);
    EXPECT_EQ(0, ts::Run("unzip -tq" + pw + " " + Quote(archive) + quiet))
        << "unzip -t " << archive;
    if (with7z) {
        EXPECT_EQ(0, ts::Run("7zz t" + pw7 + " " + Quote(archive) + quiet)) << "7zz t " << archive;
    }
    EXPECT_EQ(0, ts::Run("bsdtar -tf " + Quote(archive) + quiet)) << "bsdtar -tf " << archive;
    std::string check =
        "python3 " + Quote(PeerCheckScript()) + " " + Quote(archive) + " " + Quote(password);
    for (const auto& e : expected)
        check += " " + Quote(e);
    EXPECT_EQ(0, ts::Run(check)) << check;
}

class Writer : public ::testing::Test {
  protected:
    void SetUp() override {
        ArchiveInit();
        ArchiveSetPassword("");
        ArchiveSetCompressProgress(nullptr);
        SetZone("UTC0");
        recorder = &calls;
    }
    void TearDown() override {
        ArchiveClose();
        ArchiveSetPassword("");
        ArchiveSetCompressProgress(nullptr);
        recorder = nullptr;
    }

    // Writes a file in the temporary folder and returns its host path.
    std::string Make(const std::string& relative, const std::string& bytes) {
        std::string host = dir.host(relative);
        fs::create_directories(fs::path(host).parent_path());
        ts::WriteFile(host, bytes);
        return host;
    }

    // Packs the files with `password` (empty: none) into a new archive.
    std::string Pack(const std::string& archive, const std::vector<std::string>& hostFiles,
                     const std::string& password, std::vector<int>* results = nullptr) {
        std::string host = dir.host(archive);
        ArchiveSetPassword(password);
        EXPECT_NE(0, ArchiveCreate(Program(host), APPEND_STATUS_CREATE));
        for (const auto& f : hostFiles) {
            int r = ArchiveAddFile(Program(f), 0);
            if (results) results->push_back(r);
        }
        ArchiveClose();
        return host;
    }

    ts::TempDir dir;
    Recorder calls;
};

// --- Records --------------------------------------------------------------------------------

TEST_F(Writer, EntryRecordsHoldWhatTheWriterDecides) {
    struct Case {
        const char* label;
        std::string bytes;
        bool readOnly;
        std::uint32_t attributes;
    };
    const Case cases[] = {
        {"text", TextBytes(250000), false, 0x20},
        {"incompressible", RandomBytes(300000), false, 0x20},
        {"read-only", TextBytes(5000, 2), true, 0x21},
        {"empty", "", false, 0x20},
    };
    // One archive per password, one entry per case.
    for (const char* password : {"", "geheim 1"}) {
        const bool encrypted = *password != 0;
        const std::uint16_t flags = encrypted ? 0x0003 : 0x0002;
        std::vector<std::string> files;
        for (const Case& c : cases) {
            files.push_back(Make(std::string(password) + "/" + c.label + "/Bericht.txt", c.bytes));
            SetWriteTime(files.back(), kMay2008);
            if (c.readOnly) chmod(files.back().c_str(), 0444);
        }
        std::vector<int> results;
        std::string archive = Pack(std::string("records") + (encrypted ? "-pw" : "") + ".zip",
                                   files, password, &results);
        EXPECT_EQ(results, std::vector<int>(std::size(cases), 0));

        zr::Archive a = zr::Read(archive);
        ASSERT_TRUE(a.ok) << a.error;
        ASSERT_EQ(a.entries.size(), std::size(cases));
        EXPECT_EQ(a.comment, "");
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const Case& c = cases[i];
            const zr::Entry& e = a.entries[i];
            SCOPED_TRACE(std::string(c.label) + ", password '" + password + "'");
            EXPECT_EQ(e.versionMadeBy, 0);
            EXPECT_EQ(e.versionNeeded, 20);
            EXPECT_EQ(e.flags, flags);
            EXPECT_EQ(e.method, 8);
            EXPECT_EQ(e.dosDate, (28 << 9) | (5 << 5) | 17);         // 2008-05-17
            EXPECT_EQ(e.dosTime, (12 << 11) | (34 << 5) | (56 / 2)); // 12:34:56, seconds halved
            EXPECT_EQ(e.crc, zr::Crc(c.bytes));
            EXPECT_EQ(e.uncompressedSize, c.bytes.size());
            EXPECT_EQ(e.compressedSize, zr::RawDeflateSize(c.bytes) + (encrypted ? 12 : 0));
            if (c.bytes.empty()) {
                EXPECT_EQ(e.compressedSize, encrypted ? 14u : 2u);
            }
            EXPECT_EQ(e.externalAttributes, c.attributes);
            EXPECT_EQ(e.diskStart, 0);
            EXPECT_EQ(e.name, "Bericht.txt");
            EXPECT_EQ(e.extra, "");
            EXPECT_EQ(e.comment, "");
            // The local header carries the final values, so no data descriptor is needed.
            EXPECT_EQ(e.localVersionNeeded, 20);
            EXPECT_EQ(e.localFlags, flags);
            EXPECT_EQ(e.localMethod, 8);
            EXPECT_EQ(e.localCrc, e.crc);
            EXPECT_EQ(e.localCompressedSize, e.compressedSize);
            EXPECT_EQ(e.localUncompressedSize, e.uncompressedSize);
            EXPECT_EQ(e.localName, e.name);
            EXPECT_EQ(e.localExtra, "");

            bool ok = false;
            EXPECT_EQ(zr::Content(e, password, ok), c.bytes);
            EXPECT_TRUE(ok);
            if (encrypted) {
                std::string header = zr::EncryptionHeader(e, password);
                EXPECT_EQ(static_cast<unsigned char>(header[10]), (e.crc >> 16) & 0xFF);
                EXPECT_EQ(static_cast<unsigned char>(header[11]), e.crc >> 24);
            }
        }
        ExpectPeersAccept(archive, password, files);
    }
}

TEST_F(Writer, DosTimeIsTheLocalTimeInTwoSecondSteps) {
    struct Case {
        const char* zone;
        std::time_t utc;
        int year, month, day, hour, minute, second;
    };
    const Case cases[] = {
        {"UTC0", kMay2008, 2008, 5, 17, 12, 34, 56},
        {"XST-2", kMay2008, 2008, 5, 17, 14, 34, 56},
        {"XST+5", kMay2008, 2008, 5, 17, 7, 34, 56},
        {"XST-2", 1230767999, 2009, 1, 1, 1, 59, 58}, // 2008-12-31 23:59:59 UTC
        {"UTC0", 1230767998, 2008, 12, 31, 23, 59, 58},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.utc));
        SetZone(c.zone);
        std::string file = Make("t.txt", "x");
        SetWriteTime(file, c.utc);
        zr::Archive a = zr::Read(Pack("t.zip", {file}, ""));
        ASSERT_TRUE(a.ok) << a.error;
        ASSERT_EQ(a.entries.size(), 1u);
        EXPECT_EQ(a.entries[0].dosDate, ((c.year - 1980) << 9) | (c.month << 5) | c.day);
        EXPECT_EQ(a.entries[0].dosTime, (c.hour << 11) | (c.minute << 5) | (c.second / 2));
    }
}

TEST_F(Writer, EntryNamesAreOemTextWithForwardSlashes) {
    // The program path C:\Daten\Bericht ä.txt is the relative host path C:/Daten/... .
    struct WorkingFolder {
        fs::path before = fs::current_path();
        explicit WorkingFolder(const std::string& to) { fs::current_path(to); }
        ~WorkingFolder() { fs::current_path(before); }
    } inside(dir.host());
    Make("C:/Daten/Bericht \xC3\xA4.txt", TextBytes(3000));
    struct Case {
        std::string path;
        int keepPath;
        std::string name;
    };
    const Case cases[] = {
        {"C:\\Daten\\Bericht \xE4.txt", 1, "C:/Daten/Bericht \x84.txt"},
        {"C:\\Daten\\Bericht \xE4.txt", 0, "Bericht \x84.txt"},
        {"C:\\Daten\\\\Bericht \xE4.txt", 1, "C:/Daten//Bericht \x84.txt"},
        {"C:/Daten/Bericht \xE4.txt", 0, "Bericht \x84.txt"},
    };
    for (const char* password : {"", "geheim"}) {
        SCOPED_TRACE(password);
        ArchiveSetPassword(password);
        ASSERT_NE(0, ArchiveCreate("namen.zip", APPEND_STATUS_CREATE));
        for (const Case& c : cases)
            EXPECT_EQ(ArchiveAddFile(c.path, c.keepPath), 0) << c.path;
        ArchiveClose();
        zr::Archive a = zr::Read(dir.host("namen.zip"));
        ASSERT_TRUE(a.ok) << a.error;
        ASSERT_EQ(a.entries.size(), std::size(cases));
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            EXPECT_EQ(a.entries[i].name, cases[i].name);
            EXPECT_EQ(a.entries[i].flags & 0x0800, 0); // never marked as UTF-8
        }
        std::string content = dir.host("C:/Daten/Bericht \xC3\xA4.txt");
        ExpectPeersAccept(dir.host("namen.zip"), password, {content, content, content, content});
    }
}

TEST_F(Writer, TheSameFileTwiceGivesTwoEntries) {
    std::string file = Make("a.txt", TextBytes(1000));
    zr::Archive a = zr::Read(Pack("twice.zip", {file, file}, ""));
    ASSERT_TRUE(a.ok) << a.error;
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.entries[0].name, "a.txt");
    EXPECT_EQ(a.entries[1].name, "a.txt");
}

// --- Progress ---------------------------------------------------------------------------

TEST_F(Writer, ProgressReportsEveryChunkThenTheEndCall) {
    struct Case {
        std::size_t size;
        std::vector<float> percents; // the end call follows when there is any
    };
    const Case cases[] = {
        {102400, {100.0f}},
        {250000, {static_cast<float>(40.96), static_cast<float>(81.92), 100.0f}},
        {1, {100.0f}},
        {0, {}},
    };
    ArchiveSetCompressProgress(Record);
    for (const char* password : {"", "geheim"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.size) + " bytes, password '" + password + "'");
            calls.reports.clear();
            std::string file = Make("p.bin", TextBytes(c.size));
            std::vector<int> results;
            Pack("p.zip", {file}, password, &results);
            EXPECT_EQ(results, std::vector<int>{0});
            std::size_t expected = c.percents.empty() ? 0 : c.percents.size() + 1;
            ASSERT_EQ(calls.reports.size(), expected);
            for (std::size_t i = 0; i < c.percents.size(); ++i) {
                EXPECT_EQ(calls.reports[i].name, Program(file));
                EXPECT_EQ(calls.reports[i].percent, c.percents[i]) << i;
            }
            if (expected) {
                EXPECT_EQ(calls.reports.back().name, "");
                EXPECT_EQ(calls.reports.back().percent, 100.0f);
            }
        }
    }
}

TEST_F(Writer, OnlyAnAnswerOfOneStopsTheCopy) {
    struct Case {
        const char* label;
        std::vector<int> answers;
        bool callback;
        int result;
        std::size_t kept;    // bytes in the entry
        std::size_t reports; // including the end call
    };
    const Case cases[] = {
        {"1 to the first report", {1}, true, ARCHIVE_ABORTED, 102400, 2},
        {"1 to the second report", {0, 1}, true, ARCHIVE_ABORTED, 204800, 3},
        {"2", {2, 2, 2}, true, 0, 250000, 4},
        {"-1", {-1, -1, -1}, true, 0, 250000, 4},
        {"no callback", {}, false, 0, 250000, 0},
    };
    const std::string bytes = TextBytes(250000);
    std::string file = Make("abort.txt", bytes);
    std::string after = Make("after.txt", TextBytes(500, 3));
    for (const char* password : {"", "geheim"}) {
        // One archive per password; after each case's file another one shows that the
        // archive goes on normally.
        std::string archive = dir.host(std::string("stop") + (*password ? "-pw" : "") + ".zip");
        ArchiveSetPassword(password);
        ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_CREATE));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + ", password '" + password + "'");
            calls = Recorder{};
            calls.answers = c.answers;
            ArchiveSetCompressProgress(c.callback ? Record : nullptr);
            EXPECT_EQ(ArchiveAddFile(Program(file), 0), c.result);
            ASSERT_EQ(calls.reports.size(), c.reports);
            if (c.callback) {
                EXPECT_EQ(calls.reports.back().name, ""); // the end call, after a stop too
                EXPECT_EQ(calls.reports.back().percent, 100.0f);
            }
            ArchiveSetCompressProgress(nullptr);
            EXPECT_EQ(ArchiveAddFile(Program(after), 0), 0);
        }
        ArchiveClose();

        zr::Archive a = zr::Read(archive);
        ASSERT_TRUE(a.ok) << a.error;
        ASSERT_EQ(a.entries.size(), 2 * std::size(cases));
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const Case& c = cases[i];
            SCOPED_TRACE(std::string(c.label) + ", password '" + password + "'");
            const zr::Entry& e = a.entries[2 * i];
            std::string kept = bytes.substr(0, c.kept);
            bool ok = false;
            EXPECT_EQ(zr::Content(e, password, ok), kept);
            EXPECT_TRUE(ok);
            EXPECT_EQ(e.crc, zr::Crc(kept));
            EXPECT_EQ(e.uncompressedSize, kept.size());
            EXPECT_EQ(e.localCrc, e.crc);
            EXPECT_EQ(e.localUncompressedSize, kept.size());
            EXPECT_EQ(e.localCompressedSize, e.compressedSize);
            if (*password) {
                // The check bytes come from the pass over the whole file.
                std::string header = zr::EncryptionHeader(e, password);
                std::uint32_t whole = zr::Crc(bytes);
                EXPECT_EQ(static_cast<unsigned char>(header[10]), (whole >> 16) & 0xFF);
                EXPECT_EQ(static_cast<unsigned char>(header[11]), whole >> 24);
            }
            EXPECT_EQ(zr::Content(a.entries[2 * i + 1], password, ok), TextBytes(500, 3));
            expected.push_back(Make("expected" + std::to_string(i), kept));
            expected.push_back(after);
        }
        // A stopped encrypted entry's check bytes no longer match its CRC, so peers
        // rightly refuse its password; the archive without a password must pass them.
        if (!*password) ExpectPeersAccept(archive, password, expected);
    }
}

// With a password the file is read twice. When it changes in between, the header's check
// bytes (from the first pass) no longer fit the entry (from the second): no tool would
// take the password, so the result says the entry failed.
TEST_F(Writer, AFileChangedBetweenThePassesIsReportedAsFailed) {
    std::string bytes = TextBytes(250000);
    std::string file = Make("wechsel.txt", bytes);
    std::string changed = bytes.substr(0, 249000) + RandomBytes(1000);
    calls.onReport = [&] {
        if (calls.reports.size() == 1) ts::WriteFile(file, changed); // same size, new tail
    };
    ArchiveSetCompressProgress(Record);
    std::vector<int> results;
    std::string archive = Pack("wechsel.zip", {file}, "geheim", &results);
    EXPECT_EQ(results, std::vector<int>{ARCHIVE_FAILED});
    zr::Archive a = zr::Read(archive);
    ASSERT_TRUE(a.ok) << a.error;
    ASSERT_EQ(a.entries.size(), 1u);
    bool ok = false;
    EXPECT_EQ(zr::Content(a.entries[0], "geheim", ok), changed);
    EXPECT_EQ(a.entries[0].crc, zr::Crc(changed));
    std::string header = zr::EncryptionHeader(a.entries[0], "geheim");
    EXPECT_EQ(static_cast<unsigned char>(header[11]), zr::Crc(bytes) >> 24);
}

// --- Failures ------------------------------------------------------------------------------

TEST_F(Writer, AddingWithoutAnOpenArchiveTouchesNothing) {
    std::string file = Make("a.txt", "abc");
    EXPECT_EQ(ArchiveAddFile(Program(file), 0), ARCHIVE_FAILED);
    std::string archive = Pack("x.zip", {file}, "");
    std::string bytes = ts::ReadFile(archive);
    EXPECT_EQ(ArchiveAddFile(Program(file), 0), ARCHIVE_FAILED); // after ArchiveClose
    EXPECT_EQ(ts::ReadFile(archive), bytes);
    EXPECT_EQ(ArchiveClose(), 0); // nothing open: nothing done
    EXPECT_EQ(ts::ReadFile(archive), bytes);
}

TEST_F(Writer, UnreadablePathsAddNothing) {
    fs::create_directories(dir.host("Ordner"));
    std::string good = Make("gut.txt", TextBytes(2000));
    const std::string paths[] = {Program(dir.host("Ordner")), Program(dir.host("fehlt.txt")), "",
                                 Program(dir.host("Ordner")) + "\\"};
    ArchiveSetCompressProgress(Record);
    for (const char* password : {"", "geheim"}) {
        SCOPED_TRACE(password);
        ArchiveSetPassword(password);
        ASSERT_NE(0, ArchiveCreate(Program(dir.host("f.zip")), APPEND_STATUS_CREATE));
        EXPECT_EQ(ArchiveAddFile(Program(good), 0), 0);
        calls.reports.clear();
        for (const auto& p : paths)
            EXPECT_EQ(ArchiveAddFile(p, 1), ARCHIVE_FAILED) << p;
        EXPECT_TRUE(calls.reports.empty());
        ArchiveClose();
        zr::Archive a = zr::Read(dir.host("f.zip"));
        ASSERT_TRUE(a.ok) << a.error;
        ASSERT_EQ(a.entries.size(), 1u);
        EXPECT_EQ(a.entries[0].name, "gut.txt");
    }
}

TEST_F(Writer, CreateWhileOpenFinishesTheFirstArchive) {
    std::string file = Make("a.txt", TextBytes(2000));
    ASSERT_NE(0, ArchiveCreate(Program(dir.host("eins.zip")), APPEND_STATUS_CREATE));
    ASSERT_EQ(ArchiveAddFile(Program(file), 0), 0);
    ASSERT_NE(0, ArchiveCreate(Program(dir.host("zwei.zip")), APPEND_STATUS_CREATE));
    zr::Archive first = zr::Read(dir.host("eins.zip"));
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.entries.size(), 1u);
    ExpectPeersAccept(dir.host("eins.zip"), "", {file});
    ArchiveClose();
    zr::Archive second = zr::Read(dir.host("zwei.zip"));
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_TRUE(second.entries.empty());
}

TEST_F(Writer, CreateFailsWithoutLeavingAWriterOpen) {
    std::string file = Make("a.txt", "abc");
    ASSERT_NE(0, ArchiveCreate(Program(dir.host("eins.zip")), APPEND_STATUS_CREATE));
    EXPECT_EQ(ArchiveCreate(Program(dir.host("fehlt/zwei.zip")), APPEND_STATUS_CREATE), 0);
    EXPECT_EQ(Archive().writer, nullptr);
    EXPECT_EQ(ArchiveAddFile(Program(file), 0), ARCHIVE_FAILED);
    EXPECT_TRUE(zr::Read(dir.host("eins.zip")).ok); // the first one was finished
    // Appending needs an existing file (and, for ADDINZIP, a zip archive).
    Make("kein.zip", "not an archive");
    EXPECT_EQ(ArchiveCreate(Program(dir.host("neu.zip")), APPEND_STATUS_CREATEAFTER), 0);
    EXPECT_EQ(ArchiveCreate(Program(dir.host("kein.zip")), APPEND_STATUS_ADDINZIP), 0);
    EXPECT_EQ(ts::ReadFile(dir.host("kein.zip")), "not an archive");
}

TEST_F(Writer, CreateTruncatesAnExistingFileAtOnce) {
    std::string old = Make("alt.zip", TextBytes(5000));
    ASSERT_NE(0, ArchiveCreate(Program(old), APPEND_STATUS_CREATE));
    EXPECT_EQ(fs::file_size(old), 0u);
    ArchiveClose();
    zr::Archive a = zr::Read(old);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_TRUE(a.entries.empty());
}

TEST_F(Writer, CreateRefusesAReadOnlyFileEvenForRoot) {
    for (int mode : {APPEND_STATUS_CREATE, APPEND_STATUS_CREATEAFTER, APPEND_STATUS_ADDINZIP}) {
        SCOPED_TRACE(mode);
        std::string old = Pack("ro.zip", {Make("a.txt", "abc")}, "");
        std::string bytes = ts::ReadFile(old);
        chmod(old.c_str(), 0444);
        EXPECT_EQ(ArchiveCreate(Program(old), mode), 0);
        ArchiveClose();
        EXPECT_EQ(ts::ReadFile(old), bytes);
        chmod(old.c_str(), 0644);
    }
}

TEST_F(Writer, AppendingKeepsWhatTheFileHad) {
    std::string a = Make("a.txt", TextBytes(3000, 1));
    std::string b = Make("b.txt", TextBytes(3000, 2));
    // ADDINZIP: old entries and the old comment stay unless a new comment is given.
    std::string archive = dir.host("add.zip");
    ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_CREATE));
    ASSERT_EQ(ArchiveAddFile(Program(a), 0), 0);
    ArchiveClose("alter Kommentar");
    for (const char* password : {"", "geheim"}) {
        ArchiveSetPassword(password);
        ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_ADDINZIP));
        ASSERT_EQ(ArchiveAddFile(Program(b), 0), 0);
        ArchiveClose();
    }
    zr::Archive added = zr::Read(archive);
    ASSERT_TRUE(added.ok) << added.error;
    ASSERT_EQ(added.entries.size(), 3u);
    EXPECT_EQ(added.comment, "alter Kommentar");
    EXPECT_EQ(added.entries[2].flags, 0x0003);
    ExpectPeersAccept(archive, "geheim", {a, b, b});
    ArchiveSetPassword("");
    // A shorter comment than before leaves nothing of the old one behind.
    for (const char* comment : {"neuer, l\xE4ngerer Kommentar", "neu"}) {
        ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_ADDINZIP));
        ArchiveClose(comment);
        zr::Archive got = zr::Read(archive);
        ASSERT_TRUE(got.ok) << got.error;
        EXPECT_EQ(got.comment, comment);
    }
    ExpectPeersAccept(archive, "geheim", {a, b, b});

    // CREATEAFTER: the archive follows the file's bytes; its offsets count from the start.
    std::string prefix = TextBytes(5000, 9);
    std::string after = Make("after.bin", prefix);
    ASSERT_NE(0, ArchiveCreate(Program(after), APPEND_STATUS_CREATEAFTER));
    ASSERT_EQ(ArchiveAddFile(Program(a), 0), 0);
    ArchiveClose();
    zr::Archive behind = zr::Read(after);
    ASSERT_TRUE(behind.ok) << behind.error;
    ASSERT_EQ(behind.entries.size(), 1u);
    EXPECT_EQ(behind.entries[0].localOffset, prefix.size());
    EXPECT_EQ(ts::ReadFile(after).substr(0, prefix.size()), prefix);
    ExpectPeersAccept(after, "", {a});
}

TEST_F(Writer, CloseTakesAnyCommentAndKeepsTheSettings) {
    ArchiveSetCompressProgress(Record);
    ArchiveSetPassword("geheim");
    std::string archive = dir.host("c.zip");
    const std::string comments[] = {"Kommentar \xE4", std::string(70000, 'k')};
    for (const auto& comment : comments) {
        ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_CREATE));
        EXPECT_EQ(ArchiveClose(comment), 0);
        zr::Archive a = zr::Read(archive);
        ASSERT_TRUE(a.ok) << a.error;
        // The comment field has 16 bits: a longer comment is cut, not the archive broken.
        EXPECT_EQ(a.comment, comment.substr(0, 0xFFFF));
        EXPECT_EQ(Archive().passwordSet, 1);
        EXPECT_EQ(Archive().password, "geheim");
        EXPECT_EQ(Archive().compressProgress, &Record);
    }
}

// --- Limits -------------------------------------------------------------------------------

TEST_F(Writer, FilesTooLargeForTheFormatAreRefusedBeforeAnythingIsWritten) {
    std::string small = Make("klein.txt", TextBytes(1000));
    const std::uint64_t sizes[] = {kFourGiB, kFourGiB - 1, kFourGiB + 12345, 5 * kFourGiB};
    ArchiveSetCompressProgress(Record);
    for (const char* password : {"", "geheim"}) {
        SCOPED_TRACE(password);
        ArchiveSetPassword(password);
        ASSERT_NE(0, ArchiveCreate(Program(dir.host("gross.zip")), APPEND_STATUS_CREATE));
        ASSERT_EQ(ArchiveAddFile(Program(small), 0), 0);
        calls.reports.clear();
        for (std::uint64_t size : sizes) {
            std::string big = dir.host("gross.bin"); // sparse: costs no disk
            { std::ofstream(big, std::ios::trunc); }
            fs::resize_file(big, size);
            EXPECT_EQ(ArchiveAddFile(Program(big), 0), ARCHIVE_FAILED) << size;
        }
        EXPECT_TRUE(calls.reports.empty());
        ArchiveClose();
        zr::Archive a = zr::Read(dir.host("gross.zip"));
        ASSERT_TRUE(a.ok) << a.error;
        ASSERT_EQ(a.entries.size(), 1u);
        ExpectPeersAccept(dir.host("gross.zip"), password, {small});
    }
}

// An archive written behind a sparse prefix of nearly 4 GiB has little room left.
TEST_F(Writer, AnArchiveNearFourGiBTakesWhatFitsAndRefusesTheRest) {
    std::string fits = Make("passt.bin", RandomBytes(50000));
    std::string tooBig = Make("zu-gross.bin", RandomBytes(150000));
    std::string archive = dir.host("voll.zip");
    { std::ofstream(archive, std::ios::trunc); }
    fs::resize_file(archive, 0xFFFFFFFFull - 200000);
    ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_CREATEAFTER));
    EXPECT_EQ(ArchiveAddFile(Program(fits), 0), 0);
    EXPECT_EQ(ArchiveAddFile(Program(tooBig), 0), ARCHIVE_FAILED);
    EXPECT_EQ(ArchiveAddFile(Program(fits), 0), 0);
    ArchiveClose(std::string(0xFFFF, 'c')); // even the longest comment still fits
    zr::Archive a = zr::Read(archive);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_LT(a.fileSize, 0xFFFFFFFFull);
    ASSERT_EQ(a.entries.size(), 2u);
    ExpectPeersAccept(archive, "", {fits, fits}, false);
}

// A file that keeps growing while it is copied must not carry the archive past 4 GiB:
// the copy stops where the archive is full and reports the failure.
TEST_F(Writer, AFileGrowingDuringTheCopyStopsAtTheLimit) {
    for (const char* password : {"", "geheim"}) {
        SCOPED_TRACE(password);
        ArchiveSetPassword(password);
        // Larger than two chunks, and growing faster than it is read: the copy never
        // catches up with its end.
        std::string growing = Make("waechst.log", RandomBytes(2 * 102400 + 1000, 1));
        unsigned seed = 2;
        calls = Recorder{};
        calls.onReport = [&] { // grows to about 2 MB, far more than the archive can take
            if (seed < 12)
                std::ofstream(growing, std::ios::app | std::ios::binary)
                    << RandomBytes(200000, seed++);
        };
        ArchiveSetCompressProgress(Record);
        std::string archive = dir.host(std::string("grenze") + (*password ? "-pw" : "") + ".zip");
        { std::ofstream(archive, std::ios::trunc); }
        fs::resize_file(archive, 0xFFFFFFFFull - 400000);
        ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_CREATEAFTER));
        EXPECT_EQ(ArchiveAddFile(Program(growing), 0), ARCHIVE_FAILED);
        ArchiveClose();
        EXPECT_EQ(calls.reports.back().name, "");

        zr::Archive a = zr::Read(archive);
        ASSERT_TRUE(a.ok) << a.error;
        EXPECT_LT(a.fileSize, 0xFFFFFFFFull);
        ASSERT_EQ(a.entries.size(), 1u);
        bool ok = false;
        std::string kept = zr::Content(a.entries[0], password, ok);
        EXPECT_TRUE(ok);
        std::string now = ts::ReadFile(growing);
        EXPECT_GT(kept.size(), 2 * 102400u + 1000);
        EXPECT_LT(kept.size(), now.size());
        EXPECT_EQ(kept, now.substr(0, kept.size()));
        EXPECT_EQ(a.entries[0].crc, zr::Crc(kept));
        if (!*password) ExpectPeersAccept(archive, "", {Make("kept.bin", kept)}, false);
    }
}

TEST_F(Writer, SlowTheEntryCountStaysBelowTheZip64Marker) {
    std::string empty = Make("leer.txt", "");
    std::string archive = dir.host("viele.zip");
    ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_CREATE));
    int failures = 0;
    for (int i = 0; i < 0xFFFE; ++i)
        failures += ArchiveAddFile(Program(empty), 0) != 0;
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ArchiveAddFile(Program(empty), 0), ARCHIVE_FAILED);
    ArchiveClose();
    // An archive that is already full takes nothing more either.
    ASSERT_NE(0, ArchiveCreate(Program(archive), APPEND_STATUS_ADDINZIP));
    EXPECT_EQ(ArchiveAddFile(Program(empty), 0), ARCHIVE_FAILED);
    ArchiveClose();
    zr::Archive a = zr::Read(archive);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.entries.size(), 0xFFFEu);
    EXPECT_EQ(0, ts::Run("unzip -tq " + Quote(archive) + " >/dev/null 2>&1"));
    EXPECT_EQ(0, ts::Run("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                         "sys.exit(len(z.infolist()) != 65534 or z.testzip() is not None)\" " +
                         Quote(archive)));
}

} // namespace
