// Start-up of the whole program in-process with the headless toolkit: the hand-over of a
// replaced copy, DefaultFolder, and the exit code.
#include "app/program.h"
#include "platform/host.h"
#include "platform/text.h"
#include "platform/toolkit_headless.h"
#include "support/test_support.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/ui_state.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

namespace hl = tk::headless;
using testing_support::Exists;
using testing_support::TempDir;
using testing_support::WriteFile;

// Runs in its own current folder: start-up reads and writes files there.
class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.host());
        hl::Reset();
        ui::Ui() = ui::UiState{};
        ui::Loop() = ui::LoopState{};
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        for (const char* name : {"HOMEDRIVE", "homepath", "APPDATA"})
            unsetenv(name);
    }

    // Starts the program with a command line in the program's form, split by the
    // program's own token rules and handed over in host form, as a starting copy does.
    // Returns the exit code; `elapsed` gets the time start-up took.
    int Start(const std::string& parameters, double* elapsed = nullptr) {
        std::vector<std::string> args{"zelvanto"};
        for (const auto& token : host::SplitCommandLine(parameters))
            args.push_back(text::ToHostPath(token));
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        auto begin = std::chrono::steady_clock::now();
        int code = ProgramStart(int(args.size()), argv.data());
        if (elapsed)
            *elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        return code;
    }

    TempDir dir_;
    std::filesystem::path previous_;
};

TEST_F(Startup, ClosingTheWindowAtOnceEndsWithExitCodeZero) {
    EXPECT_EQ(Start(""), 0);
    const hl::WindowState* main = hl::Window(ui::MainWindow);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->timesOpened, 1);
    EXPECT_FALSE(main->open); // shut-down closed it
    EXPECT_TRUE(hl::ScriptExhausted());
    EXPECT_TRUE(hl::HasProgramIcon());
}

TEST_F(Startup, QuitButtonEndsWithExitCodeZero) {
    hl::Click(ui::QuitButton);
    EXPECT_EQ(Start(""), 0);
    EXPECT_FALSE(hl::ScriptExhausted());
    EXPECT_FALSE(hl::Window(ui::MainWindow)->open);
}

struct HandOver {
    const char* name;
    const char* parameters;        // %D stands for the temporary folder (program form)
    std::vector<const char*> gone; // files deleted
    std::vector<const char*> kept; // files that stay
    bool waits;
};

const HandOver kHandOvers[] = {
    {"ExistingFileIsDeleted", "/update \"%D\\old.exe\"", {"old.exe"}, {}, true},
    {"MissingFileDeletesNothing", "/update \"%D\\missing.exe\"", {}, {"old.exe"}, true},
    {"AbsentSecondParameter", "/update", {}, {"old.exe"}, true},
    {"LetterCaseCounts", "/Update \"%D\\old.exe\"", {}, {"old.exe"}, false},
    {"SlashIsNeeded", "update \"%D\\old.exe\"", {}, {"old.exe"}, false},
    {"OnlyAsFirstParameter", "x /update \"%D\\old.exe\"", {}, {"old.exe"}, false},
    {"QuotedPathWithBlanksIsTakenWhole",
     "/update \"%D\\old copy.exe\"",
     {"old copy.exe"},
     {"old", "old.exe"},
     true},
    {"UnquotedPathEndsAtItsFirstBlank",
     "/update %D\\old copy.exe",
     {"old"},
     {"old copy.exe", "old.exe"},
     true},
};

void PrintTo(const HandOver& c, std::ostream* os) {
    *os << c.name;
}

class HandOverCase : public Startup, public ::testing::WithParamInterface<HandOver> {};

TEST_P(HandOverCase, RemovesOnlyTheReplacedCopy) {
    const HandOver& c = GetParam();
    for (const char* name : {"old.exe", "old copy.exe", "old"})
        WriteFile(dir_.host(name), "MZ");
    std::string parameters = c.parameters;
    if (auto at = parameters.find("%D"); at != std::string::npos)
        parameters.replace(at, 2, dir_.program());
    double elapsed = 0;
    EXPECT_EQ(Start(parameters, &elapsed), 0);
    for (const char* name : c.gone)
        EXPECT_FALSE(Exists(dir_.host(name))) << name;
    for (const char* name : c.kept)
        EXPECT_TRUE(Exists(dir_.host(name))) << name;
    if (c.waits) {
        EXPECT_GE(elapsed, 0.5);
    }
    EXPECT_EQ(hl::Window(ui::MainWindow)->timesOpened, 1); // start-up went on
}

INSTANTIATE_TEST_SUITE_P(Startup, HandOverCase, ::testing::ValuesIn(kHandOvers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Startup, DefaultFolderJoinsDriveAndPathAsBuilt) {
    // Names are looked up ignoring letter case.
    setenv("HOMEDRIVE", "C:", 1);
    setenv("homepath", "\\Users\\user1", 1);
    EXPECT_EQ(BuildDefaultFolder(), "C:\\\\Users\\user1\\Desktop");
    EXPECT_EQ(Start(""), 0);
    EXPECT_EQ(ui::Ui().defaultFolder, "C:\\\\Users\\user1\\Desktop");
}

TEST_F(Startup, AppDataFolderIsTheEnvironmentsValue) {
    setenv("APPDATA", (dir_.host() + "/conf").c_str(), 1);
    EXPECT_EQ(Start(""), 0);
    EXPECT_EQ(AppDataFolder(), dir_.program() + "\\conf");
}

} // namespace
