#include "ui/event_loop.h"

#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/pack.h"
#include "ui/password_dialog.h"
#include "ui/unpack.h"

namespace ui {

LoopState& Loop() {
    static LoopState state;
    return state;
}

int WaitLoopEvent() {
    auto& e = Loop().last;
    e.kind = tk::WaitEvent();
    e.window = tk::EventWindow();
    e.control = tk::EventControl();
    e.subtype = tk::EventSubtype();
    return e.kind;
}

namespace {

void RequestQuit() {
    Loop().quitRequested = 1;
}

struct Route {
    int control;
    void (*handler)();
};

// Every identifier not listed does nothing: TabPanel, BannerView, the frames, labels and
// progress bars, and the controls of PasswordDialog.
constexpr Route kMainRoutes[] = {
    {QuitButton, RequestQuit},
    {SourceField, PackSourceFieldReported},
    {SourceBrowseButton, PackChooseFiles},
    {ArchiveField, PackArchiveFieldReported},
    {ArchiveBrowseButton, PackChooseArchive},
    {ZipCheckBox, PackFormatReported},
    {PackButton, PackRun},
    {UnpackArchiveField, UnpackArchiveFieldReported},
    {UnpackBrowseButton, UnpackChooseArchive},
    {DestinationField, UnpackDestinationFieldReported},
    {DestinationBrowseButton, UnpackChooseDestination},
    {UnpackButton, UnpackRun},
    {PasswordButton, PasswordDialogForPacking},
};

} // namespace

void DispatchMainControl(int control) {
    for (const auto& route : kMainRoutes) {
        if (route.control == control) {
            route.handler();
            return;
        }
    }
}

void RunMainLoop() {
    auto& loop = Loop();
    loop.quitRequested = 0;
    do {
        if (WaitLoopEvent() == tk::ControlEvent) DispatchMainControl(loop.last.control);
    } while (loop.last.kind != tk::CloseEvent && loop.quitRequested != 1);
}

void PumpPendingEvents() {
    while (tk::PollEvent() != 0) {
    }
}

} // namespace ui
