// Process and environment services: parameters, environment, the running executable.
#include "platform/host.h"
#include "platform/text.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

extern char** environ;

namespace host {
namespace {

std::vector<std::string>& Arguments() {
    static std::vector<std::string> args;
    return args;
}

std::string FromHost(const std::string& hostText) {
    std::string out;
    return text::ToProgramPath(hostText, out) ? out : text::Utf8ToCp1252Lossy(hostText);
}

// The real environment, looked up ignoring letter case; nullptr when absent.
const char* FindEnv(std::string_view name) {
    for (char** e = environ; e && *e; ++e) {
        const char* eq = strchr(*e, '=');
        if (!eq || size_t(eq - *e) != name.size()) continue;
        if (strncasecmp(*e, name.data(), name.size()) == 0) return eq + 1;
    }
    return nullptr;
}

} // namespace

std::string GetEnv(std::string_view name) {
    if (const char* value = FindEnv(name)) {
        // Values of the three folder variables are paths; others are plain texts.
        return FromHost(value);
    }
    auto is = [&](const char* n) {
        return name.size() == strlen(n) && strncasecmp(name.data(), n, name.size()) == 0;
    };
    if (is("appdata")) {
        if (const char* xdg = FindEnv("XDG_CONFIG_HOME"); xdg && *xdg) return FromHost(xdg);
        if (const char* home = FindEnv("HOME"); home && *home)
            return FromHost(std::string(home) + "/.config");
        return {};
    }
    if (is("homedrive")) return {};
    if (is("homepath")) {
        if (const char* home = FindEnv("HOME")) return FromHost(home);
    }
    return {};
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (true) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size()) break;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) end = line.size();
            tokens.emplace_back(line.substr(i + 1, end - i - 1));
            i = end == line.size() ? end : end + 1;
        } else {
            size_t end = line.find(' ', i);
            if (end == std::string_view::npos) end = line.size();
            tokens.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
    return tokens;
}

// Parameters are texts, not paths: only the code page is converted. Turning "/" into "\"
// would make the hand-over's "/update" unrecognisable; a host path given as a parameter
// still names its file, since the host layer turns "\" into "/" and leaves "/" alone.
// A parameter without a cp1252 form becomes the empty text rather than a look-alike that
// could name another file.
void SetProgramArguments(int argc, char** argv) {
    auto& args = Arguments();
    args.clear();
    for (int i = 1; i < argc; ++i) {
        std::string parameter;
        if (!text::Utf8ToCp1252(argv[i], parameter)) parameter.clear();
        args.push_back(parameter);
    }
}

std::string ProgramParameter(int index) {
    const auto& args = Arguments();
    if (index < 0 || size_t(index) >= args.size()) return {};
    return args[index];
}

std::string ProgramFile() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return FromHost(std::string(buffer, size_t(n)));
}

} // namespace host
