#pragma once
// Read-only files read at any offset, without a file position of their own: the archive
// reader keeps its own position and buffer over them. Paths are program paths.
#include <cstdint>
#include <string>

namespace host {

// 0 means none.
using RandomFile = std::intptr_t;

// Opens an existing regular file for reading; 0 when it cannot be opened.
RandomFile OpenRandomFile(const std::string& path);
// Reads up to `size` bytes at `offset`; returns how many were read (fewer only at the
// end of the file), or -1 on a read error.
std::int64_t ReadAt(RandomFile file, std::uint64_t offset, void* buffer, std::uint32_t size);
// The file's size in bytes, or -1.
std::int64_t RandomFileSize(RandomFile file);
void CloseRandomFile(RandomFile file);

} // namespace host
