#include "windows/form_login.h"

#include "app/app_messages.h"
#include "app/global_module.h"
#include "platform/platform.h"

namespace windows {

bool CFormLogin::Init() {
  app::CGlobalModule& ctx = app::Ctx();
  // Owned by the backdrop, so it follows the backdrop when that is minimised.
  CreateWindow(ctx.windowClass, ctx.title, ctx.backdrop ? ctx.backdrop->GetHWND() : nullptr);
  return true;
}

pf::LResult CFormLogin::HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                      pf::LParam lParam) {
  pf::Ui& ui = pf::ui();
  switch (message) {
    case pf::kWM_DESTROY:
      ui.PostQuitMessage(0);
      return 0;
    case app::WM_CLOSE_LOGIN_WINDOW:
      Close();
      return 0;
    case app::WM_CONFIRM_EXIT:
      if (ui.MessageBox(Handle(), L"此操作将退出游戏，是否继续？", L"提示",
                        pf::kMB_YESNO | pf::kMB_DEFBUTTON2) == pf::kIDNO)
        return 0;
      ui.PostQuitMessage(0);
      Close();
      return 0;
    default:
      return ui.DefWindowProc(hwnd, message, wParam, lParam);
  }
}

}  // namespace windows
