#include "zip_records.h"

#include "archive/zip_crypto.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>

namespace zip_records {
namespace {

std::uint16_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2))
                                                        << 16;
}

bool ReadAt(std::ifstream& in, std::uint64_t at, std::size_t size, std::string& out) {
    out.assign(size, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(at));
    in.read(out.data(), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

Archive Fail(Archive a, const std::string& why) {
    a.ok = false;
    a.error = why;
    return a;
}

} // namespace

Archive Read(const std::string& hostPath) {
    Archive a;
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return Fail(a, "cannot open");
    in.seekg(0, std::ios::end);
    a.fileSize = static_cast<std::uint64_t>(in.tellg());
    if (a.fileSize < 22) return Fail(a, "too short");

    // The end record: the last signature whose comment length reaches the end exactly.
    std::uint64_t tailSize = std::min<std::uint64_t>(a.fileSize, 22 + 0xFFFF);
    std::string tail;
    if (!ReadAt(in, a.fileSize - tailSize, tailSize, tail)) return Fail(a, "tail");
    std::size_t end = std::string::npos;
    for (std::size_t i = tail.size() - 22 + 1; i-- > 0;) {
        if (U32(tail, i) == 0x06054b50 && i + 22 + U16(tail, i + 20) == tail.size()) {
            end = i;
            break;
        }
    }
    if (end == std::string::npos) return Fail(a, "no end record");
    if (U16(tail, end + 4) != 0 || U16(tail, end + 6) != 0) return Fail(a, "disk numbers");
    a.entriesOnDisk = U16(tail, end + 8);
    a.entriesTotal = U16(tail, end + 10);
    a.centralSize = U32(tail, end + 12);
    a.centralOffset = U32(tail, end + 16);
    a.comment = tail.substr(end + 22, U16(tail, end + 20));
    std::uint64_t endOffset = a.fileSize - tailSize + end;
    if (std::uint64_t(a.centralOffset) + a.centralSize != endOffset)
        return Fail(a, "central directory does not end at the end record");

    std::string central;
    if (!ReadAt(in, a.centralOffset, a.centralSize, central)) return Fail(a, "central");
    std::size_t at = 0;
    while (at < central.size()) {
        if (at + 46 > central.size() || U32(central, at) != 0x02014b50)
            return Fail(a, "central record");
        Entry e;
        e.versionMadeBy = U16(central, at + 4);
        e.versionNeeded = U16(central, at + 6);
        e.flags = U16(central, at + 8);
        e.method = U16(central, at + 10);
        e.dosTime = U16(central, at + 12);
        e.dosDate = U16(central, at + 14);
        e.crc = U32(central, at + 16);
        e.compressedSize = U32(central, at + 20);
        e.uncompressedSize = U32(central, at + 24);
        std::size_t nameLength = U16(central, at + 28), extraLength = U16(central, at + 30),
                    commentLength = U16(central, at + 32);
        e.diskStart = U16(central, at + 34);
        e.internalAttributes = U16(central, at + 36);
        e.externalAttributes = U32(central, at + 38);
        e.localOffset = U32(central, at + 42);
        if (at + 46 + nameLength + extraLength + commentLength > central.size())
            return Fail(a, "central record length");
        e.name = central.substr(at + 46, nameLength);
        e.extra = central.substr(at + 46 + nameLength, extraLength);
        e.comment = central.substr(at + 46 + nameLength + extraLength, commentLength);
        at += 46 + nameLength + extraLength + commentLength;

        std::string local;
        if (!ReadAt(in, e.localOffset, 30, local) || U32(local, 0) != 0x04034b50)
            return Fail(a, "local header");
        e.localVersionNeeded = U16(local, 4);
        e.localFlags = U16(local, 6);
        e.localMethod = U16(local, 8);
        e.localCrc = U32(local, 14);
        e.localCompressedSize = U32(local, 18);
        e.localUncompressedSize = U32(local, 22);
        std::string rest;
        std::size_t localName = U16(local, 26), localExtra = U16(local, 28);
        if (!ReadAt(in, e.localOffset + 30ull, localName + localExtra, rest))
            return Fail(a, "local name");
        e.localName = rest.substr(0, localName);
        e.localExtra = rest.substr(localName);
        std::uint64_t dataAt = e.localOffset + 30ull + localName + localExtra;
        if (dataAt + e.compressedSize > a.centralOffset) return Fail(a, "data overlap");
        if (!ReadAt(in, dataAt, e.compressedSize, e.data)) return Fail(a, "data");
        a.entries.push_back(std::move(e));
    }
    if (a.entries.size() != a.entriesTotal || a.entriesTotal != a.entriesOnDisk)
        return Fail(a, "entry count");
    a.ok = true;
    return a;
}

std::string Content(const Entry& entry, const std::string& password, bool& ok) {
    ok = false;
    std::string data = entry.data;
    if (entry.flags & 1) {
        if (data.size() < ZipCrypto::kHeaderSize) return {};
        ZipCrypto crypto(password);
        auto* bytes = reinterpret_cast<unsigned char*>(data.data());
        crypto.Decrypt(bytes, data.size());
        data.erase(0, ZipCrypto::kHeaderSize);
    }
    if (entry.method == 0) {
        ok = true;
        return data;
    }
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return {};
    std::string out;
    char buffer[65536];
    z.next_in = reinterpret_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    int r;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        r = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (r == Z_OK);
    ok = r == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return out;
}

std::string EncryptionHeader(const Entry& entry, const std::string& password) {
    std::string header = entry.data.substr(0, ZipCrypto::kHeaderSize);
    ZipCrypto crypto(password);
    crypto.Decrypt(reinterpret_cast<unsigned char*>(header.data()), header.size());
    return header;
}

std::uint32_t Crc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::size_t RawDeflateSize(const std::string& bytes) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    std::size_t size = z.total_out;
    deflateEnd(&z);
    return size;
}

} // namespace zip_records
