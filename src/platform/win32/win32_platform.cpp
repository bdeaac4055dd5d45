// The Windows backend: the roaming folder through the shell, the private
// profile functions, GetCommandLineW, the C runtime's 64-bit clock,
// CoCreateGuid, user32 windows with a standard message loop, LoadStringW.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shellapi.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <ctime>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/win32_web_engine.h"
#include "platform/win32/win32_graphics.h"
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
  HHeldFile CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                const std::wstring& name, std::wstring& copyPath) override;
  bool RemoveFolder(const std::wstring& path) override {
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
  }
};

// A protected DACL (nothing inherited from the parent) that gives full access
// to this process's user, to SYSTEM and to the Administrators group and to
// nobody else; files made inside inherit it.
class PrivateFolderSecurity {
 public:
  PrivateFolderSecurity() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool gotUser =
        size > 0 && ::GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    ::CloseHandle(token);
    if (!gotUser) return;
    PSID userSid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    DWORD systemSize = sizeof system_, adminsSize = sizeof admins_;
    if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) ||
        !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins_, &adminsSize))
      return;
    const PSID sids[] = {userSid, system_, admins_};
    DWORD aclSize = sizeof(ACL);
    for (PSID sid : sids) aclSize += sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid);
    acl_.resize(aclSize);
    PACL acl = reinterpret_cast<PACL>(acl_.data());
    if (!::InitializeAcl(acl, aclSize, ACL_REVISION)) return;
    for (PSID sid : sids)
      if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   FILE_ALL_ACCESS, sid))
        return;
    if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
      return;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
  }
  // Null when the descriptor could not be made: no folder is made then.
  SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<BYTE> user_;  // TOKEN_USER and the SID it points into
  BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  BYTE admins_[SECURITY_MAX_SID_SIZE] = {};
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

// Copies from the start of from to the end into to.
bool CopyHandle(HANDLE from, HANDLE to) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) return false;
  std::vector<BYTE> buffer(64 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
      return false;
    if (got == 0) return true;
    DWORD written = 0;
    if (!::WriteFile(to, buffer.data(), got, &written, nullptr) || written != got) return false;
  }
}

HHeldFile Win32Files::CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                          const std::wstring& name, std::wstring& copyPath) {
  copyPath.clear();
  if (!source || name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos) return nullptr;
  PrivateFolderSecurity security;
  if (!security.Attributes()) return nullptr;
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  // CreateDirectoryW fails on a name that exists, so the folder is always
  // one made here with this descriptor; a taken name only costs a retry.
  static LONG counter = 0;
  std::wstring folder;
  for (int attempt = 0; attempt < 16 && folder.empty(); ++attempt) {
    wchar_t suffix[32];
    wsprintfW(suffix, L"vexa-upgrade-%08lx%04lx", ::GetTickCount() ^ ::GetCurrentProcessId(),
              static_cast<unsigned long>(::InterlockedIncrement(&counter) & 0xFFFF));
    const std::wstring candidate = base + suffix;
    if (::CreateDirectoryW(candidate.c_str(), security.Attributes()))
      folder = candidate;
    else if (::GetLastError() != ERROR_ALREADY_EXISTS)
      return nullptr;
  }
  if (folder.empty()) return nullptr;
  const std::wstring file = folder + L"\\" + name;
  HANDLE out = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  bool copied = out != INVALID_HANDLE_VALUE && CopyHandle(reinterpret_cast<HANDLE>(source), out);
  if (out != INVALID_HANDLE_VALUE) copied = ::CloseHandle(out) && copied;
  // Held again for reading only: the loader may open it, nobody may change it.
  HHeldFile held = copied ? OpenHeld(file) : nullptr;
  if (!held) {
    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return nullptr;
  }
  copyPath = file;
  return held;
}

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
    const std::wstring temp = file + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter) + L".tmp";
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

// The class procedure of every registered class: the shared code's
// procedure of the window's own class, found by the class atom (a program
// or test that registers several classes keeps each one's procedure).
std::map<ATOM, WindowProc>& Procedures() {
  static std::map<ATOM, WindowProc> procedures;
  return procedures;
}

LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto atom = static_cast<ATOM>(::GetClassWord(hwnd, GCW_ATOM));
  const auto found = Procedures().find(atom);
  if (found != Procedures().end() && found->second)
    return found->second(W(hwnd), message, wParam, lParam);
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
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.style = wc.style;
    cls.lpfnWndProc = &Thunk;
    cls.hInstance = instance;
    cls.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(wc.iconId));
    cls.hIconSm = cls.hIcon;
    cls.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(wc.backgroundColor));
    cls.lpszClassName = wc.className.c_str();
    // A class registered before stays as it was (RegisterClassExW fails).
    const ATOM atom = ::RegisterClassExW(&cls);
    if (atom == 0) return false;
    Procedures()[atom] = wc.procedure;
    return true;
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
  bool GetClientRect(HWindow hwnd, Rect& out) override {
    RECT r;
    if (!::GetClientRect(H(hwnd), &r)) return false;
    out = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  bool ClientToScreen(HWindow hwnd, Point& point) override {
    POINT p{point.x, point.y};
    if (!::ClientToScreen(H(hwnd), &p)) return false;
    point = Point{p.x, p.y};
    return true;
  }
  bool ScreenToClient(HWindow hwnd, Point& point) override {
    POINT p{point.x, point.y};
    if (!::ScreenToClient(H(hwnd), &p)) return false;
    point = Point{p.x, p.y};
    return true;
  }
  bool GetWorkArea(Rect& out) override {
    RECT r;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return false;
    out = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  bool GetDragFullWindows() override {
    BOOL on = FALSE;
    ::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &on, 0);
    return on != FALSE;
  }
  bool SetDragFullWindows(bool on) override {
    return ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, on ? TRUE : FALSE, nullptr, 0) != FALSE;
  }
  bool IsIconic(HWindow hwnd) override { return ::IsIconic(H(hwnd)) != FALSE; }
  HRegion CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) override {
    return reinterpret_cast<HRegion>(::CreateRoundRectRgn(l, t, r, b, w, h));
  }
  bool SetWindowRgn(HWindow hwnd, HRegion region, bool redraw) override {
    return ::SetWindowRgn(H(hwnd), reinterpret_cast<HRGN>(region), redraw ? TRUE : FALSE) != 0;
  }
  bool DeleteRegion(HRegion region) override {
    return ::DeleteObject(reinterpret_cast<HRGN>(region)) != FALSE;
  }
  bool SetLayeredWindowAttributes(HWindow hwnd, uint32_t key, uint8_t alpha,
                                  uint32_t flags) override {
    return ::SetLayeredWindowAttributes(H(hwnd), key, alpha, flags) != FALSE;
  }
  bool UpdateLayeredWindow(HWindow hwnd, const Point* position, const Size& size,
                           MemoryCanvas& source, const Point& sourcePosition, uint32_t key,
                           const BlendFunction& blend, uint32_t flags) override {
    HDC screen = ::GetDC(H(hwnd));
    POINT dst{position ? position->x : 0, position ? position->y : 0};
    SIZE sz{size.cx, size.cy};
    POINT src{sourcePosition.x, sourcePosition.y};
    BLENDFUNCTION f{blend.blendOp, blend.blendFlags, blend.sourceConstantAlpha, blend.alphaFormat};
    const BOOL ok = ::UpdateLayeredWindow(H(hwnd), screen, position ? &dst : nullptr, &sz,
                                          static_cast<GdiCanvas&>(source).Dc(), &src, key, &f, flags);
    ::ReleaseDC(H(hwnd), screen);
    return ok != FALSE;
  }
  bool RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) override {
    RECT r{};
    if (rect) r = RECT{rect->left, rect->top, rect->right, rect->bottom};
    return ::RedrawWindow(H(hwnd), rect ? &r : nullptr, nullptr, flags) != FALSE;
  }
  Canvas* BeginPaint(HWindow hwnd, Rect& paintRect) override {
    auto paint = std::make_unique<Paint>();
    HDC dc = ::BeginPaint(H(hwnd), &paint->ps);
    if (!dc) return nullptr;
    paintRect = Rect{paint->ps.rcPaint.left, paint->ps.rcPaint.top, paint->ps.rcPaint.right,
                     paint->ps.rcPaint.bottom};
    paint->canvas = std::make_unique<GdiCanvas>(dc);
    Canvas* canvas = paint->canvas.get();
    paints_[canvas] = std::move(paint);
    return canvas;
  }
  void EndPaint(HWindow hwnd, Canvas* canvas) override {
    auto it = paints_.find(canvas);
    if (it == paints_.end()) return;
    ::EndPaint(H(hwnd), &it->second->ps);
    paints_.erase(it);
  }
  Canvas* GetDC(HWindow hwnd) override {
    HDC dc = ::GetDC(H(hwnd));
    return dc ? new GdiCanvas(dc) : nullptr;
  }
  void ReleaseDC(HWindow hwnd, Canvas* canvas) override {
    if (!canvas) return;
    ::ReleaseDC(H(hwnd), static_cast<GdiCanvas*>(canvas)->Dc());
    delete canvas;
  }
  HWindow SetFocus(HWindow hwnd) override { return W(::SetFocus(H(hwnd))); }
  HCursor LoadCursor(int id) override {
    return reinterpret_cast<HCursor>(::LoadCursorW(nullptr, MAKEINTRESOURCEW(id)));
  }
  HCursor SetCursor(HCursor cursor) override {
    return reinterpret_cast<HCursor>(::SetCursor(reinterpret_cast<HCURSOR>(cursor)));
  }
  bool GetCursorPos(Point& out) override {
    POINT p;
    if (!::GetCursorPos(&p)) return false;
    out = Point{p.x, p.y};
    return true;
  }
  bool TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) override {
    TRACKMOUSEEVENT t{};
    t.cbSize = sizeof t;
    t.dwFlags = flags;
    t.hwndTrack = H(hwnd);
    t.dwHoverTime = hoverTime;
    return ::TrackMouseEvent(&t) != FALSE;
  }
  int16_t GetKeyState(int virtualKey) override { return ::GetKeyState(virtualKey); }
  HMenu LoadMenu(int id) override {
    return reinterpret_cast<HMenu>(::LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
  }
  HMenu GetSubMenu(HMenu menu, int position) override {
    return reinterpret_cast<HMenu>(::GetSubMenu(reinterpret_cast<HMENU>(menu), position));
  }
  bool RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) override {
    return ::RemoveMenu(reinterpret_cast<HMENU>(menu), item, flags) != FALSE;
  }
  bool DestroyMenu(HMenu menu) override { return ::DestroyMenu(reinterpret_cast<HMENU>(menu)) != FALSE; }
  int TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) override {
    return static_cast<int>(::TrackPopupMenu(reinterpret_cast<HMENU>(menu), flags, x, y, 0, H(owner), nullptr));
  }
  bool ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) override {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = H(icon.hwnd);
    data.uID = icon.id;
    data.uFlags = icon.flags;
    data.uCallbackMessage = icon.callbackMessage;
    if (icon.flags & NIF_ICON)
      data.hIcon = ::LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon.iconId));
    lstrcpynW(data.szTip, icon.tip.c_str(), static_cast<int>(sizeof data.szTip / sizeof data.szTip[0]));
    return ::Shell_NotifyIconW(message, &data) != FALSE;
  }
  uint32_t RegisterWindowMessage(const std::wstring& name) override {
    return ::RegisterWindowMessageW(name.c_str());
  }

 private:
  struct Paint {
    PAINTSTRUCT ps{};
    std::unique_ptr<GdiCanvas> canvas;
  };
  std::map<Canvas*, std::unique_ptr<Paint>> paints_;
};

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

Platform MakeBackendPlatform() {
  static Win32Files files;
  static Win32Ini ini;
  static Win32System system;
  static Win32Ui ui;
  static Win32Resources resources;
  static Win32Graphics graphics;
  Platform p{&files, &ini, &system, &ui, &resources};
  p.registry = Win32RegistryInstance();
  p.shell = Win32ShellInstance();
  p.machine = Win32MachineInstance();
  p.web = win32web::Engine();
  p.graphics = &graphics;
  p.http = &Win32Http();
  p.processes = &Win32Processes();
  p.urlCache = Win32UrlCache();
  return p;
}

}  // namespace pf
