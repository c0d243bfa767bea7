// Starting another program, and telling a program of this machine from other files.
#include "platform/host.h"
#include "platform/text.h"
#include "support/test_support.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string ProgramPath(const std::string& hostPath) {
    std::string out;
    EXPECT_TRUE(text::ToProgramPath(hostPath, out));
    return out;
}

// Waits up to 10 s for a file the started program writes last.
bool AppearsSoon(const std::string& hostPath) {
    for (int i = 0; i < 200; ++i) {
        if (Exists(hostPath)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// A shell script that records its parameters, folder and whether descriptor 50 reached
// it; it waits for "go" so that the test sees the launch return first.
const char* const kRecorder = "#!/bin/sh\n"
                              "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$OUT/args\"\n"
                              "pwd > \"$OUT/folder\"\n"
                              "if [ -e /proc/$$/fd/50 ]; then echo open; else echo closed; fi"
                              " > \"$OUT/fd50\"\n"
                              "i=0; while [ ! -e \"$OUT/go\" ] && [ $i -lt 200 ]; do"
                              " sleep 0.05; i=$((i+1)); done\n"
                              "echo done > \"$OUT/done\"\n";

class Launch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(getcwd(previous, sizeof previous), previous);
        std::filesystem::create_directory(dir.host("work"));
        std::filesystem::create_directory(dir.host("out"));
        std::filesystem::create_directory(dir.host("bin"));
        setenv("OUT", dir.host("out").c_str(), 1);
    }
    void TearDown() override { ASSERT_EQ(chdir(previous), 0); }

    TempDir dir;
    char previous[4096] = {};
};

TEST_F(Launch, StartsDetachedWithSplitParametersInTheCurrentFolderInheritingNoFiles) {
    // A name with a blank, without execute permission, as a download is.
    std::string script = dir.host("bin/new copy.sh");
    WriteFile(script, kRecorder);
    ASSERT_EQ(chmod(script.c_str(), 0644), 0);
    int leaked = open("/dev/null", O_RDONLY); // inheritable on purpose
    ASSERT_GE(leaked, 0);
    ASSERT_EQ(dup2(leaked, 50), 50);
    ASSERT_EQ(chdir(dir.host("work").c_str()), 0);

    // "\xE4" is a-umlaut in cp1252.
    ASSERT_TRUE(host::LaunchProgram(ProgramPath(script),
                                    "/update \"\\opt\\x y\\Zelvanto.exe\" M\xE4rz  \"\"end"));
    EXPECT_FALSE(Exists(dir.host("out/done"))) << "the launch waited for the program";
    WriteFile(dir.host("out/go"), "");
    ASSERT_TRUE(AppearsSoon(dir.host("out/done")));
    close(50);
    close(leaked);

    EXPECT_EQ(ReadFile(dir.host("out/args")),
              "/update\n\\opt\\x y\\Zelvanto.exe\nM\xC3\xA4rz\n\nend\n");
    EXPECT_EQ(ReadFile(dir.host("out/folder")), dir.host("work") + "\n");
    EXPECT_EQ(ReadFile(dir.host("out/fd50")), "closed\n");
    struct stat st {};
    ASSERT_EQ(stat(script.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    // Nothing is left for this process to reap.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(Launch, FileThatCannotBeRunGoesToTheDesktopOpenerInItsOwnFolder) {
    std::string opener = dir.host("bin/xdg-open");
    WriteFile(opener,
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$OUT/opened\"\npwd >> \"$OUT/opened\"\n");
    ASSERT_EQ(chmod(opener.c_str(), 0755), 0);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir.host("bin") + ":" + oldPath).c_str(), 1);
    std::filesystem::create_directory(dir.host("docs"));
    std::string document = dir.host("docs/notes.txt"); // no "#!": the system cannot run it
    WriteFile(document, "just text\n");
    ASSERT_EQ(chdir(dir.host("work").c_str()), 0);

    bool started = host::LaunchProgram(ProgramPath(document), "/update x");
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(started);
    ASSERT_TRUE(AppearsSoon(dir.host("out/opened")));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // let it finish writing
    EXPECT_EQ(ReadFile(dir.host("out/opened")), document + "\n" + dir.host("docs") + "\n");
}

TEST_F(Launch, MissingFileStartsNothing) {
    EXPECT_FALSE(host::LaunchProgram(ProgramPath(dir.host("bin/Zelvanto4.exe")), "/update x"));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

TEST(ProgramCheck, OnlyCompleteProgramsOfThisMachinePass) {
    TempDir dir;
    const std::string program = ReadFile("/usr/bin/true");
    ASSERT_GT(program.size(), 1000u);
    std::string otherMachine = program;
    otherMachine[18] = char(otherMachine[18] ^ 0x7f); // e_machine, low byte
    std::string otherWordSize = program;
    otherWordSize[4] = otherWordSize[4] == 2 ? 1 : 2; // EI_CLASS
    std::string relocatable = program;
    relocatable[16] = 1; // e_type ET_REL
    const std::pair<const char*, std::string> cases[] = {
        {"program", program},
        {"first half", program.substr(0, program.size() / 2)},
        {"all but the last byte", program.substr(0, program.size() - 1)},
        {"header only", program.substr(0, 64)},
        {"empty", ""},
        {"script", "#!/bin/sh\nexit 0\n"},
        {"web page", "<html></html>"},
        {"other processor", otherMachine},
        {"other word size", otherWordSize},
        {"object file", relocatable},
    };
    for (const auto& [name, bytes] : cases) {
        std::string path = dir.host(name);
        WriteFile(path, bytes);
        EXPECT_EQ(host::IsProgramForThisMachine(ProgramPath(path)), bytes == program) << name;
    }
    EXPECT_FALSE(host::IsProgramForThisMachine(ProgramPath(dir.host("missing"))));
    EXPECT_FALSE(host::IsProgramForThisMachine(dir.program()));
}

TEST(FirstLine, EndsAtCrLfOrZeroByte) {
    TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"4\r\n5\r\n", "4"},
        {"4\n5", "4"},
        {"  7\r", "  7"},
        {std::string("ab\0cd", 5), "ab"},
        {"", ""},
        {"\r\n4", ""},
        {"4", "4"},
        {std::string(3000, 'x') + "\n", std::string(3000, 'x')},
    };
    for (const auto& [bytes, line] : cases) {
        WriteFile(dir.host("update.txt"), bytes);
        EXPECT_EQ(host::ReadFirstLine(dir.program() + "\\update.txt"), line) << bytes;
    }
    EXPECT_EQ(host::ReadFirstLine(dir.program() + "\\missing.txt"), "");
    EXPECT_EQ(host::ReadFirstLine(dir.program()), "");
}

} // namespace
