// The app tests' own built-in values: the version of the program as shipped, and an
// update server host the tests point at their local server.
#include "built_in_for_tests.h"
#include "app/built_in.h"
#include "app/program.h"

namespace {
std::string& Host() {
    static std::string host = "127.0.0.1:9";
    return host;
}
} // namespace

const int ProgramVersion = 3;
std::string UpdateServerHost() {
    return Host();
}
void SetUpdateServerHostForTests(const std::string& host) {
    Host() = host;
}
