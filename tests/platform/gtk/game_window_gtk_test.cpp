// The game window on GTK and WebKitGTK under Xvfb, against pages served on
// loopback by game_test_server.py: opened by 1224 as the program opens it,
// filling the work area with the page below the strip (screenshot kept and
// checked), the page's title on the strip, refresh and cache cleanup through
// the real menu, the tray button without a tray, and the way back to the
// login window.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "support/page_server.h"
#include "support/test_components.h"
#include "windows/form_game.h"

namespace {

using testsupport::StandInLogin;
using windows::CFormGame;

// Answers the program's message boxes and picks menu items from GTK timers,
// which also run inside the boxes' and menus' own loops.
struct Responder {
  std::vector<std::string> boxTexts;
  int menuItem = -1;  // the item to activate in the next menu
  guint source = 0;

  void Start() { source = g_timeout_add(50, &Responder::Tick, this); }
  void Stop() {
    if (source) g_source_remove(source);
    source = 0;
  }
  static gboolean Tick(gpointer data) {
    auto* self = static_cast<Responder*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
      GtkWidget* w = GTK_WIDGET(item->data);
      if (!gtk_widget_get_visible(w)) continue;
      if (GTK_IS_MESSAGE_DIALOG(w)) {
        gchar* text = nullptr;
        g_object_get(w, "text", &text, nullptr);
        self->boxTexts.push_back(text ? text : "");
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(w), GTK_RESPONSE_OK);
        continue;
      }
      GtkWidget* child = GTK_IS_BIN(w) ? gtk_bin_get_child(GTK_BIN(w)) : nullptr;
      if (child && GTK_IS_MENU(child) && self->menuItem >= 0) {
        GList* items = gtk_container_get_children(GTK_CONTAINER(child));
        if (GList* chosen = g_list_nth(items, static_cast<guint>(self->menuItem))) {
          self->menuItem = -1;
          gtk_menu_shell_activate_item(GTK_MENU_SHELL(child), GTK_WIDGET(chosen->data), TRUE);
        }
        g_list_free(items);
      }
    }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
  }
};

class GameWindowGtk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pf::ui().Initialize(); }

  void SetUp() override {
    ASSERT_GT(server.Port(), 0);
    components.makeLogin = [this] {
      auto login = std::make_unique<StandInLogin>();
      login_ = login.get();
      return login;
    };
    components.makeGame = [] { return std::make_unique<CFormGame>(); };
    ctx = std::make_unique<app::CGlobalModule>(components);
    ctx->title = L"VexaBrannoc";
    ctx->windowClass = L"ZuWayfar";
    pf::WindowClass wc;
    wc.style = pf::kCS_VREDRAW | pf::kCS_HREDRAW | pf::kCS_DBLCLKS;
    wc.procedure = &app::ApplicationWindowProc;
    wc.iconId = app::IDI_APP_ICON;
    wc.className = ctx->windowClass;
    pf::ui().RegisterWindowClass(wc);  // once per process; later calls fail harmlessly
    login_->gameUrl = server.Url("/game?wd_entergame=1&wd_server=s27&wd_username=player");
    ctx->login->SetRect(0, 0, app::kLoginWidth, app::kLoginHeight);
    ctx->login->Init();
    ctx->backdrop->SetRect(0, 0, app::kLoginWidth, app::kLoginHeight);
    ctx->backdrop->Init();
    pf::ui().ShowWindow(ctx->login->GetHWND(), pf::kSW_SHOWNORMAL);
    responder.Start();
  }
  void TearDown() override {
    responder.Stop();
    if (ctx->game) pf::ui().DestroyWindow(ctx->game->GetHWND());
    pf::ui().DestroyWindow(ctx->login->GetHWND());
    pf::ui().DestroyWindow(ctx->backdrop->GetHWND());
    Pump([] { return false; }, 100);
    ctx.reset();
  }

  // Runs the program's message loop until the condition holds or the time is up.
  bool Pump(const std::function<bool()>& done, int milliseconds = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      g_timeout_add(
          20,
          +[](gpointer) -> gboolean {
            pf::ui().PostQuitMessage(0);
            return G_SOURCE_REMOVE;
          },
          nullptr);
      pf::ui().RunMessageLoop(ctx.get());
    }
    return done();
  }
  CFormGame* Game() { return static_cast<CFormGame*>(ctx->game); }
  void ClickControl(const skin::CRKBaseControl& c) {
    const pf::Rect r = c.GetRect();
    const auto at = static_cast<pf::LParam>(((r.left + r.right) / 2) |
                                            (((r.top + r.bottom) / 2) << 16));
    pf::ui().PostMessage(Game()->GetHWND(), pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, at);
    pf::ui().PostMessage(Game()->GetHWND(), pf::kWM_LBUTTONUP, 0, at);
  }
  bool Loaded(int requestsBefore) {
    return server.Count("/game") > requestsBefore &&
           Game()->TitleLabel().GetText() == L"Orvane 得分 1";
  }

  static testsupport::PageServer server;
  testsupport::TestComponents components;
  std::unique_ptr<app::CGlobalModule> ctx;
  StandInLogin* login_ = nullptr;
  Responder responder;
};

testsupport::PageServer GameWindowGtk::server(GAME_TEST_SERVER);

// RGB of a pixel of the screen shot.
struct Rgb {
  int r, g, b;
};
Rgb PixelAt(GdkPixbuf* shot, int x, int y) {
  const guchar* p = gdk_pixbuf_get_pixels(shot) + y * gdk_pixbuf_get_rowstride(shot) +
                    x * gdk_pixbuf_get_n_channels(shot);
  return Rgb{p[0], p[1], p[2]};
}
bool Near(Rgb a, Rgb b, int tolerance = 10) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

TEST_F(GameWindowGtk, PlaysRefreshesClearsTheCacheAndGoesBackToTheLoginWindow) {
  pf::Ui& ui = pf::ui();
  ui.PostMessage(ctx->login->GetHWND(), app::WM_OPEN_GAME_WINDOW, 0, 0);
  ASSERT_TRUE(Pump([&] { return Game() && Loaded(0); })) << server.Log();
  EXPECT_FALSE(ui.IsWindowVisible(ctx->login->GetHWND()));

  // Filling the work area, the page below the 27-pixel strip.
  pf::Rect work, window, view;
  ASSERT_TRUE(ui.GetWorkArea(work));
  ASSERT_TRUE(ui.GetWindowRect(Game()->GetHWND(), window));
  EXPECT_EQ(window, work);
  EXPECT_TRUE(Game()->IsMaximized());
  ASSERT_TRUE(ui.GetWindowRect(Game()->View().Window(), view));
  EXPECT_EQ(view.top - window.top, 27);
  EXPECT_EQ(view.Height(), window.Height() - 27);
  EXPECT_EQ(view.Width(), window.Width());

  // What the player sees: strip, buttons, yellow title, green page.
  Pump([] { return false; }, 800);
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* shot =
      gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
  ASSERT_NE(shot, nullptr);
  const std::string folder = SCREENSHOT_DIR;
  g_mkdir_with_parents(folder.c_str(), 0755);
  gdk_pixbuf_save(shot, (folder + "/game-window.png").c_str(), "png", nullptr, nullptr);
  const int ox = window.left, oy = window.top;
  const Rgb page = PixelAt(shot, ox + window.Width() / 2, oy + window.Height() / 2);
  EXPECT_TRUE(Near(page, Rgb{0x1f, 0x9d, 0x55})) << page.r << "," << page.g << "," << page.b;
  const Rgb strip = PixelAt(shot, ox + 600, oy + 14);
  EXPECT_FALSE(Near(strip, page, 30));
  EXPECT_TRUE(Near(strip, PixelAt(shot, ox + 500, oy + 14), 4));
  const pf::Rect close = Game()->CloseButton().GetRect();
  bool buttonDrawn = false;
  for (int x = close.left; x < close.right; ++x)
    for (int y = close.top; y < close.bottom; ++y)
      buttonDrawn = buttonDrawn || !Near(PixelAt(shot, ox + x, oy + y), strip, 30);
  EXPECT_TRUE(buttonDrawn);
  const pf::Rect title = Game()->TitleLabel().GetRect();
  bool yellow = false;
  for (int x = title.left; x < title.right; ++x)
    for (int y = title.top; y < title.bottom; ++y) {
      const Rgb p = PixelAt(shot, ox + x, oy + y);
      yellow = yellow || (p.r > 170 && p.g > 170 && p.b < 110);
    }
  EXPECT_TRUE(yellow);
  g_object_unref(shot);

  // "刷新": the server sees the page requested again.
  int before = server.Count("/game");
  responder.menuItem = 0;
  ClickControl(Game()->MenuButton());
  ASSERT_TRUE(Pump([&] { return server.Count("/game") > before; })) << server.Log();
  ASSERT_TRUE(Pump([&] { return Loaded(before); }));

  // The script is cached: loading the page again does not fetch it.
  const int scripts = server.Count("/assets/orvane.js");
  before = server.Count("/game");
  Game()->View().Navigate(server.Url("/game"));
  ASSERT_TRUE(Pump([&] { return Loaded(before); }));
  Pump([] { return false; }, 300);
  ASSERT_EQ(server.Count("/assets/orvane.js"), scripts) << server.Log();

  // "清理缓存": the script is fetched again, the session cookie stays.
  responder.menuItem = 1;
  ClickControl(Game()->MenuButton());
  ASSERT_TRUE(Pump([&] { return !responder.boxTexts.empty(); }));
  EXPECT_EQ(responder.boxTexts.back(), "缓存清理完毕！");
  EXPECT_FALSE(Game()->CleanupRunning());
  before = server.Count("/game");
  Game()->View().Navigate(server.Url("/game"));
  EXPECT_TRUE(Pump([&] { return server.Count("/assets/orvane.js") > scripts; }, 10000));
  ASSERT_TRUE(Pump([&] { return Loaded(before); }));
  EXPECT_EQ(server.Count("/assets/orvane.js"), scripts + 1) << server.Log();
  Game()->View().Navigate(server.Url("/whoami"));
  ASSERT_TRUE(Pump([&] { return server.Count("/whoami") > 0; }));
  EXPECT_NE(server.Log().find("/whoami session=s-42"), std::string::npos) << server.Log();

  // A page address with "wd_returnlogin=1": back to the login window, which reloads.
  Game()->View().Navigate(server.Url("/logout?wd_returnlogin=1"));
  ASSERT_TRUE(Pump([&] { return ctx->game == nullptr; }));
  EXPECT_TRUE(ui.IsWindowVisible(ctx->login->GetHWND()));
  EXPECT_TRUE(ui.IsWindowVisible(ctx->backdrop->GetHWND()));
  EXPECT_EQ(login_->reloads, 1);
}

TEST_F(GameWindowGtk, WithoutATrayTheTrayButtonMinimises) {
  pf::Ui& ui = pf::ui();
  const int before = server.Count("/game");
  ui.PostMessage(ctx->login->GetHWND(), app::WM_OPEN_GAME_WINDOW, 0, 0);
  ASSERT_TRUE(Pump([&] { return Game() && Loaded(before); }));
  ClickControl(Game()->TrayButton());
  ASSERT_TRUE(Pump([&] { return ui.IsIconic(Game()->GetHWND()); }, 5000));
  EXPECT_FALSE(Game()->TrayIconPresent());
  EXPECT_TRUE(ui.IsWindowVisible(Game()->GetHWND()));
}

// The tray icon on a display with a notification area (trayer, an XEmbed
// system tray from Debian, started here): the tray button hides the window
// behind an icon, and a real click on the icon brings it back.
TEST_F(GameWindowGtk, TrayButtonHidesBehindAnIconThatAClickTakesAway) {
  if (std::system("command -v trayer >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "no trayer or xdotool here";
  const pid_t tray = fork();
  if (tray == 0) {
    execlp("trayer", "trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
           "--height", "32", "--SetDockType", "false", "--SetPartialStrut", "false", nullptr);
    _exit(127);
  }
  ASSERT_GT(tray, 0);
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  } reaper{tray};
  pf::Ui& ui = pf::ui();
  const int before = server.Count("/game");
  ui.PostMessage(ctx->login->GetHWND(), app::WM_OPEN_GAME_WINDOW, 0, 0);
  ASSERT_TRUE(Pump([&] { return Game() && Loaded(before); }));
  Pump([] { return false; }, 1000);  // the tray takes a moment to come up

  // The icon's menu (156): "打开" shows the window and takes the icon away.
  ClickControl(Game()->TrayButton());
  ASSERT_TRUE(Pump([&] { return Game()->InTray(); }, 5000));
  EXPECT_FALSE(ui.IsWindowVisible(Game()->GetHWND()));
  responder.menuItem = 0;
  ui.PostMessage(Game()->GetHWND(), app::WM_TRAY_NOTIFY, 156, pf::kWM_RBUTTONUP);
  ASSERT_TRUE(Pump([&] { return ui.IsWindowVisible(Game()->GetHWND()); }, 5000));
  EXPECT_FALSE(Game()->InTray());

  ClickControl(Game()->TrayButton());
  ASSERT_TRUE(Pump([&] { return Game()->InTray(); }, 5000));
  EXPECT_FALSE(ui.IsWindowVisible(Game()->GetHWND()));
  EXPECT_FALSE(ui.IsIconic(Game()->GetHWND()));
  // Where the tray put the icon.
  int x = -1, y = -1;
  ASSERT_TRUE(Pump([&] {
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
      GtkWidget* w = GTK_WIDGET(item->data);
      if (std::string(G_OBJECT_TYPE_NAME(w)) != "GtkTrayIcon" || !gtk_widget_get_mapped(w))
        continue;
      gdk_window_get_origin(gtk_widget_get_window(w), &x, &y);
      x += gtk_widget_get_allocated_width(w) / 2;
      y += gtk_widget_get_allocated_height(w) / 2;
    }
    g_list_free(windows);
    return x >= 0;
  }, 5000));
  const std::string click =
      "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
  ASSERT_EQ(std::system(click.c_str()), 0);
  ASSERT_TRUE(Pump([&] { return ui.IsWindowVisible(Game()->GetHWND()); }, 5000));
  EXPECT_FALSE(Game()->InTray());
}

// Two shown windows: the focus settles instead of going back and forth
// (each focus-in used to present its window again, which took the focus from
// the other one, and the stream of activations starved GTK's own events).
TEST_F(GameWindowGtk, TwoShownWindowsLetTheFocusSettle) {
  pf::Ui& ui = pf::ui();
  pf::HWindow a = ui.CreateWindowEx(0, L"ZuWayfar", L"a", pf::kWS_POPUP, 10, 10, 200, 150, nullptr);
  pf::HWindow b = ui.CreateWindowEx(0, L"ZuWayfar", L"b", pf::kWS_POPUP, 300, 10, 200, 150, nullptr);
  ui.ShowWindow(a, pf::kSW_SHOWNORMAL);
  ui.ShowWindow(b, pf::kSW_SHOWNORMAL);
  ui.SetForegroundWindow(a);
  ui.SetForegroundWindow(b);
  struct Activations : pf::MessageFilter {
    int count = 0;
    bool PreTranslateMessage(pf::Msg* m) override {
      count += m->message == pf::kWM_ACTIVATE;
      return false;
    }
  } activations;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < end) {
    g_timeout_add(
        20,
        +[](gpointer) -> gboolean {
          pf::ui().PostQuitMessage(0);
          return G_SOURCE_REMOVE;
        },
        nullptr);
    ui.RunMessageLoop(&activations);
  }
  EXPECT_LT(activations.count, 20);
  ui.DestroyWindow(a);
  ui.DestroyWindow(b);
}

}  // namespace
