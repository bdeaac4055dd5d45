// Files on Windows: the roaming folder through the shell, the file functions,
// files held against writers.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {

namespace {

class Win32Files : public Files {
 public:
  wchar_t Separator() const override { return L'\\'; }
  bool Exists(const std::wstring& path) override { return PathFileExistsW(path.c_str()) != FALSE; }
  bool CreateFolder(const std::wstring& path) override {
    return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
  }
  bool DeleteFile(const std::wstring& path) override { return ::DeleteFileW(path.c_str()) != FALSE; }
  std::wstring RoamingAppDataFolder() override {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) return std::wstring();
    return buffer;
  }
  std::wstring TempFolder() override {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH, buffer);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return std::wstring(buffer, n);
  }
  bool ReplaceFile(const std::wstring& from, const std::wstring& to) override {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  // Read access, shared for reading only: writers, renames and deletes fail
  // while the handle is open.
  HHeldFile OpenHeld(const std::wstring& path) override {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<HHeldFile>(file);
  }
  bool ReadHeld(HHeldFile file, uint8_t* buffer, uint32_t size, uint32_t& read) override {
    DWORD got = 0;
    const BOOL ok = ::ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &got, nullptr);
    read = got;
    return ok != FALSE;
  }
  void CloseHeld(HHeldFile file) override {
    if (file) ::CloseHandle(reinterpret_cast<HANDLE>(file));
  }
};

}  // namespace

Files& Win32FilesInstance() {
  static Win32Files instance;
  return instance;
}

}  // namespace pf
