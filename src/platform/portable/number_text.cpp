#include "platform/portable/number_text.h"

namespace pf {

std::wstring DecimalText(int64_t value) {
  // The magnitude as unsigned, so the most negative value needs no negation
  // that would overflow.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  wchar_t digits[24];
  wchar_t* start = digits + sizeof digits / sizeof digits[0];
  do {
    *--start = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--start = L'-';
  return std::wstring(start, digits + sizeof digits / sizeof digits[0]);
}

std::wstring HexDigits(uint64_t value, int width) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  wchar_t digits[16];
  int count = 0;
  do {
    digits[count++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  std::wstring text;
  if (width > count) text.assign(static_cast<size_t>(width - count), L'0');
  while (count > 0) text += digits[--count];
  return text;
}

}  // namespace pf
