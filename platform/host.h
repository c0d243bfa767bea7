#pragma once
// Host services without a Windows name of their own: process, environment, clock and the
// stdio-like file services of the copy loops. Paths are program paths (cp1252, "\").
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// --- Process and environment -------------------------------------------------------

// Environment lookup ignoring letter case, as on Windows. Where "appdata", "homedrive" or
// "homepath" is absent, the Linux equivalent is supplied: $XDG_CONFIG_HOME or ~/.config,
// the empty drive, $HOME (each in program form). Unset gives the empty text.
std::string GetEnv(std::string_view name);

// Splits a command line into tokens: runs of blanks separate tokens (a tab is an ordinary
// character); a token that begins with a double quote runs to the next double quote or
// to the end, without the quotes, and the next token may begin right after it; any other
// token runs to the next blank.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The process's parameters (argv after the program's own path) as cp1252 texts; the
// separators are left as they are (see SetProgramArguments).
// Set once by the entry point.
void SetProgramArguments(int argc, char** argv);
// Parameter `index` (from 0), or the empty text when there are fewer.
std::string ProgramParameter(int index);

// Full path of the running executable, in program form.
std::string ProgramFile();

// Starts `file` with the parameter text as a separate process in the current folder and
// does not wait. The parameter text is split with SplitCommandLine into argv; the file is
// made executable first. The process inherits no open files but the standard streams and
// is never left as this process's zombie. When it cannot be started, the desktop's opener
// is asked to open it (without the parameters, which the opener cannot take), in the
// file's own folder. Returns true when a process was started.
bool LaunchProgram(const std::string& file, const std::string& parameters);

// True when `file` is a complete program this machine can run (an ELF executable of the
// running program's kind whose headers and segments lie inside the file).
bool IsProgramForThisMachine(const std::string& file);

// Fills `buffer` with bytes from the host's random source.
void RandomBytes(void* buffer, std::size_t size);

// The local clock's seconds count (seconds since midnight would wrap; this never does).
std::int64_t ClockSeconds();

// --- Files ---------------------------------------------------------------------------

// A stdio-like read handle; 0 means none.
using FileId = std::intptr_t;
FileId OpenFileRead(const std::string& path);
// Reads up to `size` bytes; returns how many were read (0 at the end or on error).
std::uint32_t ReadData(FileId file, void* buffer, std::uint32_t size);
bool AtEnd(FileId file);
void CloseFile(FileId file);
// Size of a file in bytes as a 64-bit count; -1 when it cannot be had.
std::int64_t FileSize(const std::string& path);
// Cuts the file to `size` bytes; false when it cannot. A read-only file refuses, as it
// refuses every other write.
bool TruncateFile(const std::string& path, std::int64_t size);

// Moves file `from` to `to` in one step, replacing an existing `to`: a reader sees either
// the old file or the new one, never a mix. Refuses, like the Windows rename with
// replacement, when `to` is a folder or read-only (even for root); `from` is then kept.
bool ReplaceFile(const std::string& from, const std::string& to);

// The first line of a text file: its bytes up to, not including, the first CR, LF or zero
// byte; the empty text when the file is missing, cannot be read or is empty.
std::string ReadFirstLine(const std::string& path);

} // namespace host
