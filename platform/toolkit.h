#pragma once
// The window toolkit seam. One header, two backends chosen at link time:
//   toolkit_fltk.cpp      the real window (linked into the program)
//   toolkit_headless.cpp  scripted events and inspectable controls (linked into tests;
//                         its test-side controls are in toolkit_headless.h)
// Callers never #ifdef on the backend.
//
// Every text crossing this seam is cp1252; the backend converts to and from UTF-8.
// Unmasked text fields show paths in host form ("/") and read them back into program
// form ("\"); masked fields convert the code page only.
//
// Windows and controls are addressed by the program's fixed numbers. Window numbers and
// control numbers are separate ranges.
#include <cstdint>
#include <string>

namespace tk {

// Event kinds the program acts on; every other kind is ignored by its loops.
constexpr int ControlEvent = 13100;
constexpr int CloseEvent = 16;

// What a control reported (the event's subtype).
enum Subtype : int {
    SubtypeNone = 0,
    SubtypeClick = 1,
    SubtypeChange = 2,     // a text field's text changed
    SubtypeFocus = 3,      // a text field gained the focus
    SubtypeLostFocus = 4,  // a text field lost the focus
    SubtypeTabChange = 5,  // another tab was selected
};

enum class Kind {
    PushButton,
    ImageButton,
    TextField,
    GroupBox,
    TextLabel,
    CheckBox,
    ProgressBar,
    ImageControl,
    TabControl,
};

// Window style bits (the program's windows use these combinations only).
constexpr unsigned StyleCaption = 0x1;
constexpr unsigned StyleSystemMenu = 0x2;
constexpr unsigned StyleMinimizeBox = 0x4;

using FontId = int;   // 0: none (the default GUI font)
using ImageId = int;  // 0: none

// --- Resources ------------------------------------------------------------------------
// A font by typeface name and size in points (converted with the screen's logical
// resolution); 0 when it cannot be had.
FontId LoadFont(const std::string& typeface, int points, bool bold);
void FreeFont(FontId font);
// A picture from 8-bit RGB pixels, row after row; 0 on failure.
ImageId CreateImage(int width, int height, const unsigned char* rgb);
void FreeImage(ImageId image);
// The icon every window carries, from 8-bit RGBA pixels.
void SetProgramIcon(int width, int height, const unsigned char* rgba);

// --- Windows --------------------------------------------------------------------------
// Outer top-left corner at (x, y) in screen coordinates, client area width x height.
// Returns false when the window cannot be created. The window is shown at once.
bool OpenWindow(int window, int x, int y, int width, int height, const std::string& title,
                unsigned style);
void CloseWindow(int window);
bool IsWindowOpen(int window);

// --- Controls -------------------------------------------------------------------------
// Controls are created on the current parent: the window last opened, or the page of
// the tab last added. Creation order is focus order. Each returns false on failure.
bool CreateButton(int id, int x, int y, int w, int h, const std::string& text);
bool CreateImageButton(int id, int x, int y, int w, int h, ImageId image);
bool CreateTextField(int id, int x, int y, int w, int h, const std::string& text, bool masked);
bool CreateGroupBox(int id, int x, int y, int w, int h, const std::string& caption);
bool CreateTextLabel(int id, int x, int y, int w, int h, const std::string& text);
bool CreateCheckBox(int id, int x, int y, int w, int h, const std::string& text);
bool CreateProgressBar(int id, int x, int y, int w, int h, int minimum, int maximum);
// Shows `image`; the control takes the picture's size when a picture is set.
bool CreateImageControl(int id, int x, int y, int w, int h, ImageId image);
bool CreateTabControl(int id, int x, int y, int w, int h);
// Appends a tab to the tab control; controls created next go on its page. The first tab
// stays selected.
bool AddTab(int tabControl, const std::string& text);
// Controls created next go on the window itself again.
void EndTabs();

void SetFont(int id, FontId font);
void SetBackground(int id, std::uint32_t rgb); // 0xRRGGBB

// The operations the workflows use. Replacing a text field's text makes the field report
// the change as the next event after the current handler returns; one such report is
// held at a time, so of several replacements only the last is reported.
std::string GetText(int id);
void SetText(int id, const std::string& text);
int GetState(int id); // check box: 1 ticked, 0 not
void SetProgress(int id, int position);
void SetProgressMaximum(int id, int maximum);

// --- Events ---------------------------------------------------------------------------
// Blocks until the next event of any of the program's windows and returns its kind; the
// window, control and subtype of that event are then available. PollEvent does the same
// without blocking and returns 0 when nothing is pending.
int WaitEvent();
int PollEvent();
int EventWindow();
int EventControl();
int EventSubtype();

// --- Choosers, messages, beep ---------------------------------------------------------
// The file chooser for opening. `defaultPath` is split at its last "\": the folder it
// opens in and the proposed file name. `filter` alternates names and patterns, separated
// by "|"; `preselected` is the index of the chosen filter. The chosen file's folder must
// exist. The process's current folder is not changed. Returns the first chosen full path,
// or the empty text on cancel; with `multiple`, NextSelectedFile then yields each further
// path (folder, "\", name) and finally the empty text. A selection that does not fit in
// 512,000 characters counts as a cancel.
std::string OpenFileRequester(const std::string& title, const std::string& defaultPath,
                              const std::string& filter, int preselected, bool multiple);
std::string NextSelectedFile();
// The texts of the file and folder choosers, for the choosers opened after the call.
// The refusals: a chooser refuses a chosen name that has no program form (no cp1252 form,
// or a "\" in it), and a chosen path whose folder does not exist, and opens again. Each
// message is `before`, the name or folder as far as it can be shown, and `after`, in a box
// captioned `caption`. The labels: those of the chooser's own controls and messages.
struct ChooserTexts {
    std::string caption;
    std::string unnamableBefore, unnamableAfter;
    std::string missingFolderBefore, missingFolderAfter;
    std::string fileType, fileName, cancel, preview, showHidden, favorites, addFavorite,
        manageFavorites, fileSystems, newFolder, newFolderTooltip, customFilter, existingFile;
};
void SetChooserTexts(const ChooserTexts& texts);
// The file chooser for saving: adds no extension and asks nothing about existing files.
std::string SaveFileRequester(const std::string& title, const std::string& defaultPath,
                              const std::string& filter, int preselected);
// The folder chooser; returns the chosen folder or the empty text on cancel.
std::string PathRequester(const std::string& prompt, const std::string& initialPath);
// A modal message box with an error icon and an OK button.
void ErrorMessage(const std::string& caption, const std::string& text);
// The system's default beep.
void Beep();

} // namespace tk
