// The archive writer: ArchiveCreate, ArchiveAddFile, ArchiveClose.
//
// Unencrypted entries go through minizip's own deflate. Encrypted entries are deflated
// here with zlib and encrypted with ZipCrypto, then handed to minizip's raw entry
// interface, because Debian's minizip writes encrypted entries that no tool can read.
//
// Limits: the archive is written without Zip64 records, so every offset and size must
// stay below 0xFFFFFFFF (the value at which minizip switches to Zip64 fields, which it
// cannot complete for entries opened without Zip64) and the entry count below 0xFFFF
// (the count field's Zip64 marker). The writer keeps a conservative account of how far
// the archive can have grown and refuses a file before anything is written when the
// worst case would not fit; the copy never writes past what was accounted for, so a file
// that grows while it is copied cannot push the archive past the limits either.
#include "archive/archive.h"
#include "archive/zip_crypto.h"

#include "platform/host.h"
#include "platform/random_access.h"
#include "platform/text.h"
#include "platform/win.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>

namespace {

constexpr std::uint32_t kChunkSize = 102400;
constexpr win::DWORD kPauseMs = 10;
constexpr int kLevel = 9;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;

// Every offset and size in the archive stays at or below this value.
constexpr std::uint64_t kLargestOffset = 0xFFFFFFFEull;
constexpr std::uint32_t kMostEntries = 0xFFFE;
constexpr std::uint64_t kLongestComment = 0xFFFF;
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint64_t kCentralRecordSize = 46;
constexpr std::uint64_t kEndRecordSize = 22;

zipFile Writer() {
    return static_cast<zipFile>(Archive().writer);
}

// The worst-case extent of the archive open for writing. `end` is where the next local
// header can start at the latest, `central` the size of the central records so far;
// both are upper bounds, never underestimates.
struct Account {
    std::uint64_t end = 0;
    std::uint64_t central = 0;
    std::uint32_t entries = 0;
};
Account account;

// The archive open for writing, as ArchiveCreate got it.
std::string openPath;
int openMode = APPEND_STATUS_CREATE;

// Upper bound of the deflate output for `size` input bytes (zlib's bound for a zlib
// stream, which a raw stream of the same data never exceeds).
std::uint64_t DeflateBound(std::uint64_t size) {
    return compressBound(static_cast<uLong>(size));
}

// The most uncompressed bytes an entry named with `nameLength` bytes may hold so that
// the finished archive, with its central directory and the longest comment, stays
// within the limits; 0 with `fits` false when not even an empty entry fits.
std::uint64_t EntryBudget(std::uint64_t nameLength, bool encrypted, bool& fits) {
    std::uint64_t fixed = account.end + kLocalHeaderSize + nameLength +
                          (encrypted ? ZipCrypto::kHeaderSize : 0) + account.central +
                          kCentralRecordSize + nameLength + kEndRecordSize + kLongestComment;
    fits = fixed + DeflateBound(0) <= kLargestOffset;
    if (!fits) return 0;
    std::uint64_t room = kLargestOffset - fixed;
    std::uint64_t budget = std::min(room, kLargestOffset);
    while (DeflateBound(budget) > room)
        budget -= DeflateBound(budget) - room;
    return budget;
}

void AccountForEntry(std::uint64_t nameLength, bool encrypted, std::uint64_t written) {
    account.end += kLocalHeaderSize + nameLength + DeflateBound(written) +
                   (encrypted ? ZipCrypto::kHeaderSize : 0);
    account.central += kCentralRecordSize + nameLength;
    ++account.entries;
}

// Starts the account for an archive just opened: new entries go after every byte the
// file already has (with ADDINZIP they actually start where the old central directory
// began, and the old central records come back at the end; the file's size bounds both).
void StartAccount(const std::string& hostPath, const std::string& path, int appendMode) {
    account = Account{};
    if (appendMode == APPEND_STATUS_CREATE) return;
    std::int64_t size = host::FileSize(path);
    account.end = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    if (appendMode != APPEND_STATUS_ADDINZIP) return;
    unzFile old = unzOpen(hostPath.c_str());
    unz_global_info info{};
    if (old && unzGetGlobalInfo(old, &info) == UNZ_OK)
        account.entries = static_cast<std::uint32_t>(std::min<uLong>(info.number_entry, 0xFFFF));
    else
        account.entries = 0xFFFF; // unknown: add nothing rather than risk the count
    if (old) unzClose(old);
}

// The local last-write time of a file, for minizip's entry information.
bool LocalWriteTime(const std::string& path, tm_zip& out) {
    win::HANDLE file = win::CreateFileA(path.c_str(), win::GENERIC_READ,
                                        win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                        win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
    if (file == win::INVALID_HANDLE_VALUE) return false;
    win::FILETIME written{}, local{};
    win::GetFileTime(file, nullptr, nullptr, &written);
    win::CloseHandle(file);
    win::SYSTEMTIME st{};
    win::FileTimeToLocalFileTime(&written, &local);
    win::FileTimeToSystemTime(&local, &st);
    out.tm_sec = st.wSecond;
    out.tm_min = st.wMinute;
    out.tm_hour = st.wHour;
    out.tm_mday = st.wDay;
    out.tm_mon = st.wMonth - 1u;
    out.tm_year = st.wYear;
    return true;
}

std::string FilePart(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

struct Buffer {
    std::unique_ptr<unsigned char[]> bytes{new (std::nothrow) unsigned char[kChunkSize]};
    explicit operator bool() const { return bytes != nullptr; }
    unsigned char* get() const { return bytes.get(); }
};

// The CRC-32 of the whole file, with the pause after every chunk. Fails with
// ARCHIVE_FAILED when the file cannot be opened, ARCHIVE_NO_BUFFER without a buffer.
int CrcPass(const std::string& path, std::uint32_t& crc) {
    host::FileId file = host::OpenFileRead(path);
    if (!file) return ARCHIVE_FAILED;
    Buffer buffer;
    if (!buffer) {
        host::CloseFile(file);
        return ARCHIVE_NO_BUFFER;
    }
    uLong sum = crc32(0L, Z_NULL, 0);
    do {
        std::uint32_t n = host::ReadData(file, buffer.get(), kChunkSize);
        sum = crc32(sum, buffer.get(), n);
        win::Sleep(kPauseMs);
    } while (!host::AtEnd(file));
    host::CloseFile(file);
    crc = static_cast<std::uint32_t>(sum);
    return ARCHIVE_OK;
}

// One encrypted entry: raw deflate, then the traditional cipher, then minizip's raw
// entry interface. The 12-byte header goes out when the entry is opened, so an entry
// that gets no data is still complete.
class EncryptedEntry {
  public:
    explicit EncryptedEntry(const std::string& password) : crypto_(password) {}
    ~EncryptedEntry() {
        if (deflating_) deflateEnd(&stream_);
    }
    EncryptedEntry(const EncryptedEntry&) = delete;
    EncryptedEntry& operator=(const EncryptedEntry&) = delete;

    // Opens the entry; nothing is written when this fails.
    int Open(zipFile zip, const char* name, const zip_fileinfo& info, std::uint32_t headerCrc) {
        int err =
            deflateInit2(&stream_, kLevel, Z_DEFLATED, -kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
        if (err != Z_OK) return err;
        deflating_ = true;
        err = zipOpenNewFileInZip4(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                   kLevel, 1, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY, nullptr,
                                   0, 0, 1);
        if (err != ZIP_OK) return err;
        zip_ = zip; // from here on the entry must be closed, whatever follows
        unsigned char header[ZipCrypto::kHeaderSize];
        crypto_.MakeHeader(headerCrc, header);
        return zipWriteInFileInZip(zip_, header, sizeof header);
    }

    int Write(const unsigned char* data, std::uint32_t size) {
        crc_ = crc32(crc_, data, size);
        written_ += size;
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = size;
        return Deflate(Z_NO_FLUSH);
    }

    // Ends the deflate stream and closes the entry with the CRC and size of the bytes
    // actually written. Returns the first failure of the final writes.
    int Close() {
        int err = Deflate(Z_FINISH);
        int closeErr = zipCloseFileInZipRaw(zip_, static_cast<uLong>(written_), crc_);
        return err != ZIP_OK ? err : closeErr;
    }

    bool IsOpen() const { return zip_ != nullptr; }
    std::uint32_t Crc() const { return static_cast<std::uint32_t>(crc_); }

  private:
    int Deflate(int flush) {
        unsigned char out[16384];
        for (;;) {
            stream_.next_out = out;
            stream_.avail_out = sizeof out;
            int z = deflate(&stream_, flush);
            if (z == Z_STREAM_ERROR) return z;
            auto produced = static_cast<unsigned>(sizeof out - stream_.avail_out);
            if (produced > 0) {
                crypto_.Encrypt(out, produced);
                int err = zipWriteInFileInZip(zip_, out, produced);
                if (err != ZIP_OK) return err;
            }
            if (flush == Z_FINISH ? z == Z_STREAM_END
                                  : stream_.avail_in == 0 && stream_.avail_out != 0)
                return ZIP_OK;
        }
    }

    ZipCrypto crypto_;
    z_stream stream_{};
    bool deflating_ = false;
    zipFile zip_ = nullptr;
    uLong crc_ = crc32(0L, Z_NULL, 0);
    std::uint64_t written_ = 0;
};

// The copy loop shared by both kinds of entry. `write` hands one chunk to the entry.
// Stops at the first failed write, at an answer of exactly 1, or when the budget is
// used up (the file grew past what the archive can take); returns the result of the copy.
template <typename WriteChunk>
int CopyChunks(const std::string& path, std::int64_t size, std::uint64_t budget,
               std::uint64_t& done, WriteChunk write) {
    host::FileId file = host::OpenFileRead(path);
    if (!file) return ARCHIVE_FAILED;
    Buffer buffer;
    if (!buffer) {
        host::CloseFile(file);
        return ARCHIVE_FAILED;
    }
    ProgressCallback report = Archive().compressProgress;
    int result = ARCHIVE_FAILED;
    bool overBudget = false;
    do {
        std::uint32_t n = host::ReadData(file, buffer.get(), kChunkSize);
        if (done + n > budget) {
            n = static_cast<std::uint32_t>(budget - done);
            overBudget = true;
        }
        result = write(buffer.get(), n);
        done += n;
        int answer = 0;
        if (report) {
            double percent = std::min(100.0, double(done) / double(size) * 100.0);
            answer = report(path, static_cast<float>(percent));
        }
        win::Sleep(kPauseMs);
        if (result != ZIP_OK) break;
        if (answer == 1) {
            result = ARCHIVE_ABORTED;
            break;
        }
        if (overBudget) {
            result = ARCHIVE_FAILED;
            break;
        }
    } while (!host::AtEnd(file));
    buffer.bytes.reset();
    if (report) report(std::string(), 100.0f);
    host::CloseFile(file);
    // Fewer bytes than the file had: it shrank, or a read failed. Either way the entry
    // does not hold the file, which must not pass for success.
    if (result == ZIP_OK && done < static_cast<std::uint64_t>(size)) result = ARCHIVE_FAILED;
    return result;
}

std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
    return Le16(p) | std::uint32_t(Le16(p + 2)) << 16;
}

// minizip rewrites an ADDINZIP archive in place and never shortens the file, so a new
// comment shorter than the old one would leave the old comment's tail behind the end
// record, which strict readers refuse. This finds the end record minizip just wrote (its
// comment is `comment`, its central directory ends right before it) and cuts the file
// there.
void CutStaleTail(const std::string& path, const std::string& comment) {
    std::int64_t size = host::FileSize(path);
    std::uint64_t window = std::min<std::uint64_t>(
        size < 0 ? 0 : size, 2 * (kEndRecordSize + kLongestComment) + comment.size());
    if (window < kEndRecordSize + comment.size()) return;
    std::int64_t start = size - static_cast<std::int64_t>(window);
    std::unique_ptr<unsigned char[]> tail(new (std::nothrow) unsigned char[window]);
    if (!tail) return;
    host::RandomFile file = host::OpenRandomFile(path);
    if (!file) return;
    std::int64_t read = host::ReadAt(file, std::uint64_t(start), tail.get(), std::uint32_t(window));
    host::CloseRandomFile(file);
    if (read != std::int64_t(window)) return;
    const auto* text = reinterpret_cast<const unsigned char*>(comment.data());
    for (std::uint64_t i = 0; i + kEndRecordSize + comment.size() <= window; ++i) {
        const unsigned char* p = tail.get() + i;
        std::uint64_t at = std::uint64_t(start) + i;
        if (Le32(p) == 0x06054b50 && Le16(p + 20) == comment.size() &&
            std::uint64_t(Le32(p + 16)) + Le32(p + 12) == at &&
            std::equal(text, text + comment.size(), p + kEndRecordSize)) {
            std::int64_t end = static_cast<std::int64_t>(at + kEndRecordSize + comment.size());
            if (end < size) host::TruncateFile(path, end);
            return;
        }
    }
}

} // namespace

std::intptr_t ArchiveCreate(const std::string& path, int appendMode) {
    ArchiveState& s = Archive();
    if (s.writer) {
        zipClose(Writer(), nullptr);
        s.writer = nullptr;
    }
    // minizip opens the file with C stdio, which would let root overwrite a read-only
    // file; the program's files refuse that everywhere else, so here too.
    win::DWORD attributes = win::GetFileAttributesA(path.c_str());
    if (attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_READONLY))
        return 0;
    std::string hostPath = text::ToHostPath(path);
    s.writer = zipOpen(hostPath.c_str(), appendMode);
    if (s.writer) StartAccount(hostPath, path, appendMode);
    openPath = path;
    openMode = appendMode;
    return reinterpret_cast<std::intptr_t>(s.writer);
}

int ArchiveAddFile(const std::string& path, int keepPath) {
    ArchiveState& s = Archive();
    if (!s.writer) return ARCHIVE_FAILED;

    zip_fileinfo info{};
    if (!LocalWriteTime(path, info.tmz_date)) return ARCHIVE_FAILED;
    info.dosDate = 0;
    info.internal_fa = 0;
    info.external_fa = win::GetFileAttributesA(path.c_str());

    std::string name = keepPath ? path : FilePart(path);
    EncodeEntryName(name);
    const bool encrypted = s.passwordSet == 1;

    // Refuse what the archive cannot hold before anything is written.
    bool fits = false;
    std::uint64_t budget = EntryBudget(name.size(), encrypted, fits);
    std::int64_t sizeNow = host::FileSize(path);
    if (!fits || name.size() > 0xFFFF || account.entries >= kMostEntries || sizeNow < 0 ||
        static_cast<std::uint64_t>(sizeNow) > budget)
        return ARCHIVE_FAILED;

    std::unique_ptr<EncryptedEntry> entry;
    int result;
    std::uint32_t headerCrc = 0;
    if (encrypted) {
        result = CrcPass(path, headerCrc);
        if (result != ARCHIVE_OK) return result;
        entry = std::make_unique<EncryptedEntry>(s.password);
        result = entry->Open(Writer(), name.c_str(), info, headerCrc);
    } else {
        result = zipOpenNewFileInZip(Writer(), name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                     s.method, kLevel);
    }
    if (result != ZIP_OK) {
        // An entry that minizip opened stays in the archive, complete and empty.
        if (entry && entry->IsOpen()) {
            entry->Close();
            AccountForEntry(name.size(), true, 0);
        }
        return result;
    }

    std::int64_t size = host::FileSize(path);
    std::uint64_t done = 0;
    if (size == 0) {
        result = ARCHIVE_OK; // the entry is complete: the file is empty
    } else if (size < 0) {
        result = ARCHIVE_FAILED;
    } else if (entry) {
        result =
            CopyChunks(path, size, budget, done, [&](const unsigned char* data, std::uint32_t n) {
                return entry->Write(data, n);
            });
    } else {
        result =
            CopyChunks(path, size, budget, done, [&](const unsigned char* data, std::uint32_t n) {
                return zipWriteInFileInZip(Writer(), data, n);
            });
    }

    if (entry) {
        int closeErr = entry->Close();
        if (result == ZIP_OK) result = closeErr;
        // The header's check bytes came from the first pass; when the file changed in
        // between, no tool will accept the password for this entry.
        if (result == ZIP_OK && entry->Crc() != headerCrc) result = ARCHIVE_FAILED;
    } else {
        zipCloseFileInZip(Writer());
    }
    AccountForEntry(name.size(), encrypted, done);
    return result;
}

int ArchiveClose(const std::string& comment) {
    ArchiveState& s = Archive();
    if (s.writer) {
        // The comment's length field has 16 bits; a longer text would break the end record.
        std::string kept = comment.substr(0, kLongestComment);
        zipClose(Writer(), kept.empty() ? nullptr : kept.c_str());
        s.writer = nullptr;
        if (openMode == APPEND_STATUS_ADDINZIP && !kept.empty()) CutStaleTail(openPath, kept);
    }
    if (s.reader) {
        unzClose(static_cast<unzFile>(s.reader));
        s.reader = nullptr;
    }
    return 0;
}
