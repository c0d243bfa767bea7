// The update check against a local server: the version decision, the installed names,
// what the settings file records, and the downloads that are refused.
#include "app/settings.h"
#include "app/update.h"
#include "built_in_for_tests.h"
#include "local_http_server.h"
#include "platform/net.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using testing_support::Exists;
using testing_support::LocalHttpServer;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using update::Outcome;

const char* const kVersionPath = "/update/version.txt";
const char* const kProgramPath = "/programs/Zelvanto.exe";

// A real program of this machine, small enough to serve many times.
std::string SomeProgram() {
    return ReadFile("/usr/bin/true");
}

std::vector<std::string> FilesIn(const std::string& hostFolder) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(hostFolder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A start in a folder of its own: the current folder (where "settings.prefs" and
// "update.txt" go), an "appdata" folder and a "program" folder holding the running
// copy "Zelvanto.exe".
struct StartFolder {
    StartFolder() {
        std::filesystem::create_directory(dir.host("appdata"));
        std::filesystem::create_directory(dir.host("program"));
        WriteFile(dir.host("program/Zelvanto.exe"), "the running copy");
    }
    update::CheckResult Check() {
        EXPECT_EQ(chdir(dir.host().c_str()), 0);
        return update::CheckForUpdate(dir.program() + "\\appdata",
                                      dir.program() + "\\program\\Zelvanto.exe");
    }
    std::string Settings() { return ReadFile(dir.host("settings.prefs")); }

    TempDir dir;
};

// The update server on 127.0.0.1; the current folder is restored afterwards.
class UpdateCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        SetUpdateServerHostForTests(server.host());
        ASSERT_TRUE(net::Startup()); // as start-up does before the check
        ASSERT_EQ(getcwd(previous, sizeof previous), previous);
    }
    void TearDown() override {
        CloseSettings();
        net::Cleanup();
        ASSERT_EQ(chdir(previous), 0);
    }
    void Offer(const std::string& versionText,
               LocalHttpServer::Reply program = {200, SomeProgram()}) {
        server.Serve(kVersionPath, {200, versionText});
        server.Serve(kProgramPath, std::move(program));
    }
    // The requests made since the last call.
    std::vector<std::string> NewRequests() {
        auto all = server.Requests();
        std::vector<std::string> fresh(all.begin() + long(seen), all.end());
        seen = all.size();
        return fresh;
    }

    LocalHttpServer server;
    size_t seen = 0;
    char previous[4096] = {};
};

struct DecisionCase {
    const char* name;
    std::string served;        // the version text as the server sends it
    std::int64_t remote;       // TextToInt64 of its first line
    const char* installedName; // nullptr: no update
    const char* stored;        // "settings.prefs" afterwards
};

// Every row starts with "Version = 3" stored, as a start after the first one does.
TEST_F(UpdateCheck, VersionDecisionInstalledNamesAndStoredNumber) {
    const DecisionCase cases[] = {
        {"same", "3", 3, nullptr, "Version = 3\r\n"},
        {"newer", "4", 4, "Zelvanto4.exe", "Version = 4\r\n"},
        {"leading blanks", "  7", 7, "Zelvanto  7.exe", "Version = 7\r\n"},
        {"fraction", "4.5", 4, "Zelvanto4.5.exe", "Version = 4\r\n"},
        {"hexadecimal", "$10", 16, "Zelvanto$10.exe", "Version = 16\r\n"},
        {"binary", "%101", 5, "Zelvanto%101.exe", "Version = 5\r\n"},
        {"negative", "-5", -5, nullptr, "Version = 3\r\n"},
        {"word", "Version", 0, nullptr, "Version = 3\r\n"},
        {"empty", "", 0, nullptr, "Version = 3\r\n"},
        {"2^64-1 wraps to -1", "18446744073709551615", -1, nullptr, "Version = 3\r\n"},
        {"more lines", "4\r\n99\r\n", 4, "Zelvanto4.exe", "Version = 4\r\n"},
        {"tab and plus", "\t+$fF\n", 255, "Zelvanto\t+$fF.exe", "Version = 255\r\n"},
    };
    const std::string program = SomeProgram();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartFolder start;
        WriteFile(start.dir.host("settings.prefs"), "Version = 3\r\n");
        Offer(c.served);

        auto result = start.Check();
        CloseSettings();

        std::string firstLine = c.served.substr(0, c.served.find_first_of("\r\n"));
        EXPECT_EQ(result.versionText, firstLine);
        EXPECT_EQ(TextToInt64(c.served), c.remote);
        EXPECT_EQ(result.remoteVersion, c.remote);
        EXPECT_EQ(start.Settings(), c.stored);
        EXPECT_TRUE(FilesIn(start.dir.host("appdata")).empty());
        auto requests = NewRequests();
        if (c.installedName) {
            EXPECT_EQ(result.outcome, Outcome::Installed);
            EXPECT_EQ(result.installed, start.dir.program() + "\\program\\" + c.installedName);
            std::vector<std::string> expected{"Zelvanto.exe", c.installedName};
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(FilesIn(start.dir.host("program")), expected);
            EXPECT_EQ(ReadFile(start.dir.host("program/") + c.installedName), program);
            EXPECT_TRUE(Exists(start.dir.host("update.txt"))) << "left for the next start";
            EXPECT_EQ(requests, (std::vector<std::string>{kVersionPath, kProgramPath}));
        } else {
            EXPECT_EQ(result.outcome, Outcome::NoUpdate);
            EXPECT_EQ(FilesIn(start.dir.host("program")), std::vector<std::string>{"Zelvanto.exe"});
            EXPECT_FALSE(Exists(start.dir.host("update.txt")));
            EXPECT_EQ(requests, std::vector<std::string>{kVersionPath});
        }
    }
}

TEST(TextToInt64, StopsAtTheFirstCharacterThatIsNoDigitOfItsBase) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"%102", 2},
        {"$", 0},
        {"-$10", -16},
        {"+-4", 0},
        {" \t 12ab", 12},
        {"$7fffffffffffffff", INT64_MAX},
        {"9223372036854775808", INT64_MIN},
        {"-9223372036854775808", INT64_MIN},
        {"18446744073709551616", 0},
    };
    for (auto [text, value] : cases)
        EXPECT_EQ(TextToInt64(text), value) << text;
}

TEST_F(UpdateCheck, FirstStartRecordsOwnVersionAndFetchesOnlyTheVersionText) {
    StartFolder start;
    Offer("99");
    auto result = start.Check();
    EXPECT_EQ(result.outcome, Outcome::FirstStart);
    EXPECT_EQ(start.Settings(), "Version = 3\r\n");
    EXPECT_EQ(NewRequests(), std::vector<std::string>{kVersionPath});
    EXPECT_FALSE(Exists(start.dir.host("update.txt")));
    EXPECT_TRUE(FilesIn(start.dir.host("appdata")).empty());
    EXPECT_EQ(FilesIn(start.dir.host("program")), std::vector<std::string>{"Zelvanto.exe"});
}

TEST_F(UpdateCheck, StartWithoutUpdateLeavesSettingsBytesUnchanged) {
    StartFolder start;
    const std::string settings = ";note\n\n  version=3   \r\n[extra]\r\na = b";
    WriteFile(start.dir.host("settings.prefs"), settings);
    Offer("3");
    EXPECT_EQ(start.Check().outcome, Outcome::NoUpdate);
    CloseSettings(); // as shut-down does
    EXPECT_EQ(start.Settings(), settings);
}

TEST_F(UpdateCheck, StoredVersionPlaysNoPartInTheDecision) {
    StartFolder start;
    WriteFile(start.dir.host("settings.prefs"), "Version = 99\r\n");
    Offer("4");
    EXPECT_EQ(start.Check().outcome, Outcome::Installed);
    EXPECT_EQ(start.Settings(), "Version = 4\r\n");
}

TEST_F(UpdateCheck, EarlierVersionTextIsUsedWhenTheServerHasNone) {
    StartFolder start;
    WriteFile(start.dir.host("settings.prefs"), "Version = 3\r\n");
    WriteFile(start.dir.host("update.txt"), "5\r\n");
    server.Serve(kProgramPath, {200, SomeProgram()});
    auto result = start.Check();
    EXPECT_EQ(result.outcome, Outcome::Installed);
    EXPECT_TRUE(Exists(start.dir.host("program/Zelvanto5.exe")));
}

// A newer version whose download is no complete program for this machine is neither
// installed nor recorded, and the check ends as one without update.
TEST_F(UpdateCheck, BrokenDownloadsAreNotInstalled) {
    const std::string program = SomeProgram();
    const std::pair<const char*, LocalHttpServer::Reply> cases[] = {
        {"cut short", {200, program.substr(0, 1000), std::int64_t(program.size())}},
        {"empty", {200, ""}},
        {"web page", {200, "<html><body>Wartung</body></html>"}},
        {"script", {200, "#!/bin/sh\necho hello\n"}},
        {"truncated program", {200, program.substr(0, program.size() / 2)}},
        {"missing", {404, "not here"}},
    };
    for (const auto& [name, reply] : cases) {
        SCOPED_TRACE(name);
        StartFolder start;
        WriteFile(start.dir.host("settings.prefs"), "Version = 3\r\n");
        Offer("4", reply);
        auto result = start.Check();
        CloseSettings();
        EXPECT_EQ(result.outcome, Outcome::Refused);
        EXPECT_EQ(result.remoteVersion, 4);
        EXPECT_EQ(start.Settings(), "Version = 3\r\n");
        EXPECT_FALSE(Exists(start.dir.host("update.txt")));
        EXPECT_TRUE(FilesIn(start.dir.host("appdata")).empty());
        EXPECT_EQ(FilesIn(start.dir.host("program")), std::vector<std::string>{"Zelvanto.exe"});
    }
}

// A version text with a separator would name a file in another folder; nothing is
// fetched or installed for it.
TEST_F(UpdateCheck, VersionTextWithSeparatorInstallsNothing) {
    for (const char* text : {"4\\..\\..\\x", "4/../x"}) {
        SCOPED_TRACE(text);
        StartFolder start;
        WriteFile(start.dir.host("settings.prefs"), "Version = 3\r\n");
        Offer(text);
        auto result = start.Check();
        CloseSettings();
        EXPECT_EQ(result.outcome, Outcome::Refused);
        EXPECT_EQ(NewRequests(), std::vector<std::string>{kVersionPath});
        EXPECT_EQ(start.Settings(), "Version = 3\r\n");
        EXPECT_TRUE(FilesIn(start.dir.host("appdata")).empty());
        EXPECT_EQ(FilesIn(start.dir.host("program")), std::vector<std::string>{"Zelvanto.exe"});
    }
}

TEST(UpdateFiles, EmptyAppDataGivesPathsFromTheRoot) {
    auto files = update::FilesFor("", "\\opt\\tools\\Zelvanto.exe", "4");
    EXPECT_EQ(files.download, "\\Zelvanto.exe");
    EXPECT_EQ(files.versioned, "\\Zelvanto4.exe");
    EXPECT_EQ(files.installed, "\\opt\\tools\\Zelvanto4.exe");
}

} // namespace
