#pragma once
// How the reader and extraction open an archive for minizip.
#include <string>
#include <unzip.h>

// unzOpen with the engine's own read functions: positioned reads through one small
// buffer, so that minizip's many small reads and repositionings between records cost no
// system call each. The archive is only ever read.
unzFile OpenArchiveForReading(const std::string& path);
