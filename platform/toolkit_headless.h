#pragma once
// The test side of the headless toolkit backend: a script of user actions goes in, the
// state of every window and control comes out.
//
// Two kinds of scripted actions:
//  - While waiting (the default): what the user does while the program waits for them.
//    WaitEvent takes these one at a time, performing each when it is taken (typing sets
//    the field's text, a click on the check box ticks it, a tab change shows the page).
//  - While busy: what the user does while an operation runs. Only PollEvent takes these,
//    so they reach the program only during PumpPendingEvents.
// When the waiting script is exhausted, WaitEvent answers a close request for window 0
// (so a loop never hangs) and ScriptExhausted() tells the test that it happened.
//
// Texts here are program texts (cp1252, paths with "\"), as the program reads and writes
// them through the seam.
#include "platform/toolkit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tk::headless {

enum class When { Waiting, Busy };

struct ControlState {
    int id = 0;
    Kind kind = Kind::PushButton;
    int window = 0;
    int tabControl = -1; // the tab control whose page holds it, -1 when on the window
    int page = -1;       // index of that page
    int x = 0, y = 0, width = 0, height = 0; // relative to the window's client area or page
    std::string text;                        // caption, label or field text
    bool masked = false;
    FontId font = 0; // 0: the default GUI font
    bool hasBackground = false;
    std::uint32_t background = 0;               // 0xRRGGBB when hasBackground
    int minimum = 0, maximum = 0, position = 0; // progress bars
    int state = 0;                              // check box: 1 ticked
    ImageId image = 0;
    std::vector<std::string> tabs; // tab control: tab texts
    int selected = -1;             // tab control: selected tab, whose page is shown
};

struct WindowState {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0; // outer top-left, client size
    std::string title;
    unsigned style = 0;
    bool open = false;
    int timesOpened = 0;
};

struct FontState {
    std::string typeface;
    int points = 0;
    bool bold = false;
};

struct ImageState {
    int width = 0, height = 0;
};

struct MessageBoxShown {
    std::string caption, text;
};

struct ChooserRequest {
    enum class Type { Open, Save, Folder } type = Type::Open;
    std::string title; // or the folder chooser's prompt
    std::string defaultPath;
    std::string filter;
    int preselected = 0;
    bool multiple = false;
};

// Forgets every window, control, font, picture, scripted action, answer and record.
void Reset();

// --- State ----------------------------------------------------------------------------
const ControlState* Control(int id); // nullptr when no such control exists
std::vector<int> ControlOrder();     // ids in creation order (the focus order)
const WindowState* Window(int id);   // nullptr when never opened
const FontState* Font(FontId font);
const ImageState* Image(ImageId image);
bool HasProgramIcon();
// A control is shown when it is on the window, or on the selected page of its tab control.
bool IsShown(int id);

// --- Scripted actions -----------------------------------------------------------------
void Click(int id, When when = When::Waiting);
// Replaces the field's text as typing would, and the field reports the change.
void Type(int id, const std::string& text, When when = When::Waiting);
void Focus(int id, When when = When::Waiting);     // the field reports gaining focus
void LoseFocus(int id, When when = When::Waiting); // the field reports losing focus
void SelectTab(int tabControl, int index, When when = When::Waiting);
void RequestClose(int window, When when = When::Waiting);
// Any event at all, as it is.
void Raw(int kind, int window, int control, int subtype, When when = When::Waiting);

bool ScriptExhausted();
std::size_t PendingActions(When when);

// --- Choosers, message boxes, beeps ---------------------------------------------------
// Answers for the next chooser requests, in order: the paths an open chooser yields (one
// for single selection), the one path of a save or folder chooser. An empty list, or no
// queued answer at all, is a cancel.
void AnswerChooser(std::vector<std::string> paths);
const std::vector<ChooserRequest>& ChooserRequests();
const std::vector<MessageBoxShown>& MessageBoxes();
int Beeps();

} // namespace tk::headless
