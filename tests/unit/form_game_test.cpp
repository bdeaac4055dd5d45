// The game window over the fake platform: layout, maximise and restore, the
// strip's buttons, menus, tray, cache cleanup and the way back to the login
// window.  The window is opened as the program opens it: 1224 to the login window.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "app/app_messages.h"
#include "deploy/deployment.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "support/fake_env.h"
#include "support/test_components.h"
#include "windows/form_game.h"

namespace {

using pf::FakeUi;
using pf::Rect;
using windows::CFormGame;

// Counts its destruction, to tell when the context frees a game object.
class CountedGame : public CFormGame {
 public:
  explicit CountedGame(int* deaths) : deaths_(deaths) {}
  ~CountedGame() override { ++*deaths_; }

 private:
  int* deaths_;
};

class GameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::ResetOutsideOpensForTest();
    components.makeGame = [this] {
      ++made;
      return std::make_unique<CountedGame>(&deaths);
    };
    ctx = std::make_unique<app::CGlobalModule>(components);
    ASSERT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
    OpenGame();
  }
  void TearDown() override { ctx.reset(); }

  void OpenGame() {
    ui().PostMessage(ctx->login->GetHWND(), app::WM_OPEN_GAME_WINDOW, 0, 0);
    ui().RunMessageLoop(ctx.get());
    game = static_cast<CFormGame*>(ctx->game);
  }
  FakeUi& ui() { return env.P().ui; }
  pf::HWindow W() { return game->GetHWND(); }
  static pf::LParam At(pf::Point p) {
    return static_cast<pf::LParam>((static_cast<uint32_t>(p.x) & 0xFFFF) |
                                   ((static_cast<uint32_t>(p.y) & 0xFFFF) << 16));
  }
  static pf::Point Centre(const skin::CRKBaseControl& c) {
    const Rect r = c.GetRect();
    return pf::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Down(pf::Point p) { ui().SendMessage(W(), pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, At(p)); }
  // Each button-up is the player's own click: the few-a-second limit on
  // opened pages is not what these tests are about.
  void Up(pf::Point p) {
    app::ResetOutsideOpensForTest();
    ui().SendMessage(W(), pf::kWM_LBUTTONUP, 0, At(p));
  }
  void Click(const skin::CRKBaseControl& c) {
    Down(Centre(c));
    Up(Centre(c));
  }
  // Waits (at most five seconds) until something is posted, then runs the loop.
  bool RunWhenPosted() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ui().QueuedMessages() == 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (ui().QueuedMessages() == 0) return false;
    ui().RunMessageLoop(ctx.get());
    return true;
  }
  int Boxes(const std::wstring& text) {
    int n = 0;
    for (const auto& b : ui().messageBoxes) n += b.text == text;
    return n;
  }
  std::vector<std::wstring> OpenedPages() {
    std::vector<std::wstring> pages;
    for (const auto& c : env.P().shell.calls) pages.push_back(testsupport::Unquoted(c.parameters));
    return pages;
  }

  testsupport::FakeEnv env;
  testsupport::TestComponents components;
  std::unique_ptr<app::CGlobalModule> ctx;
  CFormGame* game = nullptr;
  int made = 0;
  int deaths = 0;
};

TEST_F(GameWindowTest, OpensFillingTheWorkAreaAndRestoresToThePartsRectangles) {
  ASSERT_NE(game, nullptr);
  pf::WindowHandle* w = W();
  EXPECT_EQ(w->text, L"VexaOrvane");
  EXPECT_EQ(w->className, L"ZuWayfar");
  EXPECT_EQ(w->style, (pf::kWS_POPUP & 0xFF3AFFFFu) | 0x000A0000u);
  EXPECT_TRUE(w->visible);
  EXPECT_TRUE(game->IsMaximized());
  EXPECT_EQ(w->rect, (Rect{0, 0, 1920, 1040}));
  EXPECT_FALSE(ui().IsWindowVisible(ctx->login->GetHWND()));
  EXPECT_FALSE(ui().IsWindowVisible(ctx->backdrop->GetHWND()));
  EXPECT_EQ(env.P().web.last->navigations.back().url, ctx->login->GetEnterGameUrl());
  EXPECT_TRUE(game->View().BlockPopups());
  // Work-area width: the buttons stay at the right edge.
  EXPECT_EQ(game->CloseButton().GetRect(), (Rect{1892, 1, 1920, 28}));
  EXPECT_EQ(game->PayButton().GetRect(), (Rect{1580, 5, 1618, 23}));
  EXPECT_EQ(game->View().Window()->rect, (Rect{0, 27, 1920, 1040}));
  // Strip first (lowest), then the buttons, the icon and the title.
  ASSERT_EQ(game->Controls().size(), 12u);
  EXPECT_EQ(game->Controls().front(), &game->TitleStrip());
  EXPECT_EQ(game->Controls().back(), &game->TitleLabel());
  for (skin::CRKButton* b : {&game->CloseButton(), &game->PayButton(), &game->TrayButton()}) {
    EXPECT_EQ(b->Cursor(), ui().LoadCursor(pf::kIDC_HAND));
    EXPECT_TRUE(b->skinMode);
  }

  ASSERT_TRUE(game->Restore());
  EXPECT_FALSE(game->IsMaximized());
  EXPECT_EQ(w->rect, (Rect{335, 170, 1585, 870}));
  EXPECT_EQ(game->TitleStrip().GetRect(), (Rect{0, 0, 1250, 27}));
  EXPECT_EQ(game->CloseButton().GetRect(), (Rect{1222, 1, 1250, 28}));
  EXPECT_EQ(game->MaximizeButton().GetRect(), (Rect{1195, 1, 1222, 28}));
  EXPECT_EQ(game->MinimizeButton().GetRect(), (Rect{1167, 1, 1195, 28}));
  EXPECT_EQ(game->TrayButton().GetRect(), (Rect{1140, 1, 1167, 28}));
  EXPECT_EQ(game->MenuButton().GetRect(), (Rect{1082, 5, 1120, 23}));
  EXPECT_EQ(game->ServiceButton().GetRect(), (Rect{1039, 5, 1077, 23}));
  EXPECT_EQ(game->ForumButton().GetRect(), (Rect{996, 5, 1034, 23}));
  EXPECT_EQ(game->OfficialButton().GetRect(), (Rect{953, 5, 991, 23}));
  EXPECT_EQ(game->PayButton().GetRect(), (Rect{910, 5, 948, 23}));
  EXPECT_EQ(game->GameIcon().GetRect(), (Rect{5, 2, 30, 25}));
  const Rect title = game->TitleLabel().GetRect();
  EXPECT_EQ(title.left, 40);
  EXPECT_EQ(title.top, 5);
  EXPECT_EQ(title.bottom, 25);
  EXPECT_LE(title.right, 340);
  EXPECT_EQ(game->View().Window()->rect, (Rect{0, 27, 1250, 700}));
}

TEST_F(GameWindowTest, TaskbarAtTheLeftOrTopIsNeitherCoveredNorPushedOff) {
  ui().workArea = Rect{60, 30, 1980, 1080};
  ASSERT_TRUE(game->Maximize());
  EXPECT_EQ(W()->rect, (Rect{60, 30, 1980, 1080}));
  ASSERT_TRUE(game->Restore());
  EXPECT_EQ(W()->rect, (Rect{395, 205, 1645, 905}));
}

TEST_F(GameWindowTest, MaximiseButtonFaceFollowsClicksButNotDoubleClicks) {
  skin::CRKButton& max = game->MaximizeButton();
  EXPECT_FALSE(max.checked);
  Click(max);  // maximised -> restore: two-box face
  EXPECT_FALSE(game->IsMaximized());
  EXPECT_TRUE(max.checked);
  EXPECT_EQ(W()->rect.Width(), 1250);
  Click(game->MaximizeButton());  // restored -> maximise: one-box face
  EXPECT_TRUE(game->IsMaximized());
  EXPECT_FALSE(max.checked);
  // Title double-clicks toggle the size but leave the face alone.
  ui().SendMessage(W(), pf::kWM_LBUTTONDBLCLK, pf::kMK_LBUTTON, At({600, 12}));
  EXPECT_FALSE(game->IsMaximized());
  EXPECT_FALSE(max.checked);
  ui().SendMessage(W(), pf::kWM_LBUTTONDBLCLK, pf::kMK_LBUTTON, At(Centre(game->TitleLabel())));
  EXPECT_TRUE(game->IsMaximized());
  EXPECT_FALSE(max.checked);
  // A double-click on a button is not the strip's.
  ui().SendMessage(W(), pf::kWM_LBUTTONDBLCLK, pf::kMK_LBUTTON, At(Centre(game->MenuButton())));
  EXPECT_TRUE(game->IsMaximized());
}

TEST_F(GameWindowTest, TheStripDragsOnlyWhileRestored) {
  Down({600, 12});
  Down(Centre(game->TitleLabel()));
  EXPECT_TRUE(ui().sysCommands.empty());
  game->Restore();
  Down({600, 12});
  Down(Centre(game->TitleLabel()));
  EXPECT_EQ(ui().sysCommands, (std::vector<uint32_t>{0xF011, 0xF011}));
  // The page area is not the strip.
  Down({600, 300});
  EXPECT_EQ(ui().sysCommands.size(), 2u);
}

TEST_F(GameWindowTest, ButtonsActOnMouseUpAndOpenTheOutsidePages) {
  // Pressed on the forum button, released on minimise: minimise acts.
  Down(Centre(game->ForumButton()));
  Up(Centre(game->MinimizeButton()));
  EXPECT_TRUE(W()->iconic);
  EXPECT_TRUE(OpenedPages().empty());

  ctx->serverId = L"s27";
  ctx->userName = L"player_1";
  const std::wstring web = std::wstring(L"http://") + deploy::kWebHost;
  Click(game->ServiceButton());
  Click(game->ForumButton());
  Click(game->OfficialButton());
  Click(game->PayButton());
  EXPECT_EQ(OpenedPages(), (std::vector<std::wstring>{
                               web + L"/kefu.html?gid=1062", web + L"/bbs.html?gid=1062",
                               web + L"/tavo.html?frm=pkgs-wd-tavo&referer=pkgs",
                               web + L"/pay.html?gid=1062&sid=s27&uid=player_1"}));
}

TEST_F(GameWindowTest, CloseAsksFirstAndTheLoginWindowComesBack) {
  ui().messageBoxAnswers = {pf::kIDNO};
  Click(game->CloseButton());
  ASSERT_EQ(ui().messageBoxes.size(), 1u);
  EXPECT_EQ(ui().messageBoxes[0].text, L"正在游戏中，确认退出？");
  EXPECT_EQ(ui().messageBoxes[0].caption, L"提示");
  EXPECT_EQ(ui().messageBoxes[0].flags, pf::kMB_YESNO | pf::kMB_DEFBUTTON2);
  EXPECT_TRUE(ui().IsWindow(W()));
  pf::HWindow window = W();
  ui().messageBoxAnswers = {pf::kIDYES};
  Click(game->CloseButton());
  EXPECT_FALSE(ui().IsWindow(window));
  EXPECT_EQ(ctx->game, nullptr);
  EXPECT_TRUE(ui().IsWindowVisible(ctx->login->GetHWND()));
  EXPECT_TRUE(ui().IsWindowVisible(ctx->backdrop->GetHWND()));
  EXPECT_EQ(ui().GetForegroundWindow(), ctx->login->GetHWND());
  // The object outlives its window; ConfirmExit asks the same question.
  EXPECT_EQ(deaths, 0);
  ui().messageBoxAnswers = {pf::kIDYES};
  EXPECT_TRUE(game->ConfirmExit());
}

TEST_F(GameWindowTest, MenuRefreshesAndNothingChosenReportsFalse) {
  pf::FakeWebBrowser* engine = env.P().web.last;
  ui().popupAnswers = {CFormGame::kCommandRefresh};
  Click(game->MenuButton());
  ASSERT_EQ(ui().popups.size(), 1u);
  EXPECT_EQ(ui().popups[0].items, (std::vector<std::wstring>{L"刷新", L"清理缓存"}));
  EXPECT_EQ(ui().popups[0].flags, pf::kTPM_RETURNCMD | pf::kTPM_RIGHTBUTTON);
  const Rect menu = game->MenuButton().GetRect();
  EXPECT_EQ(ui().popups[0].at.x, W()->rect.left + menu.left);
  EXPECT_EQ(ui().popups[0].at.y, W()->rect.top + menu.bottom);
  EXPECT_EQ(engine->refreshes, 1);
  Click(game->MenuButton());  // dismissed
  EXPECT_EQ(engine->refreshes, 1);
  EXPECT_EQ(ui().liveMenus, 0);
}

TEST_F(GameWindowTest, CacheCleanupRunsOnceAtATimeAndReportsWhenTheThreadHasEnded) {
  pf::FakeUrlCache& cache = env.P().urlCache;
  cache.Add(L"Cookie:player@game.vexawan.com/");
  cache.Add(L"http://game.vexawan.com/assets/orvane.js");
  cache.Add(L"Visited:player@http://game.vexawan.com/");
  cache.Add(L"http://game.vexawan.com/cookie-notice.png");
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  cache.onFindFirst = [open] { open.wait(); };

  ui().popupAnswers = {CFormGame::kCommandClearCache, CFormGame::kCommandClearCache};
  Click(game->MenuButton());
  EXPECT_TRUE(game->CleanupRunning());
  Click(game->MenuButton());  // a second "清理缓存" while the first runs starts nothing
  gate.set_value();
  ASSERT_TRUE(RunWhenPosted());
  EXPECT_FALSE(game->CleanupRunning());
  EXPECT_EQ(Boxes(L"缓存清理完毕！"), 1);
  EXPECT_EQ(ui().messageBoxes.back().flags, pf::kMB_OK);
  EXPECT_EQ(cache.Names(), (std::vector<std::wstring>{L"Cookie:player@game.vexawan.com/",
                                                       L"Visited:player@http://game.vexawan.com/"}));
  int firsts = 0;
  for (const std::string& call : cache.Calls()) firsts += call.rfind("first", 0) == 0;
  EXPECT_EQ(firsts, 1);
  EXPECT_EQ(cache.OpenFinds(), 0);
  // Another one may run now.
  ui().popupAnswers = {CFormGame::kCommandClearCache};
  Click(game->MenuButton());
  ASSERT_TRUE(RunWhenPosted());
  EXPECT_EQ(Boxes(L"缓存清理完毕！"), 2);
}

TEST_F(GameWindowTest, EngineCacheIsClearedOnTheUiThreadAndStillReports) {
  pf::FakeUrlCache& cache = env.P().urlCache;
  cache.walksEntries = false;
  ui().popupAnswers = {CFormGame::kCommandClearCache, CFormGame::kCommandClearCache};
  Click(game->MenuButton());
  Click(game->MenuButton());
  EXPECT_EQ(cache.engineClears, 1);
  EXPECT_EQ(Boxes(L"缓存清理完毕！"), 0);
  ASSERT_TRUE(cache.pendingEngineClear);
  cache.pendingEngineClear();
  ui().RunMessageLoop(ctx.get());
  EXPECT_EQ(Boxes(L"缓存清理完毕！"), 1);
  EXPECT_FALSE(game->CleanupRunning());
}

TEST_F(GameWindowTest, ClosingWhileACleanupRunsLetsItFinish) {
  pf::FakeUrlCache& cache = env.P().urlCache;
  cache.Add(L"http://game.vexawan.com/a.js");
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  cache.onFindFirst = [open] { open.wait(); };
  ui().popupAnswers = {CFormGame::kCommandClearCache};
  Click(game->MenuButton());
  // WM_CLOSE from the system closes at once, without a question.
  ui().SendMessage(W(), pf::kWM_CLOSE, 0, 0);
  EXPECT_EQ(ctx->game, nullptr);
  EXPECT_TRUE(ui().messageBoxes.empty());
  gate.set_value();
  ctx.reset();  // frees the game object, which waits for the walk
  EXPECT_EQ(deaths, 1);
  EXPECT_TRUE(cache.Names().empty());
  EXPECT_EQ(cache.OpenFinds(), 0);
}

TEST_F(GameWindowTest, TrayHidesClickShowsAndAFailingAddMinimisesInstead) {
  Click(game->TrayButton());
  ASSERT_EQ(ui().notifyIcons.size(), 1u);
  const auto& [message, icon] = ui().notifyIcons[0];
  EXPECT_EQ(message, pf::kNIM_ADD);
  EXPECT_EQ(icon.hwnd, W());
  EXPECT_EQ(icon.id, 156u);
  EXPECT_EQ(icon.flags, 7u);
  EXPECT_EQ(icon.callbackMessage, app::WM_TRAY_NOTIFY);
  EXPECT_EQ(icon.iconId, 151);
  EXPECT_EQ(icon.tip, L"VexaOrvane");
  EXPECT_FALSE(W()->visible);
  EXPECT_TRUE(game->InTray());
  // Other mouse messages of the icon do nothing.
  ui().PostMessage(W(), app::WM_TRAY_NOTIFY, 156, pf::kWM_MOUSEMOVE);
  ui().RunMessageLoop(ctx.get());
  EXPECT_FALSE(W()->visible);
  ui().PostMessage(W(), app::WM_TRAY_NOTIFY, 156, pf::kWM_LBUTTONUP);
  ui().RunMessageLoop(ctx.get());
  EXPECT_TRUE(W()->visible);
  ASSERT_EQ(ui().notifyIcons.size(), 2u);
  EXPECT_EQ(ui().notifyIcons[1].first, pf::kNIM_DELETE);
  EXPECT_EQ(ui().notifyIcons[1].second.flags, 0u);
  EXPECT_EQ(ui().notifyIcons[1].second.id, 156u);

  // The shell restarted: the icon comes back while the window is in the tray.
  Click(game->TrayButton());
  ui().SendMessage(W(), ui().RegisterWindowMessage(L"TaskbarCreated"), 0, 0);
  ASSERT_EQ(ui().notifyIcons.size(), 4u);
  EXPECT_EQ(ui().notifyIcons[3].first, pf::kNIM_ADD);
  ui().PostMessage(W(), app::WM_TRAY_NOTIFY, 156, pf::kWM_LBUTTONDBLCLK);
  ui().RunMessageLoop(ctx.get());
  EXPECT_TRUE(W()->visible);
  EXPECT_EQ(ui().notifyIcons.back().first, pf::kNIM_DELETE);

  // No notification area: the window is minimised, never stranded.
  ui().failNotifyIcon = true;
  const size_t calls = ui().notifyIcons.size();
  Click(game->TrayButton());
  EXPECT_FALSE(game->TrayIconPresent());
  EXPECT_TRUE(W()->visible);
  EXPECT_TRUE(W()->iconic);
  ui().DestroyWindow(W());
  EXPECT_EQ(ui().notifyIcons.size(), calls + 1);  // the add only: nothing to delete
}

TEST_F(GameWindowTest, TrayMenuOpensOrQuitsAfterItsQuestion) {
  Click(game->TrayButton());
  ui().foreground = nullptr;
  ui().cursorPos = pf::Point{1800, 1060};
  ui().popupAnswers = {CFormGame::kCommandOpen};
  ui().PostMessage(W(), app::WM_TRAY_NOTIFY, 156, pf::kWM_RBUTTONUP);
  ui().RunMessageLoop(ctx.get());
  ASSERT_EQ(ui().popups.size(), 1u);
  EXPECT_EQ(ui().popups[0].items, (std::vector<std::wstring>{L"打开", L"退出"}));
  EXPECT_EQ(ui().popups[0].at.x, 1800);
  EXPECT_EQ(ui().popups[0].at.y, 1060);
  EXPECT_EQ(ui().popups[0].owner, W());
  EXPECT_TRUE(W()->visible);
  EXPECT_EQ(ui().notifyIcons.back().first, pf::kNIM_DELETE);
  // The window came to the foreground for the menu; a null message followed it.
  bool nullSeen = false;
  for (const pf::Msg& m : ui().dispatched) nullSeen = nullSeen || m.message == pf::kWM_NULL;
  EXPECT_TRUE(nullSeen);

  Click(game->TrayButton());
  ui().popupAnswers = {CFormGame::kCommandQuit};
  ui().messageBoxAnswers = {pf::kIDNO};
  ui().PostMessage(W(), app::WM_TRAY_NOTIFY, 156, pf::kWM_RBUTTONUP);
  ui().RunMessageLoop(ctx.get());
  EXPECT_EQ(ui().messageBoxes.back().text, L"此操作将退出游戏，是否继续？");
  EXPECT_TRUE(ui().IsWindow(W()));
  EXPECT_FALSE(W()->visible);
  pf::HWindow window = W();
  ui().popupAnswers = {CFormGame::kCommandQuit};
  ui().messageBoxAnswers = {pf::kIDYES};
  ui().PostMessage(W(), app::WM_TRAY_NOTIFY, 156, pf::kWM_RBUTTONUP);
  ui().RunMessageLoop(ctx.get());
  EXPECT_FALSE(ui().IsWindow(window));
  EXPECT_EQ(ui().notifyIcons.back().first, pf::kNIM_DELETE);
  EXPECT_TRUE(ui().IsWindowVisible(ctx->login->GetHWND()));
}

TEST_F(GameWindowTest, PageNotificationsTitleDivertAndReturnToLogin) {
  pf::FakeWebBrowser* engine = env.P().web.last;
  engine->RaiseTitleChange(L"新的标题");
  EXPECT_EQ(game->TitleLabel().GetText(), L"新的标题");
  // A long title stops short of the first link button.
  game->Restore();
  engine->RaiseTitleChange(std::wstring(300, L'W'));
  ui().RedrawWindow(W(), nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  EXPECT_LE(game->TitleLabel().GetRect().right, game->PayButton().GetRect().left - 10);

  // A download the view diverts goes to the user's browser.
  EXPECT_TRUE(engine->RaiseBeforeNavigate2(pf::FakeWebBrowser::MainFrame(),
                                           L"http://game.vexawan.com/client.exe"));
  ASSERT_FALSE(OpenedPages().empty());
  EXPECT_EQ(OpenedPages().back(), L"http://game.vexawan.com/client.exe");

  // "wd_returnlogin=1" anywhere in the address: the close is posted, not done
  // inside the engine's callback.
  pf::HWindow window = W();
  engine->RaiseBeforeNavigate2(pf::FakeWebBrowser::MainFrame(),
                               L"http://game.vexawan.com/wd_returnlogin=1/bye");
  EXPECT_TRUE(ui().IsWindow(window));
  ui().RunMessageLoop(ctx.get());
  EXPECT_FALSE(ui().IsWindow(window));
  EXPECT_EQ(ctx->game, nullptr);
  EXPECT_TRUE(ui().IsWindowVisible(ctx->login->GetHWND()));
  EXPECT_TRUE(ui().messageBoxes.empty());
}

TEST_F(GameWindowTest, OneGameWindowAtATimeAndEachObjectIsFreedAfterItsWindow) {
  pf::HWindow first = W();
  OpenGame();  // a second 1224 while the window exists
  EXPECT_EQ(made, 1);
  EXPECT_EQ(W(), first);
  ui().SendMessage(first, pf::kWM_CLOSE, 0, 0);
  EXPECT_EQ(deaths, 0);
  OpenGame();  // after it closed: a new window, and the old object goes
  EXPECT_EQ(made, 2);
  EXPECT_EQ(deaths, 1);
  EXPECT_NE(W(), first);
  EXPECT_TRUE(ui().IsWindowVisible(W()));
}

TEST_F(GameWindowTest, KeyboardAndMouseMessagesGoToThePage) {
  pf::FakeWebBrowser* engine = env.P().web.last;
  pf::Msg key{game->View().Window(), pf::kWM_KEYDOWN, 0x41, 0, 0, {}};
  EXPECT_TRUE(game->PreTranslateMessage(&key));
  pf::Msg wheel{game->View().Window(), pf::kWM_MOUSEWHEEL, 0, 0, 0, {}};
  EXPECT_TRUE(game->PreTranslateMessage(&wheel));
  pf::Msg timer{game->View().Window(), 0x0113, 0, 0, 0, {}};
  EXPECT_FALSE(game->PreTranslateMessage(&timer));
  EXPECT_EQ(engine->forwarded.size(), 2u);
}

}  // namespace
