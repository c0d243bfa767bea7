#include "support/script_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {
namespace {

// Binds a TCP socket to 127.0.0.1 on an ephemeral port; aborts when it cannot.
int BindLoopback(std::uint16_t& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) std::abort();
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) != 0)
        std::abort();
    port = ntohs(at.sin_port);
    return fd;
}

// Waits up to `ms` for `fd` to become readable, waking every 50 ms to see `stop`.
bool WaitReadable(int fd, int ms, const std::atomic<bool>& stop) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) return true;
    }
    return false;
}

void SendAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += std::size_t(n);
    }
}

} // namespace

ScriptServer::ScriptServer(std::vector<ScriptStep> script) : script_(std::move(script)) {
    listener_ = BindLoopback(port_);
    if (listen(listener_, 4) != 0) std::abort();
    thread_ = std::thread([this] { Serve(); });
}

ScriptServer::~ScriptServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string ScriptServer::request() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
}

void ScriptServer::Serve() {
    if (!WaitReadable(listener_, 60000, stop_)) return;
    int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    accepted_ = true;

    // The request: up to the blank line, or whatever came within 10 seconds.
    char buffer[4096];
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (request_.find("\r\n\r\n") != std::string::npos) break;
        }
        if (!WaitReadable(fd, 10000, stop_)) break;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        std::lock_guard<std::mutex> lock(mutex_);
        request_.append(buffer, std::size_t(n));
    }

    for (const ScriptStep& step : script_) {
        if (stop_) break;
        switch (step.kind) {
        case ScriptStep::Send: SendAll(fd, step.bytes); break;
        case ScriptStep::Pause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
            break;
        case ScriptStep::Close: close(fd); return;
        case ScriptStep::Reset: {
            linger hard{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            close(fd);
            return;
        }
        }
    }
    // Unanswered from here: hold the connection until the client closes or we are told to
    // stop.
    while (WaitReadable(fd, 60000, stop_)) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
    }
    close(fd);
}

RefusingPort::RefusingPort() { socket_ = BindLoopback(port_); }
RefusingPort::~RefusingPort() { close(socket_); }

} // namespace testing_support
