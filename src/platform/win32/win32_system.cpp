// The system on Windows: GetCommandLineW, the C runtime's 64-bit clock,
// CoCreateGuid.
#include <windows.h>
#include <objbase.h>

#include <ctime>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {

namespace {

class Win32System : public System {
 public:
  std::wstring CommandLine() override {
    const wchar_t* line = GetCommandLineW();
    return line ? line : L"";
  }
  int64_t Now() override { return static_cast<int64_t>(_time64(nullptr)); }
  bool ToLocalTime(int64_t seconds, LocalTime& out) override {
    __time64_t t = seconds;
    struct tm tm {};
    if (_localtime64_s(&tm, &t) != 0) return false;
    out = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
  }
  bool NewGuid(Guid& out) override {
    GUID g;
    if (FAILED(CoCreateGuid(&g))) return false;
    out.data1 = g.Data1;
    out.data2 = g.Data2;
    out.data3 = g.Data3;
    for (int i = 0; i < 8; ++i) out.data4[i] = g.Data4[i];
    return true;
  }
};

}  // namespace

std::unique_ptr<System> NewWin32System() { return std::make_unique<Win32System>(); }

}  // namespace pf
