#include "windows/bare_form.h"

#include "platform/platform.h"

namespace windows {

bool BareForm::CreateWindow(const std::wstring& className, const std::wstring& title,
                            pf::HWindow parent) {
  if (hwnd_) return true;
  pf::Ui& ui = pf::ui();
  hwnd_ = ui.CreateWindowEx(0, className, title, pf::kWS_POPUP, 0, 0, rect_.right, rect_.bottom,
                            parent);
  if (!hwnd_) return false;
  // Every skinned window carries this text, whatever title it was created with.
  ui.SetWindowText(hwnd_, L"VexaOrvane");
  return true;
}

bool BareForm::Close() {
  if (hwnd_) pf::ui().DestroyWindow(hwnd_);
  return true;
}

}  // namespace windows
