// The login, quick-login and game windows on the Win32 backend under Wine.  Wine
// here has no HTML engine: the views exist without one, so the engine's
// notifications are raised by the test; everything else (window creation,
// styles, the colour key, placement, painting) is real.  A window's painted
// client area is read back through its device context (Wine's screen DC reads
// black under Xvfb) and kept as a PPM under the build's screenshot folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "platform/platform.h"
#include "windows/form_back.h"
#include "windows/form_game.h"
#include "windows/form_login.h"
#include "windows/form_quick_login.h"

namespace {

class WindowsOnly : public app::AppComponents {
 public:
  std::unique_ptr<app::IBackdropForm> MakeBackdrop() override {
    return std::make_unique<windows::CFormBack>();
  }
  std::unique_ptr<app::ILoginForm> MakeLogin() override {
    return std::make_unique<windows::CFormLogin>();
  }
  std::unique_ptr<app::IGameForm> MakeGame() override {
    return std::make_unique<windows::CFormGame>();
  }
  std::unique_ptr<app::IQuickLoginForm> MakeQuickLogin() override {
    return std::make_unique<windows::CFormQQLogin>();
  }
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override { return nullptr; }
  std::wstring FindPlatformBrowser(const std::wstring&) override { return std::wstring(); }
  void SendInstallPing(app::CGlobalModule&) override {}
  void SendUninstallPing(app::CGlobalModule&) override {}
  void ToggleDesktop() override {}
  void LaunchIconAnimation() override {}
};

// Dispatches what is queued for about the given time.
void Pump(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (GetTickCount() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// The screen's pixels (0x00RRGGBB, top-down), also written as a PPM file.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
    return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
  }
};

Shot CaptureWindow(HWND hwnd, const std::string& name) {
  Shot shot;
  RECT client{};
  GetClientRect(hwnd, &client);
  shot.width = client.right;
  shot.height = client.bottom;
  HDC screen = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  shot.pixels.assign(p, p + static_cast<size_t>(shot.width) * shot.height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwnd, screen);
  CreateDirectoryA(SCREENSHOT_DIR, nullptr);
  if (FILE* f = fopen((std::string(SCREENSHOT_DIR) + "/" + name + ".ppm").c_str(), "wb")) {
    fprintf(f, "P6\n%d %d\n255\n", shot.width, shot.height);
    for (uint32_t c : shot.pixels) {
      const unsigned char rgb[3] = {static_cast<unsigned char>(c >> 16),
                                    static_cast<unsigned char>(c >> 8),
                                    static_cast<unsigned char>(c)};
      fwrite(rgb, 1, 3, f);
    }
    fclose(f);
  }
  return shot;
}

class LoginWindowWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = std::make_unique<app::CGlobalModule>(parts);
    pf::ui().Initialize();
    ctx->title = pf::res().LoadString(app::IDS_APP_TITLE, 100);
    ctx->windowClass = pf::res().LoadString(app::IDS_WINDOW_CLASS, 100);
    pf::WindowClass wc;
    wc.style = pf::kCS_VREDRAW | pf::kCS_HREDRAW | pf::kCS_DBLCLKS;
    wc.procedure = &app::ApplicationWindowProc;
    wc.iconId = app::IDI_APP_ICON;
    wc.backgroundColor = pf::kCOLOR_WINDOW + 1;
    wc.className = ctx->windowClass;
    pf::ui().RegisterWindowClass(wc);
    // The normal start's windows; its loop ends at once, the test pumps itself.
    pf::ui().PostQuitMessage(0);
    app::RunApplication();
  }
  void TearDown() override {
    if (ctx->game && IsWindow(H(ctx->game->GetHWND()))) DestroyWindow(H(ctx->game->GetHWND()));
    if (ctx->login && IsWindow(H(ctx->login->GetHWND()))) DestroyWindow(H(ctx->login->GetHWND()));
    if (ctx->backdrop && IsWindow(H(ctx->backdrop->GetHWND())))
      DestroyWindow(H(ctx->backdrop->GetHWND()));
    Pump(50);
    ctx.reset();
  }
  static HWND H(pf::HWindow hwnd) { return reinterpret_cast<HWND>(hwnd); }
  windows::CFormLogin& Login() { return static_cast<windows::CFormLogin&>(*ctx->login); }

  WindowsOnly parts;
  std::unique_ptr<app::CGlobalModule> ctx;
};

TEST_F(LoginWindowWin32, InitCreatesTheColourKeyedWindowWithItsControls) {
  windows::CFormLogin& login = Login();
  HWND hwnd = H(login.GetHWND());
  ASSERT_TRUE(IsWindow(hwnd));
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX), WS_SYSMENU | WS_MINIMIZEBOX);
  const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_LAYERED);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);  // shown off-screen as a tool window
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
  EXPECT_EQ(key, 0x00FF80FFu);
  EXPECT_TRUE(flags & LWA_COLORKEY);
  EXPECT_EQ(GetWindow(hwnd, GW_OWNER), H(ctx->backdrop->GetHWND()));
  wchar_t text[64] = {};
  GetWindowTextW(hwnd, text, 64);
  EXPECT_EQ(std::wstring(text), L"VexaOrvane");
  RECT r{};
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, -2000);
  EXPECT_EQ(r.right - r.left, 1287);
  EXPECT_EQ(login.Controls().size(), 8u);
  EXPECT_TRUE(login.Background().image.IsLoaded());
  EXPECT_TRUE(login.CloseButton().normal.IsLoaded());
  // The view's child window exists, off-screen (no engine in this Wine).
  HWND view = H(login.View().Window());
  ASSERT_TRUE(IsWindow(view));
  EXPECT_EQ(GetParent(view), hwnd);
}

TEST_F(LoginWindowWin32, AFailedLoadEndsInTheRetryText) {
  windows::CFormLogin& login = Login();
  HWND hwnd = H(login.GetHWND());
  login.OnWebNotify(browser::kNavigateError, 0, 0);
  Pump(800);
  EXPECT_EQ(login.StatusLabel().GetText(), windows::kNetworkErrorText);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  RECT work{}, r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, work.left + (work.right - work.left - 1287) / 2);
  EXPECT_EQ(r.top, work.top + (work.bottom - work.top - 732) / 2);
  RECT view{};
  GetWindowRect(H(login.View().Window()), &view);
  EXPECT_EQ(view.right - view.left, 0);
  const Shot shot = CaptureWindow(hwnd, "login-network-error");
  // The retry text is drawn in yellow where the label is; the rest of the
  // window's own background is the colour key.
  EXPECT_EQ(shot.At(200, 300), 0xFF80FFu);
  EXPECT_EQ(shot.At(2, 2), 0xFF80FFu);
  int yellow = 0;
  for (int y = 372; y < 398; ++y)
    for (int x = 623; x < 943; ++x) {
      const uint32_t c = shot.At(x, y);
      if ((c >> 16) > 200 && ((c >> 8) & 0xFF) > 200 && (c & 0xFF) < 80) ++yellow;
    }
  EXPECT_GT(yellow, 50);
  // The page state: the view takes its place in the window.
  login.OnWebNotify(browser::kFirstNavigateComplete, 0, 0);
  GetWindowRect(H(login.View().Window()), &view);
  EXPECT_EQ(view.left - r.left, 395);
  EXPECT_EQ(view.top - r.top, 115);
  EXPECT_EQ(view.right - view.left, 776);
  EXPECT_EQ(view.bottom - view.top, 540);
}

TEST_F(LoginWindowWin32, QuickLoginLayoutAtTwoSizes) {
  PostMessageW(H(ctx->login->GetHWND()), app::WM_OPEN_QUICK_LOGIN, 0, 1);
  Pump(300);
  ASSERT_NE(ctx->quickLogin, nullptr);
  auto* quick = static_cast<windows::CFormQQLogin*>(ctx->quickLogin);
  HWND hwnd = H(quick->GetHWND());
  EXPECT_EQ(GetWindow(hwnd, GW_OWNER), H(ctx->login->GetHWND()));
  EXPECT_EQ(quick->TitleLabel().GetText(), windows::kWeChatTitle);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  for (SIZE size : {SIZE{880, 420}, SIZE{600, 360}}) {
    SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(size.cx / 2, size.cy / 2));
    Pump(100);
    RECT client{};
    GetClientRect(hwnd, &client);
    const int w = client.right, h = client.bottom;
    const int titleH = quick->TitleBar().GetImageHeight();
    EXPECT_EQ(quick->LeftEdge().GetRect(), (pf::Rect{0, 27, 3, h}));
    EXPECT_EQ(quick->RightEdge().GetRect(), (pf::Rect{w - 3, 27, w, h}));
    EXPECT_EQ(quick->BottomEdge().GetRect(), (pf::Rect{0, h - 4, w, h}));
    RECT view{};
    GetWindowRect(H(quick->View().Window()), &view);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    EXPECT_EQ(view.left - origin.x, 3);
    EXPECT_EQ(view.top - origin.y, titleH);
    EXPECT_EQ(view.right - view.left, w - 6);
    EXPECT_EQ(view.bottom - view.top, h - titleH - 4);
  }
  const Shot shot = CaptureWindow(hwnd, "quick-login");
  // The title bar and the edges are drawn (not the key, not black).
  EXPECT_NE(shot.At(300, 10), 0u);
  EXPECT_NE(shot.At(1, 200), 0u);
  // Its close button closes it, and the object goes with its window.
  const pf::Rect close = quick->CloseButton().GetRect();
  const LPARAM at = MAKELPARAM(close.left + 3, close.top + 3);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(ctx->quickLogin, nullptr);
  EXPECT_EQ(ctx->quickLoginOwner, nullptr);
}

// The game window as the login window opens it (message 1224 to the login
// window): maximised over the work area without a frame, its strip painted,
// the login window and backdrop hidden; a second request opens nothing; a
// close brings the login window back.
TEST_F(LoginWindowWin32, GameWindowOpenedBy1224AndClosedBackToLogin) {
  HWND login = H(ctx->login->GetHWND());
  ASSERT_EQ(app::WM_OPEN_GAME_WINDOW, 1224u);
  // The login window first settles (here, without an engine, on its retry
  // text), as it has before a player can sign in.
  for (int i = 0; i < 50; ++i) {
    RECT r{};
    GetWindowRect(login, &r);
    if (IsWindowVisible(login) && r.left > -1000) break;
    Pump(100);
  }
  Pump(300);
  PostMessageW(login, app::WM_OPEN_GAME_WINDOW, 0, 0);
  Pump(400);
  ASSERT_NE(ctx->game, nullptr);
  HWND game = H(ctx->game->GetHWND());
  ASSERT_TRUE(IsWindow(game));
  EXPECT_TRUE(IsWindowVisible(game));
  EXPECT_FALSE(IsWindowVisible(login));
  EXPECT_FALSE(IsWindowVisible(H(ctx->backdrop->GetHWND())));
  EXPECT_EQ(GetWindowLongW(game, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  RECT work{}, placed{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(game, &placed);
  EXPECT_EQ(placed.left, work.left);
  EXPECT_EQ(placed.top, work.top);
  EXPECT_EQ(placed.right, work.right);
  EXPECT_EQ(placed.bottom, work.bottom);

  InvalidateRect(game, nullptr, TRUE);
  UpdateWindow(game);
  Pump(100);
  const Shot shot = CaptureWindow(game, "game-window");
  // The strip is painted across the top (not black), under its buttons too.
  EXPECT_NE(shot.At(shot.width / 2, 12), 0u);
  EXPECT_NE(shot.At(shot.width - 14, 14), 0u);
  EXPECT_NE(shot.At(12, 12), 0u);

  // One game window at a time.
  PostMessageW(login, app::WM_OPEN_GAME_WINDOW, 0, 0);
  Pump(200);
  ASSERT_NE(ctx->game, nullptr);
  EXPECT_EQ(H(ctx->game->GetHWND()), game);

  // Closed (as the system would close it): back to the login window.
  SendMessageW(game, WM_CLOSE, 0, 0);
  Pump(300);
  EXPECT_FALSE(IsWindow(game));
  EXPECT_EQ(ctx->game, nullptr);
  EXPECT_TRUE(IsWindowVisible(login));
}

}  // namespace
