#include "platform/fake/fake_web_engine.h"


namespace pf {
namespace {

const char kMainFrameTag = 0;

}  // namespace

const wchar_t* const FakeWebEngine::kHostClass = L"FakeWebHost";

WebFrame FakeWebBrowser::MainFrame() { return &kMainFrameTag; }

void FakeWebBrowser::HostCreated() { initialUrl = ui().GetWindowText(window_); }

LResult FakeWebBrowser::HostForwarded(const Msg* msg) {
  forwarded.push_back(*msg);
  return forwardAnswer;
}

bool FakeWebBrowser::Advise() {
  if (!hasEngine_ || advised_) return false;
  advised_ = true;
  ++advises;
  return true;
}

bool FakeWebBrowser::SetExternalUiHandler() {
  if (!hasEngine_) return false;
  ++externalUiHandlerCalls;
  return true;
}

bool FakeWebBrowser::Navigate2(const std::wstring& url, const std::string* postData,
                               const std::wstring& headers) {
  if (!hasEngine_) return false;
  navigations.push_back(
      Navigation{url, postData != nullptr, postData ? *postData : std::string(), headers, false});
  if (navigateFails) return false;
  const size_t index = navigations.size() - 1;
  // The control asks the host before it starts, inside this call.
  if (RaiseBeforeNavigate2(MainFrame(), url, postData)) {
    navigations[index].cancelled = true;
  } else {
    pendingUrl = url;
  }
  return true;
}

void FakeWebBrowser::SetSilent(bool value) {
  if (!hasEngine_) return;
  ++silentCalls;
  silent = value;
}

void FakeWebBrowser::SetRegisterAsDropTarget(bool accept) {
  if (!hasEngine_) return;
  ++dropTargetCalls;
  dropTarget = accept;
}

void FakeWebBrowser::Refresh() {
  if (hasEngine_) ++refreshes;
}

void FakeWebBrowser::FocusDocument() {
  if (hasEngine_) ++focuses;
}

void FakeWebBrowser::SetBodyScroll(WebFrame frame, const std::wstring& value) {
  if (hasEngine_) bodyScrolls.emplace_back(frame, value);
}

void FakeWebBrowser::InstallDocumentUiHandler() {
  if (hasEngine_) ++uiHandlerInstalls;
}


bool FakeWebBrowser::RaiseBeforeNavigate2(WebFrame frame, const std::wstring& url,
                                          const std::string* postData) {
  bool cancel = false;
  if (advised_ && events_)
    events_->BeforeNavigate2(frame, url, 0, std::wstring(), postData, std::wstring(), cancel);
  return cancel;
}

bool FakeWebBrowser::RaiseNewWindow2() {
  bool cancel = false;
  if (advised_ && events_) events_->NewWindow2(cancel);
  return cancel;
}

bool FakeWebBrowser::RaiseNewWindow3(const std::wstring& url) {
  bool cancel = false;
  if (advised_ && events_) events_->NewWindow3(cancel, 0, std::wstring(), url);
  return cancel;
}

bool FakeWebBrowser::RaiseNavigateError(WebFrame frame, const std::wstring& url, int32_t status) {
  bool cancel = false;
  if (advised_ && events_) events_->NavigateError(frame, url, std::wstring(), status, cancel);
  return cancel;
}

void FakeWebBrowser::RaiseNavigateComplete2(WebFrame frame, const std::wstring& url) {
  if (advised_ && events_) events_->NavigateComplete2(frame, url);
}

void FakeWebBrowser::RaiseDocumentComplete(WebFrame frame, const std::wstring& url) {
  if (advised_ && events_) events_->DocumentComplete(frame, url);
}

void FakeWebBrowser::RaiseTitleChange(const std::wstring& title) {
  if (advised_ && events_) events_->TitleChange(title);
}

void* FakeWebBrowser::RaiseGetExternal(void* initial) {
  auto* slot = static_cast<ExternalObject*>(initial);
  if (events_) events_->GetExternal(&slot);  // the UI handler is not part of the sink
  return slot;
}

void FakeWebBrowser::CompleteNavigation() {
  const std::wstring url = pendingUrl;
  pendingUrl.clear();
  RaiseNavigateComplete2(MainFrame(), url);
  RaiseDocumentComplete(MainFrame(), url);
}

std::unique_ptr<WebBrowser> FakeWebEngine::Create(HWindow parent, const Rect& rect, uint32_t style,
                                                  uint32_t exStyle, const std::wstring& url,
                                                  WebEvents* events) {
  if (failWindow) return nullptr;
  auto browser = std::make_unique<FakeWebBrowser>(events, !noEngine);
  if (!FakeWebBrowser::CreateHost(*browser, kHostClass, parent, rect, style, exStyle, url))
    return nullptr;
  last = browser.get();
  return browser;
}

}  // namespace pf
