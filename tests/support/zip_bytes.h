#pragma once
// Builds zip archives byte by byte for tests, so that every field (names, flags, methods,
// sizes, CRCs, encryption, data descriptors) can be made exactly as a case needs,
// including the hostile forms no real tool writes.
#include "archive/zip_crypto.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

namespace zip_bytes {

constexpr std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute,
                                    int second) {
    return (std::uint32_t(year - 1980) << 25) | (std::uint32_t(month) << 21) |
           (std::uint32_t(day) << 16) | (std::uint32_t(hour) << 11) | (std::uint32_t(minute) << 5) |
           std::uint32_t(second / 2);
}

struct Entry {
    std::string name{};        // stored bytes, as they go into the archive
    std::string data{};        // the plain data
    std::uint16_t method = 8;  // 0 stored, 8 deflated; any other number stores `data` as is
    std::uint16_t flags = 0;   // further flag bits (bit 11: UTF-8 name)
    std::uint16_t madeBy = 20; // version made by; host 3 (0x03xx) is Unix
    std::uint32_t external = 0x20;
    std::uint32_t dosDateTime = DosDateTime(2008, 5, 17, 14, 31, 58);
    std::string password{};             // encrypted with the traditional cipher when not empty
    bool dataDescriptor = false;        // flag bit 3: sizes and CRC after the data
    std::optional<std::uint32_t> crc{}; // stored CRC instead of the real one
    std::optional<std::uint32_t> uncompressedSize{}; // stored size instead of the real one
    std::uint32_t compressedSizeExtra = 0;           // added to the stored compressed size
};

inline void Put16(std::string& s, std::uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

inline std::string RawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::uint32_t Crc(const std::string& data) {
    return std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

// The whole archive; `cutCentral` bytes are cut from its end (a truncated central
// directory or end record).
inline std::string Build(const std::vector<Entry>& entries, std::size_t cutCentral = 0) {
    std::string out, central;
    for (const Entry& e : entries) {
        std::uint32_t crc = e.crc.value_or(Crc(e.data));
        std::string payload = e.method == 8 ? RawDeflate(e.data) : e.data;
        std::uint16_t flags = e.flags;
        if (!e.password.empty()) {
            flags |= 1;
            ZipCrypto cipher(e.password);
            unsigned char header[ZipCrypto::kHeaderSize];
            // The real CRC (or time) goes into the check byte, whatever CRC is stored.
            std::uint32_t checkSource =
                e.dataDescriptor ? (e.dosDateTime & 0xFFFF) << 16 : Crc(e.data);
            cipher.MakeHeader(checkSource, header);
            std::string body = payload;
            cipher.Encrypt(reinterpret_cast<unsigned char*>(body.data()), body.size());
            payload = std::string(reinterpret_cast<char*>(header), sizeof header) + body;
        }
        if (e.dataDescriptor) flags |= 8;
        std::uint32_t size = e.uncompressedSize.value_or(std::uint32_t(e.data.size()));
        std::uint32_t offset = std::uint32_t(out.size());
        auto common = [&](std::string& s, bool local) {
            Put16(s, 20); // version needed
            Put16(s, flags);
            Put16(s, e.method);
            Put32(s, e.dosDateTime);
            bool zeroed = local && e.dataDescriptor;
            Put32(s, zeroed ? 0 : crc);
            Put32(s, zeroed ? 0 : std::uint32_t(payload.size()) + e.compressedSizeExtra);
            Put32(s, zeroed ? 0 : size);
            Put16(s, std::uint32_t(e.name.size()));
            Put16(s, 0); // extra length
        };
        Put32(out, 0x04034b50);
        common(out, true);
        out += e.name;
        out += payload;
        if (e.dataDescriptor) {
            Put32(out, 0x08074b50);
            Put32(out, crc);
            Put32(out, std::uint32_t(payload.size()));
            Put32(out, size);
        }
        Put32(central, 0x02014b50);
        Put16(central, e.madeBy);
        common(central, false);
        Put16(central, 0); // comment length
        Put16(central, 0); // disk number start
        Put16(central, 0); // internal attributes
        Put32(central, e.external);
        Put32(central, offset);
        central += e.name;
    }
    std::uint32_t centralOffset = std::uint32_t(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, std::uint32_t(entries.size()));
    Put16(out, std::uint32_t(entries.size()));
    Put32(out, std::uint32_t(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    out.resize(out.size() - std::min(cutCentral, out.size()));
    return out;
}

} // namespace zip_bytes
