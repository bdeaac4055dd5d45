#include "browser/browser_view.h"

namespace browser {
namespace {

bool BeginsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

// URLs that the navigation rules let through untouched.
bool PassesUnseen(const std::wstring& url) {
  return BeginsWith(url, L"javascript") || BeginsWith(url, L"about:blank");
}

}  // namespace

CBrowserView::~CBrowserView() {
  // Destroying the engine object destroys the window while this object can
  // still answer its WM_DESTROY.
  browser_.reset();
}

const std::wstring& CBrowserView::FormHeaders() {
  static const std::wstring headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
  return headers;
}

pf::WebBrowser* CBrowserView::Engine() const {
  pf::WebBrowser* browser = browser_ ? browser_.get() : creating_;
  return browser && browser->HasEngine() ? browser : nullptr;
}

pf::HWindow CBrowserView::Create(pf::HWindow parent, const pf::Rect& rect,
                                 const std::wstring& url) {
  if (browser_) return nullptr;  // one window per view
  std::unique_ptr<pf::WebBrowser> browser =
      pf::web().Create(parent, rect, kCreateStyle, 0, url, this);
  creating_ = nullptr;
  if (!browser || !browser->Window()) return nullptr;
  browser_ = std::move(browser);
  // Nothing dropped on a page is opened by the engine.
  if (browser_->HasEngine()) browser_->SetRegisterAsDropTarget(false);
  return browser_->Window();
}

bool CBrowserView::Navigate(const std::wstring& url, const std::string& postData) {
  pf::WebBrowser* engine = Engine();
  if (!engine) return false;
  lastUrl_ = url;
  if (postData.empty()) {
    if (!engine->Navigate2(url, nullptr, std::wstring())) return false;
  } else {
    engine->Navigate2(url, &postData, FormHeaders());  // the outcome shows in the events
  }
  // The events raised inside Navigate2 may have run arbitrary handlers; the
  // engine object itself stays, as the view owns it.
  engine->SetSilent(true);
  pending_ = true;
  topFrame_ = nullptr;
  return true;
}

void CBrowserView::Refresh() {
  if (pf::WebBrowser* engine = Engine()) engine->Refresh();
}

void CBrowserView::FocusDocument() {
  if (pf::WebBrowser* engine = Engine()) engine->FocusDocument();
}

pf::LResult CBrowserView::PreTranslateMessage(pf::Msg* msg) {
  if (!msg || !browser_ || !msg->hwnd) return 0;
  const uint32_t m = msg->message;
  const bool keyboard = m >= pf::kWM_KEYFIRST && m <= pf::kWM_KEYLAST;
  const bool mouse = m >= pf::kWM_MOUSEFIRST && m <= pf::kWM_MOUSELAST;
  if (!keyboard && !mouse) return 0;
  if (!browser_->IsHostOf(msg->hwnd)) return 0;
  return pf::ui().SendMessage(browser_->Window(), pf::kWM_FORWARDMSG, 0,
                              reinterpret_cast<pf::LParam>(msg));
}

void CBrowserView::OnHostMessage(pf::WebBrowser& browser, uint32_t message) {
  if (message == pf::kWM_CREATE) {
    creating_ = &browser;
    const uint32_t style = pf::ui().GetWindowLong(browser.Window(), pf::kGWL_STYLE);
    if (!(style & pf::kWS_CLIPCHILDREN))
      pf::ui().SetWindowLong(browser.Window(), pf::kGWL_STYLE, style | pf::kWS_CLIPCHILDREN);
    if (browser.HasEngine()) {
      browser.Advise();
      browser.SetExternalUiHandler();
    }
  } else if (message == pf::kWM_DESTROY) {
    browser.Unadvise();
  } else if (message == pf::kWM_SETFOCUS) {
    if (browser.HasEngine()) browser.FocusDocument();
  }
}

void CBrowserView::DocumentComplete(pf::WebFrame frame, const std::wstring&) {
  if (topFrame_ && frame == topFrame_) notify_.Fire(kDocumentComplete, 0, Self());
  if (hideScrollBars_) {
    if (pf::WebBrowser* engine = Engine()) engine->SetBodyScroll(frame, L"no");
  }
}

void CBrowserView::TitleChange(const std::wstring& title) {
  notify_.Fire(kTitleChange, 0, reinterpret_cast<NotifyPtr>(title.c_str()));
}

void CBrowserView::BeforeNavigate2(pf::WebFrame, const std::wstring& url, uint32_t,
                                   const std::wstring&, const std::string* postData,
                                   const std::wstring&, bool& cancel) {
  cancel_ = false;
  if (PassesUnseen(url)) return;
  lastUrl_ = url;
  lastPostData_ = postData ? *postData : std::string();
  if (fromNewWindow_ || url.find(L".exe") != std::wstring::npos) {
    cancel_ = true;
    fromNewWindow_ = false;
    notify_.Fire(kDivertedNavigation, 0, Self());
  } else {
    notify_.Fire(kBeforeNavigate, 0, Self());
  }
  if (cancel_) cancel = true;
}

void CBrowserView::NewWindow2(bool& cancel) { cancel = blockPopups_; }

void CBrowserView::NewWindow3(bool& cancel, uint32_t, const std::wstring&,
                              const std::wstring& url) {
  cancel = blockPopups_;
  if (url.find(L"127.0.0.1") != std::wstring::npos) {
    cancel = true;
    return;
  }
  // A pop-up of about:blank or a script URL would only replace this page
  // (the navigation rules let such URLs through), so it is just refused.
  if (url.empty() || PassesUnseen(url)) return;
  fromNewWindow_ = true;
  // The engine raises BeforeNavigate2 for this inside Navigate on Windows,
  // later on other engines; either way it is diverted to the owner.
  if (!Navigate(url)) fromNewWindow_ = false;
}

void CBrowserView::NavigateError(pf::WebFrame, const std::wstring&, const std::wstring&,
                                 int32_t status, bool& cancel) {
  if (status == pf::kE_ABORT) return;
  notify_.Fire(kNavigateError, 0, Self());
  cancel = true;  // no engine error page
}

void CBrowserView::NavigateComplete2(pf::WebFrame frame, const std::wstring& url) {
  if (pending_ && url != L"about:blank") {
    pending_ = false;
    topFrame_ = frame;
    notify_.Fire(kFirstNavigateComplete, 0, Self());
  }
  if (pf::WebBrowser* engine = Engine()) engine->InstallDocumentUiHandler();
}

void CBrowserView::GetExternal(pf::ExternalObject** slot) {
  notify_.Fire(kGetExternal, reinterpret_cast<NotifyArg>(slot), Self());
}

}  // namespace browser
