#include "windows/form_login.h"

#include "app/app_messages.h"
#include "deploy/deployment.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "skin/skin_image.h"
#include "storage/settings.h"
#include "storage/upgrade.h"
#include "windows/url_text.h"

namespace windows {
namespace {

constexpr int kBackgroundImage = res::IDB_LOGIN_BACKGROUND;
constexpr pf::Rect kViewRect{395, 115, 395 + 776, 115 + 540};
constexpr pf::Rect kOffScreenView{-1000, -1000, 0, 0};
constexpr pf::Rect kStatusRect{623, 372, 943, 398};
constexpr uint32_t kStatusColor = 0x0000FFFF;

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

}  // namespace

bool IsKeyForPage(const pf::Msg& msg) {
  if (msg.message == pf::kWM_KEYUP) return true;
  const auto key = static_cast<int>(msg.wParam);
  if (key == 0x43 || key == 0x56 || key == 0x58 || key == 0x5A)
    return pf::ui().GetKeyState(pf::kVK_CONTROL) < 0;
  return key == pf::kVK_TAB || key == pf::kVK_RETURN || key == pf::kVK_DELETE;
}

bool CFormLogin::Init() {
  app::CGlobalModule& ctx = app::Ctx();
  pf::Ui& ui = pf::ui();
  // Owned by the backdrop, so it follows the backdrop when that is minimised.
  Create(ctx.windowClass, ctx.title, ctx.backdrop ? ctx.backdrop->GetHWND() : nullptr);
  skin::SetSkinnedStyle(window_, skin::kBareStyleKeep);
  ui.SetWindowLong(window_, pf::kGWL_EXSTYLE,
                   ui.GetWindowLong(window_, pf::kGWL_EXSTYLE) | pf::kWS_EX_LAYERED);
  ui.SetLayeredWindowAttributes(window_, kLoginColorKey, 0, pf::kLWA_COLORKEY);

  background_.blend = skin::LoadSkinImage(background_.image, kBackgroundImage);
  background_.SetRect(pf::Rect{0, 0, app::kLoginWidth, app::kLoginHeight});
  background_.blended = false;
  background_.stretch = true;
  background_.marginLeft = background_.marginTop = 5;
  background_.marginRight = background_.marginBottom = 5;
  AddControl(&background_);
  const struct {
    skin::CRKButton& button;
    int normal, hover;
    pf::Rect rect;
  } buttons[] = {
      {minimize_, res::IDB_LOGIN_MINIMIZE, res::IDB_LOGIN_MINIMIZE_HOVER, {1116, 69, 1144, 97}},
      {close_, res::IDB_LOGIN_CLOSE, res::IDB_LOGIN_CLOSE_HOVER, {1151, 69, 1179, 97}},
      {official_, res::IDB_LOGIN_OFFICIAL, res::IDB_LOGIN_OFFICIAL_HOVER, {424, 64, 557, 102}},
      {recharge_, res::IDB_LOGIN_PAY, res::IDB_LOGIN_PAY_HOVER, {582, 64, 715, 102}},
      {service_, res::IDB_LOGIN_SERVICE, res::IDB_LOGIN_SERVICE_HOVER, {740, 64, 873, 102}},
      {forum_, res::IDB_LOGIN_FORUM, res::IDB_LOGIN_FORUM_HOVER, {899, 64, 1032, 102}},
  };
  for (const auto& b : buttons) {
    b.button.SetRect(b.rect);
    AddButton(b.button, b.normal, b.hover);
  }

  OpenPage(this, view_, kOffScreenView, ctx.startPageUrl);
  view_.FocusDocument();

  status_.SetOwnerWindow(window_);
  status_.SetRect(kStatusRect);
  status_.SetTextColor(kStatusColor, false);
  status_.SetUnderline(1, false);
  // Drawn on the colour key: no antialiased edge may leave key-tinted pixels.
  status_.SetFontQuality(pf::kNONANTIALIASED_QUALITY);
  status_.SetFontSize(26, 0, true);
  status_.SetCursor(ui.LoadCursor(pf::kIDC_HAND));
  AddControl(&status_);
  return true;
}

void CFormLogin::ShowPageState(bool networkError) {
  pf::Ui& ui = pf::ui();
  const bool top = SetShellExStyle(window_, pf::kWS_EX_APPWINDOW, pf::kWS_EX_TOOLWINDOW);
  // MoveWindow without repainting.
  const uint32_t move = pf::kSWP_NOZORDER | pf::kSWP_NOACTIVATE | pf::kSWP_NOREDRAW;
  if (networkError) {
    ui.SetWindowPos(view_.Window(), pf::HwndTop(), -1000, -1000, 0, 0, move);
    status_.SetText(kNetworkErrorText, true);
    status_.SetCursor(ui.LoadCursor(pf::kIDC_HAND));
  } else {
    ui.SetWindowPos(view_.Window(), pf::HwndTop(), kViewRect.left, kViewRect.top,
                    kViewRect.Width(), kViewRect.Height(), move);
  }
  // A window the player already sees stays where it is.
  if (!retry_) ui.ShowWindow(window_, pf::kSW_HIDE);
  ShowCentred(window_, top, retry_);
  // Shown without a redraw, a window that was hidden may come up unpainted
  // (Wine does): the controls are painted once more where they now are.
  RedrawControls(false);
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  if (ctx && ctx->backdrop) ctx->backdrop->ShowBackdrop(retry_);
}

void CFormLogin::OnWebNotify(unsigned code, browser::NotifyArg, browser::NotifyPtr) {
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  if (!ctx) return;
  switch (code) {
    case browser::kDocumentComplete:
      ctx->installInfo.SendActivePing();
      if (storage::ReadIniInt(L"Common", L"ActiveCount", 0) != 1)
        storage::WriteIniText(L"Common", L"ActiveCount", L"1");
      break;
    case browser::kNavigateError:
      if (reloaded_) break;
      // One line of the settings file, whatever the address holds.
      storage::WriteIniText(L"Error", L"ErrorUrl", OneLine(view_.GetUrl()));
      ShowPageState(true);
      break;
    case browser::kFirstNavigateComplete:
      if (reloaded_) break;
      ShowPageState(false);
      storage::StartVersionCheck();
      break;
    case browser::kBeforeNavigate: {
      const std::wstring url = view_.GetUrl();
      const std::wstring userMarker = L"wd_username=";
      const size_t user = url.find(userMarker);
      if (user != std::wstring::npos) {
        // Cut at the next parameter: the rest of the address is not the account.
        const size_t start = user + userMarker.size();
        const size_t end = url.find(L'&', start);
        ctx->userName =
            url.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
      }
      ctx->serverId.clear();
      if (Contains(url, L"wd_entergame=1")) {
        const std::wstring server = GetUrlParam(url, L"wd_server");
        if (!server.empty()) ctx->serverId = server;
        view_.SetCancel(true);
        enterGameUrl_ = url;
        pf::ui().PostMessage(window_, app::WM_OPEN_GAME_WINDOW, 0, 0);
      }
      if (Contains(url, std::wstring(deploy::kWeChatHost) + L"/connect/qrconnect")) {
        // Not cancelled: the login view shows that page too.
        quickLoginUrl_ = url;
        pf::ui().PostMessage(window_, app::WM_OPEN_QUICK_LOGIN, 0, 1);
      }
      break;
    }
    case browser::kDivertedNavigation: {
      const std::wstring url = view_.GetUrl();
      const std::wstring login = std::wstring(L"//") + deploy::kLoginHost;
      if (Contains(url, login + L"/qq?") || Contains(url, login + L"/weibo?")) {
        view_.SetCancel(true);
        quickLoginUrl_ = url;
        pf::ui().PostMessage(window_, app::WM_OPEN_QUICK_LOGIN, 0, 0);
      } else {
        app::OpenInOutsideBrowser(url);
      }
      break;
    }
    default:
      break;
  }
}

void CFormLogin::ReloadAfterGame() {
  reloaded_ = true;
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  if (ctx) view_.Navigate(ctx->startPageUrl);
}

void CFormLogin::NavigateView(const std::wstring& url) { view_.Navigate(url); }

bool CFormLogin::OnLButtonUp(uint32_t flags, pf::Point point) {
  skin::CRKBaseControl* control = ControlAt(point);
  if (!control) return false;
  control->OnLButtonUp(flags, point);
  pf::Ui& ui = pf::ui();
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  if (control == &minimize_) {
    if (ctx && ctx->backdrop) ui.ShowWindow(ctx->backdrop->GetHWND(), pf::kSW_MINIMIZE);
    if (ctx && ctx->quickLogin && ctx->quickLogin->GetHWND())
      ui.ShowWindow(ctx->quickLogin->GetHWND(), pf::kSW_MINIMIZE);
  } else if (control == &close_) {
    if (ui.MessageBox(window_, kExitQuestion, kQuestionCaption,
                      pf::kMB_YESNO | pf::kMB_DEFBUTTON2) == pf::kIDYES)
      Close();
  } else if (control == &status_) {
    if (!Contains(status_.GetText(), L"异常")) return true;
    retry_ = true;
    if (ctx) view_.Navigate(ctx->startPageUrl);
    status_.SetText(kRetryingText, true);
    status_.SetCursor(ui.LoadCursor(pf::kIDC_ARROW));
  } else {
    return OpenLinkPage(control, official_, recharge_, service_, forum_);
  }
  return true;
}

bool CFormLogin::OnLButtonDown(uint32_t flags, pf::Point point) {
  skin::CRKBaseControl* control = ControlAt(point);
  if (!control) return false;
  if (control == &background_) {
    pf::ui().SendMessage(window_, pf::kWM_SYSCOMMAND, pf::kSC_MOVE_CAPTION, 0);
    return true;
  }
  return control->OnLButtonDown(flags, point);
}

bool CFormLogin::PreTranslateMessage(pf::Msg* msg) {
  if (!msg) return false;
  const uint32_t m = msg->message;
  if (m >= pf::kWM_MOUSEFIRST && m <= pf::kWM_MOUSELAST) {
    if (m == pf::kWM_LBUTTONDOWN || m == pf::kWM_RBUTTONDOWN) {
      // The backdrop follows the window before a drag can start.
      app::CGlobalModule* ctx = app::CGlobalModule::Instance();
      if (ctx && ctx->backdrop && ctx->backdrop->GetHWND()) {
        pf::Point origin{0, 0};
        pf::ui().ClientToScreen(window_, origin);
        pf::ui().SetWindowPos(ctx->backdrop->GetHWND(), pf::HwndTop(), origin.x, origin.y, 0, 0,
                              pf::kSWP_NOSIZE | pf::kSWP_NOZORDER | pf::kSWP_NOACTIVATE);
      }
    }
    return false;
  }
  if (m >= pf::kWM_KEYFIRST && m <= pf::kWM_KEYLAST) {
    if (!IsKeyForPage(*msg)) return false;
    return view_.PreTranslateMessage(msg) != 0;
  }
  return false;
}

bool CFormLogin::OwnMessage(uint32_t message, pf::WParam, pf::LParam) {
  pf::Ui& ui = pf::ui();
  switch (message) {
    case pf::kWM_DESTROY:
      ui.PostQuitMessage(0);
      return true;
    case app::WM_CONFIRM_EXIT:
      if (ui.MessageBox(window_, kExitQuestion, kQuestionCaption,
                        pf::kMB_YESNO | pf::kMB_DEFBUTTON2) == pf::kIDNO)
        return true;
      ui.PostQuitMessage(0);
      Close();
      return true;
    case app::WM_CLOSE_LOGIN_WINDOW:
      Close();
      return true;
    default:
      return false;
  }
}

}  // namespace windows
