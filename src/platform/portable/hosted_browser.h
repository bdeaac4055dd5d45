// The part of an embedded browser that the backends without Win32's
// WebBrowser control share: its host window is a window of the window core.
//
// The host window reports kWM_CREATE, kWM_SETFOCUS and kWM_DESTROY to the
// browser's events, as the Windows host does; a backend adds what its
// control needs through the hooks (the control made on creation, dropped on
// destruction, the answer to a forwarded message).  Threads: the
// user-interface thread.
#pragma once

#include <string>

#include "platform/platform.h"

namespace pf {

class HostedBrowser : public WebBrowser {
 public:
  HWindow Window() const override { return window_; }
  bool IsHostOf(HWindow window) override { return window && window == window_; }

 protected:
  explicit HostedBrowser(WebEvents* events) : events_(events) {}

  // Makes `browser`'s host window, of the window class `className`
  // (registered on first use); false when no window was made.
  static bool CreateHost(HostedBrowser& browser, const wchar_t* className, HWindow parent,
                         const Rect& rect, uint32_t style, uint32_t exStyle,
                         const std::wstring& url);
  // Destroys the host window, if it still exists, without telling the
  // events; for the derived class's destructor.
  void DestroyHost();

  // kWM_CREATE, before the events hear of it.
  virtual void HostCreated() {}
  // kWM_DESTROY, after the events heard of it.
  virtual void HostDestroying() {}
  // kWM_FORWARDMSG: the answer to a message (lParam) the host forwards to
  // the control.
  virtual LResult HostForwarded(const Msg* msg) {
    (void)msg;
    return 0;
  }

  WebEvents* events_;  // not owned; null: nothing is raised
  HWindow window_ = nullptr;

 private:
  static LResult HostProc(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam);
};

}  // namespace pf
