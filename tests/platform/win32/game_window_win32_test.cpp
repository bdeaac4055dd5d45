// The game window on the Windows backend under Wine: the window with its
// strip, buttons and layout (screenshot kept and checked), the tray icon
// through the notification area, menus 149 and 156 chosen by keyboard, and
// the cache cleanup over WinINet's real cache filled by real requests to a
// loopback server.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "platform/platform.h"
#include "storage/cache_cleanup.h"
#include "support/http_test_server.h"
#include "support/test_components.h"
#include "windows/form_game.h"

namespace {

using testsupport::StandInLogin;
using windows::CFormGame;

bool Pump(const std::function<bool()>& done, int milliseconds = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    Sleep(10);
  }
}

// Picks menu items and answers message boxes from another thread, by
// keyboard messages to the menu window (no item is selected at first: one
// Down selects the first item) and OK to the box.
class Chooser {
 public:
  explicit Chooser(int downs) : downs_(downs), thread_([this] { Run(); }) {}
  ~Chooser() {
    stop_ = true;
    thread_.join();
  }
  std::atomic<int> boxes{0};
  std::atomic<int> menus{0};

 private:
  void Run() {
    bool chose = downs_ < 0;
    while (!stop_) {
      if (!chose) {
        if (HWND menu = FindWindowW(L"#32768", nullptr)) {
          if (IsWindowVisible(menu)) {
            Sleep(100);
            for (int i = 0; i < downs_; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            chose = true;
            ++menus;
          }
        }
      }
      if (HWND box = FindWindowW(L"#32770", nullptr)) {
        if (IsWindowVisible(box)) {
          PostMessageW(box, WM_COMMAND, IDOK, 0);
          ++boxes;
          Sleep(200);
        }
      }
      Sleep(20);
    }
  }
  int downs_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class GameWindowWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::ui().Initialize();
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
    wc.backgroundColor = pf::kCOLOR_WINDOW + 1;
    wc.className = ctx->windowClass;
    pf::ui().RegisterWindowClass(wc);
    login_->gameUrl = L"about:blank";
    ctx->login->SetRect(0, 0, app::kLoginWidth, app::kLoginHeight);
    ctx->login->Init();
    ctx->backdrop->SetRect(0, 0, app::kLoginWidth, app::kLoginHeight);
    ctx->backdrop->Init();
    pf::ui().PostMessage(ctx->login->GetHWND(), app::WM_OPEN_GAME_WINDOW, 0, 0);
    ASSERT_TRUE(Pump([&] { return ctx->game != nullptr; }));
    game = static_cast<CFormGame*>(ctx->game);
  }
  void TearDown() override {
    if (ctx->game) pf::ui().DestroyWindow(ctx->game->GetHWND());
    pf::ui().DestroyWindow(ctx->login->GetHWND());
    pf::ui().DestroyWindow(ctx->backdrop->GetHWND());
    Pump([] { return false; }, 50);
    ctx.reset();
  }
  HWND Hwnd() { return reinterpret_cast<HWND>(game->GetHWND()); }
  void ClickControl(const skin::CRKBaseControl& c) {
    const pf::Rect r = c.GetRect();
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(Hwnd(), WM_LBUTTONUP, 0, at);
  }

  testsupport::TestComponents components;
  std::unique_ptr<app::CGlobalModule> ctx;
  StandInLogin* login_ = nullptr;
  CFormGame* game = nullptr;
};

// The screen's pixels as 32-bit BGRX rows, top-down.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
  static int R(uint32_t p) { return (p >> 16) & 0xFF; }
  static int G(uint32_t p) { return (p >> 8) & 0xFF; }
  static int B(uint32_t p) { return p & 0xFF; }
  // Written as a BMP a person can open.
  void Save(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = -height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    const DWORD bytes = static_cast<DWORD>(pixels.size() * 4);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + bytes;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::vector<uint32_t> opaque(pixels);
    for (uint32_t& p : opaque) p |= 0xFF000000u;  // the screen's fourth byte is not alpha
    std::fwrite(opaque.data(), 1, bytes, f);
    std::fclose(f);
  }
};

Shot TakeShot() {
  Shot s;
  s.width = GetSystemMetrics(SM_CXSCREEN);
  s.height = GetSystemMetrics(SM_CYSCREEN);
  s.pixels.resize(static_cast<size_t>(s.width) * s.height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = s.width;
  info.bmiHeader.biHeight = -s.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, s.width, s.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  std::memcpy(s.pixels.data(), bits, s.pixels.size() * 4);
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return s;
}

TEST_F(GameWindowWin32, FillsTheWorkAreaWithItsStripAndRestoresToThePartsLayout) {
  RECT work{}, window{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(Hwnd(), &window);
  EXPECT_EQ(window.left, work.left);
  EXPECT_EQ(window.top, work.top);
  EXPECT_EQ(window.right, work.right);
  EXPECT_EQ(window.bottom, work.bottom);
  EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(ctx->login->GetHWND())));
  const LONG style = GetWindowLongW(Hwnd(), GWL_STYLE);
  EXPECT_EQ(style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX), WS_SYSMENU | WS_MINIMIZEBOX);

  ASSERT_TRUE(game->Restore());
  EXPECT_EQ(game->CloseButton().GetRect(), (pf::Rect{1222, 1, 1250, 28}));
  EXPECT_EQ(game->PayButton().GetRect(), (pf::Rect{910, 5, 948, 23}));
  GetWindowRect(Hwnd(), &window);
  EXPECT_EQ(window.right - window.left, 1250);
  EXPECT_EQ(window.bottom - window.top, 700);
  SetForegroundWindow(Hwnd());
  RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump([] { return false; }, 500);
  const Shot shot = TakeShot();
  CreateDirectoryA(SCREENSHOT_DIR, nullptr);
  shot.Save(std::string(SCREENSHOT_DIR) + "\\game-window.bmp");
  const int ox = window.left, oy = window.top;
  const uint32_t strip = shot.At(ox + 600, oy + 14);
  EXPECT_EQ(strip, shot.At(ox + 500, oy + 14));
  bool buttonDrawn = false;
  const pf::Rect close = game->CloseButton().GetRect();
  for (int x = close.left; x < close.right; ++x)
    for (int y = close.top; y < close.bottom; ++y) buttonDrawn |= shot.At(ox + x, oy + y) != strip;
  EXPECT_TRUE(buttonDrawn);
  bool yellow = false;
  const pf::Rect title = game->TitleLabel().GetRect();
  for (int x = title.left; x < title.right; ++x)
    for (int y = title.top; y < title.bottom; ++y) {
      const uint32_t p = shot.At(ox + x, oy + y);
      yellow |= Shot::R(p) > 170 && Shot::G(p) > 170 && Shot::B(p) < 110;
    }
  EXPECT_TRUE(yellow);
}

TEST_F(GameWindowWin32, TrayIconThroughTheNotificationAreaAndItsMenu) {
  ClickControl(game->TrayButton());
  ASSERT_TRUE(Pump([&] { return !IsWindowVisible(Hwnd()) || IsIconic(Hwnd()); }));
  if (!game->TrayIconPresent()) {
    // No notification area on this display: minimised, never stranded.
    EXPECT_TRUE(IsIconic(Hwnd()));
    GTEST_SKIP() << "Wine offered no notification area";
  }
  EXPECT_TRUE(game->InTray());
  EXPECT_FALSE(IsWindowVisible(Hwnd()));
  // The icon is there: modifying it succeeds, as the shell knows it.
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = Hwnd();
  data.uID = 156;
  data.uFlags = NIF_TIP;
  lstrcpyW(data.szTip, L"VexaOrvane");
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
  // Menu 156, "打开" chosen by keyboard.
  {
    Chooser chooser(1);  // the first item
    PostMessageW(Hwnd(), app::WM_TRAY_NOTIFY, 156, WM_RBUTTONUP);
    ASSERT_TRUE(Pump([&] { return IsWindowVisible(Hwnd()) != FALSE; }));
  }
  EXPECT_FALSE(game->InTray());
  // Removed from the notification area: the shell no longer knows it.
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
}

// WinINet's cache filled by real requests to a loopback server.
TEST_F(GameWindowWin32, CacheCleanupFromMenu149KeepsCookiesAndHistory) {
  testsupport::HttpTestServer server;
  ASSERT_TRUE(server.ok());
  testsupport::HttpReply script;
  script.body = "var score = 1;";
  script.headers = {{"Content-Type", "application/javascript"},
                    {"Cache-Control", "max-age=86400"},
                    {"Last-Modified", "Mon, 01 Dec 2025 00:00:00 GMT"}};
  server.Route("/assets/orvane.js", script);
  testsupport::HttpReply page = script;
  page.body = std::string(200, 'p');
  page.headers[0].second = "text/html";
  page.headers.push_back({"Set-Cookie", "session=s-42; expires=Fri, 01 Jan 2038 00:00:00 GMT; path=/"});
  server.Route("/game", page);
  // A long address: its record needs more than 4096 bytes.
  const std::string longPath = "/assets/" + std::string(5000, 'x') + ".png";
  server.Route(longPath, script);

  HINTERNET net = InternetOpenW(L"VexaTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  ASSERT_NE(net, nullptr);
  std::vector<std::wstring> cached;
  for (const std::string& path : {std::string("/game"), std::string("/assets/orvane.js"), longPath}) {
    const std::wstring url = server.WUrl(path);
    HINTERNET request = InternetOpenUrlW(net, url.c_str(), nullptr, 0, 0, 0);
    ASSERT_NE(request, nullptr) << path.substr(0, 40);
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &read) && read) {
    }
    InternetCloseHandle(request);
    cached.push_back(url);
  }
  InternetCloseHandle(net);
  const std::wstring cookieUrl = server.WUrl("/");
  wchar_t cookie[256];
  DWORD cookieSize = 256;
  ASSERT_TRUE(InternetGetCookieW(cookieUrl.c_str(), nullptr, cookie, &cookieSize));
  for (const std::wstring& url : cached) {
    DWORD size = 0;
    GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER))
        << "not cached: " << std::string(url.begin(), url.begin() + 40);
  }

  // "清理缓存" from menu 149, chosen by keyboard; the box is answered.
  {
    Chooser chooser(2);  // the second item
    ClickControl(game->MenuButton());
    ASSERT_TRUE(Pump([&] { return chooser.boxes > 0 && !game->CleanupRunning(); }, 20000))
        << "menus " << chooser.menus << " boxes " << chooser.boxes << " running "
        << game->CleanupRunning();
  }
  for (const std::wstring& url : cached) {
    DWORD size = 0;
    EXPECT_FALSE(GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  cookieSize = 256;
  EXPECT_TRUE(InternetGetCookieW(cookieUrl.c_str(), nullptr, cookie, &cookieSize));
  EXPECT_NE(std::wstring(cookie).find(L"session=s-42"), std::wstring::npos);
}

}  // namespace
