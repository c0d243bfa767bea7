#include "archive/zip_crypto.h"

#include "platform/host.h"

#include <zlib.h>

namespace {
// One step of the CRC-32 that the cipher's key schedule uses.
std::uint32_t Crc32Step(std::uint32_t crc, unsigned char byte) {
    static const auto* table = get_crc_table();
    return static_cast<std::uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
}
} // namespace

ZipCrypto::ZipCrypto(const std::string& password) {
    for (char c : password) Update(static_cast<unsigned char>(c));
}

unsigned char ZipCrypto::Stream() const {
    std::uint32_t temp = (key2_ & 0xFFFFu) | 2u;
    return static_cast<unsigned char>((temp * (temp ^ 1u)) >> 8);
}

void ZipCrypto::Update(unsigned char plain) {
    key0_ = Crc32Step(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFFu)) * 134775813u + 1u;
    key2_ = Crc32Step(key2_, static_cast<unsigned char>(key1_ >> 24));
}

void ZipCrypto::Encrypt(unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char plain = data[i];
        data[i] = plain ^ Stream();
        Update(plain);
    }
}

void ZipCrypto::Decrypt(unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char plain = data[i] ^ Stream();
        data[i] = plain;
        Update(plain);
    }
}

void ZipCrypto::MakeHeader(std::uint32_t crc, unsigned char header[kHeaderSize]) {
    host::RandomBytes(header, kHeaderSize - 2);
    header[kHeaderSize - 2] = static_cast<unsigned char>(crc >> 16);
    header[kHeaderSize - 1] = static_cast<unsigned char>(crc >> 24);
    Encrypt(header, kHeaderSize);
}

bool ZipCrypto::CheckHeader(unsigned char header[kHeaderSize], std::uint8_t checkByte) {
    Decrypt(header, kHeaderSize);
    return header[kHeaderSize - 1] == checkByte;
}
