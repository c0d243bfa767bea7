// The main loop's end conditions, its dispatch, the dropping of events during an
// operation, and the one report of a text replaced by the program.
#include "platform/toolkit_headless.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/ui_state.h"

#include <gtest/gtest.h>

namespace {

namespace hl = tk::headless;
using hl::When;

class EventLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        hl::Reset();
        ui::Ui() = ui::UiState{};
        ui::Loop() = ui::LoopState{};
        ui::BuildMainWindow();
    }
};

TEST_F(EventLoop, QuitButtonEndsAfterTheCurrentPass) {
    hl::Click(ui::QuitButton);
    hl::Click(ui::ZipCheckBox); // never reached
    ui::RunMainLoop();
    EXPECT_EQ(ui::Loop().quitRequested, 1);
    EXPECT_EQ(hl::PendingActions(When::Waiting), 1u);
    EXPECT_EQ(ui::Ui().formatChosen, 0);
    EXPECT_FALSE(hl::ScriptExhausted());
}

TEST_F(EventLoop, CloseRequestOfAnyWindowEnds) {
    for (int window : {ui::MainWindow, ui::PasswordDialog}) {
        SCOPED_TRACE(window);
        SetUp();
        hl::Click(ui::ZipCheckBox);
        hl::RequestClose(window);
        hl::Click(ui::ZipCheckBox); // never reached
        ui::RunMainLoop();
        EXPECT_EQ(ui::Loop().last.kind, tk::CloseEvent);
        EXPECT_EQ(ui::Loop().last.window, window);
        EXPECT_EQ(ui::Ui().formatChosen, 1);
        EXPECT_EQ(hl::PendingActions(When::Waiting), 1u);
        EXPECT_FALSE(hl::ScriptExhausted());
    }
}

TEST_F(EventLoop, FieldAndCheckBoxReportsReachTheirValues) {
    hl::Type(ui::ArchiveField, "C:\\Daten\\a.zip");
    hl::Type(ui::UnpackArchiveField, "C:\\b.zip");
    hl::Type(ui::DestinationField, "C:\\Ziel\\");
    hl::Click(ui::ZipCheckBox);
    hl::Click(ui::ZipCheckBox);
    hl::Click(ui::ZipCheckBox);
    // Reports of controls nothing handles run nothing.
    hl::Click(ui::BannerView);
    hl::SelectTab(ui::TabPanel, 1);
    hl::Raw(15, ui::MainWindow, 0, 0); // an event of a kind no loop acts on
    ui::RunMainLoop();
    EXPECT_TRUE(hl::ScriptExhausted());
    EXPECT_EQ(ui::Ui().packArchivePath, "C:\\Daten\\a.zip");
    EXPECT_EQ(ui::Ui().unpackArchivePath, "C:\\b.zip");
    EXPECT_EQ(ui::Ui().destinationFolder, "C:\\Ziel\\");
    EXPECT_EQ(ui::Ui().formatChosen, 1);
    EXPECT_EQ(ui::Loop().quitRequested, 0);
}

// What the user does while an operation runs reaches the platform (the box ticks, the
// field takes the text) but no handler, neither then nor later.
TEST_F(EventLoop, EventsDuringAnOperationAreDroppedForGood) {
    hl::Click(ui::ZipCheckBox, When::Busy);
    hl::Type(ui::ArchiveField, "C:\\getippt.zip", When::Busy);
    hl::Click(ui::QuitButton, When::Busy);
    hl::RequestClose(ui::MainWindow, When::Busy);
    ui::PumpPendingEvents();
    EXPECT_EQ(hl::PendingActions(When::Busy), 0u);
    EXPECT_EQ(ui::Loop().last.kind, 0); // the loop's own event is untouched

    hl::Raw(15, ui::MainWindow, 0, 0);
    ui::RunMainLoop();
    // Only the end of the script ended the loop: the dropped quit and close did not.
    EXPECT_TRUE(hl::ScriptExhausted());
    EXPECT_EQ(ui::Loop().quitRequested, 0);
    EXPECT_EQ(tk::GetState(ui::ZipCheckBox), 1);
    EXPECT_EQ(ui::Ui().formatChosen, 0);
    EXPECT_EQ(tk::GetText(ui::ArchiveField), "C:\\getippt.zip");
    EXPECT_EQ(ui::Ui().packArchivePath, "");
}

// A text replaced by the program is reported as the next event, before anything the user
// does; of several replacements only the last is reported, and only once.
TEST_F(EventLoop, ReplacedTextIsReportedOnceAndOnlyTheLast) {
    tk::SetText(ui::UnpackArchiveField, "");
    tk::SetText(ui::DestinationField, "C:\\Ziel\\"); // takes the place of the one before
    tk::SetText(ui::CurrentFileLabel, "Datei: x");   // labels do not report
    hl::Type(ui::ArchiveField, "C:\\a.zip");

    ASSERT_EQ(tk::WaitEvent(), tk::ControlEvent);
    EXPECT_EQ(tk::EventControl(), ui::DestinationField);
    EXPECT_EQ(tk::EventWindow(), ui::MainWindow);
    EXPECT_EQ(tk::EventSubtype(), tk::SubtypeChange);
    ASSERT_EQ(tk::WaitEvent(), tk::ControlEvent);
    EXPECT_EQ(tk::EventControl(), ui::ArchiveField);
    EXPECT_EQ(tk::WaitEvent(), tk::CloseEvent); // nothing more: the script ran out
    EXPECT_TRUE(hl::ScriptExhausted());
}

TEST_F(EventLoop, ReplacedTextReachesTheFieldsHandler) {
    ui::Ui().unpackArchivePath = "C:\\alt.zip";
    ui::Ui().destinationFolder = "C:\\Ziel\\";
    // As after an unpack: the destination is emptied first, then the archive field.
    tk::SetText(ui::DestinationField, "");
    tk::SetText(ui::UnpackArchiveField, "");
    ui::RunMainLoop();
    EXPECT_EQ(ui::Ui().unpackArchivePath, "");
    EXPECT_EQ(ui::Ui().destinationFolder, "C:\\Ziel\\");
}

TEST_F(EventLoop, FocusChangesOfFieldsAreReported) {
    hl::Type(ui::ArchiveField, "C:\\x.zip", When::Busy); // typed during an operation
    ui::PumpPendingEvents();
    hl::Focus(ui::ArchiveField);
    ui::RunMainLoop();
    EXPECT_EQ(ui::Ui().packArchivePath, "C:\\x.zip"); // reached at the next report
}

} // namespace
