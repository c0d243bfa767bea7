// TCP client sockets over POSIX.
#include "platform/net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {
namespace {
bool started = false;

int Fd(Connection connection) { return static_cast<int>(connection); }
} // namespace

// Nothing on this host can fail to start; the flag keeps the rule that a download made
// before the start (or after the stop) fails at its connection step.
bool Startup() {
    started = true;
    return true;
}
void Cleanup() { started = false; }
bool IsStarted() { return started; }

bool ResolveIPv4(const std::string& host, std::uint32_t& address) {
    if (!started || host.empty()) return false;
    in_addr dotted{};
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address = dotted.s_addr;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    bool ok = false;
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            ok = true;
            break;
        }
    }
    freeaddrinfo(found);
    return ok;
}

Connection Connect(std::uint32_t address, std::uint16_t port) {
    if (!started) return kNoConnection;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoConnection;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    // Blocking, so the system's own time limit applies. An interrupted attempt counts as
    // failed (the program installs no signal handlers).
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return kNoConnection;
    }
    return fd;
}

long Send(Connection connection, const void* data, std::size_t size) {
    ssize_t n = send(Fd(connection), data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    return n < 0 ? -1 : static_cast<long>(n);
}

long Waiting(Connection connection) {
    int fd = Fd(connection);
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0) return kBroken;
    if (count > 0) return count;
    // No bytes: either nothing has arrived yet or the peer has closed (a close reads as
    // readable with no bytes). A peek tells the two apart so that an end is seen at once.
    char probe;
    ssize_t n = recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return 1;
    if (n == 0) return kEnded;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    return kBroken;
}

long Receive(Connection connection, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = recv(Fd(connection), buffer, size, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return n <= 0 ? -1 : static_cast<long>(n);
}

void Close(Connection connection) {
    if (connection != kNoConnection) close(Fd(connection));
}
} // namespace net
