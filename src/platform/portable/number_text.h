// Numbers as text without the C library's printf family: on the Windows build
// std::to_wstring and snprintf run through MinGW's own printf engine (with its
// floating-point conversions), which costs the program tens of kilobytes for
// a few decimal and hexadecimal digits.  Plain code, compiled into the shared
// core on every build.
#pragma once

#include <cstdint>
#include <string>

namespace pf {

// Decimal digits with a leading '-' for negative values: what std::to_wstring
// gives for the same value.
std::wstring DecimalText(int64_t value);
// Upper-case hexadecimal digits, zero-padded on the left to at least `width`
// digits (printf's "%0*llX"): never cut, so a wider value keeps every digit.
std::wstring HexDigits(uint64_t value, int width);

}  // namespace pf
