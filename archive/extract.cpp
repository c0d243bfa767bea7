// Extraction: every selected entry of an archive written below a destination folder, with
// its folders, time and attributes.
//
// Beyond the plain walk over the entries, extraction keeps three promises:
//  - nothing lands outside destFolder: names that would leave it are skipped, folders on
//    the way must be real folders (never links), and entries that are links in archives
//    made on Unix are written as ordinary files holding the link text;
//  - bad data never replaces good data: each file is written apart from its target (an
//    unnamed file in its folder, or a temporary name there) and given the target's name
//    only once the whole entry was read and its CRC-32 matches; a wrong password is
//    caught by the encryption header's check byte before anything is written;
//  - each entry is read as its own flag says: unencrypted entries without the password,
//    encrypted ones through the engine's cipher (the system's minizip has none).
// minizip reads the archive's records; the entries' stored bytes are read straight from
// the file and inflated by zlib, which spares a copy of every byte through minizip.
#include "archive/archive.h"
#include "archive/entry_info.h"
#include "archive/zip_crypto.h"
#include "archive/zip_input.h"

#include "platform/folders.h"
#include "platform/host.h"
#include "platform/random_access.h"
#include "platform/win.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <unzip.h>
#include <zlib.h>

namespace {

constexpr std::uint32_t kChunkSize = 102400;
constexpr const char* kDefaultPattern = "*.*";

// "Version made by" host 3 is Unix; its entries carry a Unix mode in the high 16 bits
// of the external attributes.
constexpr std::uint32_t kHostUnix = 3;
constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixLink = 0120000;
constexpr std::uint32_t kUnixPlainFile = 0100644;

ArchiveExtractReport g_report;

void Report(ProgressCallback callback, const std::string& name, long double percent) {
    if (callback) callback(name, static_cast<float>(percent));
}

// done / total as a percentage. A total of 0 with something done (an entry that claims
// no data yet yields some, or an archive that claims no entries) counts as complete,
// and more than the total is capped, so the report is always a number from 0 to 100.
long double Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) return 100.0L;
    return static_cast<long double>(done) / static_cast<long double>(total) * 100.0L;
}

std::string FilePart(const std::string& name) {
    std::size_t slash = name.find_last_of('\\');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Removes everything up to and including the first ":\" (C:\data\x.txt -> data\x.txt).
std::string StripDrive(const std::string& name) {
    std::size_t drive = name.find(":\\");
    return drive == std::string::npos ? name : name.substr(drive + 2);
}

// True when `relative`, joined to the destination folder, stays inside it: not absolute
// or a UNC name, no drive left over after the stripping, no ".." component.
bool StaysInside(const std::string& relative) {
    if (relative.empty() || relative[0] == '\\') return false;
    if (relative.size() >= 2 && relative[1] == ':') return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        if (relative.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

bool IsUnixLink(const ArchiveEntryInfo& info) {
    return (info.versionMadeBy >> 8) == kHostUnix &&
           ((info.externalAttributes >> 16) & kUnixTypeMask) == kUnixLink;
}

// The attributes a written file gets: the entry's own, except that a link entry becomes
// an ordinary file (its Unix mode would otherwise make the file writable by everyone).
std::uint32_t FileAttributes(const ArchiveEntryInfo& info) {
    if (!IsUnixLink(info)) return info.externalAttributes;
    return (info.externalAttributes & 0xFFFFu) | (kUnixPlainFile << 16);
}

enum class OpenResult { Ok, WrongPassword, Damaged };

// The buffers and the inflate state of one extraction, made once and reused by every
// entry: made per entry, the allocator hands their pages back to the system and
// faults them in again each time, which cost more than the system calls of a file.
struct Workspace {
    // One read of stored bytes: large enough that reads are few, small enough that
    // input, window and output stay in the processor's cache together.
    static constexpr std::uint32_t kInputSize = 262144;
    // One step of inflated output, handed out in chunks.
    static constexpr std::uint32_t kInflatedSize = 1048576;

    Workspace()
        : data(new (std::nothrow) unsigned char[kChunkSize]),
          input(new (std::nothrow) unsigned char[kInputSize]),
          inflated(new (std::nothrow) unsigned char[kInflatedSize]) {}
    ~Workspace() {
        if (inflating) inflateEnd(&stream);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    bool ok() const { return data && input && inflated; }

    // A fresh raw-deflate stream for the next entry.
    bool StartInflate() {
        if (inflating) return inflateReset(&stream) == Z_OK;
        stream = z_stream{};
        inflating = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
        return inflating;
    }

    std::unique_ptr<unsigned char[]> data;  // the chunk written to the file
    std::unique_ptr<unsigned char[]> input; // stored bytes on their way to inflate
    std::unique_ptr<unsigned char[]> inflated;
    z_stream stream{};
    bool inflating = false;
};

// The plain data of the entry under the cursor, in chunks. minizip checks the entry's
// local header and tells where its stored bytes begin; they are then read straight
// from the archive file in large steps, decrypted by the engine's cipher when the
// entry's own flag says it is encrypted, and inflated here when deflated. The CRC-32 is
// summed over the output.
class EntryData {
  public:
    EntryData(unzFile archive, host::RandomFile file, Workspace& work)
        : archive_(archive), file_(file), work_(work) {}
    ~EntryData() {
        if (open_) unzCloseCurrentFile(archive_);
    }
    EntryData(const EntryData&) = delete;
    EntryData& operator=(const EntryData&) = delete;

    OpenResult Open(const ArchiveEntryInfo& info, const EntryDetails& details,
                    const ArchiveState& state) {
        encrypted_ = (info.generalPurposeFlag & kFlagEncrypted) != 0;
        if (encrypted_ && !state.passwordSet) return OpenResult::WrongPassword;
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(archive_, &method, &level, 1) != UNZ_OK) return OpenResult::Damaged;
        open_ = true;
        offset_ = unzGetCurrentFileZStreamPos64(archive_);
        remaining_ = details.compressedSize;
        if (encrypted_) {
            unsigned char header[ZipCrypto::kHeaderSize];
            if (ReadRaw(header, sizeof header) != int(sizeof header)) return OpenResult::Damaged;
            // The check byte is the CRC's high byte, or the time's high byte when the
            // entry has a data descriptor (its CRC was not known when the header was made).
            auto check = static_cast<std::uint8_t>((info.generalPurposeFlag & kFlagDataDescriptor)
                                                       ? info.dosDateTime >> 8
                                                       : info.crc >> 24);
            cipher_.emplace(state.password);
            if (!cipher_->CheckHeader(header, check)) return OpenResult::WrongPassword;
        }
        if (method == Z_DEFLATED) {
            if (!work_.StartInflate()) return OpenResult::Damaged;
            inflating_ = true;
        }
        return OpenResult::Ok;
    }

    // Points `chunk` at the next piece of plain data, at most one chunk (kChunkSize)
    // long, and returns its size: 0 at the end of the data, or a negative code when the
    // data is damaged or cannot be read. Deflated data is inflated a large step ahead
    // and handed out in chunks: zlib copies up to a window of output at the end of every
    // call, a cost that small steps would pay again and again.
    int Next(const unsigned char*& chunk) {
        int n;
        if (!inflating_) {
            n = ReadStored(work_.data.get(), kChunkSize);
            chunk = work_.data.get();
        } else {
            if (sliceLeft_ == 0) {
                int m = Inflate(work_.inflated.get(), Workspace::kInflatedSize);
                if (m <= 0) return m;
                slice_ = work_.inflated.get();
                sliceLeft_ = std::uint32_t(m);
            }
            n = int(std::min(sliceLeft_, kChunkSize));
            chunk = slice_;
            slice_ += n;
            sliceLeft_ -= std::uint32_t(n);
        }
        if (n > 0) crc_ = crc32(crc_, chunk, uInt(n));
        return n;
    }

    // After the data was read to its end: whether its CRC-32 is the entry's.
    bool CrcMatches(std::uint32_t expected) const { return crc_ == expected; }

    bool encrypted() const { return encrypted_; }

  private:
    // The entry's stored bytes as they are in the archive; a file that ends before
    // them is damage.
    int ReadRaw(unsigned char* out, std::uint32_t size) {
        auto want = std::uint32_t(std::min<std::uint64_t>(size, remaining_));
        if (want == 0) return 0;
        std::int64_t n = host::ReadAt(file_, offset_, out, want);
        if (n != want) return UNZ_ERRNO;
        offset_ += want;
        remaining_ -= want;
        return int(want);
    }

    // The entry's stored bytes, decrypted when it is encrypted.
    int ReadStored(unsigned char* out, std::uint32_t size) {
        int n = ReadRaw(out, size);
        if (n > 0 && cipher_) cipher_->Decrypt(out, std::size_t(n));
        return n;
    }

    int Inflate(unsigned char* out, std::uint32_t size) {
        z_stream& stream = work_.stream;
        stream.next_out = out;
        stream.avail_out = size;
        while (stream.avail_out > 0 && !ended_) {
            if (stream.avail_in == 0) {
                int n = ReadStored(work_.input.get(), Workspace::kInputSize);
                if (n < 0) return n;
                if (n == 0) return Z_DATA_ERROR; // the data ends before the deflate stream
                stream.next_in = work_.input.get();
                stream.avail_in = uInt(n);
            }
            int z = inflate(&stream, Z_NO_FLUSH);
            if (z == Z_STREAM_END)
                ended_ = true;
            else if (z != Z_OK)
                return z < 0 ? z : Z_DATA_ERROR;
        }
        return int(size - stream.avail_out);
    }

    unzFile archive_;
    host::RandomFile file_;
    Workspace& work_;
    std::uint64_t offset_ = 0;    // where the next stored byte is in the archive file
    std::uint64_t remaining_ = 0; // stored bytes not yet read
    bool open_ = false;
    bool encrypted_ = false;
    bool inflating_ = false;
    bool ended_ = false;
    std::optional<ZipCrypto> cipher_;
    const unsigned char* slice_ = nullptr; // inflated data not yet handed out
    std::uint32_t sliceLeft_ = 0;
    uLong crc_ = crc32(0L, Z_NULL, 0);
};

// Gives the open `file` a last-write time from local wall-clock values (seconds 0),
// converted with the time-zone bias in force now. Values that form no date leave the
// file with the time it has.
void SetWriteTime(win::HANDLE file, int year, int month, int day, int hour, int minute) {
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59)
        return;
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = month < 3 ? year - 1 : year;
    int weekday = (y + y / 4 - y / 100 + y / 400 + offsets[month - 1] + day) % 7;
    win::SYSTEMTIME local{win::WORD(year),
                          win::WORD(month),
                          win::WORD(weekday),
                          win::WORD(day),
                          win::WORD(hour),
                          win::WORD(minute),
                          0,
                          0};
    win::FILETIME localTime{}, utc{};
    if (win::SystemTimeToFileTime(&local, &localTime) &&
        win::LocalFileTimeToFileTime(&localTime, &utc))
        win::SetFileTime(file, nullptr, nullptr, &utc);
}

enum class WriteResult { Written, WrongPassword, Damaged, CannotCreate };

// Writes the entry's data to a pending file in the target's folder and gives it the
// target's name only once it is whole and its CRC-32 matches, with the entry's time set
// first (on the still open file) and its attributes after, so a file they make
// read-only still gets its time.
WriteResult WriteEntry(EntryData& data, Workspace& work, const ArchiveEntryInfo& info,
                       const EntryDetails& details, const std::string& target,
                       const std::string& reportName, ProgressCallback progress) {
    host::TargetKind kind = host::InspectTarget(target);
    if (kind == host::TargetKind::ReadOnlyFile || kind == host::TargetKind::Other)
        return WriteResult::CannotCreate;

    if (!work.ok()) return WriteResult::CannotCreate;

    host::PendingFile pending;
    if (!host::CreatePendingFile(target, pending)) return WriteResult::CannotCreate;
    win::HANDLE file = pending.handle;

    std::uint64_t written = 0;
    bool writeOk = true;
    int n;
    const unsigned char* chunk = nullptr;
    while ((n = data.Next(chunk)) > 0) {
        // More data than the entry declares is damage, and is not written on.
        if (std::uint64_t(n) > details.uncompressedSize - written) {
            n = Z_DATA_ERROR;
            break;
        }
        win::DWORD done = 0;
        if (!win::WriteFile(file, chunk, win::DWORD(n), &done)) {
            writeOk = false;
            break;
        }
        written += std::uint64_t(n);
        Report(progress, reportName, Percent(written, details.uncompressedSize));
    }

    WriteResult result = WriteResult::Written;
    if (!writeOk) {
        result = WriteResult::CannotCreate;
    } else if (n != 0 || written != details.uncompressedSize || !data.CrcMatches(info.crc)) {
        // An encrypted entry whose check byte passed but whose data does not fit was
        // most likely read with a wrong password (1 in 256 of them pass the check byte).
        result = data.encrypted() ? WriteResult::WrongPassword : WriteResult::Damaged;
    }
    if (result != WriteResult::Written) {
        host::DiscardPendingFile(pending);
        return result;
    }
    SetWriteTime(file, int(info.year), int(info.month + 1), int(info.day), int(info.hour),
                 int(info.minute));
    if (!host::PlacePendingFile(pending, target)) return WriteResult::CannotCreate;
    win::SetFileAttributesA(target.c_str(), FileAttributes(info));
    return result;
}

} // namespace

const ArchiveExtractReport& ArchiveLastExtractReport() {
    return g_report;
}

int ArchiveExtract(const std::string& archivePath, const std::string& patternIn,
                   const std::string& destFolder, int keepPaths) {
    g_report = ArchiveExtractReport{};
    const ArchiveState& state = Archive();
    const std::string pattern = patternIn.empty() ? kDefaultPattern : patternIn;
    bool destPending = true;

    unzFile archive = OpenArchiveForReading(archivePath);
    if (!archive) return 0;
    // The entries' data is read through a handle of its own (minizip reads the records).
    host::RandomFile file = host::OpenRandomFile(archivePath);
    Workspace work;
    g_report.opened = 1;
    unz_global_info global{};
    unzGetGlobalInfo(archive, &global);
    const std::uint64_t entryTotal = global.number_entry;
    char nameBuffer[kNameBufferSize];

    std::string dest = destFolder;
    if (dest.empty() || dest.back() != '\\') dest += '\\';

    std::uint64_t visited = 0;
    int extracted = 0;
    std::string name;
    ArchiveEntryInfo info;
    EntryDetails details;
    std::string checkedFolder = "\\"; // no relative folder part is ever this
    for (int step = unzGoToFirstFile(archive); step == UNZ_OK; step = unzGoToNextFile(archive)) {
        do {
            // Every "break" below ends the work on this entry; its report follows the loop.
            if (ReadEntryInfo(archive, nameBuffer, info, details) != UNZ_OK) break;
            name = info.name;
            ++visited;

            const bool folder = !name.empty() && name.back() == '\\';
            bool selected = WildcardMatch(FilePart(name), pattern) == 1 ||
                            (info.uncompressedSize == 0 && keepPaths == 1);
            if (!selected) {
                name.clear();
                break;
            }
            // Where the entry would go, checked before anything is opened or made.
            std::string relative = keepPaths == 0 ? FilePart(name) : StripDrive(name);
            const bool folderWithoutPaths = folder && keepPaths == 0;
            if (!details.nameUsable || (!folderWithoutPaths && !StaysInside(relative))) {
                ++g_report.unsafeName;
                break;
            }
            if ((info.compressionMethod != 0 && info.compressionMethod != Z_DEFLATED) ||
                (info.generalPurposeFlag & kFlagStrongEncryption)) {
                ++g_report.unsupported;
                break;
            }

            EntryData data(archive, file, work);
            OpenResult opened = data.Open(info, details, state);
            if (opened == OpenResult::WrongPassword) {
                ++g_report.wrongPassword;
                break;
            }
            if (opened == OpenResult::Damaged) {
                ++g_report.damagedData;
                break;
            }
            if (destPending) {
                win::MakeSureDirectoryPathExists(dest.c_str());
                destPending = false;
            }

            // From here on the entry goes by its place below destFolder.
            name = relative;
            if (folder && keepPaths == 1) {
                host::FolderResult made = host::MakeFoldersBelow(dest, relative);
                if (made == host::FolderResult::LinkInTheWay) ++g_report.unsafeName;
                if (made == host::FolderResult::Failed) ++g_report.cannotCreate;
                break;
            }
            if (!folderWithoutPaths) { // a folder entry without paths has nothing to write
                // Entries of one folder follow each other; a folder found real stays so
                // (extraction never makes links nor replaces folders), so it is checked once.
                std::string folderPart = relative.substr(0, relative.find_last_of('\\') + 1);
                host::FolderResult made = host::FolderResult::Ok;
                if (folderPart != checkedFolder) made = host::MakeFoldersBelow(dest, relative);
                if (made == host::FolderResult::Ok) checkedFolder = folderPart;
                if (made == host::FolderResult::LinkInTheWay) {
                    ++g_report.unsafeName;
                } else if (made == host::FolderResult::Failed) {
                    ++g_report.cannotCreate;
                } else {
                    switch (WriteEntry(data, work, info, details, dest + relative, name,
                                       state.compressProgress)) {
                    case WriteResult::Written:
                        ++extracted;
                        break;
                    case WriteResult::WrongPassword:
                        ++g_report.wrongPassword;
                        break;
                    case WriteResult::Damaged:
                        ++g_report.damagedData;
                        break;
                    case WriteResult::CannotCreate:
                        ++g_report.cannotCreate;
                        break;
                    }
                }
            }
            Report(state.compressProgress, std::string(), 100.0L);
        } while (false);
        Report(state.extractProgress, name, Percent(visited, entryTotal));
    }
    Report(state.extractProgress, std::string(), 100.0L);
    host::CloseRandomFile(file);
    unzClose(archive);
    return extracted;
}

void SetFileWriteTime(const std::string& path, int year, int month, int day, int hour, int minute) {
    win::HANDLE file = win::CreateFileA(path.c_str(), win::GENERIC_WRITE,
                                        win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                        win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
    if (file == win::INVALID_HANDLE_VALUE) return;
    SetWriteTime(file, year, month, day, hour, minute);
    win::CloseHandle(file);
}
