#include "app/settings.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Every case works on "settings.prefs" in a fresh folder, named by its full program path,
// and leaves the process-wide settings file closed.
class SettingsTest : public ::testing::Test {
  protected:
    void TearDown() override { CloseSettings(); }
    std::string ProgramName(const std::string& file) const { return dir.program() + "\\" + file; }

    TempDir dir;
    std::string host = dir.host("settings.prefs");
    std::string name = ProgramName("settings.prefs");
};

// A child process that holds the settings file the way a running copy of the program does,
// until the object goes.
class RunningCopy {
  public:
    explicit RunningCopy(const std::string& name) {
        int status[2], release[2];
        if (pipe(status) != 0 || pipe(release) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            close(status[0]);
            close(release[1]);
            char opened = OpenSettings(name) ? '1' : '0';
            if (write(status[1], &opened, 1) != 1) _exit(2);
            char ignored;
            while (read(release[0], &ignored, 1) > 0) {
            }
            CloseSettings();
            _exit(0);
        }
        close(status[1]);
        close(release[0]);
        release_ = release[1];
        char opened = '0';
        if (read(status[0], &opened, 1) != 1) opened = '0';
        close(status[0]);
        opened_ = opened == '1';
    }
    ~RunningCopy() { Stop(); }
    bool opened() const { return opened_; }
    void Stop() {
        if (pid_ <= 0) return;
        close(release_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool opened_ = false;
};

// Runs `body` in a child process and returns its exit code (-1 when it did not exit).
template <class Body> int InChild(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// --- Write-back, byte for byte -------------------------------------------------------------

struct WriteBackCase {
    const char* title;
    std::optional<std::string> before; // none: the file does not exist (first start)
    std::string key;
    double value;
    std::string after;
};

// Test names show the title instead of the case's raw bytes.
void PrintTo(const WriteBackCase& c, std::ostream* os) {
    *os << c.title;
}

class SettingsWriteBack : public SettingsTest,
                          public ::testing::WithParamInterface<WriteBackCase> {};

TEST_P(SettingsWriteBack, FileHoldsExactlyTheseBytes) {
    const WriteBackCase& c = GetParam();
    if (c.before) {
        WriteFile(host, *c.before);
        ASSERT_TRUE(OpenSettings(name));
    } else {
        CreateSettings(name);
        ASSERT_NE(Settings().file, 0);
    }
    WriteSettingNumber(c.key, c.value);
    CloseSettings();
    EXPECT_EQ(ReadFile(host), c.after);
    EXPECT_EQ(Settings().file, 0);
    EXPECT_TRUE(Settings().entries.empty());
}

const WriteBackCase WriteBackCases[] = {
    {"FirstStart", std::nullopt, "Version", 3, "Version = 3\r\n"},
    {"LowerCaseKeyWithoutBlanks", "version=5", "Version", 7, "Version = 7\r\n"},
    {"CommentEmptyLineAndGroup", ";note\r\n\r\nVersion = 3\r\n[extra]\r\na = b\r\n", "Version", 4,
     "; note\r\nVersion = 4\r\n[extra]\r\na = b\r\n"},
    {"BeginsWithGroupHeader", "[extra]\r\na = b\r\n", "Version", 4,
     "Version = 4\r\n[extra]\r\na = b\r\n"},
    {"Utf8WithByteOrderMark", "\xEF\xBB\xBFVersion = 3\r\n; Gr\xC3\xBC\xC3\x9F\x65\r\n", "Version",
     4, "\xEF\xBB\xBF\r\nVersion = 4\r\n; Gr\xC3\xBC\xC3\x9F\x65\r\n"},
    {"ByteOrderMarkOnly", "\xEF\xBB\xBF", "Version", 4, "\xEF\xBB\xBF\r\nVersion = 4\r\n"},
    {"KeyWithoutEqualsAndLfLineEnds", "flag\nVersion = 3\n", "Version", 4,
     "flag = \r\nVersion = 4\r\n"},
    {"EmptyFile", "", "Version", 4, "Version = 4\r\n"},
    {"LastLineWithoutLineEnd", "a = b\r\nVersion = 3", "Version", 4, "a = b\r\nVersion = 4\r\n"},
    {"VersionOnlyInsideGroup", "[g]\r\nVersion = 3\r\n", "Version", 4,
     "Version = 4\r\n[g]\r\nVersion = 3\r\n"},
    {"NewKeyEndsTheUngroupedSection", "a = b\r\n[g]\r\nc = d\r\n", "Version", 4,
     "a = b\r\nVersion = 4\r\n[g]\r\nc = d\r\n"},
    {"NewKeyAtTheEndWithoutGroups", "a = b\r\n;c\r\n", "Version", 4,
     "a = b\r\n; c\r\nVersion = 4\r\n"},
    {"FirstMatchReplacedCommentsPassedOver", "; Version = 1\r\nVERSION = 2\r\nversion = 3\r\n",
     "Version", 4, "; Version = 1\r\nVersion = 4\r\nversion = 3\r\n"},
    // Leading blanks and tabs, CR alone, a run of line ends, a comment's second blank, the
    // key's trailing blanks, the value's leading tabs and trailing blanks, text after "]",
    // and a last line of blanks only.
    {"ReadingRules", " \t;  two\r key \t=\t value  \r\n\t[g x]tail\n\n\r\n  \t", "Version", 4,
     ";  two\r\nkey = value  \r\nVersion = 4\r\n[g x]\r\n"},
    {"ShorterTextCutsTheFile", "Version = 1234567890\r\n\r\n\r\n\r\n\r\n", "Version", 4,
     "Version = 4\r\n"},
    // Only A to Z fold: 0xD6 and 0xF6 are the upper and lower o with diaeresis in cp1252.
    {"CaseFoldsAsciiLettersOnly", "gr\xF6\xDF\x65 = 1\r\n", "GR\xD6\xDF\x45", 2,
     "gr\xF6\xDF\x65 = 1\r\nGR\xD6\xDF\x45 = 2\r\n"},
    {"Utf8FileKeyConverted", "\xEF\xBB\xBFgr\xC3\xB6\xC3\x9F\x65 = 1\r\n", "GR\xF6\xDF\x45", 2,
     "\xEF\xBB\xBF\r\nGR\xC3\xB6\xC3\x9F\x45 = 2\r\n"},
    {"Utf8KeyBytesReadAsLatin1", "\xEF\xBB\xBF", "\x80", 1, "\xEF\xBB\xBF\r\n\xC2\x80 = 1\r\n"},
    {"NegativeNumber", std::nullopt, "Version", -1, "Version = -1\r\n"},
    {"LargeNumberWithoutExponent", std::nullopt, "Version", 1e20,
     "Version = 100000000000000000000\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SettingsWriteBack, ::testing::ValuesIn(WriteBackCases),
                         [](const auto& info) { return std::string(info.param.title); });

// --- Closing, reopening, creating ----------------------------------------------------------

TEST_F(SettingsTest, UnchangedCloseKeepsTheBytes) {
    const std::string files[] = {
        "Version = 3\r\n",
        "\xEF\xBB\xBF version=3\n;x\n\n[g]rest\r\r  \t",
        "a\tb = c  \n\n\nVersion = 3",
    };
    for (const std::string& before : files) {
        WriteFile(host, before);
        ASSERT_TRUE(OpenSettings(name));
        ASSERT_TRUE(OpenSettings(name)) << "a copy must not be locked out by its own hold";
        CloseSettings();
        EXPECT_EQ(ReadFile(host), before);
    }
}

TEST_F(SettingsTest, UpdatePathReopensTheHeldFileAndWritesIt) {
    WriteFile(host, "Version = 3\r\n");
    ASSERT_TRUE(OpenSettings(name));
    ASSERT_TRUE(OpenSettings(name));
    WriteSettingNumber("Version", 4);
    CloseSettings();
    EXPECT_EQ(ReadFile(host), "Version = 4\r\n");
}

TEST_F(SettingsTest, OpeningAnotherFileWritesTheChangedOneBack) {
    WriteFile(host, "");
    WriteFile(dir.host("other.prefs"), "x = y\r\n");
    ASSERT_TRUE(OpenSettings(name));
    WriteSettingNumber("Version", 5);
    ASSERT_TRUE(OpenSettings(ProgramName("other.prefs")));
    EXPECT_EQ(ReadFile(host), "Version = 5\r\n");
    EXPECT_FALSE(Settings().changed);
    ASSERT_EQ(Settings().entries.size(), 1u);
    EXPECT_EQ(Settings().entries[0].name, "x");
}

TEST_F(SettingsTest, CreateEmptiesAnExistingFileAtOnce) {
    WriteFile(host, "a = b\r\n");
    CreateSettings(name);
    ASSERT_NE(Settings().file, 0);
    EXPECT_EQ(ReadFile(host), "");
    CloseSettings();
    EXPECT_EQ(ReadFile(host), "");
}

// A disk that cannot take the longer text must leave the old one whole. The child's file
// size limit stands in for a full disk.
TEST_F(SettingsTest, WriteBackThatDoesNotFitLeavesTheFileUnchanged) {
    const std::string before = "Version = 3\r\n";
    WriteFile(host, before);
    int failed = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            20, 20
        };
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
        if (!OpenSettings(name)) return 11;
        WriteSettingNumber("Version", 1e20); // "Version = 100000000000000000000", 33 bytes
        CloseSettings();
        return 0;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(ReadFile(host), before);
}

// --- Files that may only be read ---------------------------------------------------------

enum class ReadOnlyBy { PermissionBits, AttributeWord };
const char* ReadOnlyName(ReadOnlyBy way) {
    return way == ReadOnlyBy::PermissionBits ? "PermissionBits" : "AttributeWord";
}
void PrintTo(ReadOnlyBy way, std::ostream* os) {
    *os << ReadOnlyName(way);
}

class SettingsReadOnly : public SettingsTest, public ::testing::WithParamInterface<ReadOnlyBy> {
  protected:
    // Makes `host` read-only; false when the file system keeps no attribute word.
    bool MakeReadOnly() {
        if (GetParam() == ReadOnlyBy::PermissionBits) return chmod(host.c_str(), 0444) == 0;
        static const char word[] = "0x21";
        return setxattr(host.c_str(), "user.DOSATTRIB", word, sizeof word - 1, 0) == 0;
    }
};

// Root can write to any file; the program must still treat these as read-only.
TEST_P(SettingsReadOnly, OpensForReadingAndWriteBackFailsWithoutChange) {
    const std::string before = "Version = 3\r\n;keep\r\n";
    WriteFile(host, before);
    if (!MakeReadOnly()) GTEST_SKIP() << "no user extended attributes here: " << errno;
    ASSERT_TRUE(OpenSettings(name));
    EXPECT_FALSE(host::HeldFileWritable(Settings().file));
    ASSERT_EQ(Settings().entries.size(), 2u);
    WriteSettingNumber("Version", 4);
    CloseSettings();
    EXPECT_EQ(ReadFile(host), before);

    CreateSettings(name);
    EXPECT_EQ(Settings().file, 0);
    EXPECT_EQ(ReadFile(host), before);
}

INSTANTIATE_TEST_SUITE_P(Ways, SettingsReadOnly,
                         ::testing::Values(ReadOnlyBy::PermissionBits, ReadOnlyBy::AttributeWord),
                         [](const auto& info) { return std::string(ReadOnlyName(info.param)); });

// --- Files that cannot be opened -----------------------------------------------------------

TEST_F(SettingsTest, OpenFailsForFolderMissingLockedAndPipe) {
    WriteFile(dir.host("other.prefs"), "a = b\r\n");
    const std::string other = ProgramName("other.prefs");
    struct Case {
        const char* title;
        std::string file;
    } cases[] = {{"folder", "folder.prefs"},
                 {"missing", "missing.prefs"},
                 {"locked", "held.prefs"},
                 {"pipe without a writer, which must not stall the open", "pipe.prefs"}};
    ASSERT_EQ(mkdir(dir.host("folder.prefs").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(dir.host("pipe.prefs").c_str(), 0644), 0);
    WriteFile(dir.host("held.prefs"), "Version = 3\r\n");
    RunningCopy copy(ProgramName("held.prefs"));
    ASSERT_TRUE(copy.opened());

    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ASSERT_TRUE(OpenSettings(other)); // entries of the previous file must not survive
        EXPECT_FALSE(OpenSettings(ProgramName(c.file)));
        EXPECT_EQ(Settings().file, 0);
        EXPECT_TRUE(Settings().entries.empty());
    }
}

TEST_F(SettingsTest, FileHeldByAnotherCopyCanBeReadButNotTaken) {
    const std::string before = "Version = 3\r\n";
    WriteFile(host, before);
    {
        RunningCopy copy(name);
        ASSERT_TRUE(copy.opened());
        EXPECT_EQ(ReadFile(host), before) << "other programs may read the held file";

        ASSERT_FALSE(OpenSettings(name));
        CreateSettings(name); // the first-start path of a second copy
        EXPECT_EQ(Settings().file, 0);
        WriteSettingNumber("Version", 3);
        CloseSettings();
        EXPECT_EQ(ReadFile(host), before);
    }
    EXPECT_TRUE(OpenSettings(name)) << "released when the other copy ends";
}

TEST_F(SettingsTest, UnwritableCurrentFolderCreatesNothing) {
    const std::string folder = dir.host("readonly");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    // The child takes the folder as its current one; root, which ignores permission bits,
    // becomes an unprivileged user first.
    int failed = InChild([&] {
        if (chdir(folder.c_str()) != 0) return 10;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 11;
        CreateSettings("settings.prefs");
        if (Settings().file != 0) return 12;
        WriteSettingNumber("Version", 3);
        if (!Settings().entries.empty() || Settings().changed) return 13;
        CloseSettings();
        if (OpenSettings("settings.prefs")) return 14;
        return 0;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_FALSE(Exists(folder + "/settings.prefs"));
}

} // namespace
