#pragma once
#include "platform/toolkit.h"

#include <cstdint>

namespace ui {

// The background of every text field (and of nothing else): a pale cream.
constexpr std::uint32_t FieldBackground = 0xFFFEE9; // RGB (255, 254, 233)

// BoldFont: Arial, 12 points, bold (the toolkit resolves Arial to a metric-compatible
// face where Arial itself is missing). 0 when no font can be had; controls then keep the
// default GUI font.
tk::FontId CreateBoldFont();

// Sets the program icon every window carries, from the embedded icon.
void LoadProgramIcon();

// Decodes the embedded banner and browse pictures into Ui().bannerImage and
// Ui().browseImage. A picture that cannot be decoded stays 0; nothing is reported.
void LoadPictures();
void ReleasePictures();

// Creates MainWindow and all its controls; returns 0. Expects BoldFont and the pictures to
// be prepared. When the window cannot be created it returns at once without controls.
int BuildMainWindow();

// Builders shared by both windows: a push button in BoldFont, and an empty text field
// in BoldFont on FieldBackground (masked for passwords).
void ApplyBoldFont(int id);
void BoldButton(int id, int x, int y, int w, int h, const char* text);
void Field(int id, int x, int y, int w, int h, bool masked = false);

} // namespace ui
