// Read-only files read at any offset (pread), for the archive reader's own buffering.
#include "platform/random_access.h"

#include "platform/text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace host {

RandomFile OpenRandomFile(const std::string& path) {
    if (path.empty()) return 0;
    int fd = open(text::ToHostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 0;
    }
    return RandomFile(fd) + 1; // descriptor 0 stays distinguishable from none
}

std::int64_t ReadAt(RandomFile file, std::uint64_t offset, void* buffer, std::uint32_t size) {
    if (file <= 0) return -1;
    int fd = int(file - 1);
    std::uint32_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, static_cast<char*>(buffer) + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += std::uint32_t(n);
    }
    return done;
}

std::int64_t RandomFileSize(RandomFile file) {
    struct stat st {};
    if (file <= 0 || fstat(int(file - 1), &st) != 0) return -1;
    return st.st_size;
}

void CloseRandomFile(RandomFile file) {
    if (file > 0) close(int(file - 1));
}

} // namespace host
