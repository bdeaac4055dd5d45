// The Windows backend: the roaming folder through the shell, the private
// profile functions, GetCommandLineW, the C runtime's 64-bit clock,
// CoCreateGuid, user32 windows with a standard message loop, LoadStringW.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <ctime>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {

// Our handle is the HWND itself.
inline HWND H(HWindow w) { return reinterpret_cast<HWND>(w); }
inline HWindow W(HWND h) { return reinterpret_cast<HWindow>(h); }

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
};

class Win32Ini : public Ini {
 public:
  std::wstring ReadText(const std::wstring& section, const std::wstring& key,
                        const std::wstring& defaultValue, const std::wstring& file,
                        int bufferUnits) override {
    if (bufferUnits <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(bufferUnits), L'\0');
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                             buffer.data(), static_cast<DWORD>(bufferUnits),
                                             file.c_str());
    return std::wstring(buffer.data(), n);
  }
  int32_t ReadInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue,
                  const std::wstring& file) override {
    return static_cast<int32_t>(
        GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue, file.c_str()));
  }
  bool WriteText(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                 const std::wstring& file) override {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           FALSE;
  }
};

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

// The class procedure of every window: the shared code's procedure, found
// in the window's class extra storage is not needed; one class, one procedure.
WindowProc g_procedure = nullptr;

LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_procedure) return g_procedure(W(hwnd), message, wParam, lParam);
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

class Win32Ui : public Ui {
 public:
  void Initialize() override {
    CoInitialize(nullptr);
    OleInitialize(nullptr);
  }
  void Shutdown() override {
    OleUninitialize();
    CoUninitialize();
  }
  bool RegisterWindowClass(const WindowClass& wc) override {
    g_procedure = wc.procedure;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.style = wc.style;
    cls.lpfnWndProc = &Thunk;
    cls.hInstance = instance;
    cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(wc.iconId));
    cls.hIconSm = cls.hIcon;
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(wc.backgroundColor));
    cls.lpszClassName = wc.className.c_str();
    return ::RegisterClassExW(&cls) != 0;
  }
  HWindow CreateWindowEx(uint32_t exStyle, const std::wstring& className, const std::wstring& title,
                         uint32_t style, int x, int y, int width, int height,
                         HWindow parent) override {
    return W(::CreateWindowExW(exStyle, className.c_str(), title.c_str(), style, x, y, width, height,
                             H(parent), nullptr, GetModuleHandleW(nullptr), nullptr));
  }
  bool DestroyWindow(HWindow hwnd) override { return ::DestroyWindow(H(hwnd)) != FALSE; }
  bool IsWindow(HWindow hwnd) override { return ::IsWindow(H(hwnd)) != FALSE; }
  uint32_t GetWindowLong(HWindow hwnd, int index) override {
    return static_cast<uint32_t>(::GetWindowLongW(H(hwnd), index));
  }
  uint32_t SetWindowLong(HWindow hwnd, int index, uint32_t value) override {
    return static_cast<uint32_t>(::SetWindowLongW(H(hwnd), index, static_cast<LONG>(value)));
  }
  bool SetWindowText(HWindow hwnd, const std::wstring& text) override {
    return ::SetWindowTextW(H(hwnd), text.c_str()) != FALSE;
  }
  std::wstring GetWindowText(HWindow hwnd) override {
    const int n = ::GetWindowTextLengthW(H(hwnd));
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(H(hwnd), &text[0], n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
  }
  bool PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override {
    return ::PostMessageW(H(hwnd), message, wParam, lParam) != FALSE;
  }
  LResult SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override {
    return ::SendMessageW(H(hwnd), message, wParam, lParam);
  }
  LResult DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override {
    return ::DefWindowProcW(H(hwnd), message, wParam, lParam);
  }
  void PostQuitMessage(int exitCode) override { ::PostQuitMessage(exitCode); }
  int RunMessageLoop(MessageFilter* filter) override {
    MSG native;
    for (;;) {
      const BOOL got = GetMessageW(&native, nullptr, 0, 0);
      if (got == -1) continue;
      if (!got) return static_cast<int>(native.wParam);
      Msg msg{W(native.hwnd), native.message, native.wParam, native.lParam, native.time,
              Point{native.pt.x, native.pt.y}};
      if (filter && filter->PreTranslateMessage(&msg)) continue;
      TranslateMessage(&native);
      DispatchMessageW(&native);
    }
  }
  bool ShowWindow(HWindow hwnd, int command) override {
    return ::ShowWindow(H(hwnd), command) != FALSE;
  }
  bool UpdateWindow(HWindow hwnd) override { return ::UpdateWindow(H(hwnd)) != FALSE; }
  bool SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                    uint32_t flags) override {
    return ::SetWindowPos(H(hwnd), H(insertAfter), x, y, width, height, flags) != FALSE;
  }
  bool IsWindowVisible(HWindow hwnd) override { return ::IsWindowVisible(H(hwnd)) != FALSE; }
  HWindow GetForegroundWindow() override { return W(::GetForegroundWindow()); }
  bool SetForegroundWindow(HWindow hwnd) override {
    return ::SetForegroundWindow(H(hwnd)) != FALSE;
  }
  bool GetWindowRect(HWindow hwnd, Rect& out) override {
    RECT r;
    if (!::GetWindowRect(H(hwnd), &r)) return false;
    out = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  int MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                 uint32_t flags) override {
    return ::MessageBoxW(H(owner), text.c_str(), caption.c_str(), flags);
  }
};

class Win32Resources : public Resources {
 public:
  std::wstring LoadString(int id, int maxUnits) override {
    if (maxUnits <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(maxUnits), L'\0');
    const int n = ::LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), buffer.data(), maxUnits);
    return std::wstring(buffer.data(), static_cast<size_t>(n > 0 ? n : 0));
  }
};

}  // namespace

Platform MakeBackendPlatform() {
  static Win32Files files;
  static Win32Ini ini;
  static Win32System system;
  static Win32Ui ui;
  static Win32Resources resources;
  Platform p{&files, &ini, &system, &ui, &resources};
  p.http = &Win32Http();
  p.processes = &Win32Processes();
  return p;
}

}  // namespace pf
