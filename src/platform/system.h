// Process and system facts: command line, clock, GUIDs.
#pragma once

#include <cstdint>
#include <string>

namespace pf {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

// Broken-down local time, as the C library's struct tm gives it.
struct LocalTime {
  int year = 0;    // e.g. 2026
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..60
};

class System {
 public:
  virtual ~System() = default;

  // GetCommandLineW: the whole command line of the process, program path
  // included, as one text.
  virtual std::wstring CommandLine() = 0;
  // The current time as seconds since 1970-01-01 UTC.
  virtual int64_t Now() = 0;
  // Converts seconds since the epoch to local time; false on failure.
  virtual bool ToLocalTime(int64_t seconds, LocalTime& out) = 0;
  // CoCreateGuid; false when the platform gives no GUID.
  virtual bool NewGuid(Guid& out) = 0;
};

}  // namespace pf
