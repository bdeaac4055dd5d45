// UTF-8 <-> wide text (UTF-16 pairs where wchar_t is 16 bits).  Plain code
// with no system behind it: compiled into the shared core on every build.
#pragma once

#include <string>

namespace pf {

std::string ToUtf8(const std::wstring& text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(const std::string& text);
// Number of UTF-16 units the text needs.
size_t Utf16Length(const std::wstring& text);
// The longest prefix that fits in maxUnits UTF-16 units (a pair is never split).
std::wstring CutToUtf16Units(const std::wstring& text, size_t maxUnits);

}  // namespace pf
