// Whole-file operations by name: delete, rename, copy.
#include "platform/host.h"
#include "platform/text.h"
#include "platform/win.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

BOOL DeleteFileA(const char* fileName) {
    if (!fileName || !*fileName) return 0;
    std::string path = text::ToHostPath(fileName);
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return unlink(path.c_str()) == 0;
}

BOOL MoveFileA(const char* existingName, const char* newName) {
    if (!existingName || !newName || !*existingName || !*newName) return 0;
    std::string from = text::ToHostPath(existingName), to = text::ToHostPath(newName);
    // renameat2(RENAME_NOREPLACE) is not everywhere; a hard link fails on an existing
    // target atomically, and is the common case on one file system.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return 1;
    }
    if (errno == EEXIST) return 0;
    struct stat st{};
    if (lstat(to.c_str(), &st) == 0) return 0;
    return rename(from.c_str(), to.c_str()) == 0;
}

BOOL CopyFileA(const char* existingName, const char* newName, BOOL failIfExists) {
    if (!existingName || !newName) return 0;
    std::string from = text::ToHostPath(existingName), to = text::ToHostPath(newName);
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return 0;
    struct stat st{};
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return 0;
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    int out = open(to.c_str(), flags, st.st_mode & 0777);
    if (out < 0) {
        close(in);
        return 0;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    close(in);
    if (close(out) != 0) ok = false;
    return ok;
}

} // namespace win

namespace host {

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    win::DWORD attributes = win::GetFileAttributesA(to.c_str());
    if (attributes != win::INVALID_FILE_ATTRIBUTES &&
        (attributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_READONLY)))
        return false;
    return rename(text::ToHostPath(from).c_str(), text::ToHostPath(to).c_str()) == 0;
}

} // namespace host
