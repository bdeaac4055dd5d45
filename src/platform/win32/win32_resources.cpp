// Resources on Windows: LoadStringW and the module's own resources.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {

namespace {

class Win32Resources : public Resources {
 public:
  std::wstring LoadString(int id, int maxUnits) override {
    if (maxUnits <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(maxUnits), L'\0');
    const int n = ::LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), buffer.data(), maxUnits);
    return std::wstring(buffer.data(), static_cast<size_t>(n > 0 ? n : 0));
  }
  bool FindResource(int id, const std::wstring& type, const uint8_t*& data, size_t& size) override {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id),
                                  type == L"BITMAP" ? MAKEINTRESOURCEW(2) : type.c_str());
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return false;
    data = static_cast<const uint8_t*>(bytes);
    size = ::SizeofResource(module, found);
    return true;
  }
};

}  // namespace

std::unique_ptr<Resources> NewWin32Resources() { return std::make_unique<Win32Resources>(); }

}  // namespace pf
