// The decoders of the disk answers behind the machine identity: any bytes
// give text without NUL or blanks, of bounded length.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "reporting/identity_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::wstring hex = reporting::DecodeHexPairs(text);
  FUZZ_CHECK(hex.find(L'\0') == std::wstring::npos);
  FUZZ_CHECK(hex.find(L' ') == std::wstring::npos);
  FUZZ_CHECK(hex.size() <= text.size() / 2 + 2);
  const std::wstring fourth = reporting::EveryFourthByte(text);
  FUZZ_CHECK(fourth.find(L' ') == std::wstring::npos);
  FUZZ_CHECK(fourth.size() <= (text.size() + 3) / 4);
  uint8_t identify[512] = {};
  std::memcpy(identify, data, size < sizeof identify ? size : sizeof identify);
  const std::wstring words = reporting::IdentifyWordsToText(identify);
  FUZZ_CHECK(words.size() <= 20);
  FUZZ_CHECK(words.find(L' ') == std::wstring::npos);
  FUZZ_CHECK(words.find(L'\0') == std::wstring::npos);
  std::vector<uint8_t> address(data, data + (size < 9 ? size : 9));
  FUZZ_CHECK(reporting::FormatAdapterAddress(address).size() == 12);
  return 0;
}
