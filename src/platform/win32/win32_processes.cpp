// Process start and token elevation on Windows: CreateProcessW for a direct
// start, ShellExecuteExW (whose "runas" verb makes the system ask the user)
// for an elevated one.
#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {
namespace {

class Win32ProcessStarter : public Processes {
 public:
  bool IsProcessElevated() override {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD elevation = 0;  // the 4-byte TOKEN_ELEVATION
    DWORD size = 0;
    const BOOL ok =
        ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    ::CloseHandle(token);
    return ok && elevation != 0;
  }
  bool CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                     uint32_t creationFlags, int showCommand) override {
    // CreateProcessW may write to the command line: a buffer of at least 64 units.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.resize(line.size() < 64 ? 64 : line.size() + 1, L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, creationFlags,
                          nullptr, nullptr, &startup, &info))
      return false;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
  }
  bool ShellExecute(const std::wstring& verb, const std::wstring& file,
                    const std::wstring& parameters, int showCommand) override {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = 0;
    info.hwnd = nullptr;
    info.lpVerb = verb.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = showCommand;
    return ::ShellExecuteExW(&info) != FALSE;
  }
};

}  // namespace

std::unique_ptr<Processes> NewWin32Processes() {
  return std::make_unique<Win32ProcessStarter>();
}

}  // namespace pf
