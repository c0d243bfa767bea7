#include "ui/password_dialog.h"

#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/texts.h"

namespace ui {

namespace {
void Button(int id, int x, int y, int w, int h, const char* text) {
    tk::CreateButton(id, x, y, w, h, text);
    ApplyBoldFont(id);
}
void MaskedField(int id, int x, int y, int w, int h) {
    tk::CreateTextField(id, x, y, w, h, "", true);
    ApplyFieldLook(id);
}
} // namespace

int BuildPasswordDialog() {
    if (!tk::OpenWindow(PasswordDialog, 299, 194, 383, 226, texts::PasswordTitle, tk::StyleCaption))
        return 0;
    MaskedField(ConfirmField, 30, 120, 290, 30);
    tk::CreateGroupBox(PasswordFrame, 10, 10, 320, 60, texts::PasswordFrame);
    MaskedField(PasswordField, 30, 30, 290, 30);
    tk::CreateGroupBox(ConfirmFrame, 10, 100, 330, 60, texts::ConfirmFrame);
    Button(DoneButton, 240, 180, 130, 40, texts::Done);
    Button(AbortButton, 10, 180, 130, 40, texts::Abort);
    return 0;
}

void PasswordDialogForPacking() {}

bool PasswordDialogForUnpacking() {
    return false;
}

} // namespace ui
