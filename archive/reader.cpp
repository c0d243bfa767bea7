// The reader: one archive open for looking at its entries, and the conversion of entry
// names from archive form to local form that extraction shares.
#include "archive/archive.h"
#include "archive/entry_info.h"
#include "archive/zip_input.h"

#include "platform/text.h"
#include "platform/win.h"

#include <cstring>
#include <unzip.h>

bool DecodeEntryName(const char* stored, std::size_t available, std::uint64_t storedLength,
                     bool utf8, std::string& out) {
    bool whole = true;
    std::size_t n = available;
    // A name of 500 bytes or more does not fit with its zero byte: it is cut to 499.
    if (storedLength >= kNameBufferSize) {
        n = kNameBufferSize - 1;
        whole = false;
    }
    if (n > storedLength) n = static_cast<std::size_t>(storedLength);
    if (const void* nul = std::memchr(stored, 0, n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(nul) - stored);
        whole = false;
    }
    std::string bytes(stored, n);
    if (utf8) {
        if (!text::Utf8ToCp1252(bytes, out)) {
            out = text::Utf8ToCp1252Lossy(bytes);
            whole = false;
        }
    } else {
        // The conversion is one byte for one byte; the room of 2n + 1 bytes is the
        // documented upper bound of the call.
        std::string converted(2 * n + 1, '\0');
        win::OemToCharA(bytes.c_str(), converted.data());
        converted.resize(std::strlen(converted.c_str()));
        out = std::move(converted);
    }
    for (char& c : out)
        if (c == '/') c = '\\';
    return whole;
}

int ReadEntryInfo(void* unz, char (&nameBuffer)[kNameBufferSize], ArchiveEntryInfo& info,
                  EntryDetails& details) {
    unz_file_info fi{};
    std::memset(nameBuffer, 0, kNameBufferSize);
    int result = unzGetCurrentFileInfo(static_cast<unzFile>(unz), &fi, nameBuffer, kNameBufferSize,
                                       nullptr, 0, nullptr, 0);
    if (result != UNZ_OK) {
        info = ArchiveEntryInfo{};
        details = EntryDetails{};
        return result;
    }
    // unz_file_info's fields are as wide as a long; the record keeps 32 bits of each.
    auto u32 = [](auto v) { return static_cast<std::uint32_t>(v); };
    info.versionMadeBy = u32(fi.version);
    info.versionNeeded = u32(fi.version_needed);
    info.generalPurposeFlag = u32(fi.flag);
    info.compressionMethod = u32(fi.compression_method);
    info.dosDateTime = u32(fi.dosDate);
    info.crc = u32(fi.crc);
    info.compressedSize = u32(fi.compressed_size);
    info.uncompressedSize = u32(fi.uncompressed_size);
    info.nameLength = u32(fi.size_filename);
    info.extraLength = u32(fi.size_file_extra);
    info.commentLength = u32(fi.size_file_comment);
    info.diskNumberStart = u32(fi.disk_num_start);
    info.internalAttributes = u32(fi.internal_fa);
    info.externalAttributes = u32(fi.external_fa);
    info.second = u32(fi.tmu_date.tm_sec);
    info.minute = u32(fi.tmu_date.tm_min);
    info.hour = u32(fi.tmu_date.tm_hour);
    info.day = u32(fi.tmu_date.tm_mday);
    info.month = u32(fi.tmu_date.tm_mon);
    info.year = u32(fi.tmu_date.tm_year);
    details.compressedSize = fi.compressed_size;
    details.uncompressedSize = fi.uncompressed_size;
    std::size_t available =
        fi.size_filename < kNameBufferSize ? std::size_t(fi.size_filename) : kNameBufferSize;
    details.nameUsable = DecodeEntryName(nameBuffer, available, fi.size_filename,
                                         (fi.flag & kFlagUtf8Name) != 0, info.name);
    return result;
}

std::intptr_t ArchiveOpenRead(const std::string& path) {
    ArchiveState& s = Archive();
    if (s.reader) {
        unzClose(static_cast<unzFile>(s.reader));
        s.reader = nullptr;
    }
    s.reader = OpenArchiveForReading(path);
    return reinterpret_cast<std::intptr_t>(s.reader);
}

int ArchiveFirstEntry() {
    ArchiveState& s = Archive();
    if (!s.reader) return ARCHIVE_FAILED;
    return unzGoToFirstFile(static_cast<unzFile>(s.reader));
}

int ArchiveGetEntryInfo(ArchiveEntryInfo& info) {
    ArchiveState& s = Archive();
    if (!s.reader) return ARCHIVE_FAILED;
    char nameBuffer[kNameBufferSize];
    EntryDetails details;
    return ReadEntryInfo(s.reader, nameBuffer, info, details);
}
