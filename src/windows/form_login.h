// The login window.  For now it is the bare window that the short runs use
// and that ends the process: it quits on WM_DESTROY, closes itself on
// WM_CLOSE_LOGIN_WINDOW and asks before quitting on WM_CONFIRM_EXIT.
#pragma once

#include <string>

#include "app/forms.h"
#include "windows/bare_form.h"

namespace windows {

class CFormLogin : public app::ILoginForm, private BareForm {
 public:
  pf::HWindow GetHWND() const override { return Handle(); }
  pf::LResult HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                            pf::LParam lParam) override;
  bool PreTranslateMessage(pf::Msg*) override { return false; }
  void SetRect(int left, int top, int right, int bottom) override {
    SetBounds(left, top, right, bottom);
  }
  void RedrawControls(bool) override {}
  bool Create(const std::wstring& className, const std::wstring& title,
              pf::HWindow parent) override {
    return CreateWindow(className, title, parent);
  }
  bool Init() override;
  std::wstring GetEnterGameUrl() const override { return enterGameUrl_; }
  std::wstring GetQuickLoginUrl() const override { return quickLoginUrl_; }
  void ReloadAfterGame() override { reloaded_ = true; }

 private:
  std::wstring enterGameUrl_;
  std::wstring quickLoginUrl_;
  bool reloaded_ = false;
};


}  // namespace windows
