// minizip's file functions over host::ReadAt, with one buffer per open archive.
#include "archive/zip_input.h"

#include "platform/random_access.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Enough for a run of central-directory records, small enough that refilling it for
// one local header (30 bytes and a name) costs little.
constexpr std::uint32_t kBufferSize = 16384;

// Debian's minizip looks for the end record at every offset of the file but the first,
// so it cannot open an archive that holds nothing but that record (one with no
// entries, as the writer makes for an empty pack). Such a file is shown to it behind one
// zero byte, which minizip takes for bytes before the archive, as in a self-extractor.
constexpr unsigned char kEndRecordSignature[4] = {'P', 'K', 5, 6};

struct Input {
    host::RandomFile file = 0;
    std::uint64_t lead = 0; // the zero byte shown before an archive that starts with its end record
    std::uint64_t size = 0; // as shown to minizip, the lead included
    std::uint64_t position = 0;
    std::uint64_t bufferStart = 0;
    std::uint32_t bufferLength = 0;
    bool failed = false;
    unsigned char buffer[kBufferSize];
};

voidpf ZCALLBACK Open(voidpf, const void* filename, int mode) {
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_WRITE)) return nullptr;
    host::RandomFile file = host::OpenRandomFile(static_cast<const char*>(filename));
    if (!file) return nullptr;
    std::int64_t size = host::RandomFileSize(file);
    auto* in = size < 0 ? nullptr : new (std::nothrow) Input;
    if (!in) {
        host::CloseRandomFile(file);
        return nullptr;
    }
    in->file = file;
    unsigned char start[sizeof kEndRecordSignature];
    if (host::ReadAt(file, 0, start, sizeof start) == std::int64_t(sizeof start) &&
        std::memcmp(start, kEndRecordSignature, sizeof start) == 0)
        in->lead = 1;
    in->size = std::uint64_t(size) + in->lead;
    return in;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* out, uLong size) {
    auto* in = static_cast<Input*>(stream);
    auto* dest = static_cast<unsigned char*>(out);
    uLong done = 0;
    while (done < size) {
        if (in->position < in->lead) {
            dest[done++] = 0;
            ++in->position;
            continue;
        }
        std::uint64_t real = in->position - in->lead; // position in the file itself
        std::uint64_t end = in->bufferStart + in->bufferLength;
        if (real >= in->bufferStart && real < end) {
            auto n = uLong(std::min<std::uint64_t>(end - real, size - done));
            std::memcpy(dest + done, in->buffer + (real - in->bufferStart), n);
            done += n;
            in->position += n;
            continue;
        }
        std::int64_t n = host::ReadAt(in->file, real, in->buffer, kBufferSize);
        if (n < 0) in->failed = true;
        if (n <= 0) break;
        in->bufferStart = real;
        in->bufferLength = std::uint32_t(n);
    }
    return done;
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
    return static_cast<Input*>(stream)->position;
}

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* in = static_cast<Input*>(stream);
    std::uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        base = 0;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = in->position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = in->size;
        break;
    default:
        return -1;
    }
    in->position = base + offset; // wraps as the signed offsets minizip means
    return 0;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
    auto* in = static_cast<Input*>(stream);
    host::CloseRandomFile(in->file);
    delete in;
    return 0;
}

int ZCALLBACK Error(voidpf, voidpf stream) {
    return static_cast<Input*>(stream)->failed ? 1 : 0;
}

} // namespace

unzFile OpenArchiveForReading(const std::string& path) {
    zlib_filefunc64_def functions{Open, Read, Write, Tell, Seek, Close, Error, nullptr};
    return unzOpen2_64(path.c_str(), &functions);
}
