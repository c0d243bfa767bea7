#include "platform/host.h"

#include <cerrno>
#include <sys/random.h>

namespace host {
void RandomBytes(void* buffer, std::size_t size) {
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        ssize_t n = getrandom(p, size, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}
} // namespace host
