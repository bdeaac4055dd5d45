// MD5 message digest (RFC 1321).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace reporting {

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t length);
  // The digest; the object must not be updated afterwards.
  std::array<uint8_t, 16> Final();

 private:
  void Transform(const uint8_t block[64]);
  uint32_t state_[4];
  uint64_t bitCount_ = 0;
  uint8_t buffer_[64];
};

// The digest of the bytes as 32 lower-case hexadecimal digits, high nibble first.
std::wstring Md5Hex(const std::string& bytes);

}  // namespace reporting
