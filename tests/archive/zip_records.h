#pragma once
// A small reader of zip archive records for the tests, written from the PKWARE
// application note: the end record, every central record and the local header and data
// of each entry, exactly as they are stored. It checks the structure, not the engine's
// choices, so the tests can state those themselves.
#include <cstdint>
#include <string>
#include <vector>

namespace zip_records {

struct Entry {
    // Central record.
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t diskStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localOffset = 0;
    std::string name; // raw bytes
    std::string extra;
    std::string comment;
    // Local header, and the stored data that follow it (encryption header included).
    std::uint16_t localVersionNeeded = 0;
    std::uint16_t localFlags = 0;
    std::uint16_t localMethod = 0;
    std::uint32_t localCrc = 0;
    std::uint32_t localCompressedSize = 0;
    std::uint32_t localUncompressedSize = 0;
    std::string localName;
    std::string localExtra;
    std::string data;
};

struct Archive {
    bool ok = false;
    std::string error; // why the structure was refused
    std::uint64_t fileSize = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t entriesTotal = 0;
    std::uint32_t centralSize = 0;
    std::uint32_t centralOffset = 0;
    std::string comment;
    std::vector<Entry> entries;
};

// Reads the archive file at `hostPath`; only the records and entry data are read, so a
// large sparse prefix costs nothing.
Archive Read(const std::string& hostPath);

// The entry's uncompressed bytes: decrypted with `password` when the entry is encrypted,
// then inflated (method 8) or taken as they are (method 0). `ok` tells whether the raw
// stream ended cleanly; the CRC is not checked here.
std::string Content(const Entry& entry, const std::string& password, bool& ok);

// The plain 12-byte encryption header of an encrypted entry (decrypted with `password`).
std::string EncryptionHeader(const Entry& entry, const std::string& password);

// zlib's CRC-32 of `bytes`.
std::uint32_t Crc(const std::string& bytes);

// The size of the raw deflate stream (level 9, 15-bit window, memory level 8, default
// strategy) of `bytes`.
std::size_t RawDeflateSize(const std::string& bytes);

} // namespace zip_records
