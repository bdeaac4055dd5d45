// The browser view: the child window in which every page of the client is
// shown.  It hosts the platform's web engine, applies the URL rules to the
// engine's events and reports the outcome through its notification source.
//
// Ownership: the owning window embeds the view; the view owns the engine
// object (and through it the child window) and its notification source,
// which owns the subscribed handlers.  Threads: the user-interface thread
// only; engine events arrive re-entrantly inside Navigate and friends.
#pragma once

#include <memory>
#include <string>

#include "browser/web_notify.h"
#include "platform/platform.h"

namespace browser {

class CBrowserView : public pf::WebEvents {
 public:
  static constexpr uint32_t kStyle =
      pf::kWS_CHILD | pf::kWS_VISIBLE | pf::kWS_CLIPSIBLINGS | pf::kWS_CLIPCHILDREN;
  static constexpr uint32_t kCreateStyle = pf::kWS_CHILD | pf::kWS_VISIBLE;

  CBrowserView() = default;
  CBrowserView(const CBrowserView&) = delete;
  CBrowserView& operator=(const CBrowserView&) = delete;
  ~CBrowserView() override;

  // Creates the child window of parent at rect (left, top, right, bottom in
  // the parent's client coordinates) loading url; the window handle, or null.
  pf::HWindow Create(pf::HWindow parent, const pf::Rect& rect, const std::wstring& url);

  // Navigates the engine; empty post data is a GET.  False when there is no
  // engine (nothing is changed then) or the GET was refused.
  bool Navigate(const std::wstring& url, const std::string& postData = std::string());
  void Refresh();
  std::wstring GetUrl() const { return lastUrl_; }
  void FocusDocument();
  // Offers a keyboard or mouse message aimed at the view (or a window inside
  // it) to the engine; nonzero when the engine consumed it.
  pf::LResult PreTranslateMessage(pf::Msg* msg);

  pf::HWindow Window() const { return browser_ ? browser_->Window() : nullptr; }
  CWebNotify& Notify() { return notify_; }
  void SetBlockPopups(bool block) { blockPopups_ = block; }
  void SetCancel(bool cancel) { cancel_ = cancel; }

  // Read access for tests and owners.
  bool Pending() const { return pending_; }
  bool Cancel() const { return cancel_; }
  bool BlockPopups() const { return blockPopups_; }
  bool FromNewWindow() const { return fromNewWindow_; }
  const std::string& LastPostData() const { return lastPostData_; }
  pf::WebFrame TopLevelFrame() const { return topFrame_; }
  static const std::wstring& FormHeaders();

  // pf::WebEvents
  void OnHostMessage(pf::WebBrowser& browser, uint32_t message) override;
  void DocumentComplete(pf::WebFrame frame, const std::wstring& url) override;
  void TitleChange(const std::wstring& title) override;
  void BeforeNavigate2(pf::WebFrame frame, const std::wstring& url, uint32_t flags,
                       const std::wstring& targetFrame, const std::string* postData,
                       const std::wstring& headers, bool& cancel) override;
  void NewWindow2(bool& cancel) override;
  void NewWindow3(bool& cancel, uint32_t flags, const std::wstring& urlContext,
                  const std::wstring& url) override;
  void NavigateError(pf::WebFrame frame, const std::wstring& url, const std::wstring& targetFrame,
                     int32_t status, bool& cancel) override;
  void NavigateComplete2(pf::WebFrame frame, const std::wstring& url) override;
  void GetExternal(pf::ExternalObject** slot) override;
  bool HideScrollBars() const override { return hideScrollBars_; }

 private:
  NotifyPtr Self() { return reinterpret_cast<NotifyPtr>(this); }
  pf::WebBrowser* Engine() const;

  CWebNotify notify_;
  bool pending_ = false;
  pf::WebFrame topFrame_ = nullptr;  // no reference held; identity only
  std::wstring lastUrl_;
  std::string lastPostData_;
  bool hideScrollBars_ = true;
  bool cancel_ = false;
  bool blockPopups_ = false;
  bool fromNewWindow_ = false;
  // The engine reports its WM_CREATE before Create has the object in hand.
  pf::WebBrowser* creating_ = nullptr;       // not owned
  std::unique_ptr<pf::WebBrowser> browser_;  // owned: the control and its window
};

}  // namespace browser
