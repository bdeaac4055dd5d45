#include "reporting/time_text.h"

#include <ctime>

#include "platform/platform.h"

namespace reporting {

std::wstring FormatLocalNow(const char* format) {
  pf::LocalTime local;
  if (!pf::sys().ToLocalTime(pf::sys().Now(), local)) return std::wstring();
  std::tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  char buffer[128];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  // The formats in use produce digits and punctuation only.
  return std::wstring(buffer, buffer + n);
}

}  // namespace reporting
