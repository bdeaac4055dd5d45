#include "app/run_modes.h"

#include <memory>
#include <vector>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "skin/form.h"
#include "storage/upgrade.h"

namespace app {
namespace {

// Style changes that turn a login window into a bare, taskbar-less window for the short runs.
void MakeBare(pf::HWindow hwnd) {
  pf::Ui& ui = pf::ui();
  skin::SetSkinnedStyle(hwnd, skin::kBareStyleKeep);
  ui.SetWindowLong(hwnd, pf::kGWL_EXSTYLE,
                   (ui.GetWindowLong(hwnd, pf::kGWL_EXSTYLE) & ~(skin::kEdgeExStyles | pf::kWS_EX_APPWINDOW)) |
                       pf::kWS_EX_TOOLWINDOW);
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

// Calls into the quick-login object that are still on the stack; the object
// is freed only when none is.
int g_quickLoginCalls = 0;
// Replaced objects whose calls had not yet returned (a 1231 dispatched by a
// modal loop that one of them runs, such as the system's sizing loop).
std::vector<std::unique_ptr<IQuickLoginForm>> g_replacedQuickLogins;

void FreeClosedQuickLogin(CGlobalModule& ctx) {
  if (g_quickLoginCalls != 0) return;
  g_replacedQuickLogins.clear();
  if (!ctx.quickLogin) ctx.quickLoginOwner.reset();
}

pf::LResult DispatchToQuickLogin(CGlobalModule& ctx, pf::HWindow hwnd, uint32_t message,
                                 pf::WParam wParam, pf::LParam lParam) {
  IQuickLoginForm* quick = ctx.quickLogin;
  ++g_quickLoginCalls;
  const pf::LResult result = quick->HandleMessage(hwnd, message, wParam, lParam);
  --g_quickLoginCalls;
  // Its last message: the pointer goes now, the object once no call into it
  // is left on the stack (a close from its own click handler unwinds first).
  if (message == pf::kWM_NCDESTROY && ctx.quickLogin == quick) ctx.quickLogin = nullptr;
  FreeClosedQuickLogin(ctx);
  return result;
}

void CloseQuickLogin(CGlobalModule& ctx) {
  if (ctx.quickLogin) {
    const pf::HWindow hwnd = ctx.quickLogin->GetHWND();
    if (hwnd && pf::ui().IsWindow(hwnd)) pf::ui().DestroyWindow(hwnd);
    ctx.quickLogin = nullptr;
  }
  FreeClosedQuickLogin(ctx);
}

}  // namespace

bool IsRunModeSwitch(const std::wstring& switchText) {
  return pf::sys().CommandLine().find(switchText) != std::wstring::npos;
}

bool HasRunModeSwitch(RunMode mode) {
  for (const RunModeSwitch& row : kRunModeSwitches)
    if (row.mode == mode) return IsRunModeSwitch(row.text);
  return false;
}

RunMode CurrentRunMode() {
  for (const RunModeSwitch& row : kRunModeSwitches)
    if (IsRunModeSwitch(row.text)) return row.mode;
  return RunMode::kNormal;
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
  switch (CurrentRunMode()) {
    case RunMode::kSetupSuccess:
      if (!CreateBareLogin(ctx)) return 0;
      parts.SendInstallPing(ctx);
      return RunLoop(ctx);
    case RunMode::kUninstallSuccess:
      if (!CreateBareLogin(ctx)) return 0;
      parts.SendUninstallPing(ctx);
      return RunLoop(ctx);
    case RunMode::kShowDesktop: {
      const bool created = CreateBareLogin(ctx);
      parts.ToggleDesktop();
      if (!created) return 0;
      pf::ui().PostMessage(ctx.login->GetHWND(), WM_CLOSE_LOGIN_WINDOW, 0, 0);
      return RunLoop(ctx);
    }
    case RunMode::kAutorun:
    case RunMode::kNormal:
      break;
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
    // One game window at a time: a second request while it exists opens
    // nothing, so no window is left without its object.
    if (ctx->game && ui.IsWindow(ctx->game->GetHWND())) return 0;
    if (std::unique_ptr<IGameForm> made = ctx->Components().MakeGame()) {
      ctx->game = nullptr;
      ctx->gameObject = std::move(made);  // the previous object's window is gone
      IGameForm* game = ctx->gameObject.get();
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
  if (message == WM_UPGRADE_NOT_STARTED) {
    storage::ShowWindowsAgain(*ctx);
    return 0;
  }
  if (message == WM_OPEN_QUICK_LOGIN) {
    // The window of an earlier quick login goes first (its object with it),
    // so no orphaned window stays behind.
    CloseQuickLogin(*ctx);
    if (ctx->quickLoginOwner) g_replacedQuickLogins.push_back(std::move(ctx->quickLoginOwner));
    if (std::unique_ptr<IQuickLoginForm> made = ctx->Components().MakeQuickLogin()) {
      IQuickLoginForm* quick = made.get();
      ctx->quickLoginOwner = std::move(made);
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
      return DispatchToQuickLogin(*ctx, hwnd, message, wParam, lParam);
    if (ctx->login && hwnd == ctx->login->GetHWND())
      return ctx->login->HandleMessage(hwnd, message, wParam, lParam);
    if (ctx->backdrop && hwnd == ctx->backdrop->GetHWND())
      return ctx->backdrop->HandleMessage(hwnd, message, wParam, lParam);
    if (ctx->game && hwnd == ctx->game->GetHWND()) {
      if (message == pf::kWM_DESTROY) {
        // The game window takes its own leave first (tray icon, cleanup).
        ctx->game->HandleMessage(hwnd, message, wParam, lParam);
        ReturnToLogin(*ctx);
        return 0;
      }
      return ctx->game->HandleMessage(hwnd, message, wParam, lParam);
    }
  }
  return ui.DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace app
