// The GTK backend's windows and message loop.
//
// Supports: one registered class per name; top-level windows kept as records
// with Win32 styles, text, rectangle and visibility, each realised as a
// GtkWindow when it is first shown; a message queue of our own that holds
// posted messages (from any thread) and is drained by RunMessageLoop, which
// otherwise runs GLib's main context; WM_CLOSE from the window manager;
// message boxes from any thread, marshalled to the UI thread.  Each shown
// window paints through WM_PAINT into a backing surface that is copied to
// the screen; GDK input becomes posted mouse, key, hover and leave messages;
// a colour key or per-pixel alpha becomes the window's shape (transparent and
// click-through) when no compositor blends it; move and size loops go to the
// window manager; menus pop up as GtkMenus; the tray is a GtkStatusIcon.  Without a
// display (gtk_init_check fails) windows stay records and message boxes give
// their default answer, so the short runs work headless.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/ui.h"

typedef struct _GtkWidget GtkWidget;
typedef union _GdkEvent GdkEvent;
typedef struct _cairo cairo_t;

namespace pf {

class GtkUi : public Ui {
 public:
  GtkUi();
  ~GtkUi() override;

  void Initialize() override;
  void Shutdown() override;
  bool RegisterWindowClass(const WindowClass& windowClass) override;
  HWindow CreateWindowEx(uint32_t exStyle, const std::wstring& className, const std::wstring& title,
                         uint32_t style, int x, int y, int width, int height,
                         HWindow parent) override;
  bool DestroyWindow(HWindow hwnd) override;
  bool IsWindow(HWindow hwnd) override;
  uint32_t GetWindowLong(HWindow hwnd, int index) override;
  uint32_t SetWindowLong(HWindow hwnd, int index, uint32_t value) override;
  bool SetWindowText(HWindow hwnd, const std::wstring& text) override;
  std::wstring GetWindowText(HWindow hwnd) override;
  bool PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override;
  LResult SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override;
  LResult DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop(MessageFilter* filter) override;
  bool ShowWindow(HWindow hwnd, int command) override;
  bool UpdateWindow(HWindow hwnd) override;
  bool SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                    uint32_t flags) override;
  bool IsWindowVisible(HWindow hwnd) override;
  HWindow GetForegroundWindow() override;
  bool SetForegroundWindow(HWindow hwnd) override;
  bool GetWindowRect(HWindow hwnd, Rect& out) override;
  int MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                 uint32_t flags) override;
  bool GetClientRect(HWindow hwnd, Rect& out) override;
  bool ClientToScreen(HWindow hwnd, Point& point) override;
  bool ScreenToClient(HWindow hwnd, Point& point) override;
  bool GetWorkArea(Rect& out) override;
  bool GetDragFullWindows() override { return dragFullWindows_; }
  bool SetDragFullWindows(bool on) override {
    dragFullWindows_ = on;
    return true;
  }
  bool IsIconic(HWindow hwnd) override;
  HRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                             int ellipseHeight) override;
  bool SetWindowRgn(HWindow hwnd, HRegion region, bool redraw) override;
  bool DeleteRegion(HRegion region) override;
  bool SetLayeredWindowAttributes(HWindow hwnd, uint32_t key, uint8_t alpha,
                                  uint32_t flags) override;
  bool UpdateLayeredWindow(HWindow hwnd, const Point* position, const Size& size,
                           MemoryCanvas& source, const Point& sourcePosition, uint32_t key,
                           const BlendFunction& blend, uint32_t flags) override;
  bool RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) override;
  Canvas* BeginPaint(HWindow hwnd, Rect& paintRect) override;
  void EndPaint(HWindow hwnd, Canvas* canvas) override;
  Canvas* GetDC(HWindow hwnd) override;
  void ReleaseDC(HWindow hwnd, Canvas* canvas) override;
  HWindow SetFocus(HWindow hwnd) override;
  HCursor LoadCursor(int id) override;
  HCursor SetCursor(HCursor cursor) override;
  bool GetCursorPos(Point& out) override;
  bool TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) override;
  int16_t GetKeyState(int virtualKey) override;
  HMenu LoadMenu(int id) override;
  HMenu GetSubMenu(HMenu menu, int position) override;
  bool RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) override;
  bool DestroyMenu(HMenu menu) override;
  int TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) override;
  bool ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) override;

  // The GDK event handlers (called from the signal trampolines).
  void OnNativeEvent(WindowHandle* w, GdkEvent* event);
  void OnDraw(WindowHandle* w, cairo_t* cr);
  void OnHoverTimer(WindowHandle* w);

  bool HasDisplay() const { return display_; }
  // See gtkbackend::ChildLayer.
  GtkWidget* ChildLayerOf(HWindow hwnd);
  // See gtkbackend::AttachNativeChild and WindowData.
  bool AttachNative(HWindow hwnd, GtkWidget* widget);
  void DetachNative(HWindow hwnd);
  void SetUserData(HWindow hwnd, void* data);
  void* UserData(HWindow hwnd);

 private:
  struct Impl;
  WindowHandle* Live(HWindow hwnd);
  void Post(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam);
  // Paints the invalid part of the window into its backing surface (WM_PAINT).
  void PaintBacking(WindowHandle* w, const Rect* rect);
  // Raises the visible top-level windows owned by owner (and theirs) above it.
  void KeepOwnedAbove(WindowHandle* owner);
  void UpdateShape(WindowHandle* w);
  void NotifyGeometry(WindowHandle* w, const Rect& before);
  void Realize(WindowHandle* w);
  void ApplyGeometry(WindowHandle* w);
  void PlaceNative(WindowHandle* w);
  int MessageBoxOnUiThread(HWindow owner, const std::wstring& text, const std::wstring& caption,
                           uint32_t flags);
  bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

  std::map<std::wstring, WindowClass> classes_;
  std::set<WindowHandle*> windows_;  // live windows; the backend owns them
  std::mutex queueLock_;             // guards queue_ (PostMessage from any thread)
  std::deque<Msg> queue_;
  std::condition_variable queueSignal_;
  HWindow foreground_ = nullptr;
  HWindow focus_ = nullptr;
  HWindow pointerWindow_ = nullptr;  // the window the mouse was last over
  HCursor cursor_ = nullptr;
  bool dragFullWindows_ = true;
  std::set<int> keysDown_;
  bool initialized_ = false;
  bool display_ = false;
  std::thread::id uiThread_;
};

}  // namespace pf
