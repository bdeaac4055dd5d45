// Windows, messages and the message loop, in Win32's terms.
//
// Every top-level window of the program belongs to one registered class whose
// window procedure is the application window procedure; each backend delivers
// native events as the Win32 messages of win32_values.h through that procedure.
// Threads: PostMessage may be called from any thread; everything else belongs
// to the user-interface thread that created the windows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32_values.h"

namespace pf {

struct WindowHandle;  // defined by the backend
using HWindow = WindowHandle*;
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
};

// The program's resources: the string table (and, with the skin toolkit,
// images, menus and icons).
class Resources {
 public:
  virtual ~Resources() = default;
  // LoadStringW into a buffer of maxUnits UTF-16 units: the text cut to
  // maxUnits - 1, or empty when the string does not exist.
  virtual std::wstring LoadString(int id, int maxUnits) = 0;
};

}  // namespace pf
