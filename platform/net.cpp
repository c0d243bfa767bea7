#include "platform/net.h"

namespace net {
namespace {
bool started = false;
}
bool Startup() {
    started = true;
    return true;
}
void Cleanup() { started = false; }
bool IsStarted() { return started; }
} // namespace net
