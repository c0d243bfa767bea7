// Folder creation and the temporary-file placement of extracted files.
#include "platform/folders.h"

#include "platform/descriptors.h"
#include "platform/host.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A fresh hidden name in `folder`: a random prefix drawn once per process and a counter,
// unique among the program's own files and hard to guess for anything else.
std::string FreshName(const std::string& folder) {
    static std::uint64_t prefix = 0, counter = 0;
    if (prefix == 0) RandomBytes(&prefix, sizeof prefix);
    char name[64];
    std::snprintf(name, sizeof name, ".zelvanto-%016llx-%llu.part",
                  static_cast<unsigned long long>(prefix),
                  static_cast<unsigned long long>(++counter));
    return folder + name;
}

// Gives the unnamed file behind `fd` the name `path`; fails on an existing name.
bool LinkUnnamed(int fd, const std::string& path) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, self, AT_FDCWD, text::ToHostPath(path).c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

bool CreatePendingFile(const std::string& target, PendingFile& file) {
    file = PendingFile{};
    std::string folder = FolderOf(target);
    std::string hostFolder = text::ToHostPath(folder.empty() ? std::string(".") : folder);
    // An unnamed file is named later through /proc; without it only a named one will do.
    static const bool canNameLater = access("/proc/self/fd", F_OK) == 0;
    int fd = canNameLater ? open(hostFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666) : -1;
    if (fd >= 0) {
        file.handle = HandleOf(fd);
        return true;
    }
    // Without unnamed files: a name already taken is never opened (CREATE_NEW is
    // O_CREAT|O_EXCL); a folder that refuses new files refuses every name, so a few
    // attempts settle it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string candidate = FreshName(folder);
        win::HANDLE h =
            win::CreateFileA(candidate.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                             win::FILE_SHARE_READ, win::CREATE_NEW, win::FILE_ATTRIBUTE_NORMAL);
        if (h != win::INVALID_HANDLE_VALUE) {
            file.handle = h;
            file.tempPath = candidate;
            return true;
        }
    }
    return false;
}

bool PlacePendingFile(PendingFile& file, const std::string& target) {
    bool placed = false;
    if (file.tempPath.empty()) {
        int fd = DescriptorOf(file.handle);
        // A missing target takes the name at once; an existing one is replaced through a
        // temporary name, as a name cannot be linked over another.
        placed = LinkUnnamed(fd, target);
        if (!placed && errno == EEXIST) {
            for (int attempt = 0; attempt < 8 && file.tempPath.empty(); ++attempt) {
                std::string candidate = FreshName(FolderOf(target));
                if (LinkUnnamed(fd, candidate)) file.tempPath = candidate;
            }
            placed = !file.tempPath.empty() && ReplaceFile(file.tempPath, target);
        }
    } else {
        placed = ReplaceFile(file.tempPath, target);
    }
    if (placed) {
        win::CloseHandle(file.handle);
        file = PendingFile{};
        return true;
    }
    DiscardPendingFile(file);
    return false;
}

void DiscardPendingFile(PendingFile& file) {
    if (file.handle != win::INVALID_HANDLE_VALUE) win::CloseHandle(file.handle);
    if (!file.tempPath.empty()) win::DeleteFileA(file.tempPath.c_str());
    file = PendingFile{};
}

} // namespace host
