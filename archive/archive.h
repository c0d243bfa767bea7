#pragma once
// The archive engine: one process-wide ArchiveState through which files are added to a
// zip archive and entries are read and extracted from one. No operation takes an archive
// handle from its caller; every operation works on the archive the state holds.
//
// Texts crossing this interface are cp1252 texts; paths are Windows paths ("\").
// Results are integers: 0 for success, the engine's own codes below, or minizip's and
// zlib's codes passed through unchanged. No operation throws or shows anything.
#include <cstdint>
#include <string>

// Result codes of the engine itself. minizip's ZIP_ERRNO/UNZ_ERRNO share -1, zlib's
// Z_BUF_ERROR shares -5.
constexpr int ARCHIVE_OK = 0;
constexpr int ARCHIVE_FAILED = -1;
constexpr int ARCHIVE_NO_BUFFER = -5;
constexpr int ARCHIVE_ABORTED = -666;

// A report of progress: a name (disk path or entry name, or the empty text in the end
// call) and a percentage 0.0-100.0. Only ArchiveAddFile reads the answer: 1 stops it.
using ProgressCallback = int (*)(const std::string& name, float percent);

// The engine's single process-wide record.
struct ArchiveState {
    void* writer = nullptr; // minizip zipFile
    void* reader = nullptr; // minizip unzFile
    int passwordSet = 0;
    std::string password;
    int method = 0;
    ProgressCallback compressProgress = nullptr;
    ProgressCallback extractProgress = nullptr;
};
ArchiveState& Archive();

int ArchiveInit();
int ArchiveShutdown();
int ArchiveSetPassword(const std::string& password);
int ArchiveSetCompressProgress(ProgressCallback callback);
int ArchiveSetExtractProgress(ProgressCallback callback);

// Disk name -> entry name, in place: cp1252 -> cp850, then every "\" -> "/".
std::string& EncodeEntryName(std::string& name);

// --- Writer ---------------------------------------------------------------------------
// Returns the new writer handle (non-zero) or 0.
std::intptr_t ArchiveCreate(const std::string& path, int appendMode);
int ArchiveAddFile(const std::string& path, int keepPath);
int ArchiveClose(const std::string& comment = std::string());

// --- Reader ---------------------------------------------------------------------------
// One entry as the central directory gives it: twenty 32-bit fields in the order of
// minizip's unz_file_info, then the name in local form (cp1252, "\").
struct ArchiveEntryInfo {
    std::uint32_t versionMadeBy = 0;
    std::uint32_t versionNeeded = 0;
    std::uint32_t generalPurposeFlag = 0;
    std::uint32_t compressionMethod = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t nameLength = 0;
    std::uint32_t extraLength = 0;
    std::uint32_t commentLength = 0;
    std::uint32_t diskNumberStart = 0;
    std::uint32_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t second = 0;
    std::uint32_t minute = 0;
    std::uint32_t hour = 0;
    std::uint32_t day = 0;
    std::uint32_t month = 0; // January is 0
    std::uint32_t year = 0;
    std::string name;
};

std::intptr_t ArchiveOpenRead(const std::string& path);
int ArchiveFirstEntry();
int ArchiveGetEntryInfo(ArchiveEntryInfo& info);

// --- Extraction -----------------------------------------------------------------------
// Returns the number of files written completely. Nothing is written outside
// destFolder, and a file is replaced only by an entry that was read whole and whose
// CRC-32 matches; entries that cannot be written so are skipped and not counted.
int ArchiveExtract(const std::string& archivePath, const std::string& pattern,
                   const std::string& destFolder, int keepPaths);

// Why selected entries of the last ArchiveExtract were not written, counted by reason,
// so that the caller can tell the user. Reset at the start of every ArchiveExtract.
struct ArchiveExtractReport {
    int opened = 0;        // 1 when the archive opened
    int unsafeName = 0;    // the name would leave destFolder, passes through a link, holds
                           // a NUL byte, is 500 bytes or longer, or has no cp1252 form
    int wrongPassword = 0; // encrypted, and no password set or the password does not fit
    int damagedData = 0;   // the entry did not read whole, or its CRC-32 differs
    int unsupported = 0;   // a compression method or encryption the engine cannot read
    int cannotCreate = 0;  // the file or its folder cannot be made or replaced (a read-only
                           // file stays as it is), or writing it failed
};
const ArchiveExtractReport& ArchiveLastExtractReport();

int WildcardMatch(const std::string& name, const std::string& pattern);
void SetFileWriteTime(const std::string& path, int year, int month, int day, int hour,
                      int minute);
