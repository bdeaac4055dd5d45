// The GTK backend's windows and message loop.
//
// Supports: one registered class per name; top-level windows kept as records
// with Win32 styles, text, rectangle and visibility, each realised as a
// GtkWindow when it is first shown; a message queue of our own that holds
// posted messages (from any thread) and is drained by RunMessageLoop, which
// otherwise runs GLib's main context; WM_CLOSE from the window manager;
// message boxes from any thread, marshalled to the UI thread.  Without a
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
  bool initialized_ = false;
  bool display_ = false;
  std::thread::id uiThread_;
};

}  // namespace pf
