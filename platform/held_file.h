#pragma once
// A file kept open for a long time with the share rules of a Windows file opened with
// read-and-write access and "others may read" sharing: while one of the program's processes
// holds it, any program may still read it through an ordinary open, but no other holder can
// take it. The rules are emulated with advisory locks (flock), so they bind only the
// program's own processes: a holder with write access has the exclusive lock, a holder with
// read access only a shared one, and every attempt to hold the file asks for its lock
// without waiting.
//
// Paths are program paths (cp1252, "\"). A read-only file (no write permission bits, or the
// read-only bit of the attribute word in "user.DOSATTRIB") refuses write access even to root.
#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// 0 means none.
using HeldFile = std::intptr_t;

// Opens an existing regular file for reading and writing or, when write access is refused
// (read-only file, no permission, or another holder has it for reading), for reading only.
// Returns 0 when neither works: missing, a folder or other non-regular file, or held for
// writing by another process.
HeldFile OpenHeldFile(const std::string& path);

// Creates the file, or empties an existing one, and holds it for reading and writing.
// Returns 0, leaving any existing file untouched, when that is refused (unwritable folder,
// read-only file, a folder of that name, or another holder).
HeldFile CreateHeldFile(const std::string& path);

// True when the file is held with write access.
bool HeldFileWritable(HeldFile file);

// The whole contents from the first byte. False on a read error.
bool ReadHeldFile(HeldFile file, std::string& contents);

// Replaces the contents from the first byte and cuts the file after the last byte written.
// False, with the file unchanged, when it is held for reading only or when the disk cannot
// take the longer text (the room is reserved before the first byte is overwritten).
bool RewriteHeldFile(HeldFile file, std::string_view contents);

// Releases the file and its lock. 0 is accepted and ignored.
void CloseHeldFile(HeldFile file);

} // namespace host
