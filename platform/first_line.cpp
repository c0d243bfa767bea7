// Reading the first line of a text file.
#include "platform/host.h"
#include "platform/text.h"

#include <fcntl.h>
#include <unistd.h>

namespace host {

std::string ReadFirstLine(const std::string& path) {
    std::string line;
    int fd = open(text::ToHostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return line;
    char buffer[1024];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        size_t end = 0;
        while (end < size_t(n) && buffer[end] != '\r' && buffer[end] != '\n' && buffer[end] != 0)
            ++end;
        line.append(buffer, end);
        if (end < size_t(n)) break;
    }
    close(fd);
    return line;
}

} // namespace host
