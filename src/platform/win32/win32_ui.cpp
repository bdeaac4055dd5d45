// The user interface on Windows: user32 windows with a standard message
// loop and its filter, cursors, message boxes, menus, the tray.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_web_engine.h"

namespace pf {

// Our handle is the HWND itself.
inline HWND H(HWindow w) { return reinterpret_cast<HWND>(w); }
inline HWindow W(HWND h) { return reinterpret_cast<HWindow>(h); }

namespace {

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

}  // namespace

std::unique_ptr<Ui> NewWin32Ui() { return std::make_unique<Win32Ui>(); }

}  // namespace pf
