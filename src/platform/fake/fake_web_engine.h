// The fake web engine: a host window of the fake UI plus a scriptable control.
//
// Supports: creation with or without a control (failWindow, noEngine),
// recording of every call the host makes (navigations with body and
// headers, silent mode, drop target, refresh, focus, body scroll, UI-handler
// installs, forwarded messages), and events raised on demand through the
// Raise* operations.  Navigate2 raises BeforeNavigate2 before it returns, as
// the WebBrowser control does, so a NewWindow3 handler that navigates sees
// the diverted navigation before NewWindow3 returns.  Events reach the host
// only while the sink is connected (Advise).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/hosted_browser.h"

namespace pf {

class FakeWebBrowser : public HostedBrowser {
 public:
  FakeWebBrowser(WebEvents* events, bool hasEngine) : HostedBrowser(events), hasEngine_(hasEngine) {}
  ~FakeWebBrowser() override { DestroyHost(); }

  bool HasEngine() const override { return hasEngine_; }
  bool Advise() override;
  void Unadvise() override { advised_ = false; }
  bool IsAdvised() const override { return advised_; }
  bool SetExternalUiHandler() override;
  bool Navigate2(const std::wstring& url, const std::string* postData,
                 const std::wstring& headers) override;
  void SetSilent(bool silent) override;
  void SetRegisterAsDropTarget(bool accept) override;
  void Refresh() override;
  void FocusDocument() override;
  void SetBodyScroll(WebFrame frame, const std::wstring& value) override;
  void InstallDocumentUiHandler() override;

  // The main frame's identity; sub-frames are any other address.
  static WebFrame MainFrame();

  // Events, as the engine raises them; each returns the Cancel answer.
  bool RaiseBeforeNavigate2(WebFrame frame, const std::wstring& url,
                            const std::string* postData = nullptr);
  bool RaiseNewWindow2();
  bool RaiseNewWindow3(const std::wstring& url);
  bool RaiseNavigateError(WebFrame frame, const std::wstring& url, int32_t status);
  void RaiseNavigateComplete2(WebFrame frame, const std::wstring& url);
  void RaiseDocumentComplete(WebFrame frame, const std::wstring& url);
  void RaiseTitleChange(const std::wstring& title);
  void* RaiseGetExternal(void* initial);
  // The navigation Navigate2 started arrives: NavigateComplete2 then
  // DocumentComplete for the main frame.
  void CompleteNavigation();

  struct Navigation {
    std::wstring url;
    bool hasPostData = false;
    std::string postData;
    std::wstring headers;
    bool cancelled = false;
  };
  std::vector<Navigation> navigations;  // every Navigate2 call, in order
  std::wstring initialUrl;              // what the window was created with
  std::wstring pendingUrl;              // the navigation not yet completed
  bool navigateFails = false;           // Navigate2 returns a failed result
  int silentCalls = 0;
  bool silent = false;
  int dropTargetCalls = 0;
  bool dropTarget = true;
  int refreshes = 0;
  int focuses = 0;
  std::vector<std::pair<WebFrame, std::wstring>> bodyScrolls;
  int uiHandlerInstalls = 0;
  int externalUiHandlerCalls = 0;
  int advises = 0;
  std::vector<Msg> forwarded;  // WM_FORWARDMSG records
  LResult forwardAnswer = 1;

 private:
  friend class FakeWebEngine;
  void HostCreated() override;
  LResult HostForwarded(const Msg* msg) override;

  bool hasEngine_;
  bool advised_ = false;
};

class FakeWebEngine : public WebEngine {
 public:
  std::unique_ptr<WebBrowser> Create(HWindow parent, const Rect& rect, uint32_t style,
                                     uint32_t exStyle, const std::wstring& url,
                                     WebEvents* events) override;

  bool failWindow = false;         // no window results
  bool noEngine = false;           // a window without a control
  FakeWebBrowser* last = nullptr;  // the last one created (owned by its host)
  static const wchar_t* const kHostClass;
};

}  // namespace pf
