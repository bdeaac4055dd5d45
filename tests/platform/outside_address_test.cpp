// The real shell backend refuses every target that names another scheme or a
// share unless it is a checked web address: nothing is started for them.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32_values.h"

TEST(ShellTargets, HostileAddressesStartNothing) {
  const std::wstring hostile[] = {
      L"file:///C:/Windows/System32/calc.exe",
      L"file:///usr/bin/xterm",
      L"\\\\127.0.0.1\\share\\setup.exe",
      L"//127.0.0.1/share/setup.exe",
      L"ms-msdt:/id PCWDiagnostic",
      L"steam://run/1",
      L"javascript:alert(1)",
      L"search-ms:query=x",
      L"http://www.example.com/a b",
      L"http://www.example.com/\"x",
      L"http://www.example.com/\x202E" L"exe.txt",
      L"http:///etc/passwd",
  };
  for (const std::wstring& target : hostile) {
    const intptr_t r = pf::shell().Execute(L"open", target, L"", pf::kSW_SHOW);
    EXPECT_LE(r, 32) << std::string(target.begin(), target.end());
  }
}
