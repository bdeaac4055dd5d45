// Stands in for the downloaded upgrader: writes its raw command line as
// [run] args= and its own path as [run] self= (UTF-8) of an INI file: the one
// named by %VEXA_UPGRADER_RECORD%, else its own path + ".ran"; then ends.
#include <windows.h>

#include <string>

namespace {
std::string Utf8(const wchar_t* text) {
  char utf8[4096];
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return std::string(utf8, bytes > 0 ? static_cast<size_t>(bytes - 1) : 0);
}
}  // namespace

int wmain() {
  wchar_t self[MAX_PATH + 8];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  std::wstring path = std::wstring(self, n) + L".ran";
  wchar_t given[MAX_PATH + 1];
  const DWORD g = GetEnvironmentVariableW(L"VEXA_UPGRADER_RECORD", given, MAX_PATH);
  if (g > 0 && g < MAX_PATH) path.assign(given, g);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  const std::string text =
      "[run]\r\nargs=" + Utf8(GetCommandLineW()) + "\r\nself=" + Utf8(self) + "\r\n";
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  return 0;
}
