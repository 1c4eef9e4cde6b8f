#include "decoders/uzCrypt.h"

#include "decoders/uzCrc32.h"

namespace uz {

void TZipCrypt::Init(const std::string& password) {
  keys_[0] = 0x12345678u;
  keys_[1] = 0x23456789u;
  keys_[2] = 0x34567890u;
  for (char c : password) UpdateKeys(static_cast<uint8_t>(c));
}

void TZipCrypt::UpdateKeys(uint8_t plain) {
  keys_[0] = UpdateCrc32Byte(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
  keys_[2] = UpdateCrc32Byte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

void TZipCrypt::DecryptBlock(uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) data[i] = DecryptByte(data[i]);
}

bool TZipCrypt::DecryptHeader(uint8_t header[kEncryptionHeaderSize], uint8_t checkByte) {
  DecryptBlock(header, kEncryptionHeaderSize);
  return header[kEncryptionHeaderSize - 1] == checkByte;
}

uint8_t TZipCrypt::CheckByte(uint16_t flags, uint32_t crc, uint32_t dosTimeDate) {
  if (flags & 0x0008u) return static_cast<uint8_t>((dosTimeDate >> 8) & 0xFFu);
  return static_cast<uint8_t>(crc >> 24);
}

}  // namespace uz
