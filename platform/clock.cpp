#include "platform/host.h"
#include "platform/win.h"

#include <cerrno>
#include <ctime>

namespace host {
std::int64_t ClockSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec;
}
} // namespace host

namespace win {
void Sleep(DWORD milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
} // namespace win
