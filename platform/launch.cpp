// Starting another program: a separate process, detached from this one, that inherits
// no open files but the standard streams, in the caller's current folder.
#include "platform/host.h"
#include "platform/text.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace host {
namespace {

// Adds an execute bit wherever a read bit is set: a downloaded file carries none, and
// the one who may read the program may run it.
void MakeExecutable(const std::string& hostPath) {
    struct stat st {};
    if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    mode_t mode = st.st_mode & 07777;
    chmod(hostPath.c_str(), mode | ((mode & 0444) >> 2));
}

// The first executable file of that name on $PATH, or the empty text.
std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string list = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(start, end - start);
        std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// Runs `file` with `args` as a grandchild: the intermediate child ends at once and is
// reaped here, so the started program is never left as this process's zombie and keeps
// running after this process ends. A close-on-exec pipe reports a failed exec back.
// Only async-signal-safe calls happen between fork and exec. Returns true when the
// program was executed.
bool Spawn(const std::string& file, const std::vector<std::string>& args, const char* folder) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    long maxFiles = sysconf(_SC_OPEN_MAX);
    if (maxFiles < 0 || maxFiles > 65536) maxFiles = 65536;

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t middle = fork();
    if (middle < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (middle == 0) {
        pid_t child = fork();
        if (child != 0) {
            if (child < 0) {
                int error = errno;
                (void)!write(report[1], &error, sizeof error);
            }
            _exit(0);
        }
        // Its own session: the started program does not go down with this one's terminal
        // or process group.
        setsid();
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig)
            sigaction(sig, &standard, nullptr);
        int error = 0;
        if (folder && chdir(folder) != 0) error = errno;
        if (!error) {
            // Nothing beyond the standard streams survives the exec.
            if (close_range(3, ~0u, CLOSE_RANGE_CLOEXEC) != 0) {
                for (long fd = 3; fd < maxFiles; ++fd) {
                    int flags = fcntl(int(fd), F_GETFD);
                    if (flags >= 0) fcntl(int(fd), F_SETFD, flags | FD_CLOEXEC);
                }
            }
            execve(file.c_str(), argv.data(), environ);
            error = errno;
        }
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    do {
        n = read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    return n == 0;
}

} // namespace

bool LaunchProgram(const std::string& file, const std::string& parameters) {
    std::string line;
    if (!file.empty() && file[0] == '"') {
        line = file;
    } else {
        line.push_back('"');
        line.append(file);
        line.push_back('"');
    }
    if (!parameters.empty()) {
        line.push_back(' ');
        line.append(parameters);
    }
    std::vector<std::string> tokens = SplitCommandLine(line);
    if (tokens.empty() || tokens[0].empty()) return false;

    // The file is a path; the parameters are texts, handed over in the host's code page
    // with their separators as written, so that the receiving copy reads them back as sent.
    std::string program = text::ToHostPath(tokens[0]);
    std::vector<std::string> args{program};
    for (size_t i = 1; i < tokens.size(); ++i)
        args.push_back(text::Cp1252ToUtf8(tokens[i]));

    MakeExecutable(program);
    if (Spawn(program, args, nullptr)) return true;

    // The desktop's opener stands in for the shell's open action. It takes the file alone,
    // so the parameters cannot go with it. A missing file is not handed to it.
    struct stat st {};
    if (stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::string opener = FindOnPath("xdg-open");
    if (opener.empty()) return false;
    size_t cut = program.rfind('/');
    std::string folder = cut == std::string::npos ? std::string(".") : program.substr(0, cut + 1);
    return Spawn(opener, {opener, program}, folder.c_str());
}

} // namespace host
