#include "windows/form_quick_login.h"

#include "deploy/deployment.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "skin/skin_image.h"
#include "windows/form_login.h"
#include "windows/url_text.h"

namespace windows {
namespace {

constexpr uint32_t kTitleColor = 0x0000FFFF;
constexpr int kEdgeTop = 27;
constexpr int kSideEdge = 3;
constexpr int kBottomEdge = 4;

void LoadImage(skin::CRKImage& control, int id) {
  control.blend = skin::LoadSkinImage(control.image, id);
}

}  // namespace

bool CFormQQLogin::Init(const std::wstring& url, int kind) {
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  CreateAppWindow(*this, ctx && ctx->login ? ctx->login->GetHWND() : nullptr);
  skin::SetSkinnedStyle(window_, skin::kFramelessStyleKeep, skin::kQuickLoginStyleBit);

  LoadImage(titleBar_, res::IDB_QUICK_TITLE);
  LoadImage(leftEdge_, res::IDB_QUICK_SIDE);
  LoadImage(rightEdge_, res::IDB_QUICK_SIDE);
  LoadImage(bottomEdge_, res::IDB_QUICK_BOTTOM);
  for (skin::CRKBaseControl* edge : {&titleBar_, &leftEdge_, &rightEdge_, &bottomEdge_})
    AddControl(edge);
  AddButton(close_, res::IDB_QUICK_CLOSE, res::IDB_QUICK_CLOSE_HOVER);

  title_.SetOwnerWindow(window_);
  title_.SetTextColor(kTitleColor, false);
  title_.SetText(kind == 1 ? kWeChatTitle : kind == 2 ? kQQTitle : kAccountTitle, true);
  AddControl(&title_);

  // The first rectangle is replaced by Layout before the window is shown.
  OpenPage(this, view_, pf::Rect{308, 170, 910, 547}, url);
  return true;
}

bool CFormQQLogin::CentreAndShow() {
  if (!window_) return false;
  const int width = rect_.Width(), height = rect_.Height();
  const pf::Point at = CentreOnWorkArea(width, height);
  pf::Ui& ui = pf::ui();
  // The view leaves its first rectangle before the window shows, so that no
  // toolkit sizes the window around it.
  Layout();
  ui.SetWindowPos(window_, pf::HwndTop(), at.x, at.y, width, height,
                  pf::kSWP_SHOWWINDOW | pf::kSWP_NOZORDER);
  Layout();
  ui.ShowWindow(window_, pf::kSW_SHOWNORMAL);
  ui.UpdateWindow(window_);
  return true;
}

void CFormQQLogin::Layout() {
  if (!window_) return;
  const pf::Rect client = ClientRect();
  const int w = client.Width(), h = client.Height();
  const int titleHeight = titleBar_.GetImageHeight();
  titleBar_.SetRect(pf::Rect{0, 0, w, titleHeight});
  leftEdge_.SetRect(pf::Rect{0, kEdgeTop, kSideEdge, h});
  rightEdge_.SetRect(pf::Rect{w - kSideEdge, kEdgeTop, w, h});
  bottomEdge_.SetRect(pf::Rect{0, h - kBottomEdge, w, h});
  close_.SetRect(pf::Rect{w - close_.GetImageWidth(), 0, w, close_.GetImageHeight()});
  title_.SetRect(pf::Rect{5, 2, 205, 22});
  if (view_.Window())
    pf::ui().SetWindowPos(view_.Window(), pf::HwndTop(), kSideEdge, titleHeight, w - 2 * kSideEdge,
                    h - titleHeight - kBottomEdge, pf::kSWP_SHOWWINDOW | pf::kSWP_NOZORDER);
}

void CFormQQLogin::PostClose() {
  if (closePosted_ || !window_) return;
  closePosted_ = true;
  pf::ui().PostMessage(window_, pf::kWM_CLOSE, 0, 0);
}

void CFormQQLogin::OnWebNotify(unsigned code, browser::NotifyArg, browser::NotifyPtr) {
  if (code == browser::kBeforeNavigate) {
    const std::wstring url = view_.GetUrl();
    if (url.find(std::wstring(L"//") + deploy::kGameHost + L"/server/wan/?") !=
        std::wstring::npos) {
      pf::Machine& machine = pf::machine();
      const std::wstring forward =
          machine.FromAnsi(UrlDecode(machine.ToAnsi(GetUrlParam(url, L"forward"))));
      // Only a web address is followed; a script, file or other scheme is not.
      app::CGlobalModule* ctx = app::CGlobalModule::Instance();
      if (IsHttpUrl(forward) && ctx && ctx->login) ctx->login->NavigateView(forward);
      PostClose();
    }
    if (view_.GetUrl().find(L"wd_returnlogin=1") != std::wstring::npos) PostClose();
  } else if (code == browser::kDivertedNavigation) {
    app::OpenInOutsideBrowser(view_.GetUrl());
  }
}

bool CFormQQLogin::OnLButtonDown(uint32_t flags, pf::Point point) {
  if (EdgeHitTest(this, point, true)) return true;
  skin::CRKBaseControl* control = ControlAt(point);
  if (!control) return false;
  if (control == &titleBar_ || control == &title_) {
    pf::ui().SendMessage(window_, pf::kWM_SYSCOMMAND, pf::kSC_MOVE_CAPTION, 0);
    return true;
  }
  return control->OnLButtonDown(flags, point);
}

bool CFormQQLogin::OnMouseMove(uint32_t flags, pf::Point point) {
  const bool handled = CRKForm::OnMouseMove(flags, point);
  EdgeHitTest(this, point, false);
  Layout();
  return handled;
}

bool CFormQQLogin::OnLButtonUp(uint32_t flags, pf::Point point) {
  skin::CRKBaseControl* control = ControlAt(point);
  if (!control) return false;
  control->OnLButtonUp(flags, point);
  if (control != &close_) return false;
  Close();
  return true;
}

bool CFormQQLogin::PreTranslateMessage(pf::Msg* msg) {
  if (!msg || msg->message < pf::kWM_KEYFIRST || msg->message > pf::kWM_KEYLAST) return false;
  if (!IsKeyForPage(*msg)) return false;
  return view_.PreTranslateMessage(msg) != 0;
}

}  // namespace windows
