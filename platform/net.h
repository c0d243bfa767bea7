#pragma once
// Sockets for the download client: IPv4, TCP client side.
#include <cstddef>
#include <cstdint>
#include <string>

namespace net {
// Start and stop of the socket layer. While not started, resolution and Connect fail, so
// every download fails at its connection step.
bool Startup();
void Cleanup();
bool IsStarted();

// An open TCP connection; kNoConnection stands for none.
using Connection = std::intptr_t;
constexpr Connection kNoConnection = -1;

// The IPv4 address of `host` in network byte order: a dotted-decimal address is used as
// it is, any other name is resolved and its first IPv4 address taken. False when there
// is none.
bool ResolveIPv4(const std::string& host, std::uint32_t& address);

// A stream connection to address:port, waiting as long as the system's own connection
// time limit allows. kNoConnection when it cannot be made.
Connection Connect(std::uint32_t address, std::uint16_t port);

// Hands up to `size` bytes to the connection without blocking and without a signal when
// the peer has gone. Returns how many were taken; -1 when none could be taken now (the
// caller may try again later).
long Send(Connection connection, const void* data, std::size_t size);

// What is waiting to be received: the count of received bytes (> 0), 0 while nothing has
// arrived, kEnded once the peer has closed its side and every byte was received, kBroken
// when the connection failed (for example a reset).
constexpr long kEnded = -1;
constexpr long kBroken = -2;
long Waiting(Connection connection);

// Receives up to `size` of the bytes waiting without blocking; returns how many, or -1
// when none could be received.
long Receive(Connection connection, void* buffer, std::size_t size);

void Close(Connection connection);
} // namespace net
