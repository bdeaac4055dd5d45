// CFormLogin: the first window the player sees.  A 1287 x 732 colour-keyed
// skinned window over the backdrop (which owns it), with the platform's login
// page in a browser view in its middle.  It watches that page's navigations
// for the sign-in markers, hands over to the game window (1224) or to the
// quick-login window (1231), offers a retry when the page fails to load, and
// carries the window buttons and the link buttons.
//
// The short runs create it bare (Create only): a hidden window that closes on
// 1225 and ends the message loop when destroyed.
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

// The colour whose pixels are transparent and let clicks through (COLORREF).
constexpr uint32_t kLoginColorKey = 0x00FF80FF;
// Texts of the status label.
constexpr wchar_t kNetworkErrorText[] = L"检测到您的网络异常，点击这里重试！";
constexpr wchar_t kRetryingText[] = L"正在检测您的网络环境，请稍后...";
constexpr wchar_t kExitQuestion[] = L"此操作将退出游戏，是否继续？";
constexpr wchar_t kQuestionCaption[] = L"提示";

// The keyboard messages a client window passes on to its page: every key-up;
// Ctrl+C, Ctrl+V, Ctrl+X and Ctrl+Z; Tab, Enter and Delete.
bool IsKeyForPage(const pf::Msg& msg);

class CFormLogin : public CAppForm<app::ILoginForm> {
 public:
  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  bool OnLButtonUp(uint32_t flags, pf::Point point) override;
  bool PreTranslateMessage(pf::Msg* msg) override;
  // Builds the window and starts loading the start page.  Returns true.
  bool Init() override;

  // The shell's view of the form.
  bool Create(const std::wstring& className, const std::wstring& title,
              pf::HWindow parent) override {
    return CRKForm::Create(className, title, parent);
  }
  std::wstring GetEnterGameUrl() const override { return enterGameUrl_; }
  std::wstring GetQuickLoginUrl() const override { return quickLoginUrl_; }
  // From now on codes 1 and 8 are ignored; the view goes back to the start page.
  void ReloadAfterGame() override;
  void NavigateView(const std::wstring& url) override;

  // Subscribed to the view's notifications.
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c);
  // Places the view (or, with a network error, the retry text) and shows the
  // window centred on the work area, then the backdrop with it.
  void ShowPageState(bool networkError);

  // Read access for tests.
  browser::CBrowserView& View() { return view_; }
  skin::CRKLabel& StatusLabel() { return status_; }
  skin::CRKImage& Background() { return background_; }
  skin::CRKButton& CloseButton() { return close_; }
  skin::CRKButton& MinimizeButton() { return minimize_; }
  skin::CRKButton& OfficialSiteButton() { return official_; }
  skin::CRKButton& ServiceButton() { return service_; }
  skin::CRKButton& RechargeButton() { return recharge_; }
  skin::CRKButton& ForumButton() { return forum_; }
  bool Retrying() const { return retry_; }
  bool Reloaded() const { return reloaded_; }

 protected:
  bool OwnMessage(uint32_t message, pf::WParam wParam, pf::LParam lParam) override;

 private:

  // Members in the order of the window's table.
  skin::CRKImage background_;
  skin::CRKButton close_;
  skin::CRKButton minimize_;
  skin::CRKButton official_;
  skin::CRKButton service_;
  skin::CRKButton recharge_;
  skin::CRKButton forum_;
  browser::CBrowserView view_;
  skin::CRKLabel status_;
  bool retry_ = false;
  std::wstring enterGameUrl_;
  bool reloaded_ = false;
  std::wstring quickLoginUrl_;
};

}  // namespace windows
