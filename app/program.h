#pragma once
// Process start and end of the application.
#include <string>

// Values fixed at start-up.
constexpr int ProgramVersion = ZELVANTO_PROGRAM_VERSION;
const std::string& AppDataFolder(); // "appdata"; empty when unset

// Runs the whole program: set-up, the hand-over of a replaced copy, the update check, the
// main window and its loop, and shut-down. Returns the process's exit code, which is 0 on
// every path. `argc`/`argv` are the process's own.
int ProgramStart(int argc, char** argv);

// Releases everything the run holds, in a fixed order; called once, after the event loop
// or by the update path just before the process ends.
void ProgramShutdown();

// Start-up's step for a copy started as the replacement of an older one: with parameter 0
// exactly "/update", waits 500 ms and deletes the file named by parameter 1. Nothing is
// reported and nothing else happens otherwise.
void RemoveReplacedCopy();

// Homedrive "\" Homepath "\Desktop", each unset variable contributing the empty text.
std::string BuildDefaultFolder();
