#include "platform/portable/hosted_browser.h"

#include <map>

namespace pf {
namespace {

// Each host window's browser, from kWM_NCCREATE to kWM_NCDESTROY.
std::map<HWindow, HostedBrowser*>& Hosts() {
  static std::map<HWindow, HostedBrowser*> hosts;
  return hosts;
}
// The browser whose host window CreateHost is making.
HostedBrowser* g_creating = nullptr;

}  // namespace

bool HostedBrowser::CreateHost(HostedBrowser& browser, const wchar_t* className, HWindow parent,
                               const Rect& rect, uint32_t style, uint32_t exStyle,
                               const std::wstring& url) {
  WindowClass wc;
  wc.procedure = &HostProc;
  wc.className = className;
  ui().RegisterWindowClass(wc);  // fails harmlessly once registered
  g_creating = &browser;
  HWindow window = ui().CreateWindowEx(exStyle, className, url, style, rect.left, rect.top,
                                       rect.Width(), rect.Height(), parent);
  g_creating = nullptr;
  return window != nullptr;
}

void HostedBrowser::DestroyHost() {
  events_ = nullptr;  // teardown raises nothing
  if (window_ && ui().IsWindow(window_)) ui().DestroyWindow(window_);
}

LResult HostedBrowser::HostProc(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  if (message == kWM_NCCREATE && g_creating) {
    g_creating->window_ = hwnd;
    Hosts()[hwnd] = g_creating;
  }
  auto it = Hosts().find(hwnd);
  HostedBrowser* self = it == Hosts().end() ? nullptr : it->second;
  if (self) {
    switch (message) {
      case kWM_CREATE:
        self->HostCreated();
        if (self->events_) self->events_->OnHostMessage(*self, message);
        return 0;
      case kWM_SETFOCUS:
        if (self->events_) self->events_->OnHostMessage(*self, message);
        return 0;
      case kWM_DESTROY:
        if (self->events_) self->events_->OnHostMessage(*self, message);
        self->HostDestroying();
        return 0;
      case kWM_NCDESTROY:
        Hosts().erase(it);
        self->window_ = nullptr;
        return 0;
      case kWM_FORWARDMSG:
        return self->HostForwarded(reinterpret_cast<const Msg*>(lParam));
      default:
        break;
    }
  }
  return ui().DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace pf
