#pragma once
// Small helpers shared by the test programs.
#include <string>

namespace testing_support {

// A fresh folder under $TMPDIR (host path, no trailing "/"), removed with its contents
// when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& host() const { return host_; }
    // The same folder as a program path ("\" separators, cp1252).
    std::string program() const;
    // host() + "/" + relative
    std::string host(const std::string& relative) const { return host_ + "/" + relative; }

  private:
    std::string host_;
};

std::string ReadFile(const std::string& hostPath);
void WriteFile(const std::string& hostPath, const std::string& bytes);
bool Exists(const std::string& hostPath);
// Runs a shell command (test peers only) and returns its exit status.
int Run(const std::string& command);

} // namespace testing_support
