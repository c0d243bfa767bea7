#pragma once
// Values built into the program. They live in one small source file (built_in.cpp),
// compiled with the build's definitions, so that a test copy with another version or
// update server rebuilds that file alone. There is no way to change them at run time.
#include <string>

// The program's own version number (3 for the program as shipped) is ProgramVersion,
// declared in app/program.h.

// The update server's host, optionally followed by ":" and a port (test copies only).
std::string UpdateServerHost();
