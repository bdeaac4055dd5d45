// The normal start on GTK and WebKitGTK under Xvfb: the real backdrop, login
// and quick-login windows against pages served on loopback by
// web_test_server.py, with screenshots kept and their pixels checked.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>

#include "app/app_messages.h"
#include "deploy/deployment.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "net/http_downloader.h"
#include "platform/platform.h"
#include "windows/form_back.h"
#include "storage/settings.h"
#include "storage/upgrade.h"
#include "support/page_server.h"
#include "windows/form_login.h"
#include "windows/form_quick_login.h"
#include "windows/url_text.h"

namespace {

using testsupport::PageServer;
using testsupport::RunFor;
using testsupport::RunUntil;

// A real downloader that counts what is handed to it, by tag.
class CountingQueue : public net::DownloadQueue {
 public:
  bool Start() override { return real_.Start(); }
  bool IsStarted() const override { return real_.IsStarted(); }
  bool Submit(const net::DownloadTask& task) override {
    {
      std::lock_guard<std::mutex> lock(lock_);
      ++byTag_[task.tag];
    }
    return real_.Submit(task);
  }
  void Stop() override { real_.Stop(); }
  int Count(int32_t tag) {
    std::lock_guard<std::mutex> lock(lock_);
    return byTag_[tag];
  }

 private:
  net::HTTPDownloader real_;
  std::mutex lock_;
  std::map<int32_t, int> byTag_;
};

// The program's windows; no game window (1224 is only counted), no pings
// of the short runs, no outside programs.
class LoginRunComponents : public app::AppComponents {
 public:
  std::unique_ptr<app::IBackdropForm> MakeBackdrop() override {
    return std::make_unique<windows::CFormBack>();
  }
  std::unique_ptr<app::ILoginForm> MakeLogin() override {
    return std::make_unique<windows::CFormLogin>();
  }
  std::unique_ptr<app::IGameForm> MakeGame() override {
    ++gameRequests;
    return nullptr;
  }
  std::unique_ptr<app::IQuickLoginForm> MakeQuickLogin() override {
    return std::make_unique<windows::CFormQQLogin>();
  }
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override {
    auto q = std::make_unique<CountingQueue>();
    queue = q.get();
    return q;
  }
  std::wstring FindPlatformBrowser(const std::wstring&) override { return std::wstring(); }
  void SendInstallPing(app::CGlobalModule&) override {}
  void SendUninstallPing(app::CGlobalModule&) override {}
  void ToggleDesktop() override {}
  void LaunchIconAnimation() override {}

  int gameRequests = 0;
  CountingQueue* queue = nullptr;  // owned by the context
};

// Runs the program's message loop until done() holds or the time is up.
bool Pump(app::CGlobalModule& ctx, const std::function<bool()>& done, int milliseconds = 20000) {
  struct State {
    std::function<bool()> done;
    std::chrono::steady_clock::time_point end;
    bool finished = false;
  } state{done, std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)};
  const guint source = g_timeout_add(
      20,
      +[](gpointer data) -> gboolean {
        auto* s = static_cast<State*>(data);
        if (s->done() || std::chrono::steady_clock::now() >= s->end) {
          s->finished = true;
          pf::ui().PostQuitMessage(0);
          return G_SOURCE_REMOVE;
        }
        return G_SOURCE_CONTINUE;
      },
      &state);
  pf::ui().RunMessageLoop(&ctx);
  // The loop may have ended on another quit (the login window's destruction).
  if (!state.finished) g_source_remove(source);
  return done();
}

pf::Rect ScreenRect(pf::HWindow hwnd) {
  pf::Rect r;
  pf::ui().GetWindowRect(hwnd, r);
  return r;
}

// The whole screen, kept as a PNG under the build's screenshot folder.
GdkPixbuf* Screenshot(const std::string& name) {
  RunFor(300);
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                               gdk_window_get_height(root));
  std::filesystem::create_directories(SCREENSHOT_DIR);
  if (shot) gdk_pixbuf_save(shot, (std::string(SCREENSHOT_DIR) + "/" + name + ".png").c_str(),
                            "png", nullptr, nullptr);
  return shot;
}

uint32_t Pixel(GdkPixbuf* shot, int x, int y) {
  if (x < 0 || y < 0 || x >= gdk_pixbuf_get_width(shot) || y >= gdk_pixbuf_get_height(shot))
    return 0xFFFFFFFF;
  const guchar* p = gdk_pixbuf_get_pixels(shot) + y * gdk_pixbuf_get_rowstride(shot) +
                    x * gdk_pixbuf_get_n_channels(shot);
  return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}

// Pixels of the colour key (RGB 255, 128, 255) inside the rectangle.
int KeyPixels(GdkPixbuf* shot, const pf::Rect& r) {
  int count = 0;
  for (int y = r.top; y < r.bottom; y += 2)
    for (int x = r.left; x < r.right; x += 2)
      if (Pixel(shot, x, y) == 0xFF80FFu) ++count;
  return count;
}

class LoginWindowGtk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pf::ui().Initialize(); }
  void SetUp() override {
    ASSERT_GT(server.Port(), 0);
    storage::ResetVersionCheckForTest();
    std::error_code ignored;
    std::filesystem::remove(pf::ToUtf8(storage::GetSettingsFile()), ignored);
  }
  void TearDown() override {
    if (ctx) {
      if (ctx->login && pf::ui().IsWindow(ctx->login->GetHWND()))
        pf::ui().DestroyWindow(ctx->login->GetHWND());
      if (ctx->backdrop && pf::ui().IsWindow(ctx->backdrop->GetHWND()))
        pf::ui().DestroyWindow(ctx->backdrop->GetHWND());
      Pump(*ctx, [] { return false; }, 100);  // takes the quit the login window posted
      ctx.reset();
    }
    RunFor(50);
  }
  // A normal start whose login page and version file are on the page server.
  windows::CFormLogin& Start() {
    ctx = std::make_unique<app::CGlobalModule>(parts);
    ctx->startPageUrl = server.Url("/login-page");
    ctx->versionCheckUrl = server.Url("/app.ini");
    ctx->title = pf::res().LoadString(app::IDS_APP_TITLE, 100);
    ctx->windowClass = pf::res().LoadString(app::IDS_WINDOW_CLASS, 100);
    pf::WindowClass wc;
    wc.procedure = &app::ApplicationWindowProc;
    wc.className = ctx->windowClass;
    pf::ui().RegisterWindowClass(wc);
    // The run ends its loop at once; the test runs the loop itself.
    pf::ui().PostQuitMessage(0);
    app::RunApplication();
    return static_cast<windows::CFormLogin&>(*ctx->login);
  }
  // The view's rectangle in the login window's client area (the GTK
  // backend keeps a child's rectangle in its parent's coordinates).
  bool ViewPlaced(windows::CFormLogin& login) {
    return ScreenRect(login.View().Window()) == (pf::Rect{395, 115, 395 + 776, 115 + 540});
  }
  int Requests(const std::string& path) {
    const std::string log = server.Log();
    int count = 0;
    for (size_t at = log.find(path); at != std::string::npos; at = log.find(path, at + 1)) ++count;
    return count;
  }

  static PageServer server;
  LoginRunComponents parts;
  std::unique_ptr<app::CGlobalModule> ctx;
};

PageServer LoginWindowGtk::server;

TEST_F(LoginWindowGtk, NormalStartShowsThePageCentredOverTheBackdrop) {
  windows::CFormLogin& login = Start();
  const pf::HWindow window = login.GetHWND();
  // Off-screen until the page arrives.
  EXPECT_EQ(ScreenRect(window).left, -2000);
  ASSERT_TRUE(Pump(*ctx, [&] {
    return storage::ReadIniText(L"Common", L"ActiveCount", L"") == L"1" && ViewPlaced(login);
  })) << "the page did not complete";
  ASSERT_TRUE(Pump(*ctx, [&] { return Requests("/app.ini") >= 1; }));
  Pump(*ctx, [] { return false; }, 800);
  EXPECT_EQ(Requests("/app.ini"), 1);
  EXPECT_EQ(Requests("/login-page"), 1);
  EXPECT_EQ(parts.queue->Count(storage::kTagVersionFile), 1);
  EXPECT_EQ(parts.queue->Count(storage::kTagActivePing), 1);
  EXPECT_TRUE(ctx->installInfo.activeSent);

  pf::Rect work;
  pf::ui().GetWorkArea(work);
  const pf::Rect placed = ScreenRect(window);
  EXPECT_EQ(placed.left, work.left + (work.Width() - 1287) / 2);
  EXPECT_EQ(placed.top, work.top + (work.Height() - 732) / 2);
  EXPECT_EQ(ScreenRect(ctx->backdrop->GetHWND()).left, placed.left);
  EXPECT_TRUE(pf::ui().IsWindowVisible(window));
  EXPECT_TRUE(pf::ui().IsWindowVisible(ctx->backdrop->GetHWND()));
  EXPECT_EQ(login.StatusLabel().GetText(), L"");

  GdkPixbuf* shot = Screenshot("login-page");
  ASSERT_NE(shot, nullptr);
  // The page fills the view rectangle; no key-coloured pixel is on screen.
  for (pf::Point p : {pf::Point{395 + 10, 115 + 10}, pf::Point{395 + 388, 115 + 270},
                      pf::Point{395 + 765, 115 + 530}})
    EXPECT_EQ(Pixel(shot, placed.left + p.x, placed.top + p.y), 0x1E90FFu) << p.x << "," << p.y;
  EXPECT_EQ(KeyPixels(shot, placed), 0);
  // The login window's own background is transparent: its corner shows the backdrop's edge.
  EXPECT_NE(Pixel(shot, placed.left + 2, placed.top + 2), 0xFF80FFu);
  EXPECT_NE(Pixel(shot, placed.left + 200, placed.top + 400), 0x1E90FFu);
  g_object_unref(shot);
}

TEST_F(LoginWindowGtk, HostDownShowsTheRetryTextAndTheRetryKeepsThePlace) {
  server.SetDown(true);
  windows::CFormLogin& login = Start();
  const pf::HWindow window = login.GetHWND();
  ASSERT_TRUE(Pump(*ctx, [&] { return login.StatusLabel().GetText() == windows::kNetworkErrorText; }));
  EXPECT_EQ(storage::ReadIniText(L"Error", L"ErrorUrl", L""), server.Url("/login-page"));
  EXPECT_TRUE(pf::ui().IsWindowVisible(window));
  EXPECT_EQ(parts.queue->Count(storage::kTagVersionFile), 0);
  const pf::Rect placed = ScreenRect(window);
  GdkPixbuf* shot = Screenshot("login-network-error");
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(KeyPixels(shot, placed), 0);
  // The retry text (yellow) is drawn where the label is; the page is not.
  int yellow = 0;
  for (int y = placed.top + 372; y < placed.top + 398; ++y)
    for (int x = placed.left + 623; x < placed.left + 943; ++x) {
      const uint32_t c = Pixel(shot, x, y);
      if ((c >> 16) > 200 && ((c >> 8) & 0xFF) > 200 && (c & 0xFF) < 80) ++yellow;
    }
  EXPECT_GT(yellow, 50);
  EXPECT_NE(Pixel(shot, placed.left + 783, placed.top + 385), 0x1E90FFu);
  g_object_unref(shot);

  // The player has moved the window; the host is back; a click on the text retries.
  pf::ui().SetWindowPos(window, pf::HwndTop(), 40, 30, 0, 0, pf::kSWP_NOSIZE | pf::kSWP_NOZORDER);
  server.SetDown(false);
  const pf::LParam at = static_cast<pf::LParam>(640 | (385 << 16));
  pf::ui().SendMessage(window, pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, at);
  pf::ui().SendMessage(window, pf::kWM_LBUTTONUP, 0, at);
  EXPECT_EQ(login.StatusLabel().GetText(), windows::kRetryingText);
  ASSERT_TRUE(Pump(*ctx, [&] { return ViewPlaced(login); })) << "the page did not appear";
  EXPECT_EQ(ScreenRect(window).left, 40);
  EXPECT_EQ(ScreenRect(window).top, 30);
  shot = Screenshot("login-after-retry");
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(Pixel(shot, 40 + 783, 30 + 385), 0x1E90FFu);
  g_object_unref(shot);
}

TEST_F(LoginWindowGtk, SignInMarkersAndTheQuickLoginHandOver) {
  windows::CFormLogin& login = Start();
  ASSERT_TRUE(Pump(*ctx, [&] { return ViewPlaced(login); }));

  // A failing sub-frame is no network error; an HTTP error status of the page is.
  login.NavigateView(server.Url("/sub-fail"));
  ASSERT_TRUE(Pump(*ctx, [&] { return Requests("/missing-frame") >= 1; }));
  Pump(*ctx, [] { return false; }, 600);
  EXPECT_EQ(login.StatusLabel().GetText(), L"");
  login.NavigateView(server.Url("/status500"));
  ASSERT_TRUE(Pump(*ctx, [&] { return login.StatusLabel().GetText() == windows::kNetworkErrorText; }));
  EXPECT_EQ(storage::ReadIniText(L"Error", L"ErrorUrl", L""), server.Url("/status500"));

  // The QQ pop-up opens the quick-login window with exactly its address.
  const std::wstring qq = std::wstring(L"http://") + deploy::kLoginHost + L"/qq?from=page";
  login.NavigateView(server.Url("/popup-from-query?") + windows::EncodeQueryValue(qq));
  ASSERT_TRUE(Pump(*ctx, [&] { return ctx->quickLogin != nullptr; }));
  EXPECT_EQ(login.GetQuickLoginUrl(), qq);
  auto* quick = static_cast<windows::CFormQQLogin*>(ctx->quickLogin);
  const pf::HWindow quickWindow = quick->GetHWND();
  EXPECT_TRUE(pf::ui().IsWindowVisible(quickWindow));
  EXPECT_EQ(quick->TitleLabel().GetText(), windows::kAccountTitle);
  EXPECT_EQ(ScreenRect(quickWindow).Width(), 880);
  const pf::Rect quickView = ScreenRect(quick->View().Window());
  EXPECT_EQ(quickView.left, 3);
  EXPECT_EQ(quickView.Width(), 880 - 6);
  Pump(*ctx, [] { return false; }, 1500);
  GdkPixbuf* shot = Screenshot("quick-login");
  ASSERT_NE(shot, nullptr);
  const pf::Rect q = ScreenRect(quickWindow);
  // The skin is drawn: the title bar and the edges are not black.
  EXPECT_NE(Pixel(shot, q.left + 300, q.top + 10), 0u);
  EXPECT_NE(Pixel(shot, q.left + 1, q.top + 200), 0u);
  g_object_unref(shot);

  // The platform redirects it to the server list: the login view goes to the
  // decoded forward address and the quick-login window is gone.
  const std::wstring forward = server.Url("/plain?x=1&y=2");
  const std::wstring serverList = std::wstring(L"http://") + deploy::kGameHost +
                                  L"/server/wan/?forward=" + windows::EncodeQueryValue(forward);
  quick->View().Navigate(server.Url("/to?") + windows::EncodeQueryValue(serverList));
  ASSERT_TRUE(Pump(*ctx, [&] { return !pf::ui().IsWindow(quickWindow); }));
  EXPECT_EQ(ctx->quickLogin, nullptr);
  ASSERT_TRUE(Pump(*ctx, [&] { return Requests("/plain?x=1&y=2") >= 1; }));
  EXPECT_EQ(login.View().GetUrl(), forward);

  // The platform redirects the login page to the enter-game address: the
  // account is recorded, the request never leaves, and 1224 is posted.
  login.NavigateView(server.Url("/enter-redirect"));
  ASSERT_TRUE(RunUntil([&] { return ctx->userName == L"bob"; }));
  EXPECT_EQ(ctx->serverId, L"s12");
  EXPECT_NE(login.GetEnterGameUrl().find(L"wd_entergame=1"), std::wstring::npos);
  RunFor(600);
  EXPECT_EQ(Requests("/game?"), 0);
  EXPECT_EQ(Requests("/enter-redirect"), 1);
  Pump(*ctx, [&] { return parts.gameRequests > 0; }, 3000);
  EXPECT_EQ(parts.gameRequests, 1);
}

// A colour-keyed window shows what lies beneath wherever it painted the key:
// holes of several shapes (two in one row, a full-width key band with no
// window pixel at all, rows that differ from the ones above) over a plain
// window, checked on the screen.
pf::LResult HolesProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (message != pf::kWM_PAINT) return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
  pf::Rect r;
  pf::Canvas* dc = pf::ui().BeginPaint(hwnd, r);
  const uint32_t key = pf::Rgb(255, 128, 255);
  if (dc) {
    dc->FillRect(pf::Rect{0, 0, 200, 100}, pf::Rgb(200, 30, 30));
    dc->FillRect(pf::Rect{10, 10, 30, 30}, key);
    dc->FillRect(pf::Rect{50, 10, 70, 20}, key);
    dc->FillRect(pf::Rect{0, 40, 200, 45}, key);
    dc->FillRect(pf::Rect{100, 60, 101, 61}, key);
  }
  pf::ui().EndPaint(hwnd, dc);
  return 0;
}

pf::LResult BeneathProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (message != pf::kWM_PAINT) return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
  pf::Rect r;
  pf::Canvas* dc = pf::ui().BeginPaint(hwnd, r);
  if (dc) dc->FillRect(pf::Rect{0, 0, 300, 200}, pf::Rgb(20, 40, 220));
  pf::ui().EndPaint(hwnd, dc);
  return 0;
}

// A 200 x 100 window keyed on (255, 128, 255) at (300, 300), painted by
// `procedure`, over a blue one at (250, 250); the blue one is shown, the
// keyed one is not yet.
struct KeyedOverBlue {
  pf::HWindow under = nullptr;
  pf::HWindow keyed = nullptr;
};

KeyedOverBlue MakeKeyedOverBlue(pf::WindowProc procedure, const wchar_t* keyedClass,
                                const wchar_t* underClass) {
  pf::Ui& ui = pf::ui();
  ui.Initialize();
  pf::WindowClass keyedWindows;
  keyedWindows.procedure = procedure;
  keyedWindows.className = keyedClass;
  ui.RegisterWindowClass(keyedWindows);
  pf::WindowClass beneath;
  beneath.procedure = &BeneathProc;
  beneath.className = underClass;
  ui.RegisterWindowClass(beneath);
  KeyedOverBlue w;
  w.under = ui.CreateWindowEx(0, underClass, L"b", pf::kWS_POPUP, 250, 250, 300, 200, nullptr);
  w.keyed = ui.CreateWindowEx(pf::kWS_EX_LAYERED, keyedClass, L"k", pf::kWS_POPUP, 300, 300, 200,
                              100, nullptr);
  if (w.keyed && !ui.SetLayeredWindowAttributes(w.keyed, pf::Rgb(255, 128, 255), 0,
                                                 pf::kLWA_COLORKEY))
    w.keyed = nullptr;
  if (w.under) {
    ui.ShowWindow(w.under, pf::kSW_SHOWNORMAL);
    RunFor(200);
  }
  return w;
}

TEST(ColourKeyGtk, KeyPixelsShowWhatLiesBeneath) {
  pf::Ui& ui = pf::ui();
  const KeyedOverBlue w = MakeKeyedOverBlue(&HolesProc, L"VexaKeyHoles", L"VexaKeyBeneath");
  const pf::HWindow under = w.under, keyed = w.keyed;
  ASSERT_TRUE(under && keyed);
  ui.ShowWindow(keyed, pf::kSW_SHOWNORMAL);
  ui.RedrawWindow(keyed, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  GdkPixbuf* shot = Screenshot("colour-key-holes");
  ASSERT_NE(shot, nullptr);
  const uint32_t red = 0xC81E1E, blue = 0x1428DC;
  auto at = [&](int x, int y) { return Pixel(shot, 300 + x, 300 + y); };
  EXPECT_EQ(at(5, 5), red);
  EXPECT_EQ(at(10, 10), blue);
  EXPECT_EQ(at(29, 29), blue);
  EXPECT_EQ(at(30, 20), red);
  EXPECT_EQ(at(40, 15), red);
  EXPECT_EQ(at(60, 15), blue);
  EXPECT_EQ(at(60, 25), red);
  EXPECT_EQ(at(0, 40), blue);
  EXPECT_EQ(at(199, 44), blue);
  EXPECT_EQ(at(199, 45), red);
  EXPECT_EQ(at(100, 60), blue);
  EXPECT_EQ(at(101, 60), red);
  EXPECT_EQ(at(199, 99), red);
  EXPECT_EQ(KeyPixels(shot, pf::Rect{300, 300, 500, 400}), 0);
  g_object_unref(shot);
  ui.DestroyWindow(keyed);
  ui.DestroyWindow(under);
}

// Repainting part of a colour-keyed window: what WM_PAINT draws outside the
// invalid rectangle is clipped away, what it leaves undrawn inside keeps its
// old pixels, and the shape follows the new pixels there while the holes
// elsewhere stay as they were.  A rectangle reaching beyond the window is
// cut to it.
int g_repaintStage = 0;

pf::LResult RepaintProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (message != pf::kWM_PAINT) return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
  pf::Rect r;
  pf::Canvas* dc = pf::ui().BeginPaint(hwnd, r);
  const uint32_t key = pf::Rgb(255, 128, 255);
  if (dc && g_repaintStage == 0) {
    dc->FillRect(pf::Rect{0, 0, 200, 100}, pf::Rgb(200, 30, 30));
    dc->FillRect(pf::Rect{10, 10, 30, 30}, key);
    dc->FillRect(pf::Rect{120, 10, 140, 30}, key);
  } else if (dc && g_repaintStage == 1) {
    // Closes the first hole, opens one beside it; the rest is outside the
    // invalid rectangle.
    dc->FillRect(pf::Rect{0, 0, 100, 100}, pf::Rgb(30, 160, 30));
    dc->FillRect(pf::Rect{50, 60, 70, 80}, key);
    dc->FillRect(pf::Rect{100, 0, 200, 100}, pf::Rgb(30, 160, 30));
  } else if (dc && g_repaintStage == 3) {
    dc->FillRect(pf::Rect{0, 0, 200, 50}, pf::Rgb(30, 160, 30));
  } else if (dc && g_repaintStage == 4) {
    dc->FillRect(pf::Rect{0, 0, 200, 100}, pf::Rgb(30, 30, 200));
    dc->FillRect(pf::Rect{0, 0, 200, 50}, pf::Rgb(30, 160, 30));
  }
  // Stage 2 draws nothing.
  pf::ui().EndPaint(hwnd, dc);
  return 0;
}

TEST(ColourKeyGtk, PartialRepaintKeepsTheRestAndReshapesItsArea) {
  pf::Ui& ui = pf::ui();
  const KeyedOverBlue w = MakeKeyedOverBlue(&RepaintProc, L"VexaKeyRepaint", L"VexaKeyBeneath2");
  const pf::HWindow under = w.under, keyed = w.keyed;
  ASSERT_TRUE(under && keyed);
  g_repaintStage = 0;
  ui.ShowWindow(keyed, pf::kSW_SHOWNORMAL);
  ui.RedrawWindow(keyed, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  RunFor(200);
  g_repaintStage = 1;
  const pf::Rect left{0, 0, 100, 100};
  ui.RedrawWindow(keyed, &left, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  g_repaintStage = 2;
  const pf::Rect right{100, -20, 260, 140};  // reaches beyond the window
  ui.RedrawWindow(keyed, &right, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  GdkPixbuf* shot = Screenshot("colour-key-repaint");
  ASSERT_NE(shot, nullptr);
  const uint32_t red = 0xC81E1E, green = 0x1EA01E, blue = 0x1428DC;
  auto at = [&](int x, int y) { return Pixel(shot, 300 + x, 300 + y); };
  EXPECT_EQ(at(20, 20), green);  // the first hole closed
  EXPECT_EQ(at(5, 5), green);
  EXPECT_EQ(at(60, 70), blue);   // the new hole
  EXPECT_EQ(at(99, 99), green);
  EXPECT_EQ(at(100, 50), red);   // outside the first repaint, kept through the second
  EXPECT_EQ(at(199, 99), red);
  EXPECT_EQ(at(130, 20), blue);  // the old hole beyond the first repaint stays open
  EXPECT_EQ(at(119, 20), red);
  EXPECT_EQ(KeyPixels(shot, pf::Rect{300, 300, 500, 400}), 0);
  g_object_unref(shot);

  // A whole repaint that covers everything, then one that leaves the lower
  // half undrawn: that half keeps what the one before painted.
  g_repaintStage = 4;
  ui.RedrawWindow(keyed, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  g_repaintStage = 3;
  ui.RedrawWindow(keyed, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  shot = Screenshot("colour-key-repaint-whole");
  ASSERT_NE(shot, nullptr);
  const uint32_t darkBlue = 0x1E1EC8;
  EXPECT_EQ(at(20, 20), green);
  EXPECT_EQ(at(150, 49), green);
  EXPECT_EQ(at(60, 70), darkBlue);  // the hole closed by the covering paint stays closed
  EXPECT_EQ(at(150, 99), darkBlue);
  g_object_unref(shot);
  ui.DestroyWindow(keyed);
  ui.DestroyWindow(under);
}

// A window nobody can see (hidden, or wholly off the screen) is not painted
// when asked to be: it is painted whole when it comes into view, by being
// shown or by moving onto the screen.
int g_offScreenPaints = 0;

pf::LResult CountedPaintProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                             pf::LParam lParam) {
  if (message != pf::kWM_PAINT) return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
  ++g_offScreenPaints;
  pf::Rect r;
  pf::Canvas* dc = pf::ui().BeginPaint(hwnd, r);
  if (dc) dc->FillRect(pf::Rect{0, 0, 200, 100}, pf::Rgb(200, 30, 30));
  pf::ui().EndPaint(hwnd, dc);
  return 0;
}

TEST(WindowPaintGtk, OutOfSightWindowsArePaintedWhenTheyComeIntoView) {
  pf::Ui& ui = pf::ui();
  ui.Initialize();
  pf::WindowClass counted;
  counted.procedure = &CountedPaintProc;
  counted.className = L"VexaOutOfSight";
  ui.RegisterWindowClass(counted);
  g_offScreenPaints = 0;
  const pf::HWindow w =
      ui.CreateWindowEx(0, L"VexaOutOfSight", L"o", pf::kWS_POPUP, -2000, -2000, 200, 100, nullptr);
  ASSERT_NE(w, nullptr);
  ui.RedrawWindow(w, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);  // hidden
  EXPECT_EQ(g_offScreenPaints, 0);
  ui.SetWindowPos(w, pf::HwndTop(), -2000, -2000, 0, 0, pf::kSWP_SHOWWINDOW | pf::kSWP_NOSIZE);
  ui.UpdateWindow(w);
  ui.RedrawWindow(w, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  RunFor(200);
  EXPECT_EQ(g_offScreenPaints, 0);  // shown, but off the screen
  ui.SetWindowPos(w, pf::HwndTop(), 320, 320, 0, 0, pf::kSWP_NOSIZE | pf::kSWP_NOZORDER);
  RunFor(300);
  EXPECT_GE(g_offScreenPaints, 1);  // drawn when it came onto the screen
  GdkPixbuf* shot = Screenshot("out-of-sight-moved-in");
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(Pixel(shot, 330, 330), 0xC81E1Eu);
  EXPECT_EQ(Pixel(shot, 519, 419), 0xC81E1Eu);
  g_object_unref(shot);

  // Hidden again, a repaint waits; showing it paints it at once.
  ui.ShowWindow(w, pf::kSW_HIDE);
  const int before = g_offScreenPaints;
  ui.RedrawWindow(w, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  EXPECT_EQ(g_offScreenPaints, before);
  ui.ShowWindow(w, pf::kSW_SHOWNORMAL);
  ui.RedrawWindow(w, nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  EXPECT_EQ(g_offScreenPaints, before + 1);
  ui.DestroyWindow(w);
}

}  // namespace
