#pragma once
// The traditional PKWARE zip encryption ("ZipCrypto"), from the PKWARE application note.
// Debian's minizip cannot do it (its decryption is compiled out and its encryption reads
// zlib's CRC table through a wrongly sized pointer), so the engine keeps its own.
#include <cstddef>
#include <cstdint>
#include <string>

class ZipCrypto {
  public:
    static constexpr std::size_t kHeaderSize = 12;

    explicit ZipCrypto(const std::string& password);

    void Encrypt(unsigned char* data, std::size_t size);
    void Decrypt(unsigned char* data, std::size_t size);

    // Makes the encrypted 12-byte header for an entry whose CRC-32 is `crc`: random bytes,
    // then the CRC's bits 16-23 and 24-31.
    void MakeHeader(std::uint32_t crc, unsigned char header[kHeaderSize]);

    // Decrypts the 12-byte header in place and tells whether its last byte is the check
    // byte: the CRC's high byte, or the high byte of the DOS time when the entry has a
    // data descriptor (flag bit 3). A wrong password passes this test 1 time in 256.
    bool CheckHeader(unsigned char header[kHeaderSize], std::uint8_t checkByte);

  private:
    unsigned char Stream() const;
    void Update(unsigned char plain);

    std::uint32_t key0_ = 0x12345678u;
    std::uint32_t key1_ = 0x23456789u;
    std::uint32_t key2_ = 0x34567890u;
};
