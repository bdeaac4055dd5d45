// The WebBrowser control hosted through our own COM container (see
// win32_web_engine.cpp).  Include <windows.h> before this header.  The
// functions below beyond Engine() exist for the Windows test suite.
#pragma once

#include <oaidl.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "platform/web_engine.h"

struct IDocHostUIHandler;

namespace pf::win32web {

WebEngine* Engine();

// A host for the control of class clsid instead of the WebBrowser: a class
// that does not exist gives a window without an engine.
std::unique_ptr<WebBrowser> CreateWithClass(const CLSID& clsid, HWindow parent, const Rect& rect,
                                            uint32_t style, const std::wstring& url,
                                            WebEvents* events);

// The COM faces of a host this engine created (no reference added).
struct Faces {
  IOleClientSite* site = nullptr;
  IDispatch* sink = nullptr;                // DWebBrowserEvents2
  IDocHostUIHandler* hostUi = nullptr;      // the face the container answers with
  IDocHostUIHandler* documentUi = nullptr;  // the face installed on each document
};
bool FacesOf(WebBrowser* host, Faces* out);
// The shared reference count of the host's faces; -1 for another object.
long ReferencesOf(WebBrowser* host);
// The host (owned by its creator) whose window is hostWindow, or null.
WebBrowser* HostOfWindow(HWindow hostWindow);

// The POST body as Navigate2 takes it: VT_ARRAY | VT_UI1 over a one-dimensional
// byte SAFEARRAY with lower bound 0.  The caller clears the VARIANT.
HRESULT MakePostData(const std::string& bytes, VARIANT* out);
// The body of BeforeNavigate2's PostData argument: false (and no bytes) unless
// it is a VT_BYREF | VT_VARIANT whose inner VARIANT holds a byte array.
bool ReadPostData(const VARIANT* postData, std::string* bytes);

}  // namespace pf::win32web
