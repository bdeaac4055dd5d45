// Settings files on Windows: the private profile functions, each write
// swapped in whole.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/number_text.h"
#include "platform/win32/win32_services.h"

namespace pf {

namespace {

// Settings files over this size are neither read nor rewritten.
constexpr ULONGLONG kMaxIniFileBytes = 1024 * 1024;

// Whether the file exists and is over the cap.
bool IniTooLarge(const std::wstring& file, bool* exists = nullptr) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const bool found = GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) != FALSE;
  if (exists) *exists = found;
  if (!found) return false;
  const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return size > kMaxIniFileBytes;
}

// Drops the profile functions' cached copy of a file (the documented flush
// call), so the next read sees the file on disk.
void ForgetProfile(const std::wstring& file) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

// The private-profile functions themselves keep the format's rules; a write
// edits a copy beside the file and swaps it in, so the file is always either
// the old one or the new one.
class Win32Ini : public Ini {
 public:
  std::wstring ReadText(const std::wstring& section, const std::wstring& key,
                        const std::wstring& defaultValue, const std::wstring& file,
                        int bufferUnits) override {
    if (bufferUnits <= 0) return std::wstring();
    if (IniTooLarge(file)) {
      // What the profile function gives for a missing key.
      std::wstring def = defaultValue;
      while (!def.empty() && def.back() == L' ') def.pop_back();
      if (def.size() > static_cast<size_t>(bufferUnits - 1)) def.resize(bufferUnits - 1);
      return def;
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(bufferUnits), L'\0');
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                             buffer.data(), static_cast<DWORD>(bufferUnits),
                                             file.c_str());
    return std::wstring(buffer.data(), n);
  }
  int32_t ReadInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue,
                  const std::wstring& file) override {
    if (IniTooLarge(file)) return defaultValue;
    return static_cast<int32_t>(
        GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue, file.c_str()));
  }
  bool WriteText(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                 const std::wstring& file) override {
    // One writer at a time in this process: two copies edited at once would
    // lose one of the changes.
    static std::mutex writeLock;
    std::lock_guard<std::mutex> hold(writeLock);
    static unsigned counter = 0;
    bool exists = false;
    if (IniTooLarge(file, &exists)) return false;
    const std::wstring temp = file + L"." + pf::DecimalText(GetCurrentProcessId()) + L"-" +
                              pf::DecimalText(++counter) + L".tmp";
    if (exists && !CopyFileW(file.c_str(), temp.c_str(), FALSE)) return false;
    const bool written =
        WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), temp.c_str()) !=
        FALSE;
    ForgetProfile(temp);
    if (!written) {
      DeleteFileW(temp.c_str());
      return false;
    }
    // The copy reaches the disk before it replaces the file.
    const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      FlushFileBuffers(h);
      CloseHandle(h);
    }
    // One rename over the old file.  (ReplaceFileW works in several steps
    // and, killed between them, can leave no file at all under Wine.)
    const bool swapped = MoveFileExW(temp.c_str(), file.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!swapped) DeleteFileW(temp.c_str());
    ForgetProfile(file);
    return swapped;
  }
};

}  // namespace

std::unique_ptr<Ini> NewWin32Ini() { return std::make_unique<Win32Ini>(); }

}  // namespace pf
