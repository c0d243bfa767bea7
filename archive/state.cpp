#include "archive/archive.h"

#include "platform/win.h"

#include <zlib.h>

ArchiveState& Archive() {
    static ArchiveState state;
    return state;
}

int ArchiveInit() {
    Archive().method = Z_DEFLATED;
    return 0;
}

// Deliberately releases nothing: a writer or reader still open stays as it is (callers
// finish with ArchiveClose before the program ends).
int ArchiveShutdown() { return 0; }

int ArchiveSetPassword(const std::string& password) {
    ArchiveState& s = Archive();
    s.passwordSet = password.empty() ? 0 : 1;
    s.password = password;
    return 0;
}

int ArchiveSetCompressProgress(ProgressCallback callback) {
    Archive().compressProgress = callback;
    return 0;
}

int ArchiveSetExtractProgress(ProgressCallback callback) {
    Archive().extractProgress = callback;
    return 0;
}

std::string& EncodeEntryName(std::string& name) {
    win::CharToOemA(name.c_str(), name.data());
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}
