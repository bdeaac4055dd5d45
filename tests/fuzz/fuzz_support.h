// Small helpers shared by the fuzz targets: a reader that takes typed pieces
// off the input, and a check that aborts (so libFuzzer keeps the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

#define FUZZ_CHECK(cond)                                                        \
  do {                                                                          \
    if (!(cond)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                             \
    }                                                                           \
  } while (0)

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // Up to max bytes, length taken from one byte of the input.
  std::string Bytes(size_t max) {
    size_t n = Byte();
    if (n > max) n = max;
    if (n > size_ - pos_) n = size_ - pos_;
    std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return out;
  }
  // Wide text from the bytes: pairs make UTF-16-ish units, some of them
  // surrogates, so both halves of the conversions get odd input.
  std::wstring Wide(size_t max) {
    const std::string b = Bytes(max * 2);
    std::wstring out;
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
      uint32_t c = static_cast<uint8_t>(b[i]) | (static_cast<uint32_t>(static_cast<uint8_t>(b[i + 1])) << 8);
      if ((c & 0xF000) == 0x7000) c = 0x10000 + (c & 0xFFF) * 16;  // some outside the basic plane
      out += static_cast<wchar_t>(c);
    }
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace fuzz
