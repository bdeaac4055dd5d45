// CFormQQLogin: the small resizable window (880 x 420 at first) in which the
// player signs in with QQ, Weibo or WeChat.  The login window asks for it with
// 1231; the application window procedure creates it, owned by the login
// window.  When the platform sends its page to the server-list address, the
// decoded "forward" address goes to the login window's view and this window
// closes; "wd_returnlogin=1" just closes it.
//
// Ownership: the application context owns the object and frees it once its
// window has been destroyed.  Closes asked for inside the engine's callbacks
// are posted (WM_CLOSE), so the window never goes away under the engine.
// Threads: the user-interface thread only.
#pragma once

#include <string>

#include "app/forms.h"
#include "browser/browser_view.h"
#include "skin/button.h"
#include "skin/image_control.h"
#include "skin/label.h"
#include "windows/app_form.h"

namespace windows {

// Title texts by kind.
constexpr wchar_t kWeChatTitle[] = L"微信扫码极速进入";
constexpr wchar_t kQQTitle[] = L"QQ登录";
constexpr wchar_t kAccountTitle[] = L"帐号安全登录";

class CFormQQLogin : public CAppForm<app::IQuickLoginForm> {
 public:
  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  bool OnLButtonUp(uint32_t flags, pf::Point point) override;
  bool OnMouseMove(uint32_t flags, pf::Point point) override;
  bool PreTranslateMessage(pf::Msg* msg) override;
  // Creates the window owned by the login window and loads url.  kind 1 is
  // WeChat, 2 QQ, anything else the account title.  Returns true.
  bool Init(const std::wstring& url, int kind) override;

  // Shows the window centred on the work area at the form's size.
  bool CentreAndShow() override;
  // Places the skin pieces and the view for the current client size.
  void Layout();
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c);

  // Read access for tests.
  browser::CBrowserView& View() { return view_; }
  skin::CRKImage& TitleBar() { return titleBar_; }
  skin::CRKImage& LeftEdge() { return leftEdge_; }
  skin::CRKImage& RightEdge() { return rightEdge_; }
  skin::CRKImage& BottomEdge() { return bottomEdge_; }
  skin::CRKButton& CloseButton() { return close_; }
  skin::CRKLabel& TitleLabel() { return title_; }

 private:
  // Posts one WM_CLOSE to the window, however often it is asked.
  void PostClose();

  skin::CRKImage titleBar_;
  skin::CRKImage leftEdge_;
  skin::CRKImage rightEdge_;
  skin::CRKImage bottomEdge_;
  skin::CRKButton close_;
  skin::CRKLabel title_;
  browser::CBrowserView view_;
  bool closePosted_ = false;
};

}  // namespace windows
