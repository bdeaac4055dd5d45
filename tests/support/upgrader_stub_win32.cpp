// Stands in for the downloaded upgrader: writes its raw command line (UTF-8)
// as [run] args= of an INI file at its own path + ".ran" and ends.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t self[MAX_PATH + 8];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  const std::wstring path = std::wstring(self, n) + L".ran";
  const wchar_t* line = GetCommandLineW();
  char utf8[4096];
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  const std::string text =
      "[run]\r\nargs=" + std::string(utf8, bytes > 0 ? static_cast<size_t>(bytes - 1) : 0) + "\r\n";
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  return 0;
}
