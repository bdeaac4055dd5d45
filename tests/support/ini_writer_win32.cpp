// Rewrites one settings key through the platform's settings engine, round
// after round, until it is killed: ini_writer FILE FIRST_ROUND.  The value of
// round n is RoundValue(n) of the crash test.
#include <windows.h>

#include <string>

#include "platform/platform.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring file = argv[1];
  for (int n = _wtoi(argv[2]);; ++n) {
    const std::wstring value = std::to_wstring(n) + L":" +
                               std::wstring(3000 + n % 7, static_cast<wchar_t>(L'a' + n % 26));
    pf::ini().WriteText(L"Install", L"Round", value, file);
  }
}
