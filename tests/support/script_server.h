#pragma once
// A one-connection TCP server on 127.0.0.1 that plays a script: it accepts one client,
// reads its request (up to the blank line that ends the header block), then sends exact
// bytes with chosen pauses and ends the connection as the script says.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct ScriptStep {
    enum Kind {
        Send,  // send `bytes`
        Pause, // wait `ms` milliseconds
        Close, // close normally (FIN) and end the script
        Reset, // close with a reset (RST) and end the script
    };
    Kind kind;
    std::string bytes;
    int ms = 0;
};

inline ScriptStep SendBytes(std::string bytes) { return {ScriptStep::Send, std::move(bytes), 0}; }
inline ScriptStep PauseMs(int ms) { return {ScriptStep::Pause, {}, ms}; }
inline ScriptStep CloseNow() { return {ScriptStep::Close, {}, 0}; }
inline ScriptStep ResetNow() { return {ScriptStep::Reset, {}, 0}; }

class ScriptServer {
  public:
    // Listens on an ephemeral port at once and serves one connection in the background.
    // A script that ends without Close or Reset keeps the connection open, unanswered,
    // until the client closes it or the server is destroyed.
    explicit ScriptServer(std::vector<ScriptStep> script);
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    std::uint16_t port() const { return port_; }
    // The bytes the client sent before the script began (its request).
    std::string request() const;
    // Whether a client connected.
    bool accepted() const { return accepted_; }

  private:
    void Serve();

    std::vector<ScriptStep> script_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> accepted_{false};
    mutable std::mutex mutex_;
    std::string request_;
    std::thread thread_;
};

// A port on 127.0.0.1 where connections are refused, for as long as the object lives
// (the port is bound but never listened on, so no one else can take it meanwhile).
class RefusingPort {
  public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t port() const { return port_; }

  private:
    int socket_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace testing_support
