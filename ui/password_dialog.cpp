#include "ui/password_dialog.h"

#include "archive/archive.h"
#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/texts.h"

#include <string>

namespace ui {

int BuildPasswordDialog() {
    if (!tk::OpenWindow(PasswordDialog, 299, 194, 383, 226, texts::PasswordTitle, tk::StyleCaption))
        return 0;
    Field(ConfirmField, 30, 120, 290, 30, true);
    tk::CreateGroupBox(PasswordFrame, 10, 10, 320, 60, texts::PasswordFrame);
    Field(PasswordField, 30, 30, 290, 30, true);
    tk::CreateGroupBox(ConfirmFrame, 10, 100, 330, 60, texts::ConfirmFrame);
    BoldButton(DoneButton, 240, 180, 130, 40, texts::Done);
    BoldButton(AbortButton, 10, 180, 130, 40, texts::Abort);
    return 0;
}

namespace {

// The check of both runs on "Fertig": the two texts agree when they are equal byte for
// byte (two empty texts agree; an empty password means none). An agreed password goes to
// the engine and the dialog closes; otherwise nothing changes here.
bool PasswordsAgree() {
    const std::string confirm = tk::GetText(ConfirmField);
    const std::string password = tk::GetText(PasswordField);
    if (confirm != password) return false;
    ArchiveSetPassword(confirm);
    tk::CloseWindow(PasswordDialog);
    return true;
}

void ShowMismatch() {
    tk::ErrorMessage(texts::MismatchCaption, texts::PasswordMismatch);
}

bool IsControl(const LoopEvent& e, int id) {
    return e.kind == tk::ControlEvent && e.control == id;
}

} // namespace

// Every event of MainWindow is read and dropped while the run waits. A close request of
// either window ends the run without closing the dialog; the main loop then sees the same
// request and ends the program.
void PasswordDialogForPacking() {
    BuildPasswordDialog();
    const LoopEvent& e = Loop().last;
    int done = 0;
    do {
        WaitLoopEvent();
        if (IsControl(e, DoneButton)) {
            if (PasswordsAgree()) {
                done = 1;
            } else {
                ShowMismatch();
                tk::SetText(ConfirmField, std::string());
                tk::SetText(PasswordField, std::string());
            }
        } else if (IsControl(e, AbortButton)) {
            tk::CloseWindow(PasswordDialog); // the engine's password stays as it was
            done = 1;
        }
    } while (e.kind != tk::CloseEvent && done == 0);
}

// Unlike the pack run, a mismatch ends this run: the unpack is abandoned and the user
// starts it again for another try.
bool PasswordDialogForUnpacking() {
    BuildPasswordDialog();
    const LoopEvent& e = Loop().last;
    int accepted = 0, mismatch = 0, cancelled = 0;
    do {
        WaitLoopEvent();
        if (IsControl(e, DoneButton)) {
            if (PasswordsAgree()) {
                accepted = 1;
            } else {
                ShowMismatch();
                tk::CloseWindow(PasswordDialog);
                mismatch = 1;
            }
        } else if (IsControl(e, AbortButton)) {
            tk::CloseWindow(PasswordDialog);
            cancelled = 1;
        }
    } while (e.kind != tk::CloseEvent && accepted == 0 && mismatch == 0 && cancelled == 0);
    return accepted == 1;
}

} // namespace ui
