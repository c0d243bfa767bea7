#pragma once
// The Windows services the program's logic relies on, emulated on POSIX.
//
// Names, arguments and results follow what the program expects of the Windows calls of
// the same name; every path is a program path (cp1252, "\" separators) and is converted
// to the host form inside. Emulation rules:
//  - Attributes: read-only <-> no write permission bits; directory from stat; the whole
//    attribute word is kept in the extended attribute "user.DOSATTRIB" as text "0x..."
//    where the file system allows it. Without it a regular file reads as archive (0x20),
//    and a name beginning with "." is hidden as well.
//  - A read-only file refuses to be opened for writing, even for root.
//  - Local time conversions apply the time-zone bias in force now, as Windows does.
#include <cstdint>

namespace win {

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BOOL = int;
using HANDLE = void*;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// 100-nanosecond intervals since 1601-01-01, UTC (or local, for "local file times").
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth; // 1-12
    WORD wDayOfWeek; // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Files. Returns INVALID_HANDLE_VALUE on failure. Share modes are accepted and not
// enforced (nothing in the program depends on them for these files).
HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   DWORD creationDisposition, DWORD flagsAndAttributes);
BOOL CloseHandle(HANDLE handle);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written);
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite);

// Time conversions.
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);

// Attributes. GetFileAttributesA returns INVALID_FILE_ATTRIBUTES for a missing file.
DWORD GetFileAttributesA(const char* fileName);
BOOL SetFileAttributesA(const char* fileName, DWORD attributes);

// Creates every folder of `path` up to its last "\" (the part after it is ignored).
BOOL MakeSureDirectoryPathExists(const char* path);

// Code pages, byte for byte; source and destination may be the same buffer.
BOOL CharToOemA(const char* source, char* destination); // 1252 -> 850
BOOL OemToCharA(const char* source, char* destination); // 850 -> 1252

void Sleep(DWORD milliseconds);

BOOL DeleteFileA(const char* fileName);
// Fails when `newName` exists already.
BOOL MoveFileA(const char* existingName, const char* newName);
BOOL CopyFileA(const char* existingName, const char* newName, BOOL failIfExists);

} // namespace win
