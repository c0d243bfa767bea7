// Files held open with share rules, emulated with flock among the program's processes.
#include "platform/held_file.h"

#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace host {
namespace {

// The handle is the descriptor plus one, so that descriptor 0 stays representable.
HeldFile Handle(int fd) {
    return HeldFile(fd) + 1;
}
int Descriptor(HeldFile file) {
    return file > 0 ? int(file - 1) : -1;
}

bool IsRegular(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// The read-only bit of the attribute word kept as the text "0x..." in user.DOSATTRIB.
bool AttributeWordSaysReadOnly(int fd) {
    char word[64];
    ssize_t n = fgetxattr(fd, "user.DOSATTRIB", word, sizeof word - 1);
    if (n < 3) return false;
    word[n] = '\0';
    if (word[0] != '0' || (word[1] != 'x' && word[1] != 'X')) return false;
    char* end = nullptr;
    unsigned long value = std::strtoul(word + 2, &end, 16);
    return end != word + 2 && (value & 0x1) != 0;
}

// Read-only as the program sees it: root's freedom to write anyway is not passed on.
bool IsReadOnly(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return true;
    return (st.st_mode & 0222) == 0 || AttributeWordSaysReadOnly(fd);
}

// Opened with O_NONBLOCK so that a FIFO of that name cannot stall the open; regular files
// are then switched back to ordinary blocking I/O.
int OpenNonBlocking(const std::string& hostPath, int flags, mode_t mode = 0) {
    return open(hostPath.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
}

HeldFile Hold(int fd) {
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return Handle(fd);
}

bool Lock(int fd, int how) {
    while (flock(fd, how | LOCK_NB) != 0)
        if (errno != EINTR) return false;
    return true;
}

} // namespace

HeldFile OpenHeldFile(const std::string& path) {
    if (path.empty()) return 0;
    std::string hostPath = text::ToHostPath(path);

    int fd = OpenNonBlocking(hostPath, O_RDWR);
    if (fd >= 0) {
        if (IsRegular(fd) && !IsReadOnly(fd) && Lock(fd, LOCK_EX)) return Hold(fd);
        close(fd);
    }
    // Read access alone is compatible with another reader, never with a writer.
    fd = OpenNonBlocking(hostPath, O_RDONLY);
    if (fd < 0) return 0;
    if (IsRegular(fd) && Lock(fd, LOCK_SH)) return Hold(fd);
    close(fd);
    return 0;
}

HeldFile CreateHeldFile(const std::string& path) {
    if (path.empty()) return 0;
    std::string hostPath = text::ToHostPath(path);

    // A file made just now is ours whatever the umask says; an existing one must pass the
    // read-only test and be free before a single byte of it is dropped.
    int fd = OpenNonBlocking(hostPath, O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
        if (Lock(fd, LOCK_EX)) return Hold(fd);
        close(fd);
        return 0;
    }
    if (errno != EEXIST) return 0;
    fd = OpenNonBlocking(hostPath, O_RDWR);
    if (fd < 0) return 0;
    if (IsRegular(fd) && !IsReadOnly(fd) && Lock(fd, LOCK_EX) && ftruncate(fd, 0) == 0)
        return Hold(fd);
    close(fd);
    return 0;
}

bool HeldFileWritable(HeldFile file) {
    int flags = fcntl(Descriptor(file), F_GETFL);
    return flags != -1 && (flags & O_ACCMODE) == O_RDWR;
}

bool ReadHeldFile(HeldFile file, std::string& contents) {
    int fd = Descriptor(file);
    contents.clear();
    if (fd < 0) return false;
    char buffer[65536];
    for (;;) {
        ssize_t n = pread(fd, buffer, sizeof buffer, off_t(contents.size()));
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            contents.clear();
            return false;
        }
        contents.append(buffer, size_t(n));
    }
}

bool RewriteHeldFile(HeldFile file, std::string_view contents) {
    int fd = Descriptor(file);
    if (fd < 0 || !HeldFileWritable(file)) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    if (off_t(contents.size()) > st.st_size) {
        int rc = posix_fallocate(fd, 0, off_t(contents.size()));
        // Only a file system that cannot reserve at all is let through without the room. A
        // failed reservation may have grown the file; its old length is restored.
        if (rc != 0 && rc != EOPNOTSUPP && rc != ENOSYS) {
            [[maybe_unused]] int restored = ftruncate(fd, st.st_size);
            return false;
        }
    }
    size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = pwrite(fd, contents.data() + done, contents.size() - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    while (ftruncate(fd, off_t(contents.size())) != 0)
        if (errno != EINTR) return false;
    return true;
}

void CloseHeldFile(HeldFile file) {
    int fd = Descriptor(file);
    if (fd >= 0) close(fd);
}

} // namespace host
