#pragma once
// For the host layer itself only: the POSIX descriptor behind a win::HANDLE of
// platform/files.cpp, and a handle for a descriptor opened elsewhere in platform/.
#include "platform/win.h"

namespace host {

// -1 for an invalid handle.
int DescriptorOf(win::HANDLE handle);
// Takes ownership of `fd`: CloseHandle closes it.
win::HANDLE HandleOf(int fd);

} // namespace host
