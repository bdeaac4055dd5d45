// Numbers as text, checked against the C library's own printf family on each
// build: glibc on Linux, MinGW's printf engine under Wine (what the program
// used before), so both builds write the very same digits into URLs, INI
// values and file names.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <limits>
#include <string>

#include "platform/portable/number_text.h"

namespace {

std::wstring PrintfHex(uint64_t value, int width) {
  wchar_t text[40];
  std::swprintf(text, sizeof text / sizeof text[0], L"%0*llX", width,
                static_cast<unsigned long long>(value));
  return text;
}

TEST(NumberText, DecimalMatchesToWstring) {
  const int64_t values[] = {0, 1, -1, 9, 10, -10, 3000, 2147483647, -2147483647 - 1,
                            4294967295LL, std::numeric_limits<int64_t>::max(),
                            std::numeric_limits<int64_t>::min()};
  for (int64_t v : values)
    EXPECT_EQ(pf::DecimalText(v), std::to_wstring(static_cast<long long>(v))) << v;
  // Unsigned process ids and counters pass through unchanged.
  EXPECT_EQ(pf::DecimalText(uint32_t{4294967295u}), L"4294967295");
}

TEST(NumberText, HexMatchesPrintf) {
  const uint64_t values[] = {0, 0x7, 0xA, 0xF0, 0xABCD, 0x306A9, 0xFFFFFFFF, 0x123456789ABCDEF0ULL,
                             std::numeric_limits<uint64_t>::max()};
  const int widths[] = {0, 1, 2, 4, 8, 16, 20};
  for (uint64_t v : values)
    for (int w : widths) EXPECT_EQ(pf::HexDigits(v, w), PrintfHex(v, w)) << v << " width " << w;
  // A value wider than the width keeps every digit; negative widths pad nothing.
  EXPECT_EQ(pf::HexDigits(0x1234, 2), L"1234");
  EXPECT_EQ(pf::HexDigits(0xAB, -3), L"AB");
}

}  // namespace
