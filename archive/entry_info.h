#pragma once
// Shared by the reader and extraction: how the central-directory entry under minizip's
// cursor becomes an ArchiveEntryInfo with its name in local form.
#include "archive/archive.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The name buffer of one call: a stored name of up to 499 bytes fits with its zero byte.
constexpr std::size_t kNameBufferSize = 500;

// General-purpose flag bits.
constexpr std::uint32_t kFlagEncrypted = 0x0001;
constexpr std::uint32_t kFlagDataDescriptor = 0x0008;
constexpr std::uint32_t kFlagStrongEncryption = 0x0040;
constexpr std::uint32_t kFlagUtf8Name = 0x0800;

// What the 32-bit record cannot carry, and whether the name is the entry's whole name.
struct EntryDetails {
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    // false when the name was cut at the buffer's end, held a NUL byte, or has no cp1252
    // form: such a name is shown as far as it goes but never used to write a file.
    bool nameUsable = false;
};

// Archive form -> local form: UTF-8 (when flagged) or cp850 -> cp1252, then "/" -> "\".
// `stored` holds `available` bytes of a name whose stored length is `storedLength`.
// Returns true when `out` is the entry's whole name.
bool DecodeEntryName(const char* stored, std::size_t available, std::uint64_t storedLength,
                     bool utf8, std::string& out);

// Reads the entry under the cursor of `unz` (an unzFile) into `info`, fetching its name
// through `nameBuffer`. Returns unzGetCurrentFileInfo's result; when that is not 0 the
// record is reset to zero fields and an empty name.
int ReadEntryInfo(void* unz, char (&nameBuffer)[kNameBufferSize], ArchiveEntryInfo& info,
                  EntryDetails& details);
