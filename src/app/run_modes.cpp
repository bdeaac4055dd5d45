#include "app/run_modes.h"

#include "app/app_messages.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "storage/upgrade.h"

namespace app {
namespace {

// Style changes that turn a login window into a bare, taskbar-less window for the short runs.
void MakeBare(pf::HWindow hwnd) {
  pf::Ui& ui = pf::ui();
  ui.SetWindowLong(hwnd, pf::kGWL_STYLE,
                   (ui.GetWindowLong(hwnd, pf::kGWL_STYLE) & 0x7F30FF7Fu) | 0x000A0000u);
  ui.SetWindowLong(hwnd, pf::kGWL_EXSTYLE,
                   (ui.GetWindowLong(hwnd, pf::kGWL_EXSTYLE) & ~0x00040101u) | 0x80u);
}

bool CreateBareLogin(CGlobalModule& ctx) {
  if (!ctx.login || !ctx.login->Create(ctx.windowClass, ctx.title, nullptr)) return false;
  MakeBare(ctx.login->GetHWND());
  return true;
}

// Shows a window of the normal start at (-2000, -2000) as a tool window; the
// login window places both when its page has arrived.
void ShowOffScreen(CGlobalModule& ctx, pf::HWindow hwnd) {
  pf::Ui& ui = pf::ui();
  ui.SetWindowLong(hwnd, pf::kGWL_EXSTYLE,
                   (ui.GetWindowLong(hwnd, pf::kGWL_EXSTYLE) & ~pf::kWS_EX_APPWINDOW) |
                       pf::kWS_EX_TOOLWINDOW);
  ui.SetWindowPos(hwnd, ctx.topMost == 1 ? pf::HwndTopmost() : pf::HwndTop(), -2000, -2000, 0, 0,
                  pf::kSWP_SHOWWINDOW | pf::kSWP_NOSIZE);
  ui.ShowWindow(hwnd, pf::kSW_SHOWNORMAL);
  ui.UpdateWindow(hwnd);
}

int RunLoop(CGlobalModule& ctx) { return pf::ui().RunMessageLoop(&ctx); }

void ReturnToLogin(CGlobalModule& ctx) {
  pf::Ui& ui = pf::ui();
  ctx.game = nullptr;  // the object itself is kept; it outlives its window
  if (!ctx.login || !ctx.backdrop) return;
  ctx.login->ReloadAfterGame();
  const pf::HWindow backdrop = ctx.backdrop->GetHWND();
  const pf::HWindow login = ctx.login->GetHWND();
  ui.SetWindowPos(backdrop, pf::HwndTop(), 0, 0, 0, 0,
                  pf::kSWP_NOSIZE | pf::kSWP_NOMOVE | pf::kSWP_SHOWWINDOW);
  ui.ShowWindow(backdrop, pf::kSW_SHOWNA);
  ui.ShowWindow(login, pf::kSW_SHOWNA);
  ui.SetForegroundWindow(login);
  ctx.login->RedrawControls(false);
}

}  // namespace

bool IsRunModeSwitch(const std::wstring& switchText) {
  return pf::sys().CommandLine().find(switchText) != std::wstring::npos;
}

int AppMain(int showCommand) {
  pf::Ui& ui = pf::ui();
  ui.Initialize();
  CGlobalModule& ctx = Ctx();
  ctx.showCommand = showCommand;
  ctx.title = pf::res().LoadString(IDS_APP_TITLE, 100);
  ctx.windowClass = pf::res().LoadString(IDS_WINDOW_CLASS, 100);
  pf::WindowClass wc;
  wc.style = pf::kCS_VREDRAW | pf::kCS_HREDRAW | pf::kCS_DBLCLKS;
  wc.procedure = &ApplicationWindowProc;
  wc.iconId = IDI_APP_ICON;
  wc.backgroundColor = pf::kCOLOR_WINDOW + 1;
  wc.className = ctx.windowClass;
  ui.RegisterWindowClass(wc);
  const int result = RunApplication();
  ui.Shutdown();
  return result;
}

int RunApplication() {
  CGlobalModule& ctx = Ctx();
  AppComponents& parts = ctx.Components();
  // The short ping runs end when the ping's completion posts 1225 to the
  // login window, so that window exists before the ping is submitted: a fast
  // completion would otherwise post to no window and the run would never end.
  // Without a window nothing could end the loop, so the run ends at once.
  if (IsRunModeSwitch(L"/setupsucc")) {
    if (!CreateBareLogin(ctx)) return 0;
    parts.SendInstallPing(ctx);
    return RunLoop(ctx);
  }
  if (IsRunModeSwitch(L"/uninstallsucc")) {
    if (!CreateBareLogin(ctx)) return 0;
    parts.SendUninstallPing(ctx);
    return RunLoop(ctx);
  }
  if (IsRunModeSwitch(L"/ShowDeskTop")) {
    const bool created = CreateBareLogin(ctx);
    parts.ToggleDesktop();
    if (!created) return 0;
    pf::ui().PostMessage(ctx.login->GetHWND(), WM_CLOSE_LOGIN_WINDOW, 0, 0);
    return RunLoop(ctx);
  }
  if (ctx.backdrop) {
    ctx.backdrop->SetRect(0, 0, kLoginWidth, kLoginHeight);
    ctx.backdrop->Init();
    ShowOffScreen(ctx, ctx.backdrop->GetHWND());
  }
  if (ctx.login) {
    ctx.login->SetRect(0, 0, kLoginWidth, kLoginHeight);
    ctx.login->Init();
    ShowOffScreen(ctx, ctx.login->GetHWND());
  }
  parts.LaunchIconAnimation();
  return RunLoop(ctx);
}

pf::LResult ApplicationWindowProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                  pf::LParam lParam) {
  CGlobalModule* ctx = CGlobalModule::Instance();
  pf::Ui& ui = pf::ui();
  if (!ctx) return ui.DefWindowProc(hwnd, message, wParam, lParam);
  if (message == WM_OPEN_GAME_WINDOW) {
    if (IGameForm* game = ctx->Components().MakeGame()) {
      ctx->game = game;
      game->SetRect(0, 0, kGameWidth, kGameHeight);
      game->Init(ctx->login ? ctx->login->GetEnterGameUrl() : std::wstring());
      game->Maximize();
      if (ctx->login) ui.ShowWindow(ctx->login->GetHWND(), pf::kSW_HIDE);
      if (ctx->backdrop) ui.ShowWindow(ctx->backdrop->GetHWND(), pf::kSW_HIDE);
    }
    return 0;
  }
  if (message == WM_UPGRADE_OFFERED) {
    storage::OnUpgradeOffered(*ctx);
    return 0;
  }
  if (message == WM_OPEN_QUICK_LOGIN) {
    if (IQuickLoginForm* quick = ctx->Components().MakeQuickLogin()) {
      ctx->quickLogin = quick;
      quick->SetRect(0, 0, kQuickLoginWidth, kQuickLoginHeight);
      quick->Init(ctx->login ? ctx->login->GetQuickLoginUrl() : std::wstring(),
                  static_cast<int>(lParam));
      quick->CentreAndShow();
    }
    // Falls through to the dispatch: the login window leaves it to the default.
  }
  // Messages that arrive while a window is being created, before its form has
  // stored the handle, match no form: hwnd is never null here.
  if (hwnd) {
    if (ctx->quickLogin && hwnd == ctx->quickLogin->GetHWND())
      return ctx->quickLogin->HandleMessage(hwnd, message, wParam, lParam);
    if (ctx->login && hwnd == ctx->login->GetHWND())
      return ctx->login->HandleMessage(hwnd, message, wParam, lParam);
    if (ctx->backdrop && hwnd == ctx->backdrop->GetHWND())
      return ctx->backdrop->HandleMessage(hwnd, message, wParam, lParam);
    if (ctx->game && hwnd == ctx->game->GetHWND()) {
      if (message == pf::kWM_DESTROY) {
        ReturnToLogin(*ctx);
        return 0;
      }
      return ctx->game->HandleMessage(hwnd, message, wParam, lParam);
    }
  }
  return ui.DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace app
