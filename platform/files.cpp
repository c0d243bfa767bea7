// Windows-style file handles, times and attributes on POSIX, and the stdio-like read
// services of the copy loops. See platform/win.h for the emulation rules.
#include "platform/descriptors.h"
#include "platform/host.h"
#include "platform/text.h"
#include "platform/win.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace win {
namespace {

constexpr char kDosAttrib[] = "user.DOSATTRIB";
constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL; // 1601 -> 1970
constexpr std::int64_t kTicksPerSecond = 10000000LL;

struct FileHandle {
    int fd;
};

int Fd(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE) return -1;
    return static_cast<FileHandle*>(h)->fd;
}

std::int64_t Ticks(const FILETIME& ft) {
    return static_cast<std::int64_t>((std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FromTicks(std::int64_t ticks) {
    auto u = static_cast<std::uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

FILETIME FromTimespec(const timespec& ts) {
    return FromTicks(kUnixEpochIn100ns + std::int64_t(ts.tv_sec) * kTicksPerSecond +
                     ts.tv_nsec / 100);
}

timespec ToTimespec(const FILETIME& ft) {
    std::int64_t t = Ticks(ft) - kUnixEpochIn100ns;
    std::int64_t sec = t / kTicksPerSecond, rest = t % kTicksPerSecond;
    if (rest < 0) rest += kTicksPerSecond, --sec;
    return timespec{static_cast<time_t>(sec), static_cast<long>(rest * 100)};
}

// The bias of the time zone in force now, in seconds east of UTC.
long CurrentBias() {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = std::int64_t(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// The attribute word stored with the file, if any.
bool ReadStoredAttributes(const std::string& path, DWORD& word) {
    char buffer[64] = {};
    ssize_t n = getxattr(path.c_str(), kDosAttrib, buffer, sizeof buffer - 1);
    if (n <= 0) return false;
    buffer[n] = 0;
    char* end = nullptr;
    unsigned long value = strtoul(buffer, &end, 0);
    if (end == buffer || value > 0xFFFFFFFFul) return false;
    word = static_cast<DWORD>(value);
    return true;
}

std::string BaseName(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

// Permission bits a file gets when it becomes writable again: what a new file would get.
mode_t WritableBits() {
    mode_t mask = umask(0);
    umask(mask);
    return 0222 & ~mask;
}

DWORD AttributesOf(const std::string& path, const struct stat& st) {
    DWORD word = 0;
    bool stored = ReadStoredAttributes(path, word);
    if (!stored) {
        word = S_ISDIR(st.st_mode) ? 0 : FILE_ATTRIBUTE_ARCHIVE;
        std::string base = BaseName(path);
        if (base.size() > 1 && base[0] == '.' && base != "..") word |= FILE_ATTRIBUTE_HIDDEN;
    }
    word &= ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
    if (S_ISDIR(st.st_mode)) {
        word |= FILE_ATTRIBUTE_DIRECTORY;
    } else {
        // The mode decides read-only for files, whatever the stored word says.
        if (st.st_mode & 0222)
            word &= ~FILE_ATTRIBUTE_READONLY;
        else
            word |= FILE_ATTRIBUTE_READONLY;
    }
    return word == 0 ? FILE_ATTRIBUTE_NORMAL : word;
}

} // namespace

HANDLE CreateFileA(const char* fileName, DWORD access, DWORD /*shareMode*/, DWORD disposition,
                   DWORD flagsAndAttributes) {
    if (!fileName || !*fileName) return INVALID_HANDLE_VALUE;
    std::string path = text::ToHostPath(fileName);
    struct stat st{};
    bool exists = stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return INVALID_HANDLE_VALUE;

    int flags = O_CLOEXEC;
    bool wantsWrite = access & GENERIC_WRITE;
    if (wantsWrite && (access & GENERIC_READ))
        flags |= O_RDWR;
    else if (wantsWrite)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;

    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!wantsWrite) return INVALID_HANDLE_VALUE;
        flags |= O_TRUNC;
        break;
    default: return INVALID_HANDLE_VALUE;
    }

    bool replaces = exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    if (exists) {
        DWORD attrs = AttributesOf(path, st);
        // A read-only file refuses every write access, even for root.
        if ((wantsWrite || replaces) && (attrs & FILE_ATTRIBUTE_READONLY))
            return INVALID_HANDLE_VALUE;
        // Replacing a hidden or system file requires asking for those attributes.
        if (disposition == CREATE_ALWAYS) {
            DWORD special = attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
            if (special & ~flagsAndAttributes) return INVALID_HANDLE_VALUE;
        }
    }

    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    if (exists && disposition == CREATE_ALWAYS) fremovexattr(fd, kDosAttrib);
    return new FileHandle{fd};
}

BOOL CloseHandle(HANDLE handle) {
    int fd = Fd(handle);
    if (fd < 0) return 0;
    delete static_cast<FileHandle*>(handle);
    return close(fd) == 0;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read) {
    int fd = Fd(file);
    if (read) *read = 0;
    if (fd < 0) return 0;
    ssize_t n;
    do {
        n = ::read(fd, buffer, toRead);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return 0;
    if (read) *read = static_cast<DWORD>(n);
    return 1;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written) {
    int fd = Fd(file);
    if (written) *written = 0;
    if (fd < 0) return 0;
    const char* p = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(fd, p + done, toWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return done == toWrite;
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    int fd = Fd(file);
    struct stat st{};
    if (fd < 0 || fstat(fd, &st) != 0) return 0;
    if (creation) *creation = FromTimespec(st.st_ctim);
    if (lastAccess) *lastAccess = FromTimespec(st.st_atim);
    if (lastWrite) *lastWrite = FromTimespec(st.st_mtim);
    return 1;
}

BOOL SetFileTime(HANDLE file, const FILETIME* /*creation*/, const FILETIME* lastAccess,
                 const FILETIME* lastWrite) {
    int fd = Fd(file);
    if (fd < 0) return 0;
    timespec times[2];
    times[0] = lastAccess ? ToTimespec(*lastAccess) : timespec{0, UTIME_OMIT};
    times[1] = lastWrite ? ToTimespec(*lastWrite) : timespec{0, UTIME_OMIT};
    return futimens(fd, times) == 0;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    if (!utc || !local) return 0;
    *local = FromTicks(Ticks(*utc) + std::int64_t(CurrentBias()) * kTicksPerSecond);
    return 1;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    if (!utc || !local) return 0;
    *utc = FromTicks(Ticks(*local) - std::int64_t(CurrentBias()) * kTicksPerSecond);
    return 1;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* out) {
    if (!fileTime || !out) return 0;
    std::int64_t ticks = Ticks(*fileTime);
    if (ticks < 0) return 0;
    std::int64_t seconds = ticks / kTicksPerSecond - kUnixEpochIn100ns / kTicksPerSecond;
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    std::int64_t y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    if (y > 30827) return 0;
    out->wYear = static_cast<WORD>(y);
    out->wMonth = static_cast<WORD>(m);
    out->wDay = static_cast<WORD>(d);
    out->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    out->wHour = static_cast<WORD>(rest / 3600);
    out->wMinute = static_cast<WORD>(rest / 60 % 60);
    out->wSecond = static_cast<WORD>(rest % 60);
    out->wMilliseconds = static_cast<WORD>(ticks % kTicksPerSecond / 10000);
    return 1;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* fileTime) {
    if (!st || !fileTime) return 0;
    if (st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
        st->wDay < 1 || st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 ||
        st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999)
        return 0;
    std::int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay);
    std::int64_t seconds = days * 86400 + st->wHour * 3600 + st->wMinute * 60 + st->wSecond;
    *fileTime = FromTicks(kUnixEpochIn100ns + seconds * kTicksPerSecond +
                          std::int64_t(st->wMilliseconds) * 10000);
    return 1;
}

DWORD GetFileAttributesA(const char* fileName) {
    if (!fileName || !*fileName) return INVALID_FILE_ATTRIBUTES;
    std::string path = text::ToHostPath(fileName);
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    return AttributesOf(path, st);
}

BOOL SetFileAttributesA(const char* fileName, DWORD attributes) {
    if (!fileName || !*fileName) return 0;
    std::string path = text::ToHostPath(fileName);
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return 0;

    // Entries made on Unix carry a Unix mode in the high 16 bits; a Windows attribute
    // word never has a file type there.
    mode_t unixMode = attributes >> 16;
    bool hasUnixMode = S_ISREG(unixMode) || S_ISDIR(unixMode) || S_ISLNK(unixMode);
    DWORD word = attributes & 0xFFFF & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);

    mode_t mode = st.st_mode & 07777;
    if (hasUnixMode) mode = (mode & ~0777) | (unixMode & 0777);
    if (!S_ISDIR(st.st_mode)) {
        if (hasUnixMode && !(unixMode & 0222)) word |= FILE_ATTRIBUTE_READONLY;
        if (word & FILE_ATTRIBUTE_READONLY)
            mode &= ~0222;
        else if (!(mode & 0222))
            mode |= hasUnixMode ? 0200 : WritableBits();
    }
    mode &= ~(S_ISUID | S_ISGID);
    // Changing nothing costs a system call per extracted file; it is left out.
    if (mode != (st.st_mode & 07777) && chmod(path.c_str(), mode) != 0) return 0;

    char buffer[16];
    int n = snprintf(buffer, sizeof buffer, "0x%x", word == 0 ? FILE_ATTRIBUTE_NORMAL : word);
    setxattr(path.c_str(), kDosAttrib, buffer, size_t(n), 0); // kept where the file system allows
    return 1;
}

} // namespace win

namespace host {

int DescriptorOf(win::HANDLE handle) { return win::Fd(handle); }

win::HANDLE HandleOf(int fd) {
    return fd < 0 ? win::INVALID_HANDLE_VALUE : new win::FileHandle{fd};
}

} // namespace host

namespace host {
namespace {
struct ReadHandle {
    int fd;
    bool ended;
};
} // namespace

FileId OpenFileRead(const std::string& path) {
    if (path.empty()) return 0;
    int fd = open(text::ToHostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st{};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return 0;
    }
    return reinterpret_cast<FileId>(new ReadHandle{fd, false});
}

std::uint32_t ReadData(FileId file, void* buffer, std::uint32_t size) {
    auto* h = reinterpret_cast<ReadHandle*>(file);
    if (!h) return 0;
    std::uint32_t done = 0;
    char* p = static_cast<char*>(buffer);
    while (done < size) {
        ssize_t n = read(h->fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            h->ended = true; // the end, or an error: either way no more data comes
            break;
        }
        done += static_cast<std::uint32_t>(n);
    }
    return done;
}

bool AtEnd(FileId file) {
    auto* h = reinterpret_cast<ReadHandle*>(file);
    if (!h || h->ended) return true;
    struct stat st{};
    off_t pos = lseek(h->fd, 0, SEEK_CUR);
    if (pos < 0 || fstat(h->fd, &st) != 0) return true;
    return pos >= st.st_size;
}

void CloseFile(FileId file) {
    auto* h = reinterpret_cast<ReadHandle*>(file);
    if (!h) return;
    close(h->fd);
    delete h;
}

std::int64_t FileSize(const std::string& path) {
    struct stat st{};
    if (path.empty() || stat(text::ToHostPath(path).c_str(), &st) != 0) return -1;
    return S_ISDIR(st.st_mode) ? -1 : std::int64_t(st.st_size);
}

bool TruncateFile(const std::string& path, std::int64_t size) {
    if (path.empty() || size < 0) return false;
    win::DWORD attributes = win::GetFileAttributesA(path.c_str());
    if (attributes == win::INVALID_FILE_ATTRIBUTES ||
        (attributes & (win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    return truncate(text::ToHostPath(path).c_str(), off_t(size)) == 0;
}

} // namespace host
