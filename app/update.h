#pragma once
// The update check at start-up and the replacement of the running program by a newer one.
#include <cstdint>
#include <string>

// The number syntax of the version text: blanks and tabs, a sign, "$" hex, "%" binary or
// decimal digits; wraps modulo 2^64.
std::int64_t TextToInt64(const std::string& text);

// Asks the update server for the current version and installs a newer one; returns, or
// ends the process on the update path.
void RunUpdateCheck();

// The parts RunUpdateCheck is made of, each usable on its own.
namespace update {

// The names an update to `versionText` uses: the download, its versioned name in the
// same folder, and the installed copy beside `programFile`.
struct UpdateFiles {
    std::string download;  // appData + "\Zelvanto.exe"
    std::string versioned; // appData + "\Zelvanto" + versionText + ".exe"
    std::string installed; // folder of programFile + "Zelvanto" + versionText + ".exe"
};
UpdateFiles FilesFor(const std::string& appData, const std::string& programFile,
                     const std::string& versionText);

enum class Outcome {
    FirstStart, // no settings file: created with the own version, no comparison made
    NoUpdate,   // the server's version is not greater than the own one
    Refused,    // a newer version was offered, but its download was not a complete program
    Installed,  // the newer copy is installed and its version recorded
};

struct CheckResult {
    Outcome outcome = Outcome::NoUpdate;
    std::string versionText;
    std::int64_t remoteVersion = 0;
    std::string installed; // the installed copy (Outcome::Installed)
};

// Everything of the check but the hand-over: reads or creates "settings.prefs" in the
// current folder, fetches the version text into "update.txt", and installs a newer
// version beside `programFile` with the download going through `appData`. "update.txt"
// is deleted unless the outcome is Installed. On every outcome but FirstStart and
// Installed the settings file stays open, unchanged.
CheckResult CheckForUpdate(const std::string& appData, const std::string& programFile);

// Starts the installed copy with "/update" and the quoted `programFile`, shuts the
// program down and ends the process with exit code 0.
[[noreturn]] void HandOver(const std::string& installed, const std::string& programFile);

} // namespace update
