// Hexadecimal digits and percent-encoding, shared by the address builders
// and decoders of every layer.  Plain text functions.
#pragma once

#include <string>

namespace net {

// The value of one hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// Percent-encodes bytes: ASCII letters and digits and the characters of
// `keep` stay; every other byte becomes "%" and two hexadecimal digits, in
// upper or lower case.
std::wstring PercentEncodeBytes(const std::string& bytes, const char* keep, bool upperCase);

}  // namespace net
