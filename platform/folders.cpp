// Folder creation and the temporary-file placement of extracted files.
#include "platform/folders.h"

#include "platform/host.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Makes one folder unless a folder, or a link to one, is already there.
bool MakeOneFolder(const std::string& hostPath) {
    if (mkdir(hostPath.c_str(), 0777) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat st {};
    return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

namespace win {

BOOL MakeSureDirectoryPathExists(const char* path) {
    if (!path) return 0;
    std::string p = path;
    size_t last = p.find_last_of('\\');
    if (last == std::string::npos) return 1; // no folder part: nothing to make
    std::string host = text::ToHostPath(p.substr(0, last + 1));
    // Every prefix that ends before a "/" is one folder of the path.
    for (size_t i = 1; i < host.size(); ++i) {
        if (host[i] != '/' || host[i - 1] == '/') continue;
        if (!MakeOneFolder(host.substr(0, i))) return 0;
    }
    return 1;
}

} // namespace win

namespace host {

FolderResult MakeFoldersBelow(const std::string& base, const std::string& relative) {
    size_t last = relative.find_last_of('\\');
    if (last == std::string::npos) return FolderResult::Ok;
    std::string hostBase = text::ToHostPath(base);
    std::string hostRel = text::ToHostPath(relative.substr(0, last + 1));
    for (size_t i = 0; i < hostRel.size(); ++i) {
        if (hostRel[i] != '/' || i == 0 || hostRel[i - 1] == '/') continue;
        std::string path = hostBase + hostRel.substr(0, i);
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return FolderResult::Failed;
            if (lstat(path.c_str(), &st) != 0) return FolderResult::Failed;
        }
        if (S_ISLNK(st.st_mode)) return FolderResult::LinkInTheWay;
        if (!S_ISDIR(st.st_mode)) return FolderResult::Failed;
    }
    return FolderResult::Ok;
}

TargetKind InspectTarget(const std::string& path) {
    struct stat st {};
    if (lstat(text::ToHostPath(path).c_str(), &st) != 0)
        return errno == ENOENT ? TargetKind::Missing : TargetKind::Other;
    if (S_ISLNK(st.st_mode)) return TargetKind::Replaceable;
    if (!S_ISREG(st.st_mode)) return TargetKind::Other;
    return (win::GetFileAttributesA(path.c_str()) & win::FILE_ATTRIBUTE_READONLY)
               ? TargetKind::ReadOnlyFile
               : TargetKind::Replaceable;
}

win::HANDLE CreateFileBeside(const std::string& target, std::string& tempPath) {
    size_t slash = target.find_last_of('\\');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    // Names are a random prefix drawn once per process and a counter: unique among the
    // program's own files, hard to guess for anything else, and a name already taken is
    // never opened (CREATE_NEW). A folder that refuses new files refuses every name, so a
    // few attempts settle it.
    static std::uint64_t prefix = 0, counter = 0;
    if (prefix == 0) RandomBytes(&prefix, sizeof prefix);
    for (int attempt = 0; attempt < 8; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".zelvanto-%016llx-%llu.part",
                      static_cast<unsigned long long>(prefix),
                      static_cast<unsigned long long>(++counter));
        std::string candidate = folder + name;
        // CREATE_NEW is O_CREAT|O_EXCL: it fails on any existing name, a link included.
        win::HANDLE h =
            win::CreateFileA(candidate.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                             win::FILE_SHARE_READ, win::CREATE_NEW, win::FILE_ATTRIBUTE_NORMAL);
        if (h != win::INVALID_HANDLE_VALUE) {
            tempPath = candidate;
            return h;
        }
    }
    tempPath.clear();
    return win::INVALID_HANDLE_VALUE;
}

} // namespace host
