#pragma once
// The main event loop and its dispatch by control identifier.

namespace ui {

// The last event a loop read. The main loop and the password dialog's nested loops
// write it; the main loop's end test reads it after a handler returns, so a close
// request seen by a nested loop also ends the program. PumpPendingEvents leaves it alone.
struct LoopEvent {
    int kind = 0;
    int window = 0;
    int control = 0;
    int subtype = 0;
};

struct LoopState {
    LoopEvent last;
    int quitRequested = 0; // QuitRequested: set by QuitButton
};
LoopState& Loop();

// Waits for the next event (blocking) and records it in Loop().last; returns its kind.
int WaitLoopEvent();

// Runs the main loop's handler for a ControlEvent of `control`; unknown ids do nothing.
void DispatchMainControl(int control);

// The main loop: wait, dispatch control events, and leave after the pass in which a close
// request (from any window) was read last or QuitButton was pressed.
void RunMainLoop();

// Drains the event queue, dropping every event: the platform repaints, moves windows,
// switches tabs and edits fields, but no handler runs, and nothing dropped is acted upon
// later. Used by the progress callbacks during an archive operation.
void PumpPendingEvents();

} // namespace ui
