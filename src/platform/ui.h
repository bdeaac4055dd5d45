// Windows, messages and the message loop, in Win32's terms.
//
// Every top-level window of the program belongs to one registered class whose
// window procedure is the application window procedure; each backend delivers
// native events as the Win32 messages of win32_values.h through that procedure.
// Threads: PostMessage may be called from any thread; everything else belongs
// to the user-interface thread that created the windows.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>

#include "platform/win32_values.h"

namespace pf {

struct WindowHandle;  // defined by the backend
using HWindow = WindowHandle*;
struct CursorHandle;  // defined by the backend; cursors are shared, never destroyed
using HCursor = CursorHandle*;
struct RegionHandle;  // defined by the backend
using HRegion = RegionHandle*;
struct MenuHandle;  // defined by the backend
using HMenu = MenuHandle*;
class Canvas;
class MemoryCanvas;
struct BlendFunction;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

// Special "insert after" values of SetWindowPos.
inline HWindow HwndTop() { return nullptr; }
inline HWindow HwndBottom() { return reinterpret_cast<HWindow>(static_cast<intptr_t>(1)); }
inline HWindow HwndTopmost() { return reinterpret_cast<HWindow>(static_cast<intptr_t>(-1)); }
inline HWindow HwndNoTopmost() { return reinterpret_cast<HWindow>(static_cast<intptr_t>(-2)); }

struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct Size {
  int32_t cx = 0;
  int32_t cy = 0;
};

// The parts of NOTIFYICONDATAW the program fills.
struct NotifyIcon {
  HWindow hwnd = nullptr;
  uint32_t id = 0;
  uint32_t flags = 0;  // kNIF_*
  uint32_t callbackMessage = 0;
  int iconId = 0;  // resource id of the icon group (LoadIconW of the program)
  std::wstring tip;
};

// One queued message, like MSG.
struct Msg {
  HWindow hwnd = nullptr;
  uint32_t message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  uint32_t time = 0;
  Point pt;
};

using WindowProc = LResult (*)(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam);

struct WindowClass {
  uint32_t style = 0;
  WindowProc procedure = nullptr;
  int iconId = 0;           // resource id of the class icon and small icon
  int backgroundColor = 0;  // system colour index + 1, as hbrBackground
  std::wstring className;
};

// A message loop filter, offered every message before translation and dispatch.
class MessageFilter {
 public:
  virtual ~MessageFilter() = default;
  // True when the message was taken: it is then neither translated nor dispatched.
  virtual bool PreTranslateMessage(Msg* msg) = 0;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Process-wide start and end of the user-interface facilities
  // (CoInitialize and OleInitialize on Windows).  Failures are ignored.
  virtual void Initialize() = 0;
  virtual void Shutdown() = 0;

  virtual bool RegisterWindowClass(const WindowClass& windowClass) = 0;
  // CreateWindowExW.  The window is created hidden unless WS_VISIBLE is given.
  virtual HWindow CreateWindowEx(uint32_t exStyle, const std::wstring& className,
                                 const std::wstring& title, uint32_t style, int x, int y,
                                 int width, int height, HWindow parent) = 0;
  // DestroyWindow: delivers WM_DESTROY through the window procedure before it returns.
  virtual bool DestroyWindow(HWindow hwnd) = 0;
  virtual bool IsWindow(HWindow hwnd) = 0;

  // GetWindowLongW / SetWindowLongW for kGWL_STYLE and kGWL_EXSTYLE;
  // SetWindowLong returns the previous value.
  virtual uint32_t GetWindowLong(HWindow hwnd, int index) = 0;
  virtual uint32_t SetWindowLong(HWindow hwnd, int index, uint32_t value) = 0;
  virtual bool SetWindowText(HWindow hwnd, const std::wstring& text) = 0;
  virtual std::wstring GetWindowText(HWindow hwnd) = 0;

  // PostMessageW; callable from any thread.
  virtual bool PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) = 0;
  // SendMessageW: calls the window procedure and returns its result.
  virtual LResult SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) = 0;
  virtual LResult DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam,
                                LParam lParam) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  // Runs the thread's message loop until WM_QUIT and returns its wParam.
  // Every message is offered to the filter (when given) first; a message the
  // filter takes is neither translated nor dispatched.
  virtual int RunMessageLoop(MessageFilter* filter) = 0;

  // ShowWindow; callable from any thread (a download worker hides and shows
  // the windows around the upgrade).
  virtual bool ShowWindow(HWindow hwnd, int command) = 0;
  virtual bool UpdateWindow(HWindow hwnd) = 0;
  virtual bool SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width,
                            int height, uint32_t flags) = 0;
  virtual bool IsWindowVisible(HWindow hwnd) = 0;
  virtual HWindow GetForegroundWindow() = 0;
  virtual bool SetForegroundWindow(HWindow hwnd) = 0;
  // MessageBoxW; callable from any thread (the call blocks until answered) and
  // returns the answer (kIDOK, kIDYES, kIDNO ...).
  virtual int MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                         uint32_t flags) = 0;
  // GetWindowRect, in screen coordinates.
  virtual bool GetWindowRect(HWindow hwnd, Rect& out) = 0;

  // --- geometry --------------------------------------------------------------
  // GetClientRect: (0, 0, width, height).
  virtual bool GetClientRect(HWindow hwnd, Rect& out) = 0;
  virtual bool ClientToScreen(HWindow hwnd, Point& point) = 0;
  virtual bool ScreenToClient(HWindow hwnd, Point& point) = 0;
  // SystemParametersInfoW SPI_GETWORKAREA, in screen coordinates.
  virtual bool GetWorkArea(Rect& out) = 0;
  // SPI_GETDRAGFULLWINDOWS and SPI_SETDRAGFULLWINDOWS (not persisted).
  virtual bool GetDragFullWindows() = 0;
  virtual bool SetDragFullWindows(bool on) = 0;
  virtual bool IsIconic(HWindow hwnd) = 0;
  // CreateRoundRectRgn; SetWindowRgn takes the region over when it succeeds.
  virtual HRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                     int ellipseHeight) = 0;
  virtual bool SetWindowRgn(HWindow hwnd, HRegion region, bool redraw) = 0;
  virtual bool DeleteRegion(HRegion region) = 0;

  // --- layered windows -------------------------------------------------------
  // SetLayeredWindowAttributes: with kLWA_COLORKEY pixels of colour `key`
  // (COLORREF) are transparent and let the mouse through.
  virtual bool SetLayeredWindowAttributes(HWindow hwnd, uint32_t key, uint8_t alpha,
                                          uint32_t flags) = 0;
  // UpdateLayeredWindow with kULW_ALPHA: the window shows `source` with its
  // per-pixel alpha.  `position` (screen) may be null to keep the position.
  virtual bool UpdateLayeredWindow(HWindow hwnd, const Point* position, const Size& size,
                                   MemoryCanvas& source, const Point& sourcePosition,
                                   uint32_t key, const BlendFunction& blend, uint32_t flags) = 0;

  // --- painting --------------------------------------------------------------
  // RedrawWindow over `rect` (client coordinates; null = all); with
  // kRDW_UPDATENOW the window procedure gets WM_PAINT before this returns.
  virtual bool RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) = 0;
  // BeginPaint inside WM_PAINT: the canvas to paint on, clipped to the
  // invalid rectangle (`paintRect`); EndPaint releases it.
  virtual Canvas* BeginPaint(HWindow hwnd, Rect& paintRect) = 0;
  virtual void EndPaint(HWindow hwnd, Canvas* canvas) = 0;
  // GetDC / ReleaseDC: a canvas for measuring text outside WM_PAINT.
  virtual Canvas* GetDC(HWindow hwnd) = 0;
  virtual void ReleaseDC(HWindow hwnd, Canvas* canvas) = 0;

  // --- input -----------------------------------------------------------------
  virtual HWindow SetFocus(HWindow hwnd) = 0;
  // LoadCursorW with no module: one of the kIDC_* cursors (null when unknown).
  virtual HCursor LoadCursor(int id) = 0;
  // SetCursor: the cursor shown now; returns the previous one.
  virtual HCursor SetCursor(HCursor cursor) = 0;
  virtual bool GetCursorPos(Point& out) = 0;
  // TrackMouseEvent for `hwnd`: kTME_HOVER posts WM_MOUSEHOVER once after the
  // mouse rested `hoverTime` ms, kTME_LEAVE posts WM_MOUSELEAVE once when it
  // leaves the window.
  virtual bool TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) = 0;
  // GetKeyState: the high bit (negative) while the key is down.
  virtual int16_t GetKeyState(int virtualKey) = 0;

  // --- menus and the notification area ----------------------------------------
  // LoadMenuW of a menu resource of the program; null when it does not exist.
  virtual HMenu LoadMenu(int id) = 0;
  virtual HMenu GetSubMenu(HMenu menu, int position) = 0;
  // RemoveMenu: detaches an item (a popup stays alive); kMF_BYPOSITION or kMF_BYCOMMAND.
  virtual bool RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) = 0;
  virtual bool DestroyMenu(HMenu menu) = 0;
  // TrackPopupMenu at (x, y) in screen coordinates; with kTPM_RETURNCMD it
  // returns the chosen command (0 when dismissed) instead of posting WM_COMMAND.
  virtual int TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) = 0;
  // Shell_NotifyIconW with kNIM_ADD, kNIM_MODIFY or kNIM_DELETE.  The icon's
  // mouse messages arrive as icon.callbackMessage with the mouse message in lParam.
  virtual bool ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) = 0;
  // RegisterWindowMessageW: the message number shared by every program that
  // registers the name ("TaskbarCreated" tells that the shell's notification
  // area was created again); 0 where the platform has no such message.
  virtual uint32_t RegisterWindowMessage(const std::wstring&) { return 0; }
};

// The program's resources: the string table (and, with the skin toolkit,
// images, menus and icons).
class Resources {
 public:
  virtual ~Resources() = default;
  // LoadStringW into a buffer of maxUnits UTF-16 units: the text cut to
  // maxUnits - 1, or empty when the string does not exist.
  virtual std::wstring LoadString(int id, int maxUnits) = 0;
  // FindResourceW + LoadResource + LockResource + SizeofResource of resource
  // `id` of type `type` ("PNG"; "BITMAP" for RT_BITMAP, without the file header
  // on Windows).  The bytes live as long as the program.
  virtual bool FindResource(int id, const std::wstring& type, const uint8_t*& data,
                            size_t& size) = 0;
};

}  // namespace pf
