#include "app/program.h"

#include "app/settings.h"
#include "app/update.h"
#include "archive/archive.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/toolkit.h"
#include "platform/win.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/ui_state.h"

namespace {
std::string& AppData() {
    static std::string folder;
    return folder;
}
} // namespace

const std::string& AppDataFolder() {
    return AppData();
}

void RemoveReplacedCopy() {
    if (host::ProgramParameter(0) != "/update") return;
    win::Sleep(500);
    const std::string replaced = host::ProgramParameter(1);
    if (!replaced.empty()) win::DeleteFileA(replaced.c_str());
}

std::string BuildDefaultFolder() {
    return host::GetEnv("Homedrive") + "\\" + host::GetEnv("Homepath") + "\\Desktop";
}

int ProgramStart(int argc, char** argv) {
    // 1. Platform set-up: the toolkit prepares itself on first use; the windows carry the
    //    program icon; the settings file starts closed.
    host::SetProgramArguments(argc, argv);
    ui::LoadProgramIcon();
    // 2.
    ArchiveInit();
    // 3.
    RemoveReplacedCopy();
    // 4. ProgramVersion is a constant. 5. Results of the platform are not examined.
    net::Startup();
    // 6.
    AppData() = host::GetEnv("appdata");
    // 7. Returns, or ends the process itself on the update path.
    RunUpdateCheck();
    // 8.-9.
    ui::Ui().defaultFolder = BuildDefaultFolder();
    ui::Ui().boldFont = ui::CreateBoldFont();
    // 10. SelectedFiles starts empty (its record is fresh).
    ui::LoadPictures();
    ui::BuildMainWindow();
    ui::RunMainLoop();
    // 11.
    ProgramShutdown();
    return 0;
}

void ProgramShutdown() {
    ArchiveShutdown();
    CloseSettings();
    ui::ReleasePictures();
    if (net::IsStarted()) net::Cleanup();
    tk::CloseWindow(ui::PasswordDialog);
    tk::CloseWindow(ui::MainWindow);
    if (ui::Ui().boldFont) tk::FreeFont(ui::Ui().boldFont);
    ui::Ui().boldFont = 0;
    // Files: every operation closes what it opens; the engine's and the settings file's
    // were closed above.
}
