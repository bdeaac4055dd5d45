// The GTK backend's windows and message loop.
//
// The windows, their records and the message queue are the shared window
// core's (portable/window_core.h); this backend adds what GTK does natively.
// Each top-level window is realised as a GtkWindow when it is first shown;
// RunMessageLoop runs GLib's main context while no posted message waits, and
// a post wakes it; WM_CLOSE from the window manager;
// message boxes from any thread, marshalled to the UI thread.  Each shown
// window paints through WM_PAINT into a backing surface that is copied to
// the screen; GDK input becomes posted mouse, key, hover and leave messages;
// a colour key or per-pixel alpha becomes the window's shape (transparent and
// click-through) when no compositor blends it; move and size loops go to the
// window manager; menus pop up as GtkMenus; the tray is a GtkStatusIcon.  Without a
// display (gtk_init_check fails) windows stay records and message boxes give
// their default answer, so the short runs work headless.
#pragma once

#include <set>
#include <string>
#include <thread>

#include "platform/portable/window_core.h"

typedef struct _GtkWidget GtkWidget;
typedef union _GdkEvent GdkEvent;
typedef struct _cairo cairo_t;

namespace pf {

class GtkUi : public WindowCore<WindowHandle> {
 public:
  GtkUi();
  ~GtkUi() override;

  void Initialize() override;
  void Shutdown() override;
  bool ShowWindow(HWindow hwnd, int command) override;
  int MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                 uint32_t flags) override;
  bool GetWorkArea(Rect& out) override;
  bool RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) override;
  Canvas* BeginPaint(HWindow hwnd, Rect& paintRect) override;
  void EndPaint(HWindow hwnd, Canvas* canvas) override;
  Canvas* GetDC(HWindow hwnd) override;
  void ReleaseDC(HWindow hwnd, Canvas* canvas) override;
  HCursor LoadCursor(int id) override;
  bool GetCursorPos(Point& out) override;
  bool TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) override;
  int16_t GetKeyState(int virtualKey) override;
  int TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) override;
  bool ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) override;

  // The GDK event handlers (called from the signal trampolines).
  void OnNativeEvent(WindowHandle* w, GdkEvent* event);
  void OnDraw(WindowHandle* w, cairo_t* cr);
  void OnHoverTimer(WindowHandle* w);

  bool HasDisplay() const { return display_; }
  // See gtkbackend::ChildLayer.
  GtkWidget* ChildLayerOf(HWindow hwnd);
  // See gtkbackend::AttachNativeChild.
  bool AttachNative(HWindow hwnd, GtkWidget* widget);
  void DetachNative(HWindow hwnd);

 private:
  // What GTK does when the window core changes a window.
  void Created(WindowHandle* w) override;
  void Destroying(WindowHandle* w) override;
  void Destroyed(WindowHandle* w) override;
  void ExStyleChanged(WindowHandle* w) override;
  void TextChanged(WindowHandle* w) override;
  void WakeLoop() override;
  bool WaitForMessages() override;
  void SystemCommand(WindowHandle* w, uint32_t command) override;
  void ActivatedByShow(WindowHandle* w) override;
  void Shown(WindowHandle* w, int command, bool wasVisible) override;
  void Restacked(WindowHandle* w, HWindow insertAfter) override;
  void Placed(WindowHandle* w) override { ApplyGeometry(w); }
  void Resized(WindowHandle* w) override;
  void BroughtForward(WindowHandle* w) override;
  void Reshaped(WindowHandle* w) override { UpdateShape(w); }
  void LayeredImage(WindowHandle* w, const Size& size, MemoryCanvas& source,
                    const Point& sourcePosition) override;
  void Focused(WindowHandle* w) override;
  void CursorChanged() override;

  void Post(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam);
  // Paints the invalid part of the window into its backing surface (WM_PAINT).
  void PaintBacking(WindowHandle* w, const Rect* rect);
  // Hidden, or a top-level window wholly outside the screen (with a display).
  bool OutOfSight(const WindowHandle* w) const;
  // Raises the visible top-level windows owned by owner (and theirs) above it.
  void KeepOwnedAbove(WindowHandle* owner);
  void UpdateShape(WindowHandle* w);
  void Realize(WindowHandle* w);
  void ApplyGeometry(WindowHandle* w);
  void PlaceNative(WindowHandle* w);
  int MessageBoxOnUiThread(HWindow owner, const std::wstring& text, const std::wstring& caption,
                           uint32_t flags);
  bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

  HWindow pointerWindow_ = nullptr;  // the window the mouse was last over
  std::set<int> keysDown_;
  bool initialized_ = false;
  bool display_ = false;
  std::thread::id uiThread_;
};

}  // namespace pf
