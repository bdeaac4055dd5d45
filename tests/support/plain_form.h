// A top-level window whose procedure does only the default processing: the
// form a test puts a control on, on whichever platform is installed.
#pragma once

#include "platform/platform.h"

namespace testsupport {

inline pf::LResult PlainFormProc(pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) {
  return pf::ui().DefWindowProc(h, m, w, l);
}

// A hidden popup window at `rect` (screen coordinates) titled "form".
inline pf::HWindow MakePlainForm(const pf::Rect& rect) {
  pf::WindowClass wc;
  wc.procedure = &PlainFormProc;
  wc.className = L"PlainForm";
  pf::ui().RegisterWindowClass(wc);  // fails harmlessly once registered
  return pf::ui().CreateWindowEx(0, L"PlainForm", L"form", pf::kWS_POPUP, rect.left, rect.top,
                                 rect.Width(), rect.Height(), nullptr);
}

}  // namespace testsupport
