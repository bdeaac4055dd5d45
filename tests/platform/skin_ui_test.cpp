// The skin toolkit's platform operations on the real backend: geometry,
// painting through RedrawWindow, layered windows, cursors, menus, fonts and
// text, decoding, and the blend arithmetic against the software canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/soft_canvas.h"

namespace {

std::vector<uint32_t>* g_paints = nullptr;
pf::Rect g_paintRect;
bool g_hadCanvas = false;

pf::LResult PaintProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (message == pf::kWM_PAINT) {
    pf::Rect r;
    pf::Canvas* dc = pf::ui().BeginPaint(hwnd, r);
    g_hadCanvas = dc != nullptr;
    if (dc) dc->FillRect(pf::Rect{0, 0, 50, 50}, pf::Rgb(10, 20, 30));
    pf::ui().EndPaint(hwnd, dc);
    if (g_paints) g_paints->push_back(message);
    g_paintRect = r;
    return 0;
  }
  return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
}

class SkinUi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pf::ui().Initialize();
    pf::WindowClass wc;
    wc.style = pf::kCS_DBLCLKS;
    wc.procedure = &PaintProc;
    wc.className = L"VexaSkinUiTest";
    pf::ui().RegisterWindowClass(wc);
  }
  pf::HWindow Make(uint32_t exStyle = 0) {
    return pf::ui().CreateWindowEx(exStyle, L"VexaSkinUiTest", L"t", pf::kWS_POPUP, 0, 0, 200, 100,
                                   nullptr);
  }
};

TEST_F(SkinUi, GeometryAndWorkArea) {
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  ASSERT_NE(w, nullptr);
  ui.SetWindowPos(w, pf::HwndTop(), 120, 80, 300, 150, pf::kSWP_SHOWWINDOW | pf::kSWP_NOACTIVATE);
  pf::Rect client;
  ASSERT_TRUE(ui.GetClientRect(w, client));
  EXPECT_EQ(client, (pf::Rect{0, 0, 300, 150}));
  pf::Point p{5, 7};
  ASSERT_TRUE(ui.ClientToScreen(w, p));
  EXPECT_EQ(p.x, 125);
  EXPECT_EQ(p.y, 87);
  ASSERT_TRUE(ui.ScreenToClient(w, p));
  EXPECT_EQ(p.x, 5);
  pf::Rect work;
  ASSERT_TRUE(ui.GetWorkArea(work));
  EXPECT_GT(work.Width(), 0);
  EXPECT_GT(work.Height(), 0);
  EXPECT_FALSE(ui.IsIconic(w));
  pf::HRegion region = ui.CreateRoundRectRgn(0, 0, 301, 151, 0, 0);
  EXPECT_TRUE(ui.SetWindowRgn(w, region, true));
  EXPECT_EQ(ui.GetKeyState(pf::kVK_CONTROL) & 0x8000, 0);
  ui.DestroyWindow(w);
}

TEST_F(SkinUi, RedrawWindowPaintsBeforeItReturns) {
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  ui.ShowWindow(w, pf::kSW_SHOWNOACTIVATE);
  std::vector<uint32_t> paints;
  g_paints = &paints;
  const pf::Rect r{10, 10, 40, 30};
  ASSERT_TRUE(ui.RedrawWindow(w, &r, pf::kRDW_INVALIDATE | pf::kRDW_NOERASE | pf::kRDW_UPDATENOW));
  g_paints = nullptr;
  ASSERT_GE(paints.size(), 1u);
  EXPECT_TRUE(g_hadCanvas);
  // The invalid rectangle covers the requested one.
  EXPECT_LE(g_paintRect.left, 10);
  EXPECT_GE(g_paintRect.right, 40);
  ui.DestroyWindow(w);
}

TEST_F(SkinUi, LayeredWindowsTakeAColourKeyOrAnAlphaImage) {
  pf::Ui& ui = pf::ui();
  pf::HWindow plain = Make();
  EXPECT_FALSE(ui.SetLayeredWindowAttributes(plain, 0x00FF80FF, 0, pf::kLWA_COLORKEY));
  pf::HWindow keyed = Make(pf::kWS_EX_LAYERED);
  EXPECT_TRUE(ui.SetLayeredWindowAttributes(keyed, 0x00FF80FF, 0, pf::kLWA_COLORKEY));
  pf::HWindow alpha = Make(pf::kWS_EX_LAYERED);
  std::unique_ptr<pf::MemoryCanvas> image = pf::gfx().CreateMemoryCanvas(64, 32);
  ASSERT_NE(image, nullptr);
  pf::BlendFunction blend;
  blend.alphaFormat = pf::kAC_SRC_ALPHA;
  const pf::Point origin{0, 0};
  EXPECT_TRUE(ui.UpdateLayeredWindow(alpha, &origin, pf::Size{64, 32}, *image, origin, 0, blend,
                                     pf::kULW_ALPHA));
  pf::Rect r;
  ui.GetWindowRect(alpha, r);
  EXPECT_EQ(r.Width(), 64);
  for (pf::HWindow w : {plain, keyed, alpha}) ui.DestroyWindow(w);
}

TEST_F(SkinUi, CursorsMenusAndFonts) {
  pf::Ui& ui = pf::ui();
  for (int id : {pf::kIDC_ARROW, pf::kIDC_HAND, pf::kIDC_SIZENWSE, pf::kIDC_SIZENESW,
                 pf::kIDC_SIZEWE, pf::kIDC_SIZENS})
    EXPECT_NE(ui.LoadCursor(id), nullptr) << id;
  ui.SetCursor(ui.LoadCursor(pf::kIDC_HAND));
  EXPECT_EQ(ui.SetCursor(ui.LoadCursor(pf::kIDC_ARROW)), ui.LoadCursor(pf::kIDC_HAND));

  for (int id : {149, 156}) {
    pf::HMenu bar = ui.LoadMenu(id);
    ASSERT_NE(bar, nullptr) << id;
    pf::HMenu popup = ui.GetSubMenu(bar, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(ui.RemoveMenu(bar, 0, pf::kMF_BYPOSITION));
    EXPECT_EQ(ui.GetSubMenu(bar, 0), nullptr);
    EXPECT_TRUE(ui.DestroyMenu(bar));
    EXPECT_TRUE(ui.DestroyMenu(popup));
  }
  EXPECT_EQ(ui.LoadMenu(150), nullptr);

  pf::LogFont logFont;
  logFont.height = 26;
  logFont.underline = 1;
  logFont.pitchAndFamily = pf::kDEFAULT_PITCH | pf::kFF_SWISS;
  logFont.face = L"宋体";
  pf::HFont font = pf::gfx().CreateFont(logFont);
  ASSERT_NE(font, nullptr);
  std::unique_ptr<pf::MemoryCanvas> canvas = pf::gfx().CreateMemoryCanvas(400, 100);
  const int saved = canvas->SaveDC();
  canvas->SelectFont(font);
  pf::Rect r{10, 10, 10, 10};
  const int h = canvas->DrawText(L"检测到您的网络异常", r, pf::kDT_CALCRECT);
  EXPECT_GT(h, 10);
  EXPECT_GT(r.Width(), 9 * 10);
  EXPECT_EQ(r.left, 10);
  pf::Rect shorter{10, 10, 10, 10};
  canvas->DrawText(L"检测", shorter, pf::kDT_CALCRECT);
  EXPECT_LT(shorter.Width(), r.Width());
  EXPECT_EQ(canvas->SetTextColor(pf::Rgb(1, 2, 3)), 0u);
  EXPECT_TRUE(canvas->RestoreDC(saved));
  EXPECT_EQ(canvas->SetTextColor(0), 0u);  // restored
  EXPECT_TRUE(pf::gfx().DeleteFont(font));
}

// The platform's blends give the software canvas's values (within 1).
TEST_F(SkinUi, BlendsMatchTheSoftwareArithmetic) {
  std::unique_ptr<pf::Bitmap> src = pf::gfx().CreateBitmap(4, 1, 32);
  ASSERT_NE(src, nullptr);
  const uint8_t pixels[4][4] = {
      {0, 0, 0, 0}, {10, 200, 128, 128}, {255, 255, 255, 255}, {1, 1, 1, 1}};
  for (int x = 0; x < 4; ++x) std::memcpy(src->bits + x * 4, pixels[x], 4);
  src->BitsChanged();
  std::unique_ptr<pf::MemoryCanvas> real = pf::gfx().CreateMemoryCanvas(4, 3);
  pf::SoftCanvas soft(4, 3);
  for (pf::Canvas* c : {static_cast<pf::Canvas*>(real.get()), static_cast<pf::Canvas*>(&soft)}) {
    c->FillRect(pf::Rect{0, 0, 4, 3}, pf::Rgb(40, 80, 160));
    pf::BlendFunction perPixel;
    perPixel.alphaFormat = pf::kAC_SRC_ALPHA;
    EXPECT_TRUE(c->AlphaBlend(0, 0, 4, 1, *src, 0, 0, 4, 1, perPixel));
    pf::BlendFunction constant;
    constant.sourceConstantAlpha = 254;
    EXPECT_TRUE(c->AlphaBlend(0, 1, 4, 1, *src, 0, 0, 4, 1, constant));
    EXPECT_TRUE(c->StretchBlt(0, 2, 4, 1, *src, 0, 0, 2, 1, pf::kSRCCOPY));
  }
  pf::Bitmap& r = real->Target();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const uint8_t* p = r.bits + y * r.pitch + x * 4;
      const uint32_t s = soft.PixelAt(x, y);
      for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(p[i], (s >> (8 * i)) & 0xFF, 1)
            << "pixel " << x << "," << y << " channel " << i;
    }
  }
}

TEST_F(SkinUi, DecodesEveryPngResource) {
  struct Id {
    int id, w, h;
    bool alpha;
  };
  for (Id e : {Id{170, 1287, 732, true}, Id{183, 29, 30, false}, Id{188, 28, 28, true},
               Id{219, 1500, 27, false}}) {
    const uint8_t* data;
    size_t size;
    ASSERT_TRUE(pf::res().FindResource(e.id, L"PNG", data, size)) << e.id;
    bool alpha = !e.alpha;
    std::unique_ptr<pf::Bitmap> b = pf::gfx().DecodePng(data, size, alpha);
    ASSERT_NE(b, nullptr) << e.id;
    EXPECT_EQ(b->width, e.w);
    EXPECT_EQ(b->height, e.h);
    EXPECT_EQ(alpha, e.alpha) << e.id;
    EXPECT_EQ(b->bitsPerPixel, e.alpha ? 32 : 24);
  }
  std::unique_ptr<pf::Bitmap> bmp = pf::gfx().LoadBitmapResource(220);
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->width, 29);
  EXPECT_EQ(bmp->height, 30);
  EXPECT_EQ(pf::gfx().LoadBitmapResource(221), nullptr);
  bool alpha = true;
  const uint8_t junk[] = {1, 2, 3};
  EXPECT_EQ(pf::gfx().DecodePng(junk, sizeof junk, alpha), nullptr);
}

}  // namespace

namespace {

// Offered every message before dispatch; ends the loop after the button-up.
class InputFilter : public pf::MessageFilter {
 public:
  bool PreTranslateMessage(pf::Msg* msg) override {
    if (msg->message >= pf::kWM_MOUSEFIRST && msg->message <= pf::kWM_MOUSELAST) {
      seen.push_back(msg->message);
      if (msg->message == pf::kWM_LBUTTONUP) {
        upAt = msg->lParam;
        pf::ui().PostQuitMessage(0);
      }
    }
    return false;
  }
  std::vector<uint32_t> seen;
  pf::LParam upAt = 0;
};

// Real input (xdotool on the test's X display, where the runner provides it)
// reaches the window through the queue, so the loop's filter sees it first.
TEST_F(SkinUi, NativeMouseInputPassesTheMessageLoopFilter) {
  const char* xdotool = std::getenv("VEXA_XDOTOOL");
  if (!xdotool) GTEST_SKIP() << "no synthetic input on this platform";
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  ui.SetWindowPos(w, pf::HwndTop(), 400, 300, 200, 100, pf::kSWP_SHOWWINDOW);
  ui.SetForegroundWindow(w);
  // Let the window appear before the click; the loop ends on the button-up.
  std::thread clicker([xdotool] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const std::string command = std::string(xdotool) + " mousemove 450 330 click 1";
    if (std::system(command.c_str()) != 0) pf::ui().PostQuitMessage(1);
  });
  std::atomic<bool> done{false};
  std::thread guard([&done] {
    for (int i = 0; i < 100 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!done) pf::ui().PostQuitMessage(2);  // nothing came: end the loop anyway
  });
  InputFilter filter;
  const int code = ui.RunMessageLoop(&filter);
  done = true;
  clicker.join();
  guard.join();
  EXPECT_EQ(code, 0);
  ASSERT_FALSE(filter.seen.empty());
  EXPECT_NE(std::find(filter.seen.begin(), filter.seen.end(), pf::kWM_LBUTTONDOWN),
            filter.seen.end());
  EXPECT_EQ(filter.upAt & 0xFFFF, 50);
  EXPECT_EQ((filter.upAt >> 16) & 0xFFFF, 30);
  ui.DestroyWindow(w);
}

}  // namespace

namespace {

// A popup menu of resource 149 returns the chosen command (TPM_RETURNCMD).
TEST_F(SkinUi, PopupMenuReturnsTheChosenCommand) {
  const char* xdotool = std::getenv("VEXA_XDOTOOL");
  if (!xdotool) GTEST_SKIP() << "no synthetic input on this platform";
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  ui.SetWindowPos(w, pf::HwndTop(), 300, 300, 200, 100, pf::kSWP_SHOWWINDOW);
  ui.SetForegroundWindow(w);
  pf::HMenu bar = ui.LoadMenu(149);
  pf::HMenu popup = ui.GetSubMenu(bar, 0);
  ui.RemoveMenu(bar, 0, pf::kMF_BYPOSITION);
  ui.DestroyMenu(bar);
  // The second item, "清理缓存", by keyboard.
  std::thread chooser([xdotool] {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const std::string command = std::string(xdotool) + " key Down Down Return";
    std::system(command.c_str());
  });
  const int chosen =
      ui.TrackPopupMenu(popup, pf::kTPM_RETURNCMD | pf::kTPM_RIGHTBUTTON, 320, 320, w);
  chooser.join();
  EXPECT_EQ(chosen, 32778);
  ui.DestroyMenu(popup);
  ui.DestroyWindow(w);
}

}  // namespace
