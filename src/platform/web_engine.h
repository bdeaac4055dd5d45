// The hosted web engine: one browser control living in a child window of its
// own, in the vocabulary of the WebBrowser control (Navigate2, put_Silent,
// DWebBrowserEvents2 and the host UI handler).
//
// Threads: the user-interface thread only.  Events arrive re-entrantly inside
// the engine's calls: an event handler may call back into the engine (for
// example Navigate2 from NewWindow3), which may raise further events before
// returning.
#pragma once

// The host window answers kWM_FORWARDMSG (lParam a Msg*) by offering the
// keyboard or mouse message to the engine; nonzero when it was consumed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace pf {

// A frame of a page (on Windows the frame's IDispatch); compared by identity only.
using WebFrame = const void*;

class WebBrowser;

// The hosts whose top-level pages get window.external ("host" matches any
// port, "host:port" that port only; letter case does not matter).  Set once
// at start on the user-interface thread; none are trusted until then.
void SetTrustedPageHosts(std::vector<std::wstring> hosts);
// Whether a top-level page at this address may have window.external: http
// or https, and a host (and port) of the trusted list.
bool IsTrustedPageUrl(const std::wstring& url);

// Host UI flags of GetHostInfo (DOCHOSTUIFLAG_*).
constexpr uint32_t kDOCHOSTUIFLAG_DISABLE_HELP_MENU = 0x00000002;
constexpr uint32_t kDOCHOSTUIFLAG_NO3DBORDER = 0x00000004;
constexpr uint32_t kDOCHOSTUIFLAG_SCROLL_NO = 0x00000008;
constexpr uint32_t kDOCHOSTUIFLAG_NO3DOUTERBORDER = 0x00200000;

// The engine's own object behind window.external, opaque to the shared code,
// which only hands the slot on to whoever answers: the Windows engine's
// IDispatch (stored with one reference added), or on WebKitGTK a
// WebScriptObject (not owned by the engine).
struct ExternalObject;

// What the engine reports to its host (the browser view).  Every call comes
// from inside the engine on the UI thread.
class WebEvents {
 public:
  virtual ~WebEvents() = default;

  // The host window's kWM_CREATE (after the control was created), kWM_SETFOCUS
  // (after default processing) and kWM_DESTROY (before the control goes).
  virtual void OnHostMessage(WebBrowser& browser, uint32_t message) = 0;

  // DWebBrowserEvents2.  A cancel argument arrives false unless the engine set
  // it; what the handler leaves in it is the answer.
  virtual void DocumentComplete(WebFrame frame, const std::wstring& url) = 0;
  virtual void TitleChange(const std::wstring& title) = 0;
  // postData is null when the navigation carries no body.
  virtual void BeforeNavigate2(WebFrame frame, const std::wstring& url, uint32_t flags,
                               const std::wstring& targetFrame, const std::string* postData,
                               const std::wstring& headers, bool& cancel) = 0;
  virtual void NewWindow2(bool& cancel) = 0;
  virtual void NewWindow3(bool& cancel, uint32_t flags, const std::wstring& urlContext,
                          const std::wstring& url) = 0;
  // status is an HRESULT or an HTTP status; kE_ABORT for a load that was cancelled.
  // Cancel suppresses the engine's own error page.
  virtual void NavigateError(WebFrame frame, const std::wstring& url,
                             const std::wstring& targetFrame, int32_t status, bool& cancel) = 0;
  virtual void NavigateComplete2(WebFrame frame, const std::wstring& url) = 0;

  // Host UI handler: the object behind window.external.  The slot holds what
  // the engine put there; a host that answers stores its object in it (see
  // ExternalObject for what that object is on each engine).
  virtual void GetExternal(ExternalObject** slot) = 0;
  // Whether documents are shown without scroll bars (DOCHOSTUIFLAG_SCROLL_NO).
  virtual bool HideScrollBars() const = 0;
};

// The window.external object on engines without COM: pages call
// window.external.notify(text), which arrives here.
class WebScriptObject {
 public:
  virtual ~WebScriptObject() = default;
  virtual void OnScriptMessage(const std::wstring& text) = 0;
};

// One engine instance in its child window.  The object owns the window and
// the control; destroying it destroys both (without raising events).
class WebBrowser {
 public:
  virtual ~WebBrowser() = default;

  virtual HWindow Window() const = 0;
  // False when the window exists but the engine could not be created (no
  // IWebBrowser2): then every operation below does nothing and fails.
  virtual bool HasEngine() const = 0;

  // Connects and disconnects the event sink.  Advise fails when already
  // connected or without an engine; events arrive only while connected.
  virtual bool Advise() = 0;
  virtual void Unadvise() = 0;
  virtual bool IsAdvised() const = 0;
  // Registers the host's own UI-handler face with the host window
  // (IDocHostUIHandlerDispatch through the host); false without an engine.
  virtual bool SetExternalUiHandler() = 0;

  // IWebBrowser2::Navigate2.  postData null: a GET without headers.
  // Otherwise the body is sent with the given header text.  False when the
  // engine refused the call.
  virtual bool Navigate2(const std::wstring& url, const std::string* postData,
                         const std::wstring& headers) = 0;
  virtual void SetSilent(bool silent) = 0;
  virtual void SetRegisterAsDropTarget(bool accept) = 0;
  virtual void Refresh() = 0;
  // get_Document -> parentWindow -> focus; silent on failure.
  virtual void FocusDocument() = 0;
  // The body element's scroll attribute of the document in the frame.
  virtual void SetBodyScroll(WebFrame frame, const std::wstring& value) = 0;
  // ICustomDoc::SetUIHandler on the control's current document with the
  // document face of the host UI handler.
  virtual void InstallDocumentUiHandler() = 0;
  // The window is the host window or one of its descendants.
  virtual bool IsHostOf(HWindow window) = 0;
};

class WebEngine {
 public:
  virtual ~WebEngine() = default;
  // Creates the host window as a child of parent at rect (parent's client
  // coordinates), with the engine loading url.  The events object is not
  // owned and must outlive the browser.  Null when no window results.
  virtual std::unique_ptr<WebBrowser> Create(HWindow parent, const Rect& rect, uint32_t style,
                                             uint32_t exStyle, const std::wstring& url,
                                             WebEvents* events) = 0;
};

}  // namespace pf
