// Pure text rules of the machine identity: the decoders of the disk answers
// and the formats of the identifiers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace reporting {

// Words 10 to 19 of ATA identify data (16-bit little-endian words): of each
// word the high byte, then the low byte; spaces are dropped wherever they
// stand, and a zero byte ends the text.
std::wstring IdentifyWordsToText(const uint8_t (&identify)[512]);
// The storage-query serial: groups of four hexadecimal digits, the second
// pair of each group decoded first; bytes 0 and space are dropped; any
// character that is not a hexadecimal digit, and any position past the end,
// counts as 0.
std::wstring DecodeHexPairs(const std::string& text);
// The media serial: the bytes at positions 0, 4, 8, ... with spaces dropped.
std::wstring EveryFourthByte(const std::string& text);

// "%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X" without the dashes.
std::wstring FormatInstallGuid(const pf::Guid& guid);
// "%08X-%08X-%08X-%08X" of EAX, EBX, ECX, EDX.
std::wstring FormatCpuText(const uint32_t (&registers)[4]);
// "%02X" of each of the first six bytes (missing bytes count as 0).
std::wstring FormatAdapterAddress(const std::vector<uint8_t>& address);

}  // namespace reporting
