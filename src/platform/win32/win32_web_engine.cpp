// The web engine on Windows: the WebBrowser control in a child window of our
// own class, hosted by a small COM container (ATL does not exist for MinGW).
//
// Supports: the client site, in-place site and in-place frame the control
// needs to activate in place; two IDocHostUIHandler faces (the container's
// own, which MSHTML finds through the client site once the host has
// registered its external handler, and the document face that
// ICustomDoc::SetUIHandler installs on each document); the
// DWebBrowserEvents2 sink through IDispatch::Invoke with the seven events;
// Navigate2 with a byte-array body and header line; keyboard and mouse
// forwarding to the control's accelerator translation.
//
// Ownership: every face lives inside the host object, which the browser view
// owns; COM reference counts are counted (interlocked) but reaching zero
// frees nothing.  Teardown closes the control and releases it before the host
// goes, so no reference outlives the host.
#include <windows.h>

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <ocidl.h>
#include <oleidl.h>

#include "platform/win32/win32_web_engine.h"

#include <cstring>
#include <new>

#include "platform/platform.h"

namespace pf {
namespace win32web {
namespace {

inline HWND H(HWindow w) { return reinterpret_cast<HWND>(w); }
inline HWindow W(HWND h) { return reinterpret_cast<HWindow>(h); }

const CLSID kClsidWebBrowser = {
    0x8856f961, 0x340a, 0x11d0, {0xa9, 0x6b, 0x00, 0xc0, 0x4f, 0xd7, 0x05, 0xa2}};
const IID kDiidWebBrowserEvents2 = {
    0x34a715a0, 0x6587, 0x11d0, {0x92, 0x4a, 0x00, 0x20, 0xaf, 0xc7, 0xac, 0x4d}};
// Not in MinGW's uuid library.
const IID kIidCustomDoc = {
    0x3050f3f0, 0x98b5, 0x11cf, {0xbb, 0x82, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x0b}};
const wchar_t kHostClass[] = L"VexaWebHost";

// Scoped COM pointer.
template <class T>
class Com {
 public:
  Com() = default;
  ~Com() { Reset(); }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!b_) throw std::bad_alloc();
  }
  ~Bstr() { ::SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR Get() const { return b_; }

 private:
  BSTR b_;
};

std::wstring Text(BSTR b) { return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring(); }

class Host;

// Each face is a separate vtable with a back pointer; all share the host's
// count (AddRef and Release here), and each answers QueryInterface its way.
template <class Interface>
struct Face : Interface {
  explicit Face(Host* h) : host(h) {}
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  Host* host;
};

struct SiteFace : Face<IOleClientSite> {
  using Face::Face;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

struct InPlaceFace : Face<IOleInPlaceSite> {
  using Face::Face;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT pos, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override;
};

struct FrameFace : Face<IOleInPlaceFrame> {
  using Face::Face;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
};

// The two UI-handler faces differ only in their answers.
struct UiFace : Face<IDocHostUIHandler> {
  bool document;  // true: the face installed on documents
  UiFace(Host* h, bool d) : Face(h), document(d) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    // The document lets the engine show its menu; the container shows none.
    return document ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                   IOleInPlaceFrame*, IOleInPlaceUIWindow*) override {
    return document ? E_NOTIMPL : S_OK;
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return document ? E_NOTIMPL : S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override {
    return document ? E_NOTIMPL : S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override {
    return document ? E_NOTIMPL : S_OK;
  }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
    return document ? E_NOTIMPL : S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override {
    // The container's face must not claim keys it did not handle.
    return document ? E_NOTIMPL : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (!document && key) *key = nullptr;  // default settings
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** out) override {
    if (out) *out = nullptr;  // the engine keeps its own
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
};

struct SinkFace : Face<IDispatch> {
  using Face::Face;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override;
};

class Host : public WebBrowser {
 public:
  Host(WebEvents* events, const CLSID& clsid) : events_(events), clsid_(clsid) {}
  ~Host() override {
    events_ = nullptr;  // teardown raises nothing
    if (window_) ::DestroyWindow(window_);
    DestroyControl();
  }

  HWindow Window() const override { return W(window_); }
  bool HasEngine() const override { return browser_ != nullptr; }

  bool Advise() override {
    if (!browser_ || cookie_) return false;
    Com<IConnectionPointContainer> container;
    if (FAILED(browser_->QueryInterface(IID_IConnectionPointContainer, container.OutVoid())))
      return false;
    if (FAILED(container->FindConnectionPoint(kDiidWebBrowserEvents2, point_.Out()))) return false;
    DWORD cookie = 0;
    if (FAILED(point_->Advise(&sink_, &cookie)) || !cookie) {
      point_.Reset();
      return false;
    }
    cookie_ = cookie;
    return true;
  }
  void Unadvise() override {
    if (cookie_ && point_) point_->Unadvise(cookie_);
    cookie_ = 0;
    point_.Reset();
  }
  bool IsAdvised() const override { return cookie_ != 0; }
  bool SetExternalUiHandler() override {
    if (!browser_) return false;
    hostUiRegistered_ = true;
    return true;
  }

  bool Navigate2(const std::wstring& url, const std::string* postData,
                 const std::wstring& headers) override {
    if (!browser_) return false;
    VARIANT target, empty, body, head;
    ::VariantInit(&target);
    ::VariantInit(&empty);
    ::VariantInit(&body);
    ::VariantInit(&head);
    Bstr urlText(url);  // throws on exhaustion, as the caller's out-of-memory path
    target.vt = VT_BSTR;
    target.bstrVal = urlText.Get();
    HRESULT hr;
    if (!postData) {
      hr = browser_->Navigate2(&target, &empty, &empty, &empty, &empty);
    } else {
      if (FAILED(MakePostData(*postData, &body))) return false;
      Bstr headerText(headers);
      head.vt = VT_BSTR;
      head.bstrVal = headerText.Get();
      hr = browser_->Navigate2(&target, &empty, &empty, &body, &head);
      ::VariantClear(&body);
    }
    return SUCCEEDED(hr);
  }
  void SetSilent(bool silent) override {
    if (browser_) browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
  }
  void SetRegisterAsDropTarget(bool accept) override {
    if (browser_) browser_->put_RegisterAsDropTarget(accept ? VARIANT_TRUE : VARIANT_FALSE);
  }
  void Refresh() override {
    if (browser_) browser_->Refresh();
  }
  void FocusDocument() override {
    if (!browser_) return;
    Com<IDispatch> document;
    Com<IHTMLDocument2> html;
    Com<IHTMLWindow2> window;
    if (FAILED(browser_->get_Document(document.Out())) || !document) return;
    if (FAILED(document->QueryInterface(IID_IHTMLDocument2, html.OutVoid()))) return;
    if (FAILED(html->get_parentWindow(window.Out())) || !window) return;
    window->focus();
  }
  void SetBodyScroll(WebFrame frame, const std::wstring& value) override {
    if (!browser_ || !frame) return;
    auto* dispatch = static_cast<IDispatch*>(const_cast<void*>(frame));
    Com<IWebBrowser2> frameBrowser;
    Com<IDispatch> document;
    Com<IHTMLDocument2> html;
    Com<IHTMLElement> body;
    Com<IHTMLBodyElement> bodyElement;
    if (FAILED(dispatch->QueryInterface(IID_IWebBrowser2, frameBrowser.OutVoid()))) return;
    if (FAILED(frameBrowser->get_Document(document.Out())) || !document) return;
    if (FAILED(document->QueryInterface(IID_IHTMLDocument2, html.OutVoid()))) return;
    if (FAILED(html->get_body(body.Out())) || !body) return;
    if (FAILED(body->QueryInterface(IID_IHTMLBodyElement, bodyElement.OutVoid()))) return;
    Bstr text(value);
    bodyElement->put_scroll(text.Get());
  }
  void InstallDocumentUiHandler() override {
    if (!browser_) return;
    Com<IDispatch> document;
    Com<ICustomDoc> custom;
    if (FAILED(browser_->get_Document(document.Out())) || !document) return;
    if (FAILED(document->QueryInterface(kIidCustomDoc, custom.OutVoid()))) return;
    custom->SetUIHandler(&documentUi_);
  }
  bool IsHostOf(HWindow window) override {
    HWND w = H(window);
    return w && window_ && (w == window_ || ::IsChild(window_, w));
  }

  // COM faces.
  HRESULT Query(REFIID riid, void** out, bool fromHandler) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (fromHandler) {
      if (riid == IID_IUnknown || riid == IID_IDocHostUIHandler) *out = &documentUi_;
    } else if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(&site_);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(&inPlace_);
    } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(&frame_);
    } else if (riid == IID_IDocHostUIHandler && hostUiRegistered_) {
      *out = static_cast<IDocHostUIHandler*>(&hostUi_);
    }
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  HRESULT QuerySink(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != kDiidWebBrowserEvents2)
      return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(&sink_);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG Release() { return static_cast<ULONG>(::InterlockedDecrement(&references_)); }
  long References() const { return references_; }

  HWND Hwnd() const { return window_; }
  WebEvents* Events() const { return events_; }
  // Whether the control's top-level page is one of the trusted hosts'.
  bool TopPageTrusted() const {
    if (!browser_) return false;
    BSTR location = nullptr;
    if (FAILED(browser_->get_LocationURL(&location)) || !location) return false;
    const bool trusted = IsTrustedPageUrl(std::wstring(location, SysStringLen(location)));
    SysFreeString(location);
    return trusted;
  }
  bool Delivering() const { return cookie_ != 0 && events_ != nullptr; }
  void Resize(const RECT& rect) {
    Com<IOleInPlaceObject> inPlace;
    if (object_ && SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid())))
      inPlace->SetObjectRects(&rect, &rect);
  }
  void Faces(win32web::Faces* out) {
    out->site = &site_;
    out->sink = &sink_;
    out->hostUi = &hostUi_;
    out->documentUi = &documentUi_;
  }
  void Dispatch(DISPID id, DISPPARAMS* params);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateWindowFor(HWindow parent, const Rect& rect, uint32_t style, uint32_t exStyle,
                       const std::wstring& url);

 private:
  void CreateControl();
  void DestroyControl();
  LRESULT Forward(const Msg* msg);

  WebEvents* events_;  // not owned
  CLSID clsid_;
  HWND window_ = nullptr;
  Com<IOleObject> object_;
  IWebBrowser2* browser_ = nullptr;  // owned reference; null: no engine
  Com<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  bool hostUiRegistered_ = false;
  volatile LONG references_ = 0;
  SiteFace site_{this};
  InPlaceFace inPlace_{this};
  FrameFace frame_{this};
  UiFace hostUi_{this, false};
  UiFace documentUi_{this, true};
  SinkFace sink_{this};
};

template <class Interface>
ULONG STDMETHODCALLTYPE Face<Interface>::AddRef() {
  return host->AddRef();
}
template <class Interface>
ULONG STDMETHODCALLTYPE Face<Interface>::Release() {
  return host->Release();
}
HRESULT SiteFace::QueryInterface(REFIID riid, void** out) { return host->Query(riid, out, false); }
HRESULT InPlaceFace::QueryInterface(REFIID riid, void** out) {
  return host->Query(riid, out, false);
}
HRESULT FrameFace::QueryInterface(REFIID riid, void** out) { return host->Query(riid, out, false); }
HRESULT UiFace::QueryInterface(REFIID riid, void** out) { return host->Query(riid, out, true); }
HRESULT SinkFace::QueryInterface(REFIID riid, void** out) { return host->QuerySink(riid, out); }

HRESULT InPlaceFace::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = host->Hwnd();
  return S_OK;
}
HRESULT FrameFace::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = host->Hwnd();
  return S_OK;
}

HRESULT InPlaceFace::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                      LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame) host->Query(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame), false);
  if (doc) *doc = nullptr;
  RECT client{};
  ::GetClientRect(host->Hwnd(), &client);
  if (pos) *pos = client;
  if (clip) *clip = client;
  if (info) {
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = ::GetAncestor(host->Hwnd(), GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
  }
  return S_OK;
}

HRESULT InPlaceFace::OnPosRectChange(LPCRECT rect) {
  if (rect) host->Resize(*rect);
  return S_OK;
}

HRESULT UiFace::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!document) return S_OK;  // the container's face leaves the engine's values
  if (!info) return E_POINTER;
  info->cbSize = sizeof(DOCHOSTUIINFO);
  info->dwFlags |=
      DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER;
  WebEvents* events = host->Events();
  if (events && events->HideScrollBars()) info->dwFlags |= DOCHOSTUIFLAG_SCROLL_NO;
  info->dwDoubleClick = 0;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}

HRESULT UiFace::GetExternal(IDispatch** out) {
  // window.external only for the platform's own pages: others get none.
  if (!host->TopPageTrusted()) {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  if (WebEvents* events = host->Events()) events->GetExternal(reinterpret_cast<ExternalObject**>(out));
  return S_OK;
}

HRESULT SinkFace::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                         UINT*) {
  if (params) host->Dispatch(id, params);
  return S_OK;
}

// Arguments arrive last first: parameter i of n is rgvarg[n - 1 - i].
VARIANT* Arg(DISPPARAMS* p, UINT i) {
  return i < p->cArgs ? &p->rgvarg[p->cArgs - 1 - i] : nullptr;
}
VARIANT* Deref(VARIANT* v) {
  while (v && v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  return v;
}
std::wstring StringArg(DISPPARAMS* p, UINT i) {
  VARIANT* v = Deref(Arg(p, i));
  if (v && v->vt == VT_BSTR) return Text(v->bstrVal);
  if (v && v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) return Text(*v->pbstrVal);
  return std::wstring();
}
WebFrame FrameArg(DISPPARAMS* p, UINT i) {
  VARIANT* v = Deref(Arg(p, i));
  if (v && (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN)) return v->pdispVal;
  return nullptr;
}
int32_t IntArg(DISPPARAMS* p, UINT i) {
  VARIANT* v = Deref(Arg(p, i));
  if (!v) return 0;
  switch (v->vt) {
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return static_cast<int32_t>(v->lVal);
    case (VT_BYREF | VT_I4):
      return v->plVal ? static_cast<int32_t>(*v->plVal) : 0;
    default:
      return 0;
  }
}
// Raises an event with its Cancel argument (parameter `index`, VT_BYREF |
// VT_BOOL) and writes the handler's answer back into it.
template <typename Raise>
void WithCancel(DISPPARAMS* p, UINT index, const Raise& raise) {
  VARIANT* v = Arg(p, index);
  VARIANT_BOOL* out = v && v->vt == (VT_BYREF | VT_BOOL) ? v->pboolVal : nullptr;
  bool cancel = out && *out != VARIANT_FALSE;
  raise(cancel);
  if (out) *out = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

void Host::Dispatch(DISPID id, DISPPARAMS* p) {
  if (!Delivering()) return;
  switch (id) {
    case DISPID_DOCUMENTCOMPLETE:  // (pDisp, URL)
      if (p->cArgs >= 2) events_->DocumentComplete(FrameArg(p, 0), StringArg(p, 1));
      break;
    case DISPID_TITLECHANGE:  // (Text)
      if (p->cArgs >= 1) events_->TitleChange(StringArg(p, 0));
      break;
    case DISPID_BEFORENAVIGATE2:  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
      if (p->cArgs < 7) break;
      WithCancel(p, 6, [&](bool& cancel) {
        std::string body;
        const bool hasBody = ReadPostData(Arg(p, 4), &body);
        events_->BeforeNavigate2(FrameArg(p, 0), StringArg(p, 1),
                                 static_cast<uint32_t>(IntArg(p, 2)), StringArg(p, 3),
                                 hasBody ? &body : nullptr, StringArg(p, 5), cancel);
      });
      break;
    case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
      if (p->cArgs >= 2) WithCancel(p, 1, [&](bool& cancel) { events_->NewWindow2(cancel); });
      break;
    case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
      if (p->cArgs < 5) break;
      WithCancel(p, 1, [&](bool& cancel) {
        events_->NewWindow3(cancel, static_cast<uint32_t>(IntArg(p, 2)), StringArg(p, 3),
                            StringArg(p, 4));
      });
      break;
    case DISPID_NAVIGATEERROR:  // (pDisp, URL, Frame, StatusCode, Cancel)
      if (p->cArgs < 5) break;
      WithCancel(p, 4, [&](bool& cancel) {
        events_->NavigateError(FrameArg(p, 0), StringArg(p, 1), StringArg(p, 2), IntArg(p, 3),
                               cancel);
      });
      break;
    case DISPID_NAVIGATECOMPLETE2:  // (pDisp, URL)
      if (p->cArgs >= 2) events_->NavigateComplete2(FrameArg(p, 0), StringArg(p, 1));
      break;
    default:
      break;
  }
}

void Host::CreateControl() {
  if (FAILED(::CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                object_.OutVoid())) ||
      !object_)
    return;
  object_->SetClientSite(&site_);
  RECT client{};
  ::GetClientRect(window_, &client);
  object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site_, 0, window_, &client);
  IWebBrowser2* browser = nullptr;
  if (FAILED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser))) ||
      !browser) {
    DestroyControl();
    return;
  }
  browser_ = browser;
  wchar_t text[2084] = {};
  ::GetWindowTextW(window_, text, 2084);
  if (text[0]) Navigate2(text, nullptr, std::wstring());
}

void Host::DestroyControl() {
  Unadvise();
  if (browser_) {
    browser_->Release();
    browser_ = nullptr;
  }
  if (object_) {
    Com<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid())))
      inPlace->InPlaceDeactivate();
    inPlace.Reset();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_.Reset();
  }
}

LRESULT Host::Forward(const Msg* msg) {
  if (!msg || !object_) return 0;
  Com<IOleInPlaceActiveObject> active;
  if (FAILED(object_->QueryInterface(IID_IOleInPlaceActiveObject, active.OutVoid()))) return 0;
  MSG native{};
  native.hwnd = H(msg->hwnd);
  native.message = msg->message;
  native.wParam = msg->wParam;
  native.lParam = msg->lParam;
  native.time = msg->time;
  native.pt.x = msg->pt.x;
  native.pt.y = msg->pt.y;
  return active->TranslateAccelerator(&native) == S_OK ? 1 : 0;
}

LRESULT CALLBACK Host::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* self = static_cast<Host*>(create->lpCreateParams);
    self->window_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Host*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      self->CreateControl();
      if (self->events_) self->events_->OnHostMessage(*self, kWM_CREATE);
      return 0;
    case WM_SIZE: {
      RECT client{0, 0, LOWORD(lParam), HIWORD(lParam)};
      self->Resize(client);
      return 0;
    }
    case WM_SETFOCUS: {
      const LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
      if (self->events_) self->events_->OnHostMessage(*self, kWM_SETFOCUS);
      return result;
    }
    case WM_DESTROY:
      if (self->events_) self->events_->OnHostMessage(*self, kWM_DESTROY);
      self->DestroyControl();
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->window_ = nullptr;
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    case kWM_FORWARDMSG:
      return self->Forward(reinterpret_cast<const Msg*>(lParam));
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

bool Host::CreateWindowFor(HWindow parent, const Rect& rect, uint32_t style, uint32_t exStyle,
                           const std::wstring& url) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!::GetClassInfoExW(instance, kHostClass, &wc)) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Host::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHostClass;
    if (!::RegisterClassExW(&wc)) return false;
  }
  ::CreateWindowExW(exStyle, kHostClass, url.c_str(), style, rect.left, rect.top, rect.Width(),
                    rect.Height(), H(parent), nullptr, instance, this);
  return window_ != nullptr;
}

class Win32Engine : public WebEngine {
 public:
  std::unique_ptr<WebBrowser> Create(HWindow parent, const Rect& rect, uint32_t style,
                                     uint32_t exStyle, const std::wstring& url,
                                     WebEvents* events) override {
    auto host = std::make_unique<Host>(events, kClsidWebBrowser);
    if (!host->CreateWindowFor(parent, rect, style, exStyle, url)) return nullptr;
    return host;
  }
};

Host* HostOf(HWindow window) {
  HWND hwnd = H(window);
  if (!hwnd || !::IsWindow(hwnd)) return nullptr;
  wchar_t name[32] = {};
  ::GetClassNameW(hwnd, name, 32);
  if (std::wcscmp(name, kHostClass) != 0) return nullptr;
  return reinterpret_cast<Host*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace

WebEngine* Engine() {
  static Win32Engine engine;
  return &engine;
}

std::unique_ptr<WebBrowser> CreateWithClass(const CLSID& clsid, HWindow parent, const Rect& rect,
                                            uint32_t style, const std::wstring& url,
                                            WebEvents* events) {
  auto host = std::make_unique<Host>(events, clsid);
  if (!host->CreateWindowFor(parent, rect, style, 0, url)) return nullptr;
  return host;
}

bool FacesOf(WebBrowser* browser, Faces* out) {
  Host* host = dynamic_cast<Host*>(browser);
  if (!host || !out) return false;
  host->Faces(out);
  return true;
}

long ReferencesOf(WebBrowser* browser) {
  Host* host = dynamic_cast<Host*>(browser);
  return host ? host->References() : -1;
}

WebBrowser* HostOfWindow(HWindow hostWindow) { return HostOf(hostWindow); }

HRESULT MakePostData(const std::string& bytes, VARIANT* out) {
  if (!out) return E_POINTER;
  ::VariantInit(out);
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) return E_OUTOFMEMORY;
  void* data = nullptr;
  if (FAILED(::SafeArrayAccessData(array, &data))) {
    ::SafeArrayDestroy(array);
    return E_FAIL;
  }
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  ::SafeArrayUnaccessData(array);
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = array;
  return S_OK;
}

bool ReadPostData(const VARIANT* postData, std::string* bytes) {
  if (bytes) bytes->clear();
  if (!postData || !bytes || postData->vt != (VT_BYREF | VT_VARIANT) || !postData->pvarVal)
    return false;
  const VARIANT* inner = postData->pvarVal;
  if (inner->vt == VT_EMPTY) return false;
  // Anything but a one-dimensional byte array carries no body we can read.
  if (!(inner->vt & VT_ARRAY) || (inner->vt & VT_BYREF) || !inner->parray) return false;
  SAFEARRAY* array = inner->parray;
  if (::SafeArrayGetDim(array) != 1 || ::SafeArrayGetElemsize(array) != 1) return false;
  LONG lower = 0, upper = -1;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &upper)))
    return false;
  if (upper < lower) return true;  // an empty body
  void* data = nullptr;
  if (FAILED(::SafeArrayAccessData(array, &data))) return false;
  bytes->assign(static_cast<const char*>(data), static_cast<size_t>(upper - lower + 1));
  ::SafeArrayUnaccessData(array);
  return true;
}

}  // namespace win32web
}  // namespace pf
