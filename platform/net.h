#pragma once
// Sockets for the download client: IPv4, TCP client side.
#include <cstdint>
#include <string>

namespace net {
// Start and stop of the socket layer. While not started, Connect fails.
bool Startup();
void Cleanup();
bool IsStarted();
} // namespace net
