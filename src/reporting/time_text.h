// Local-time texts.
#pragma once

#include <string>

namespace reporting {

// The current local time formatted with strftime's format (at most 127
// characters); empty when the time cannot be converted.
std::wstring FormatLocalNow(const char* format);

}  // namespace reporting
