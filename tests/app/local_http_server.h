#pragma once
// A small HTTP server on 127.0.0.1 for the tests: one request per connection, answers
// from a table of paths, and a log of the paths asked for.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class LocalHttpServer {
  public:
    struct Reply {
        int status = 200;
        std::string body;
        // The Content-Length announced; -1 announces the body's own size. A larger number
        // makes a body that is cut short: the connection closes after `body`.
        std::int64_t announcedLength = -1;
    };

    LocalHttpServer(); // listens on a free port of 127.0.0.1
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string host() const;
    void Serve(const std::string& path, Reply reply); // paths not served get 404
    std::vector<std::string> Requests();              // request paths, in order

  private:
    void Run();
    void Answer(int connection);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

} // namespace testing_support
