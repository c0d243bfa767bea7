#include "local_http_server.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

LocalHttpServer::LocalHttpServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        std::abort();
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

LocalHttpServer::~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string LocalHttpServer::host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void LocalHttpServer::Serve(const std::string& path, Reply reply) {
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<std::string> LocalHttpServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LocalHttpServer::Run() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        Answer(connection);
        close(connection);
    }
}

void LocalHttpServer::Answer(int connection) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd p{connection, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return;
        ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, size_t(n));
    }
    // "GET /path HTTP/1.1"
    size_t start = request.find(' ') + 1, end = request.find(' ', start);
    std::string path = request.substr(start, end - start);
    Reply reply{404, "not here", -1};
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(path);
        if (auto it = replies_.find(path); it != replies_.end()) reply = it->second;
    }
    std::int64_t length =
        reply.announcedLength < 0 ? std::int64_t(reply.body.size()) : reply.announcedLength;
    std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\n" +
                           "Content-Length: " + std::to_string(length) + "\r\n" +
                           "Connection: close\r\n\r\n" + reply.body;
    for (size_t sent = 0; sent < response.size();) {
        ssize_t n = send(connection, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += size_t(n);
    }
    shutdown(connection, SHUT_WR);
}

} // namespace testing_support
