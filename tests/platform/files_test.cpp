// The host file layer: Windows-style handles, times and attributes on POSIX, the
// stdio-like read services, the code pages, the pause and the random source.
#include "platform/host.h"
#include "platform/random_access.h"
#include "platform/text.h"
#include "platform/win.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace ts = testing_support;
namespace fs = std::filesystem;
using namespace win;

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kUnixEpoch = 116444736000000000; // 1970-01-01 in FILETIME ticks

std::int64_t Ticks(const FILETIME& ft) {
    return static_cast<std::int64_t>((std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
FILETIME FromTicks(std::int64_t t) {
    return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFF), static_cast<DWORD>(std::uint64_t(t) >> 32)};
}
FILETIME FromUnix(std::time_t seconds) {
    return FromTicks(kUnixEpoch + seconds * kTicksPerSecond);
}

void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

std::string Program(const std::string& host) {
    std::string out;
    EXPECT_TRUE(text::ToProgramPath(host, out));
    return out;
}

std::string Make(const ts::TempDir& dir, const std::string& name, const std::string& bytes) {
    std::string host = dir.host(name);
    ts::WriteFile(host, bytes);
    return host;
}

// --- Times --------------------------------------------------------------------------------

TEST(FileTimes, LocalTimeAppliesTheZonesBiasInForceNow) {
    struct Case {
        const char* zone;
        std::int64_t biasSeconds; // east of UTC; for the zone with summer time, see below
    };
    const Case cases[] = {
        {"UTC0", 0}, {"XST-2", 7200}, {"XST+5:30", -19800}, {"CET-1CEST,M3.5.0,M10.5.0/3", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        SetZone(c.zone);
        std::int64_t bias = c.biasSeconds;
        if (std::string(c.zone).find(',') != std::string::npos) {
            std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            bias = local.tm_gmtoff; // winter or summer, whichever holds today
        }
        // A winter and a summer date both move by today's bias, as on Windows.
        for (std::time_t utc : {std::time_t(1200000000), std::time_t(1215000000)}) {
            FILETIME in = FromUnix(utc), local{}, back{};
            ASSERT_TRUE(FileTimeToLocalFileTime(&in, &local));
            EXPECT_EQ(Ticks(local) - Ticks(in), bias * kTicksPerSecond);
            ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
            EXPECT_EQ(Ticks(back), Ticks(in));
        }
    }
}

TEST(FileTimes, SystemTimeConversionsAgreeWithTheCalendar) {
    struct Case {
        std::int64_t ticks;
        SYSTEMTIME st; // year, month, weekday, day, hour, minute, second, ms
    };
    const Case cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {kUnixEpoch, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {kUnixEpoch + 951782400LL * kTicksPerSecond + 1234567, {2000, 2, 2, 29, 0, 0, 0, 123}},
        {kUnixEpoch + 1211027697LL * kTicksPerSecond, {2008, 5, 6, 17, 12, 34, 57, 0}},
        {kUnixEpoch + 4354819199LL * kTicksPerSecond, {2107, 12, 6, 31, 23, 59, 59, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.st.wYear);
        FILETIME ft = FromTicks(c.ticks);
        SYSTEMTIME st{};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        EXPECT_EQ(st.wYear, c.st.wYear);
        EXPECT_EQ(st.wMonth, c.st.wMonth);
        EXPECT_EQ(st.wDayOfWeek, c.st.wDayOfWeek);
        EXPECT_EQ(st.wDay, c.st.wDay);
        EXPECT_EQ(st.wHour, c.st.wHour);
        EXPECT_EQ(st.wMinute, c.st.wMinute);
        EXPECT_EQ(st.wSecond, c.st.wSecond);
        EXPECT_EQ(st.wMilliseconds, c.st.wMilliseconds);
        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&st, &back));
        EXPECT_EQ(Ticks(back), c.ticks - c.ticks % 10000); // milliseconds are the finest unit
    }
    const SYSTEMTIME invalid[] = {
        {2001, 2, 0, 29, 0, 0, 0, 0}, {2000, 13, 0, 1, 0, 0, 0, 0}, {1600, 12, 0, 31, 0, 0, 0, 0},
        {2000, 1, 0, 0, 0, 0, 0, 0},  {2000, 1, 0, 1, 24, 0, 0, 0}, {2000, 1, 0, 1, 0, 0, 60, 0},
    };
    for (const SYSTEMTIME& st : invalid) {
        FILETIME ft{};
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft))
            << st.wYear << "-" << st.wMonth << "-" << st.wDay;
    }
}

TEST(FileTimes, HandlesReadAndSetTheLastWriteTime) {
    ts::TempDir dir;
    std::string file = Make(dir, "t.txt", "abc");
    HANDLE h = CreateFileA(Program(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    struct stat before {};
    stat(file.c_str(), &before);
    FILETIME written = FromTicks(kUnixEpoch + 1211027697LL * kTicksPerSecond + 4567800);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &written));
    FILETIME got{};
    ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &got));
    EXPECT_EQ(Ticks(got), Ticks(written));
    CloseHandle(h);
    struct stat after {};
    stat(file.c_str(), &after);
    EXPECT_EQ(after.st_mtim.tv_sec, 1211027697);
    EXPECT_EQ(after.st_mtim.tv_nsec, 456780000);
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec); // no last-access time given: kept
}

// --- Opening files ------------------------------------------------------------------------

TEST(CreateFile, ReadOnlyFilesRefuseWritingEvenForRoot) {
    ts::TempDir dir;
    std::string file = Make(dir, "ro.txt", "keep");
    chmod(file.c_str(), 0444);
    const std::string path = Program(file);
    struct Case {
        DWORD access, disposition;
        bool opens;
    };
    const Case cases[] = {
        {GENERIC_READ, OPEN_EXISTING, true},
        {GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_WRITE, CREATE_ALWAYS, false},
        {GENERIC_WRITE, TRUNCATE_EXISTING, false},
        {GENERIC_WRITE, OPEN_ALWAYS, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.access) + "/" + std::to_string(c.disposition));
        HANDLE h = CreateFileA(path.c_str(), c.access, FILE_SHARE_READ, c.disposition,
                               FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        EXPECT_EQ(ts::ReadFile(file), "keep");
    }
}

TEST(CreateFile, RefusesWhatIsNotAFileToOpen) {
    ts::TempDir dir;
    fs::create_directories(dir.host("Ordner"));
    std::string existing = Make(dir, "da.txt", "x");
    std::string hidden = Make(dir, ".versteckt", "x");
    struct Case {
        std::string path;
        DWORD access, disposition, flags;
        bool opens;
    };
    const Case cases[] = {
        {"", GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, false},
        {Program(dir.host("Ordner")), GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, false},
        {Program(dir.host("fehlt.txt")), GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, false},
        {Program(existing), GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, false},
        {Program(dir.host("neu.txt")), GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, true},
        // Replacing a hidden file needs the hidden attribute asked for, as on Windows.
        {Program(hidden), GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, false},
        {Program(hidden), GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        HANDLE h = CreateFileA(c.path.c_str(), c.access, 0, c.disposition, c.flags);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
}

TEST(CreateFile, WritesAndReadsThroughHandles) {
    ts::TempDir dir;
    std::string path = Program(dir.host("w.bin"));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string bytes(300000, 'z');
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, bytes.data(), DWORD(bytes.size()), &written));
    EXPECT_EQ(written, bytes.size());
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string back(bytes.size() + 10, '\0');
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(h, back.data(), DWORD(back.size()), &read));
    back.resize(read);
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(ReadFile(h, back.data(), 10, &read));
    EXPECT_EQ(read, 0u); // the end
    CloseHandle(h);
}

// --- Attributes ---------------------------------------------------------------------------

TEST(Attributes, WithoutAStoredWordTheyFollowTheFile) {
    ts::TempDir dir;
    std::string plain = Make(dir, "a.txt", "x");
    std::string readOnly = Make(dir, "ro.txt", "x");
    chmod(readOnly.c_str(), 0444);
    std::string hidden = Make(dir, ".hidden", "x");
    fs::create_directories(dir.host("Ordner"));
    struct Case {
        std::string path;
        DWORD attributes;
    };
    const Case cases[] = {
        {Program(plain), FILE_ATTRIBUTE_ARCHIVE},
        {Program(readOnly), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
        {Program(hidden), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
        {Program(dir.host("Ordner")), FILE_ATTRIBUTE_DIRECTORY},
        {Program(dir.host("fehlt")), INVALID_FILE_ATTRIBUTES},
        {"", INVALID_FILE_ATTRIBUTES},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), c.attributes) << c.path;
}

// Sets each word and reads back the word and the mode. Run in `folder`; `stored` tells
// whether the file system keeps the word (when it does not, only read-only survives,
// through the mode).
void CheckSetAttributes(const std::string& folder, bool stored) {
    std::string file = folder + "/s.txt";
    ts::WriteFile(file, "x");
    chmod(file.c_str(), 0644);
    std::string path = Program(file);
    struct Case {
        DWORD set;
        DWORD storedWord; // read back when the word is kept
        DWORD fallback;   // read back when it is not
        bool writable;
    };
    const Case cases[] = {
        {0x21, 0x21, 0x21, false},       {0x20, 0x20, 0x20, true},       {0x06, 0x06, 0x20, true},
        {0x80, 0x80, 0x20, true}, // FILE_ATTRIBUTE_NORMAL: no attribute at all
        {0x27, 0x27, 0x21, false},       {0x81A40020, 0x20, 0x20, true}, // a Unix mode 0100644 in
                                                                         // the high 16 bits
        {0x81240020, 0x21, 0x21, false}, // 0100444: read-only from the Unix mode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.set));
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.set));
        EXPECT_EQ(GetFileAttributesA(path.c_str()), stored ? c.storedWord : c.fallback);
        struct stat st {};
        stat(file.c_str(), &st);
        EXPECT_EQ((st.st_mode & 0222) != 0, c.writable);
    }
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), 0x81ED0020)); // 0100755
    struct stat st {};
    stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

TEST(Attributes, SettingKeepsTheWordAndTheReadOnlyMode) {
    ts::TempDir dir;
    CheckSetAttributes(dir.host(), true);
    std::string file = dir.host("s.txt");
    ASSERT_TRUE(SetFileAttributesA(Program(file).c_str(), 0x21));
    char word[32] = {};
    ASSERT_GT(getxattr(file.c_str(), "user.DOSATTRIB", word, sizeof word - 1), 0);
    EXPECT_STREQ(word, "0x21"); // the form Samba and Wine read
    // Removing the word falls back to what the file itself says.
    ASSERT_EQ(removexattr(file.c_str(), "user.DOSATTRIB"), 0);
    EXPECT_EQ(GetFileAttributesA(Program(file).c_str()), 0x21u);
}

// A file system without extended attributes (ramfs) keeps only what the mode can say.
// The test mounts one in a private mount namespace of a copy of this program.
TEST(Attributes, WithoutExtendedAttributesOnlyReadOnlySurvives) {
    if (const char* folder = std::getenv("ZEL_NO_XATTR_FOLDER")) {
        ts::WriteFile(std::string(folder) + "/probe", "x");
        ASSERT_NE(setxattr((std::string(folder) + "/probe").c_str(), "user.t", "1", 1, 0), 0);
        CheckSetAttributes(folder, false);
        return;
    }
    ts::TempDir dir;
    std::string self = fs::read_symlink("/proc/self/exe");
    std::string probe =
        "unshare -rm sh -c 'mount -t ramfs none " + dir.host() + "' >/dev/null 2>&1";
    if (ts::Run(probe) != 0) GTEST_SKIP() << "no private mount namespace here";
    std::string run = "unshare -rm sh -c 'mount -t ramfs none " + dir.host() +
                      " && ZEL_NO_XATTR_FOLDER=" + dir.host() + " exec " + self +
                      " --gtest_filter=Attributes.WithoutExtendedAttributesOnlyReadOnlySurvives'";
    EXPECT_EQ(ts::Run(run + " >" + dir.host("log") + " 2>&1"), 0) << ts::ReadFile(dir.host("log"));
}

// --- Reading ------------------------------------------------------------------------------

TEST(ReadFiles, ChunksAndTheEndAreReported) {
    ts::TempDir dir;
    for (std::uint32_t size : {0u, 1u, 102400u, 102401u, 250000u}) {
        SCOPED_TRACE(size);
        std::string bytes(size, 'r');
        std::string file = Make(dir, "r.bin", bytes);
        EXPECT_EQ(host::FileSize(Program(file)), std::int64_t(size));
        host::FileId id = host::OpenFileRead(Program(file));
        ASSERT_NE(id, 0);
        EXPECT_EQ(host::AtEnd(id), size == 0);
        std::string back;
        std::vector<char> buffer(102400);
        int reads = 0;
        do {
            std::uint32_t n = host::ReadData(id, buffer.data(), 102400);
            back.append(buffer.data(), n);
            ++reads;
        } while (!host::AtEnd(id) && reads < 10);
        host::CloseFile(id);
        EXPECT_EQ(back, bytes);
        EXPECT_EQ(reads, std::max(1, int((size + 102399) / 102400)));
    }
}

TEST(ReadFiles, SizesAre64BitAndOnlyFilesOpen) {
    ts::TempDir dir;
    std::string big = dir.host("gross.bin");
    { std::ofstream(big, std::ios::trunc); }
    fs::resize_file(big, 5ull << 32); // sparse
    EXPECT_EQ(host::FileSize(Program(big)), std::int64_t(5ll << 32));
    fs::create_directories(dir.host("Ordner"));
    EXPECT_EQ(host::FileSize(Program(dir.host("Ordner"))), -1);
    EXPECT_EQ(host::FileSize(Program(dir.host("fehlt"))), -1);
    EXPECT_EQ(host::FileSize(""), -1);
    EXPECT_EQ(host::OpenFileRead(Program(dir.host("Ordner"))), 0);
    EXPECT_EQ(host::OpenFileRead(Program(dir.host("fehlt"))), 0);
    EXPECT_EQ(host::OpenFileRead(""), 0);
    // A name with a cp1252 letter reaches the UTF-8 name on disk.
    Make(dir, "Bericht \xC3\xA4.txt", "abc");
    EXPECT_EQ(host::FileSize(Program(dir.host("Bericht \xC3\xA4.txt"))), 3);
}

TEST(ReadFiles, ReadAtAnOffsetAndCutAFile) {
    ts::TempDir dir;
    std::string file = Make(dir, "c.bin", "0123456789");
    std::string path = Program(file);
    char buffer[16] = {};
    host::RandomFile random = host::OpenRandomFile(path);
    ASSERT_NE(random, 0);
    EXPECT_EQ(host::RandomFileSize(random), 10);
    EXPECT_EQ(host::ReadAt(random, 4, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "456");
    EXPECT_EQ(host::ReadAt(random, 8, buffer, 16), 2); // up to the end
    EXPECT_EQ(host::ReadAt(random, 20, buffer, 4), 0);
    host::CloseRandomFile(random);
    EXPECT_EQ(host::OpenRandomFile(Program(dir.host("fehlt"))), 0);
    EXPECT_TRUE(host::TruncateFile(path, 6));
    EXPECT_EQ(ts::ReadFile(file), "012345");
    chmod(file.c_str(), 0444);
    EXPECT_FALSE(host::TruncateFile(path, 2)); // read-only, even for root
    EXPECT_EQ(ts::ReadFile(file), "012345");
    EXPECT_FALSE(host::TruncateFile(Program(dir.host("fehlt")), 0));
}

// --- Code pages, pause, random ------------------------------------------------------------

TEST(CodePages, AnsiToOemMatchesTheCodePageTables) {
    // Python's codecs are the reference: every cp1252 letter that cp850 has must map
    // to it and back. (Letters cp850 lacks get a best-fit byte and are not checked.)
    ts::TempDir dir;
    std::string script = "import sys\n"
                         "for b in range(128, 256):\n"
                         "    try: print(b, bytes([b]).decode('cp1252').encode('cp850')[0])\n"
                         "    except Exception: pass\n";
    ts::WriteFile(dir.host("t.py"), script);
    ASSERT_EQ(ts::Run("python3 " + dir.host("t.py") + " >" + dir.host("table")), 0);
    std::ifstream table(dir.host("table"));
    int ansi, oem, checked = 0;
    while (table >> ansi >> oem) {
        char in[2] = {static_cast<char>(ansi), 0}, out[2] = {};
        ASSERT_TRUE(CharToOemA(in, out));
        EXPECT_EQ(static_cast<unsigned char>(out[0]), oem) << ansi;
        char back[2] = {};
        ASSERT_TRUE(OemToCharA(out, back));
        EXPECT_EQ(static_cast<unsigned char>(back[0]), ansi) << oem;
        ++checked;
    }
    EXPECT_GT(checked, 90);
    // In place, ASCII untouched, length kept.
    char name[] = "C:\\Daten\\Bericht \xE4\xF6\xFC\xDF.txt";
    ASSERT_TRUE(CharToOemA(name, name));
    EXPECT_STREQ(name, "C:\\Daten\\Bericht \x84\x94\x81\xE1.txt");
}

TEST(Clock, SleepWaitsAtLeastTheTimeAsked) {
    auto start = std::chrono::steady_clock::now();
    Sleep(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(Random, BytesComeFromTheHostsSource) {
    unsigned char a[32] = {}, b[32] = {};
    host::RandomBytes(a, sizeof a);
    host::RandomBytes(b, sizeof b);
    EXPECT_NE(std::string(a, a + 32), std::string(b, b + 32));
    EXPECT_NE(std::string(a, a + 32), std::string(32, '\0'));
}

} // namespace
