#pragma once
#include <cstdint>
#include <string>

// The number syntax of the version text: blanks and tabs, a sign, "$" hex, "%" binary or
// decimal digits; wraps modulo 2^64.
std::int64_t TextToInt64(const std::string& text);

// Asks the update server for the current version and installs a newer one; returns, or
// ends the process on the update path.
void RunUpdateCheck();
