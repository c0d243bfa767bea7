// The update check: compare the server's version with the own one and, when the server's
// is greater, install that version beside the running program and hand over to it.
//
// Every platform result is ignored and each failure flows into the next step, with one
// exception: a newer version whose download failed, was cut short, is empty or is no
// program this machine can run is neither installed nor recorded, and start-up goes on,
// so that a broken server can neither replace the program with junk nor keep it from
// ever opening its window.
#include "app/update.h"

#include "app/built_in.h"
#include "app/download.h"
#include "app/program.h"
#include "app/settings.h"
#include "platform/host.h"
#include "platform/win.h"

#include <cstdlib>

namespace update {
namespace {

const char* const kSettingsName = "settings.prefs";
const char* const kVersionTextName = "update.txt";
const char* const kVersionKey = "Version";

std::string ServerUrl(const char* path) {
    return "http://" + UpdateServerHost() + path;
}
std::string VersionTextUrl() {
    return ServerUrl("/update/version.txt");
}
std::string ProgramUrl() {
    return ServerUrl("/programs/Zelvanto.exe");
}

// The version text becomes part of file names as it stands; a separator in it would
// place the installed copy in another folder than the program's.
bool NamesOneFile(const std::string& versionText) {
    return versionText.find_first_of("\\/") == std::string::npos;
}

// Steps of the installation up to recording the new version. Returns false, having
// installed and recorded nothing, when the download is not a complete program or the
// version text would lead the copy out of the program's folder.
bool InstallFiles(const UpdateFiles& files, const std::string& versionText,
                  std::int64_t remoteVersion) {
    if (!NamesOneFile(versionText)) return false;
    if (!DownloadToFile(ProgramUrl(), files.download)) return false;
    if (!host::IsProgramForThisMachine(files.download)) {
        win::DeleteFileA(files.download.c_str());
        return false;
    }
    win::MoveFileA(files.download.c_str(), files.versioned.c_str());
    win::CopyFileA(files.versioned.c_str(), files.installed.c_str(), 0);
    win::DeleteFileA(files.versioned.c_str());
    // Opening again closes the settings file held since the check, unchanged.
    OpenSettings(kSettingsName);
    WriteSettingNumber(kVersionKey, double(remoteVersion));
    CloseSettings();
    return true;
}

} // namespace

UpdateFiles FilesFor(const std::string& appData, const std::string& programFile,
                     const std::string& versionText) {
    size_t cut = programFile.find_last_of("\\/");
    std::string programFolder = cut == std::string::npos ? "" : programFile.substr(0, cut + 1);
    return {appData + "\\Zelvanto.exe", appData + "\\Zelvanto" + versionText + ".exe",
            programFolder + "Zelvanto" + versionText + ".exe"};
}

CheckResult CheckForUpdate(const std::string& appData, const std::string& programFile) {
    CheckResult result;
    if (!OpenSettings(kSettingsName)) {
        // First start in this folder: the version text is fetched but not looked at.
        result.outcome = Outcome::FirstStart;
        CreateSettings(kSettingsName);
        DownloadToFile(VersionTextUrl(), kVersionTextName);
        WriteSettingNumber(kVersionKey, ProgramVersion);
        CloseSettings();
        win::DeleteFileA(kVersionTextName);
        return result;
    }
    // Only whether the settings file exists counts; the version stored in it does not.
    DownloadToFile(VersionTextUrl(), kVersionTextName);
    result.versionText = host::ReadFirstLine(kVersionTextName);
    result.remoteVersion = TextToInt64(result.versionText);
    if (result.remoteVersion > std::int64_t{ProgramVersion}) {
        UpdateFiles files = FilesFor(appData, programFile, result.versionText);
        if (InstallFiles(files, result.versionText, result.remoteVersion)) {
            // "update.txt" stays; the next start overwrites it.
            result.outcome = Outcome::Installed;
            result.installed = files.installed;
            return result;
        }
        result.outcome = Outcome::Refused;
    }
    win::DeleteFileA(kVersionTextName);
    return result;
}

void HandOver(const std::string& installed, const std::string& programFile) {
    // The new copy waits 500 ms and then deletes this one's file.
    host::LaunchProgram(installed, "/update \"" + programFile + "\"");
    ProgramShutdown();
    std::exit(0);
}

} // namespace update

std::int64_t TextToInt64(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    // Unsigned arithmetic: wrapping modulo 2^64 is the defined behaviour wanted here.
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    if (negative) value = ~value + 1;
    return static_cast<std::int64_t>(value);
}

void RunUpdateCheck() {
    std::string programFile = host::ProgramFile();
    update::CheckResult result = update::CheckForUpdate(AppDataFolder(), programFile);
    if (result.outcome == update::Outcome::Installed)
        update::HandOver(result.installed, programFile);
}
