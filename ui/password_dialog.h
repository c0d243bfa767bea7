#pragma once
// PasswordDialog: asks for a password twice and hands an accepted one to the engine.

namespace ui {

// Creates PasswordDialog and its six controls; returns 0. When the window cannot be
// created it creates no control.
int BuildPasswordDialog();

// The pack run, started by PasswordButton: sets the engine's password for later packs.
void PasswordDialogForPacking();

// The unpack run, started by an unpack of an encrypted archive: true when a password
// was accepted (and handed to the engine).
bool PasswordDialogForUnpacking();

} // namespace ui
