#include "support/test_support.h"

#include "platform/text.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace testing_support {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelvanto-test-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    host_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only leftovers removable again.
    for (auto& e : std::filesystem::recursive_directory_iterator(host_, ec))
        std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(host_, ec);
}

std::string TempDir::program() const {
    std::string out;
    text::ToProgramPath(host_, out);
    return out;
}

std::string ReadFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& hostPath, const std::string& bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool Exists(const std::string& hostPath) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(hostPath, ec));
}

int Run(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testing_support
