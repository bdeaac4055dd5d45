// The WebBrowser host under Wine.  Wine here has no HTML engine, so these
// tests cover the child window, teardown, navigation calls, the failure
// paths, and the COM faces driven directly: the event sink through
// IDispatch::Invoke with the control's parameter orders and the two
// UI-handler faces.
#include <windows.h>

#include <exdispid.h>
#include <mshtmhst.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser/browser_view.h"
#include "platform/platform.h"
#include "platform/win32/win32_web_engine.h"
#include "support/browser_rules_driver.h"

namespace {

using browser::CBrowserView;
namespace web = pf::win32web;

struct Owner {
  CBrowserView view;
  std::vector<unsigned> codes;
  std::vector<browser::NotifyArg> bs;
  std::wstring title;
  void* external = nullptr;
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c) {
    codes.push_back(code);
    bs.push_back(b);
    if (code == browser::kTitleChange) title = reinterpret_cast<const wchar_t*>(c);
    if (code == browser::kGetExternal && external) *reinterpret_cast<void**>(b) = external;
  }
};

// Records what the sink delivers, argument by argument.
struct Recorder : pf::WebEvents {
  std::vector<std::wstring> log;
  void OnHostMessage(pf::WebBrowser& browser, uint32_t message) override {
    log.push_back(L"host " + std::to_wstring(message));
    if (message == pf::kWM_CREATE) browser.Advise();
    if (message == pf::kWM_DESTROY) browser.Unadvise();
  }
  void DocumentComplete(pf::WebFrame frame, const std::wstring& url) override {
    log.push_back(L"doc " + std::to_wstring(frame != nullptr) + L" " + url);
  }
  void TitleChange(const std::wstring& title) override { log.push_back(L"title " + title); }
  void BeforeNavigate2(pf::WebFrame, const std::wstring& url, uint32_t flags,
                       const std::wstring& target, const std::string* postData,
                       const std::wstring& headers, bool& cancel) override {
    log.push_back(L"before " + url + L" " + std::to_wstring(flags) + L" " + target + L" " +
                  (postData ? std::wstring(postData->begin(), postData->end()) : L"-") + L" " +
                  headers);
    cancel = true;
  }
  void NewWindow2(bool& cancel) override {
    log.push_back(L"nw2");
    cancel = true;
  }
  void NewWindow3(bool& cancel, uint32_t flags, const std::wstring& context,
                  const std::wstring& url) override {
    log.push_back(L"nw3 " + std::to_wstring(flags) + L" " + context + L" " + url);
    cancel = false;
  }
  void NavigateError(pf::WebFrame, const std::wstring& url, const std::wstring& frame,
                     int32_t status, bool& cancel) override {
    log.push_back(L"error " + url + L" " + frame + L" " + std::to_wstring(status));
    cancel = true;
  }
  void NavigateComplete2(pf::WebFrame frame, const std::wstring& url) override {
    log.push_back(L"nav " + std::to_wstring(frame != nullptr) + L" " + url);
  }
  void GetExternal(void** slot) override { log.push_back(slot ? L"external" : L"external-null"); }
  bool HideScrollBars() const override { return true; }
};

// Builds DISPPARAMS from arguments given in declaration order.
class Params {
 public:
  explicit Params(std::vector<VARIANT> args) : args_(args.rbegin(), args.rend()) {
    params_.rgvarg = args_.data();
    params_.cArgs = static_cast<UINT>(args_.size());
  }
  DISPPARAMS* Get() { return &params_; }

 private:
  std::vector<VARIANT> args_;
  DISPPARAMS params_{};
};

VARIANT Bstr(BSTR text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = text;
  return v;
}
VARIANT ByRef(VARIANT* inner) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = inner;
  return v;
}
VARIANT Dispatch(IDispatch* d) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = d;
  return v;
}
VARIANT DispatchOut(IDispatch** slot) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_DISPATCH;
  v.ppdispVal = slot;
  return v;
}
VARIANT Bool(VARIANT_BOOL* b) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = b;
  return v;
}
VARIANT Int(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

HRESULT Fire(IDispatch* sink, DISPID id, Params& params) {
  return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params.Get(), nullptr, nullptr, nullptr);
}

LRESULT CALLBACK FormProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// A shown top-level form of a plain class of its own, with the UI started.
HWND MakeForm() {
  static const bool registered = [] {
    pf::ui().Initialize();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VexaWebTestForm";
    return RegisterClassExW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  return CreateWindowExW(0, L"VexaWebTestForm", L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

class Win32Browser : public ::testing::Test {
 protected:
  void SetUp() override {
    form = MakeForm();
    ASSERT_NE(form, nullptr);
  }
  void TearDown() override {
    if (IsWindow(form)) DestroyWindow(form);
  }

 public:
  // Shared with the URL-rule suite's driver below.
  static void Pump() {
    MSG msg;
    for (int i = 0; i < 50 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  template <class Done>
  static bool PumpUntil(Done done, int milliseconds = 8000) {
    for (int waited = 0; waited < milliseconds && !done(); waited += 10) {
      Pump();
      Sleep(10);
    }
    return done();
  }

 protected:
  pf::HWindow Form() const { return reinterpret_cast<pf::HWindow>(form); }
  HWND form = nullptr;
};

TEST_F(Win32Browser, ViewIsAChildWithItsStyleAndGoesWithItsForm) {
  Owner owner;
  pf::HWindow view = owner.view.Create(Form(), pf::Rect{5, 6, 105, 56}, L"about:blank");
  ASSERT_NE(view, nullptr);
  browser::Subscribe(owner.view.Notify(), &owner);
  owner.view.SetBlockPopups(true);
  HWND hwnd = reinterpret_cast<HWND>(view);
  EXPECT_EQ(GetParent(hwnd), form);
  EXPECT_EQ(static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE)),
            static_cast<uint32_t>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
  EXPECT_EQ(GetWindowLongW(hwnd, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
  RECT r{};
  GetWindowRect(hwnd, &r);
  POINT origin{0, 0};
  ClientToScreen(form, &origin);
  EXPECT_EQ(r.left - origin.x, 5);
  EXPECT_EQ(r.top - origin.y, 6);
  EXPECT_EQ(r.right - r.left, 100);
  EXPECT_EQ(r.bottom - r.top, 50);

  pf::WebBrowser* host = web::HostOfWindow(view);
  ASSERT_NE(host, nullptr);
  std::printf("[ info ] WebBrowser control under this Wine: %s\n",
              host->HasEngine() ? "created" : "not available");
  if (host->HasEngine()) {
    EXPECT_TRUE(host->IsAdvised());
  }
  // A navigation call returns without crashing, whatever the engine can do.
  const bool navigated = owner.view.Navigate(L"http://localhost:9/page");
  std::printf("[ info ] Navigate: %s, notifications during the call:",
              navigated ? "accepted" : "refused");
  for (unsigned code : owner.codes) std::printf(" %u", code);
  std::printf("\n");
  if (navigated) {
    EXPECT_TRUE(owner.view.Pending());
  }
  if (navigated) {
    // Nobody listens on that port: the control reports the navigation and
    // then its failure through the sink.
    PumpUntil([&] { return owner.codes.size() >= 2; });
    EXPECT_EQ(owner.codes, (std::vector<unsigned>{7, 1}));
    EXPECT_EQ(owner.view.GetUrl(), L"http://localhost:9/page");
  }
  owner.view.Refresh();
  owner.view.FocusDocument();
  SendMessageW(hwnd, WM_SETFOCUS, 0, 0);
  MoveWindow(hwnd, 1, 2, 300, 200, TRUE);
  pf::Msg key{view, pf::kWM_KEYDOWN, VK_TAB, 0, 0, {}};
  owner.view.PreTranslateMessage(&key);
  pf::Msg other{Form(), pf::kWM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_EQ(owner.view.PreTranslateMessage(&other), 0);
  Pump();

  DestroyWindow(form);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(host->IsAdvised());
  EXPECT_FALSE(host->HasEngine());
  EXPECT_EQ(web::ReferencesOf(host), 0) << "the control still holds the host";
}

// Hosts a class that does not exist: a window without an IWebBrowser2.
class NoControlEngine : public pf::WebEngine {
 public:
  std::unique_ptr<pf::WebBrowser> Create(pf::HWindow parent, const pf::Rect& rect, uint32_t style,
                                         uint32_t, const std::wstring& url,
                                         pf::WebEvents* events) override {
    const CLSID missing = {0x0badf00d, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    return web::CreateWithClass(missing, parent, rect, style, url, events);
  }
};

TEST_F(Win32Browser, WithoutAControlNavigateFailsAndTouchesNothing) {
  NoControlEngine engine;
  pf::Platform platform = pf::Current();
  platform.web = &engine;
  const pf::Platform previous = pf::Install(platform);
  {
    Owner owner;
    pf::HWindow view = owner.view.Create(Form(), pf::Rect{0, 0, 50, 50}, L"about:blank");
    ASSERT_NE(view, nullptr);
    browser::Subscribe(owner.view.Notify(), &owner);
    pf::WebBrowser* host = web::HostOfWindow(view);
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(host->HasEngine());
    EXPECT_FALSE(host->IsAdvised());
    EXPECT_FALSE(host->Advise());
    EXPECT_FALSE(owner.view.Navigate(L"http://localhost/x"));
    EXPECT_FALSE(owner.view.Navigate(L"http://localhost/x", "a=1&b=2"));
    EXPECT_EQ(owner.view.GetUrl(), L"");
    EXPECT_FALSE(owner.view.Pending());
    owner.view.Refresh();
    owner.view.FocusDocument();
    SendMessageW(reinterpret_cast<HWND>(view), WM_SETFOCUS, 0, 0);
    pf::Msg key{view, pf::kWM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_EQ(owner.view.PreTranslateMessage(&key), 0);
    EXPECT_TRUE(owner.codes.empty());
    EXPECT_EQ(web::ReferencesOf(host), 0);
  }
  pf::Install(previous);
}

TEST_F(Win32Browser, SinkDeliversTheSevenEventsInTheirParameterOrder) {
  Recorder events;
  auto host = web::Engine()->Create(Form(), pf::Rect{0, 0, 200, 100}, WS_CHILD | WS_VISIBLE, 0,
                                    std::wstring(), &events);
  ASSERT_NE(host, nullptr);
  if (!host->HasEngine()) GTEST_SKIP() << "no WebBrowser control in this Wine";
  ASSERT_TRUE(host->IsAdvised());
  EXPECT_FALSE(host->Advise());  // already connected
  web::Faces faces;
  ASSERT_TRUE(web::FacesOf(host.get(), &faces));
  IDispatch* sink = faces.sink;
  IDispatch* frame = faces.sink;  // any IDispatch serves as a frame identity
  events.log.clear();

  BSTR url = SysAllocString(L"http://localhost/a");
  BSTR target = SysAllocString(L"_self");
  BSTR headers = SysAllocString(L"X: 1\r\n");
  VARIANT urlV = Bstr(url), targetV = Bstr(target), headersV = Bstr(headers);
  VARIANT flags = Int(64);
  VARIANT body;
  ASSERT_EQ(web::MakePostData("a=1&b=2", &body), S_OK);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  Params before({Dispatch(frame), ByRef(&urlV), ByRef(&flags), ByRef(&targetV), ByRef(&body),
                 ByRef(&headersV), Bool(&cancel)});
  EXPECT_EQ(Fire(sink, DISPID_BEFORENAVIGATE2, before), S_OK);
  EXPECT_EQ(cancel, VARIANT_TRUE);

  VARIANT_BOOL cancel2 = VARIANT_TRUE;
  BSTR context = SysAllocString(L"http://localhost/ctx");
  BSTR popup = SysAllocString(L"http://localhost/pop");
  IDispatch* newWindow = nullptr;
  Params nw3({DispatchOut(&newWindow), Bool(&cancel2), Int(6), Bstr(context), Bstr(popup)});
  Fire(sink, DISPID_NEWWINDOW3, nw3);
  EXPECT_EQ(cancel2, VARIANT_FALSE);
  VARIANT_BOOL cancel3 = VARIANT_FALSE;
  Params nw2({DispatchOut(&newWindow), Bool(&cancel3)});
  Fire(sink, DISPID_NEWWINDOW2, nw2);
  EXPECT_EQ(cancel3, VARIANT_TRUE);

  VARIANT status = Int(static_cast<LONG>(0x800C0005));
  VARIANT_BOOL cancel4 = VARIANT_FALSE;
  Params error({Dispatch(frame), ByRef(&urlV), ByRef(&targetV), ByRef(&status), Bool(&cancel4)});
  Fire(sink, DISPID_NAVIGATEERROR, error);
  EXPECT_EQ(cancel4, VARIANT_TRUE);
  Params complete({Dispatch(frame), ByRef(&urlV)});
  Fire(sink, DISPID_NAVIGATECOMPLETE2, complete);
  Fire(sink, DISPID_DOCUMENTCOMPLETE, complete);
  BSTR title = SysAllocString(L"A title");
  Params titleParams({Bstr(title)});
  Fire(sink, DISPID_TITLECHANGE, titleParams);
  // Too few arguments or an unknown event: ignored.
  Params none({});
  Fire(sink, DISPID_BEFORENAVIGATE2, none);
  Fire(sink, 9999, complete);

  const std::vector<std::wstring> expected = {
      L"before http://localhost/a 64 _self a=1&b=2 X: 1\r\n",
      L"nw3 6 http://localhost/ctx http://localhost/pop",
      L"nw2",
      L"error http://localhost/a _self -2146697211",
      L"nav 1 http://localhost/a",
      L"doc 1 http://localhost/a",
      L"title A title",
  };
  EXPECT_EQ(events.log, expected);
  VariantClear(&body);
  for (BSTR b : {url, target, headers, context, popup, title}) SysFreeString(b);

  // Disconnected: nothing arrives.
  host->Unadvise();
  events.log.clear();
  Fire(sink, DISPID_TITLECHANGE, titleParams);
  EXPECT_TRUE(events.log.empty());
  host.reset();
}

// The rules themselves run in browser_rules_test.cpp through this sink (the
// driver below); here the failure events the control reports.
TEST_F(Win32Browser, NavigateErrorsThroughTheRealSink) {
  Owner owner;
  pf::HWindow view = owner.view.Create(Form(), pf::Rect{0, 0, 200, 100}, L"about:blank");
  ASSERT_NE(view, nullptr);
  browser::Subscribe(owner.view.Notify(), &owner);
  owner.view.SetBlockPopups(true);
  pf::WebBrowser* host = web::HostOfWindow(view);
  if (!host->HasEngine()) GTEST_SKIP() << "no WebBrowser control in this Wine";
  web::Faces faces;
  ASSERT_TRUE(web::FacesOf(host, &faces));
  IDispatch* sink = faces.sink;

  // E_ABORT is silent; other failures raise 1 and suppress the error page.
  BSTR url = SysAllocString(L"http://localhost/x");
  VARIANT urlV = Bstr(url), frameV;
  VariantInit(&frameV);
  VARIANT abort = Int(E_ABORT);
  VARIANT_BOOL c1 = VARIANT_FALSE;
  Params aborted({Dispatch(sink), ByRef(&urlV), ByRef(&frameV), ByRef(&abort), Bool(&c1)});
  Fire(sink, DISPID_NAVIGATEERROR, aborted);
  EXPECT_EQ(c1, VARIANT_FALSE);
  EXPECT_TRUE(owner.codes.empty());
  VARIANT failed = Int(404);
  Params failing({Dispatch(sink), ByRef(&urlV), ByRef(&frameV), ByRef(&failed), Bool(&c1)});
  Fire(sink, DISPID_NAVIGATEERROR, failing);
  EXPECT_EQ(c1, VARIANT_TRUE);
  EXPECT_EQ(owner.codes, (std::vector<unsigned>{1}));
  SysFreeString(url);
}

TEST_F(Win32Browser, UiHandlerFacesAnswerAsTabulated) {
  Owner owner;
  pf::HWindow view = owner.view.Create(Form(), pf::Rect{0, 0, 200, 100}, L"about:blank");
  ASSERT_NE(view, nullptr);
  browser::Subscribe(owner.view.Notify(), &owner);
  pf::WebBrowser* host = web::HostOfWindow(view);
  web::Faces faces;
  ASSERT_TRUE(web::FacesOf(host, &faces));
  IDocHostUIHandler* doc = faces.documentUi;
  IDocHostUIHandler* ui = faces.hostUi;
  const long references = web::ReferencesOf(host);

  DOCHOSTUIINFO info{};
  info.dwFlags = 0x40;
  info.dwDoubleClick = 7;
  EXPECT_EQ(doc->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.cbSize, sizeof(DOCHOSTUIINFO));
  EXPECT_EQ(info.dwFlags, 0x40u | 0x20000Eu);
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(doc->ShowContextMenu(0, nullptr, nullptr, nullptr), S_FALSE);
  EXPECT_EQ(doc->ShowUI(0, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(doc->EnableModeless(TRUE), E_NOTIMPL);
  EXPECT_EQ(doc->TranslateAccelerator(nullptr, nullptr, 0), E_NOTIMPL);
  EXPECT_EQ(doc->HideUI(), S_OK);
  EXPECT_EQ(doc->UpdateUI(), S_OK);
  EXPECT_EQ(doc->TranslateUrl(0, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(doc->FilterDataObject(nullptr, nullptr), E_NOTIMPL);

  DOCHOSTUIINFO untouched{};
  untouched.dwFlags = 0x40;
  EXPECT_EQ(ui->GetHostInfo(&untouched), S_OK);
  EXPECT_EQ(untouched.dwFlags, 0x40u);
  EXPECT_EQ(ui->ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);  // no menu
  EXPECT_EQ(ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(ui->TranslateUrl(0, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(ui->FilterDataObject(nullptr, nullptr), E_NOTIMPL);

  // window.external is only for the top-level pages of trusted hosts; the
  // control here shows no such page (Wine has no HTML engine to load one),
  // so both faces answer with no object and raise nothing.
  pf::SetTrustedPageHosts({L"localhost"});
  IDispatch* external = reinterpret_cast<IDispatch*>(0x1234);
  owner.external = faces.sink;
  EXPECT_EQ(doc->GetExternal(&external), S_FALSE);
  EXPECT_EQ(external, nullptr);
  external = reinterpret_cast<IDispatch*>(0x1234);
  EXPECT_EQ(ui->GetExternal(&external), S_FALSE);
  EXPECT_EQ(external, nullptr);
  EXPECT_TRUE(owner.codes.empty());
  pf::SetTrustedPageHosts({});

  // QueryInterface: handler faces give the document face; others refused.
  void* out = nullptr;
  EXPECT_EQ(ui->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(doc));
  static_cast<IUnknown*>(out)->Release();
  EXPECT_EQ(doc->QueryInterface(IID_IDocHostUIHandler, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(doc));
  static_cast<IUnknown*>(out)->Release();
  EXPECT_EQ(doc->QueryInterface(IID_IOleClientSite, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(faces.sink->QueryInterface(IID_IDispatch, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(faces.sink));
  static_cast<IUnknown*>(out)->Release();
  EXPECT_EQ(faces.sink->QueryInterface(IID_IOleClientSite, &out), E_NOINTERFACE);
  EXPECT_EQ(faces.site->QueryInterface(IID_IOleInPlaceSite, &out), S_OK);
  static_cast<IUnknown*>(out)->Release();
  EXPECT_EQ(web::ReferencesOf(host), references);
}

TEST(Win32PostData, BodyIsAByteArrayAndReadsBack) {
  VARIANT body;
  ASSERT_EQ(web::MakePostData("a=1&b=2", &body), S_OK);
  EXPECT_EQ(body.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(body.vt, 0x2011);
  EXPECT_EQ(SafeArrayGetDim(body.parray), 1u);
  LONG lower = -1, upper = -1;
  SafeArrayGetLBound(body.parray, 1, &lower);
  SafeArrayGetUBound(body.parray, 1, &upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 6);
  VARIANT wrapped;
  VariantInit(&wrapped);
  wrapped.vt = VT_BYREF | VT_VARIANT;
  wrapped.pvarVal = &body;
  std::string bytes;
  EXPECT_TRUE(web::ReadPostData(&wrapped, &bytes));
  EXPECT_EQ(bytes, "a=1&b=2");
  VariantClear(&body);

  // A body with a lower bound other than 0 reads from lower to upper.
  SAFEARRAYBOUND bound{3, 5};
  SAFEARRAY* odd = SafeArrayCreate(VT_UI1, 1, &bound);
  for (LONG i = 5; i < 8; ++i) {
    unsigned char c = static_cast<unsigned char>('x' + i - 5);
    SafeArrayPutElement(odd, &i, &c);
  }
  VARIANT oddV;
  VariantInit(&oddV);
  oddV.vt = VT_ARRAY | VT_UI1;
  oddV.parray = odd;
  wrapped.pvarVal = &oddV;
  EXPECT_TRUE(web::ReadPostData(&wrapped, &bytes));
  EXPECT_EQ(bytes, "xyz");
  VariantClear(&oddV);

  VARIANT empty;
  VariantInit(&empty);
  wrapped.pvarVal = &empty;
  EXPECT_FALSE(web::ReadPostData(&wrapped, &bytes));
  EXPECT_EQ(bytes, "");
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"not bytes");
  wrapped.pvarVal = &text;
  EXPECT_FALSE(web::ReadPostData(&wrapped, &bytes));
  VariantClear(&text);
  EXPECT_FALSE(web::ReadPostData(&empty, &bytes));
  EXPECT_FALSE(web::ReadPostData(nullptr, &bytes));
  ASSERT_EQ(web::MakePostData("", &body), S_OK);
  VariantClear(&body);
}

}  // namespace

// The URL-rule suite (browser_rules_test.cpp) on the WebBrowser control: the
// page's navigations and window requests arrive through the view's real
// event sink, with the control's parameter orders.
namespace testsupport {
namespace {
class Win32RulesDriver : public RulesDriver {
 public:
  Win32RulesDriver() : form_(MakeForm()) {}
  ~Win32RulesDriver() override {
    if (IsWindow(form_)) DestroyWindow(form_);
  }
  std::string Unavailable() override {
    if (!form_) return "no form window";
    CBrowserView probe;
    pf::HWindow view = probe.Create(Form(), pf::Rect{0, 0, 10, 10}, L"about:blank");
    if (!view) return "no browser view";
    return web::HostOfWindow(view)->HasEngine() ? std::string()
                                                  : "no WebBrowser control in this Wine";
  }
  pf::HWindow Form() override { return reinterpret_cast<pf::HWindow>(form_); }
  bool Load(CBrowserView& view, const std::wstring& url) override {
    // Nothing listens on the pages' port: the navigation is begun, not awaited.
    if (!view.Navigate(url)) return false;
    Win32Browser::PumpUntil([&] { return !view.Pending(); }, 500);
    return true;
  }
  bool PageNavigates(CBrowserView& view, const std::wstring& text) override {
    IDispatch* sink = Sink(view);
    if (!sink) return false;
    BSTR url = SysAllocString(text.c_str());
    VARIANT urlV = Bstr(url), flags = Int(0), target, body, headers;
    VariantInit(&target);
    VariantInit(&body);
    VariantInit(&headers);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Params p({Dispatch(sink), ByRef(&urlV), ByRef(&flags), ByRef(&target), ByRef(&body),
              ByRef(&headers), Bool(&cancel)});
    Fire(sink, DISPID_BEFORENAVIGATE2, p);
    SysFreeString(url);
    return cancel == VARIANT_TRUE;
  }
  bool PageOpensWindow(CBrowserView& view, const std::wstring& text) override {
    IDispatch* sink = Sink(view);
    if (!sink) return false;
    BSTR url = SysAllocString(text.c_str());
    BSTR context = SysAllocString(L"");
    IDispatch* none = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Params p({DispatchOut(&none), Bool(&cancel), Int(0), Bstr(context), Bstr(url)});
    Fire(sink, DISPID_NEWWINDOW3, p);
    // A refused pop-up's page is opened in the view, whose navigation the
    // control reports later: the view diverts it then.
    Win32Browser::PumpUntil([&] { return view.GetUrl() == text && !view.FromNewWindow(); }, 4000);
    SysFreeString(url);
    SysFreeString(context);
    return cancel == VARIANT_TRUE;
  }
  std::wstring PageUrl(const std::string& path) override {
    return L"http://localhost:9" + std::wstring(path.begin(), path.end());
  }

 private:
  static IDispatch* Sink(CBrowserView& view) {
    web::Faces faces;
    return web::FacesOf(web::HostOfWindow(view.Window()), &faces) ? faces.sink : nullptr;
  }
  HWND form_ = nullptr;
};
}  // namespace

std::unique_ptr<RulesDriver> MakeRulesDriver() { return std::make_unique<Win32RulesDriver>(); }
}  // namespace testsupport
