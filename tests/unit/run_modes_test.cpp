#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "support/fake_env.h"
#include "support/test_components.h"

namespace {

using pf::FakeUi;

class RunModesTest : public ::testing::Test {
 protected:
  testsupport::FakeEnv env;
  testsupport::TestComponents components;
  FakeUi& ui() { return env.P().ui; }
  pf::WindowHandle* Rec(pf::HWindow h) { return h; }
  bool Journal(const std::string& entry) {
    return std::find(components.journal.begin(), components.journal.end(), entry) !=
           components.journal.end();
  }
};

TEST_F(RunModesTest, SwitchesAreCaseSensitiveSubstringsOfTheWholeLine) {
  env.P().system.commandLine = L"\"C:\\Program Files\\/setupsuccess\\vexa.exe\"";
  EXPECT_TRUE(app::IsRunModeSwitch(L"/setupsucc"));
  env.P().system.commandLine = L"vexa.exe /SetupSucc";
  EXPECT_FALSE(app::IsRunModeSwitch(L"/setupsucc"));
}

TEST_F(RunModesTest, TheFirstSwitchOfTheTableDecidesTheMode) {
  const std::pair<const wchar_t*, app::RunMode> cases[] = {
      {L"vexa.exe", app::RunMode::kNormal},
      {L"vexa.exe /autorun", app::RunMode::kAutorun},
      {L"vexa.exe /autorun /ShowDeskTop", app::RunMode::kShowDesktop},
      {L"vexa.exe /ShowDeskTop /uninstallsucc", app::RunMode::kUninstallSuccess},
      {L"vexa.exe /uninstallsucc /setupsucc /autorun", app::RunMode::kSetupSuccess},
      {L"vexa.exe /AUTORUN", app::RunMode::kNormal},
  };
  for (const auto& [line, mode] : cases) {
    env.P().system.commandLine = line;
    EXPECT_EQ(app::CurrentRunMode(), mode) << std::wstring(line).c_str();
  }
  // A switch behind another one is still present for whoever asks for it.
  env.P().system.commandLine = L"vexa.exe /setupsucc /autorun";
  EXPECT_TRUE(app::HasRunModeSwitch(app::RunMode::kAutorun));
  EXPECT_FALSE(app::HasRunModeSwitch(app::RunMode::kShowDesktop));
  EXPECT_FALSE(app::HasRunModeSwitch(app::RunMode::kNormal));
}

TEST_F(RunModesTest, ShowDesktopRunCreatesABareHiddenWindowAndEndsByItself) {
  env.P().system.commandLine = L"vexa.exe /ShowDeskTop";
  app::CGlobalModule ctx(components);
  EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), 0);
  EXPECT_EQ(ctx.title, L"VexaBrannoc");
  EXPECT_EQ(ctx.windowClass, L"ZuWayfar");
  EXPECT_TRUE(Journal("ToggleDesktop"));
  pf::WindowHandle* login = ctx.login->GetHWND();
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->className, L"ZuWayfar");
  EXPECT_EQ(login->text, L"VexaOrvane");
  EXPECT_EQ(login->style, (pf::kWS_POPUP & 0x7F30FF7Fu) | 0x000A0000u);
  EXPECT_EQ(login->exStyle, pf::kWS_EX_TOOLWINDOW);
  EXPECT_FALSE(login->alive);
  // Never shown.
  for (const std::wstring& entry : ui().log) EXPECT_EQ(entry.find(L"ShowWindow"), std::wstring::npos);
  EXPECT_FALSE(ui().dispatched.empty());
  EXPECT_EQ(ui().dispatched.front().message, app::WM_CLOSE_LOGIN_WINDOW);
  // The class is registered once, with its fixed fields.
  EXPECT_NE(std::find(ui().log.begin(), ui().log.end(), L"RegisterWindowClass ZuWayfar"),
            ui().log.end());
}

TEST_F(RunModesTest, SetupRunKeepsRunningUntilTheLoginWindowIsToldToClose) {
  // The first switch of the test order wins.
  env.P().system.commandLine = L"vexa.exe /ShowDeskTop /setupsucc";
  app::CGlobalModule ctx(components);
  EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
  EXPECT_TRUE(Journal("SendInstallPing"));
  EXPECT_FALSE(Journal("ToggleDesktop"));
  pf::HWindow login = ctx.login->GetHWND();
  EXPECT_TRUE(ui().IsWindow(login));
  EXPECT_FALSE(ui().IsWindowVisible(login));
  // What the ping's completion does: post 1225 from any thread.
  ui().PostMessage(login, app::WM_CLOSE_LOGIN_WINDOW, 0, 0);
  EXPECT_EQ(ui().RunMessageLoop(&ctx), 0);
  EXPECT_FALSE(ui().IsWindow(login));

  env.P().system.commandLine = L"vexa.exe /uninstallsucc";
}

TEST_F(RunModesTest, APingThatFinishesAtOnceStillEndsTheRun) {
  for (const wchar_t* line : {L"vexa.exe /setupsucc", L"vexa.exe /uninstallsucc"}) {
    env.P().system.commandLine = line;
    testsupport::TestComponents parts;
    parts.pingFinishesAtOnce = true;
    app::CGlobalModule ctx(parts);
    EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), 0);
    EXPECT_FALSE(ui().IsWindow(ctx.login->GetHWND()));
  }
}

TEST_F(RunModesTest, UninstallRunSendsItsPing) {
  env.P().system.commandLine = L"vexa.exe /uninstallsucc";
  app::CGlobalModule ctx(components);
  EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
  EXPECT_TRUE(Journal("SendUninstallPing"));
  EXPECT_FALSE(Journal("SendInstallPing"));
}

TEST_F(RunModesTest, NormalStartShowsBothWindowsOffScreen) {
  for (const wchar_t* topMost : {L"0", L"1", L"2"}) {
    storage::WriteIniText(L"Common", L"TopMost", topMost);
    env.P().system.commandLine = L"vexa.exe /SetupSucc";  // not a switch in this case
    testsupport::TestComponents parts;
    app::CGlobalModule ctx(parts);
    ui().log.clear();
    EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
    const bool top = std::wstring(topMost) == L"1";
    for (pf::HWindow h : {ctx.backdrop->GetHWND(), ctx.login->GetHWND()}) {
      ASSERT_NE(h, nullptr);
      EXPECT_TRUE(h->visible);
      EXPECT_EQ(h->rect.left, -2000);
      EXPECT_EQ(h->rect.top, -2000);
      EXPECT_EQ(h->rect.Width(), app::kLoginWidth);
      EXPECT_EQ(h->rect.Height(), app::kLoginHeight);
      EXPECT_TRUE(h->exStyle & pf::kWS_EX_TOOLWINDOW);
      EXPECT_FALSE(h->exStyle & pf::kWS_EX_APPWINDOW);
      EXPECT_EQ(h->topmost, top);
    }
    EXPECT_EQ(ctx.login->GetHWND()->parent, ctx.backdrop->GetHWND());
    ASSERT_GE(parts.journal.size(), 3u);
    EXPECT_EQ(parts.journal[0], "backdrop: SetRect 1287x732");
    EXPECT_EQ(parts.journal[1], "backdrop: Init");
    EXPECT_EQ(parts.journal.back(), "LaunchIconAnimation");
    ctx.login->GetHWND();
    ui().DestroyWindow(ctx.backdrop->GetHWND());
    ui().RunMessageLoop(nullptr);  // drains the quit message
  }
}

TEST_F(RunModesTest, TheWindowProcedureOpensWindowsAndRoutesByHandle) {
  app::CGlobalModule ctx(components);
  ASSERT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
  pf::HWindow login = ctx.login->GetHWND();
  pf::HWindow backdrop = ctx.backdrop->GetHWND();

  ui().PostMessage(login, app::WM_OPEN_GAME_WINDOW, 0, 0);
  ui().RunMessageLoop(&ctx);
  ASSERT_EQ(components.games.size(), 1u);
  testsupport::RecordingGame& game = *components.games[0];
  EXPECT_EQ(ctx.game, &game);
  EXPECT_EQ(game.rect, (pf::Rect{0, 0, app::kGameWidth, app::kGameHeight}));
  EXPECT_TRUE(ui().IsWindowVisible(game.GetHWND()));
  EXPECT_FALSE(ui().IsWindowVisible(login));
  EXPECT_FALSE(ui().IsWindowVisible(backdrop));

  // Messages for the game window reach its form.
  ui().SendMessage(game.GetHWND(), pf::kWM_USER + 9, 0, 0);
  EXPECT_EQ(game.messages.back(), pf::kWM_USER + 9);

  // The quick-login window: created, and the message still reaches the login window.
  ui().PostMessage(login, app::WM_OPEN_QUICK_LOGIN, 0, 1);
  ui().RunMessageLoop(&ctx);
  ASSERT_EQ(components.quickLogins.size(), 1u);
  EXPECT_EQ(ctx.quickLogin, components.quickLogins[0]);
  EXPECT_EQ(components.quickLogins[0]->kind, 1);
  EXPECT_EQ(components.quickLogins[0]->rect,
            (pf::Rect{0, 0, app::kQuickLoginWidth, app::kQuickLoginHeight}));
  EXPECT_TRUE(ui().IsWindow(login));
  // A second one replaces the first, whose window is destroyed (no orphan).
  const pf::HWindow firstQuick = components.quickLogins[0]->GetHWND();
  ui().PostMessage(login, app::WM_OPEN_QUICK_LOGIN, 0, 0);
  ui().RunMessageLoop(&ctx);
  EXPECT_EQ(ctx.quickLogin, components.quickLogins[1]);
  EXPECT_FALSE(ui().IsWindow(firstQuick));

  // Closing the game window brings back the backdrop and the login window.
  ui().DestroyWindow(game.GetHWND());
  EXPECT_EQ(ctx.game, nullptr);
  EXPECT_TRUE(ui().IsWindowVisible(login));
  EXPECT_TRUE(ui().IsWindowVisible(backdrop));
  EXPECT_EQ(ui().GetForegroundWindow(), login);
  // The game window hears of its own destruction first (tray icon, cleanup).
  EXPECT_EQ(std::count(game.messages.begin(), game.messages.end(), pf::kWM_DESTROY), 1);
  EXPECT_EQ(ui().QueuedMessages(), 0u);  // the process goes on

  // A window of the class that no form owns yet gets the default handling.
  pf::HWindow stray =
      ui().CreateWindowEx(0, ctx.windowClass, ctx.title, pf::kWS_POPUP, 0, 0, 1, 1, nullptr);
  ui().SendMessage(stray, pf::kWM_CLOSE, 0, 0);
  EXPECT_FALSE(ui().IsWindow(stray));
}

TEST_F(RunModesTest, TheFilterAsksTheForegroundFormsInOrder) {
  app::CGlobalModule ctx(components);
  ASSERT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
  ui().PostMessage(ctx.login->GetHWND(), app::WM_OPEN_GAME_WINDOW, 0, 0);
  ui().PostMessage(ctx.login->GetHWND(), app::WM_OPEN_QUICK_LOGIN, 0, 0);
  ui().RunMessageLoop(&ctx);
  testsupport::RecordingGame& game = *components.games[0];
  testsupport::RecordingQuickLogin& quick = *components.quickLogins[0];

  pf::Msg msg{nullptr, pf::kWM_KEYDOWN, 0x09, 0, 0, {}};
  ui().foreground = nullptr;
  EXPECT_FALSE(ctx.PreTranslateMessage(&msg));
  components.journal.clear();
  ui().foreground = quick.GetHWND();
  EXPECT_FALSE(ctx.PreTranslateMessage(&msg));
  EXPECT_EQ(components.journal, std::vector<std::string>{"quick: PreTranslate"});
  quick.takesMessages = true;
  EXPECT_TRUE(ctx.PreTranslateMessage(&msg));
  components.journal.clear();
  ui().foreground = game.GetHWND();
  game.takesMessages = true;
  EXPECT_TRUE(ctx.PreTranslateMessage(&msg));
  EXPECT_EQ(components.journal, std::vector<std::string>{"game: PreTranslate"});
  // A taken message is neither translated nor dispatched.
  ui().dispatched.clear();
  ui().PostMessage(game.GetHWND(), pf::kWM_KEYDOWN, 0x09, 0);
  ui().RunMessageLoop(&ctx);
  EXPECT_TRUE(ui().dispatched.empty());
}

TEST_F(RunModesTest, ConfirmExitQuitsUnlessTheAnswerIsNo) {
  env.P().system.commandLine = L"vexa.exe /setupsucc";
  app::CGlobalModule ctx(components);
  ASSERT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
  pf::HWindow login = ctx.login->GetHWND();
  ui().messageBoxAnswers = {pf::kIDNO};
  ui().PostMessage(login, app::WM_CONFIRM_EXIT, 0, 0);
  EXPECT_EQ(ui().RunMessageLoop(&ctx), FakeUi::kLoopRanDry);
  ASSERT_EQ(ui().messageBoxes.size(), 1u);
  EXPECT_EQ(ui().messageBoxes[0].text, L"此操作将退出游戏，是否继续？");
  EXPECT_EQ(ui().messageBoxes[0].caption, L"提示");
  EXPECT_EQ(ui().messageBoxes[0].flags, pf::kMB_YESNO | pf::kMB_DEFBUTTON2);
  EXPECT_TRUE(ui().IsWindow(login));

  ui().messageBoxAnswers = {pf::kIDYES};
  ui().PostMessage(login, app::WM_CONFIRM_EXIT, 0, 0);
  EXPECT_EQ(ui().RunMessageLoop(&ctx), 0);
  EXPECT_FALSE(ui().IsWindow(login));
}

TEST_F(RunModesTest, AShortRunWithoutAWindowEndsAtOnce) {
  env.P().system.commandLine = L"vexa.exe /ShowDeskTop";
  ui().failCreate = true;
  app::CGlobalModule ctx(components);
  EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), 0);
}

}  // namespace
