#pragma once
// Traditional ZIP decryption of archive members (general-purpose flag bit 0).
// The keys run over plain bytes, so the state depends on everything decrypted
// so far: one TZipCrypt serves one member, from its 12-byte header to its end.
#include <cstddef>
#include <cstdint>
#include <string>

namespace uz {

constexpr uint32_t kEncryptionHeaderSize = 12;

class TZipCrypt {
 public:
  // Starts the keys from the password's bytes (its string as given).
  void Init(const std::string& password);

  uint8_t DecryptByte(uint8_t cipher) {
    uint8_t plain = static_cast<uint8_t>(cipher ^ KeystreamByte());
    UpdateKeys(plain);
    return plain;
  }
  void DecryptBlock(uint8_t* data, size_t n);

  // Decrypts the encryption header that precedes the member's data and tells
  // whether its last byte is the member's check byte (see CheckByte). The keys
  // are left ready for the data whatever the result.
  bool DecryptHeader(uint8_t header[kEncryptionHeaderSize], uint8_t checkByte);

  // The byte a right password yields at the end of the header: writers that
  // stream (flag bit 3) do not know the CRC yet and put the high byte of the
  // DOS time there instead.
  static uint8_t CheckByte(uint16_t flags, uint32_t crc, uint32_t dosTimeDate);

  uint32_t Key(int i) const { return keys_[i]; }

 private:
  void UpdateKeys(uint8_t plain);
  uint8_t KeystreamByte() const {
    // Only the low 16 bits take part; "| 2" keeps the product's low bit clear.
    uint16_t t = static_cast<uint16_t>((keys_[2] & 0xFFFF) | 2);
    return static_cast<uint8_t>((static_cast<uint32_t>(t) * (t ^ 1u)) >> 8);
  }

  uint32_t keys_[3] = {0, 0, 0};
};

}  // namespace uz
