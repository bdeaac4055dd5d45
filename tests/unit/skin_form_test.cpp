// Forms: message table, routing, hover and leave tracking, sizing, placement,
// and the backdrop.
#include <gtest/gtest.h>

#include "app/global_module.h"
#include "platform/platform.h"
#include "skin/button.h"
#include "skin/form.h"
#include "windows/app_form.h"
#include "windows/form_back.h"
#include "skin/image_control.h"
#include "support/fake_env.h"
#include "support/test_components.h"

namespace {

// A control that records what it was sent.
class Probe : public skin::CRKBaseControl {
 public:
  explicit Probe(pf::Rect r) { SetRect(r); }
  bool OnMouseMove(uint32_t, pf::Point p) override {
    moves.push_back(p);
    return false;
  }
  bool OnMouseWheel(uint32_t, pf::Point) override {
    ++wheels;
    return true;
  }
  void Draw(pf::Canvas*) override { ++draws; }
  std::vector<pf::Point> moves;
  int wheels = 0;
  int draws = 0;
};

skin::CRKForm* g_form = nullptr;

pf::LResult Proc(pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) {
  if (g_form && g_form->GetHWND() == h && g_form->HandleMessage(h, m, w, l) == 0) return 0;
  return pf::ui().DefWindowProc(h, m, w, l);
}

pf::LParam Pack(int x, int y) { return static_cast<pf::LParam>((y << 16) | (x & 0xFFFF)); }

class SkinFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::WindowClass wc;
    wc.className = L"FormTest";
    wc.procedure = &Proc;
    ui().RegisterWindowClass(wc);
    g_form = &form;
  }
  void TearDown() override { g_form = nullptr; }
  pf::FakeUi& ui() { return env.P().ui; }
  void Make(int w, int h) {
    form.SetRect(pf::Rect{0, 0, w, h});
    ASSERT_TRUE(form.Create(L"FormTest", L"ignored", nullptr));
  }
  testsupport::FakeEnv env;
  skin::CRKForm form;
};

TEST_F(SkinFormTest, CreateOncePlacesCentredAndSetsTheText) {
  Make(1250, 700);
  const pf::HWindow first = form.GetHWND();
  EXPECT_TRUE(form.Create(L"FormTest", L"other", nullptr));
  EXPECT_EQ(form.GetHWND(), first);
  EXPECT_EQ(ui().GetWindowText(first), L"VexaOrvane");
  EXPECT_TRUE(ui().GetWindowLong(first, pf::kGWL_STYLE) & pf::kWS_POPUP);
  EXPECT_FALSE(ui().IsWindowVisible(first));
  ui().workArea = pf::Rect{0, 0, 1920, 1040};
  EXPECT_TRUE(form.ShowCentered(pf::kSW_SHOWNORMAL));
  pf::Rect r;
  ui().GetWindowRect(first, r);
  EXPECT_EQ(r, (pf::Rect{335, 170, 1585, 870}));

  skin::CRKForm none;
  EXPECT_FALSE(none.ShowCentered(pf::kSW_SHOW));
  EXPECT_TRUE(none.Close());
}

TEST_F(SkinFormTest, RoutingGoesToTheTopmostHitControl) {
  Make(300, 200);
  Probe low(pf::Rect{0, 0, 100, 100}), high(pf::Rect{50, 50, 150, 150}),
      far(pf::Rect{200, 0, 250, 50});
  form.AddControl(&low);
  form.AddControl(&high);
  form.AddControl(&far);
  EXPECT_EQ(low.OwnerWindow(), form.GetHWND());
  EXPECT_EQ(low.OwnerForm(), &form);

  ui().SendMessage(form.GetHWND(), pf::kWM_MOUSEMOVE, 0, Pack(60, 60));
  EXPECT_EQ(high.moves.size(), 1u);  // the topmost
  EXPECT_EQ(low.moves.size(), 0u);   // under it, but hit: not told
  EXPECT_EQ(far.moves.size(), 1u);   // not under the mouse: told
  EXPECT_EQ(form.ControlAt({60, 60}), &high);

  // Wheel points are screen coordinates.
  ui().SetWindowPos(form.GetHWND(), pf::HwndTop(), 100, 100, 0, 0, pf::kSWP_NOSIZE);
  ui().SendMessage(form.GetHWND(), pf::kWM_MOUSEWHEEL, 120u << 16, Pack(160, 160));
  EXPECT_EQ(high.wheels, 1);
  EXPECT_EQ(low.wheels, 0);

  // A disabled control is not the topmost: the one beneath gets the move.
  high.SetEnabled(false, false);
  ui().SendMessage(form.GetHWND(), pf::kWM_MOUSEMOVE, 0, Pack(60, 60));
  EXPECT_EQ(low.moves.size(), 1u);
  EXPECT_EQ(high.moves.size(), 2u);  // told as a control not under the mouse

  // Painting draws every control in order.
  ui().RedrawWindow(form.GetHWND(), nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  EXPECT_EQ(low.draws, 1);
  EXPECT_EQ(far.draws, 1);

  EXPECT_TRUE(form.RemoveControl(&far));
  EXPECT_FALSE(form.RemoveControl(&far));
  EXPECT_EQ(form.Controls().size(), 2u);
}

TEST_F(SkinFormTest, HoverAndLeaveTrackingAndTheLeaveAtTheOrigin) {
  Make(300, 200);
  skin::CRKImage background;
  background.SetRect(pf::Rect{0, 0, 300, 200});
  skin::CRKButton button;
  button.hover = skin::CImage();
  button.SetRect(pf::Rect{100, 100, 130, 130});
  form.AddControl(&background);
  form.AddControl(&button);
  const pf::HWindow w = form.GetHWND();

  ui().SendMessage(w, pf::kWM_MOUSEMOVE, 0, Pack(110, 110));
  ASSERT_EQ(ui().tracks.size(), 1u);
  EXPECT_EQ(ui().tracks[0].flags, pf::kTME_HOVER | pf::kTME_LEAVE);
  EXPECT_EQ(ui().tracks[0].hoverTime, 300u);
  EXPECT_EQ(button.State(), skin::BTN_HOVER);
  ui().SendMessage(w, pf::kWM_MOUSEMOVE, 0, Pack(111, 110));
  EXPECT_EQ(ui().tracks.size(), 1u);  // requested and no hover yet: not again
  ui().SendMessage(w, pf::kWM_MOUSEHOVER, 0, Pack(111, 110));
  EXPECT_TRUE(form.HoverSeen());
  ui().SendMessage(w, pf::kWM_MOUSEMOVE, 0, Pack(112, 110));
  EXPECT_EQ(ui().tracks.size(), 2u);  // renewed after the hover

  ui().SendMessage(w, pf::kWM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(button.State(), skin::BTN_NORMAL);  // not under (0, 0)
  EXPECT_FALSE(form.Tracking());
  EXPECT_EQ(ui().tracks.size(), 2u);  // the leave's own move requests nothing
}

TEST_F(SkinFormTest, SizeReplacesTheRegionAndSizingSwitchesFullDragOff) {
  Make(880, 420);
  ui().SetWindowPos(form.GetHWND(), pf::HwndTop(), 0, 0, 900, 500, pf::kSWP_NOMOVE);
  EXPECT_TRUE(env.P().ui.Windows().back()->hasRegion);
  EXPECT_EQ(env.P().ui.Windows().back()->region, (pf::Rect{0, 0, 901, 501}));

  ui().SetWindowPos(form.GetHWND(), pf::HwndTop(), 0, 0, 880, 420, pf::kSWP_NOMOVE);
  int edge = 0;
  EXPECT_FALSE(skin::CRKForm::EdgeHitTest(&form, {0, 0}, true, &edge));
  EXPECT_TRUE(skin::CRKForm::EdgeHitTest(&form, {3, 300}, false, &edge));
  EXPECT_EQ(edge, pf::kWMSZ_LEFT);
  EXPECT_EQ(ui().cursor, ui().LoadCursor(pf::kIDC_SIZEWE));
  EXPECT_TRUE(skin::CRKForm::EdgeHitTest(&form, {875, 415}, true, &edge));
  EXPECT_EQ(edge, pf::kWMSZ_BOTTOMRIGHT);
  EXPECT_EQ(ui().cursor, ui().LoadCursor(pf::kIDC_SIZENWSE));
  ASSERT_EQ(ui().sysCommands.size(), 1u);
  EXPECT_EQ(ui().sysCommands[0], pf::kSC_SIZE + 8);
  EXPECT_FALSE(ui().dragFullWindowsDuringSysCommand[0]);
  EXPECT_TRUE(ui().dragFullWindows);  // switched back on
  EXPECT_FALSE(skin::CRKForm::EdgeHitTest(&form, {400, 200}, false, &edge));

  // A button near the edge stays clickable.
  skin::CRKButton close;
  close.SetRect(pf::Rect{0, 290, 20, 310});
  form.AddControl(&close);
  EXPECT_FALSE(skin::CRKForm::EdgeHitTest(&form, {3, 300}, false, &edge));
}

TEST_F(SkinFormTest, MessagesTheBaseHandlesAndTheRest) {
  Make(100, 100);
  const pf::HWindow w = form.GetHWND();
  EXPECT_EQ(form.HandleMessage(w, pf::kWM_USER + 7, 0, 0), 1);
  EXPECT_EQ(form.HandleMessage(w, pf::kWM_LBUTTONDOWN, 0, Pack(5, 5)), 0);
  EXPECT_EQ(ui().focus, w);
  EXPECT_TRUE(form.PreTranslateMessage(nullptr));
  ui().ShowWindow(w, pf::kSW_MINIMIZE);
  form.BringToFront();
  EXPECT_FALSE(ui().IsIconic(w));
  EXPECT_EQ(ui().foreground, w);
  EXPECT_EQ(form.HandleMessage(w, pf::kWM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(ui().IsWindow(w));
  EXPECT_EQ(form.GetHWND(), w);  // the handle is kept
}

class BackdropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::WindowClass wc;
    wc.className = L"ZuWayfar";
    wc.procedure = [](pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) -> pf::LResult {
      app::CGlobalModule* ctx = app::CGlobalModule::Instance();
      if (ctx && ctx->backdrop && ctx->backdrop->GetHWND() == h)
        return ctx->backdrop->HandleMessage(h, m, w, l);
      return pf::ui().DefWindowProc(h, m, w, l);
    };
    env.P().ui.RegisterWindowClass(wc);
  }
  testsupport::FakeEnv env;
  testsupport::TestComponents components;
};

TEST_F(BackdropTest, PaintsTheRoundedImageOnceAndPlacesAndDragsTheLoginWindow) {
  app::CGlobalModule ctx(components);
  ctx.windowClass = L"ZuWayfar";
  ctx.title = L"VexaBrannoc";
  ctx.topMost = 1;
  auto back = std::make_unique<windows::CFormBack>();
  windows::CFormBack* b = back.get();
  ctx.backdrop = std::move(back);
  b->SetRect(0, 0, 1287, 732);
  ASSERT_TRUE(b->Init());
  pf::FakeUi& ui = env.P().ui;
  const pf::HWindow w = b->GetHWND();
  const uint32_t ex = ui.GetWindowLong(w, pf::kGWL_EXSTYLE);
  EXPECT_TRUE(ex & pf::kWS_EX_LAYERED);
  EXPECT_TRUE(ex & pf::kWS_EX_TOPMOST);
  EXPECT_EQ(
      ui.GetWindowLong(w, pf::kGWL_STYLE) & (pf::kWS_POPUP | pf::kWS_SYSMENU | pf::kWS_MINIMIZEBOX),
      pf::kWS_SYSMENU | pf::kWS_MINIMIZEBOX);
  EXPECT_EQ(ui.Windows().back()->layeredUpdates, 1);

  // The layered pixels are image 170 premultiplied with rounding.
  const uint8_t* data;
  size_t size;
  ASSERT_TRUE(pf::res().FindResource(170, L"PNG", data, size));
  bool alpha = false;
  auto raw = pf::gfx().DecodePng(data, size, alpha);
  pf::SoftCanvas* surface = ui.Surface(w);
  ASSERT_NE(surface, nullptr);
  int partial = 0;
  for (int y = 0; y < 732; y += 7) {
    for (int x = 0; x < 1287; x += 5) {
      const uint8_t* p = raw->bits + y * raw->pitch + x * 4;
      const uint32_t got = surface->PixelAt(x, y);
      const unsigned a = p[3];
      ASSERT_EQ(got >> 24, a);
      ASSERT_EQ((got >> 16) & 0xFF, (p[2] * a + 127) / 255) << x << "," << y;
      if (a > 0 && a < 255) ++partial;
    }
  }
  EXPECT_GT(partial, 10);

  ui.workArea = pf::Rect{0, 0, 1920, 1040};
  b->ShowBackdrop(false);
  pf::Rect r;
  ui.GetWindowRect(w, r);
  EXPECT_EQ(r.left, 316);
  EXPECT_EQ(r.top, 154);
  EXPECT_TRUE(ui.GetWindowLong(w, pf::kGWL_EXSTYLE) & pf::kWS_EX_APPWINDOW);
  EXPECT_FALSE(ui.GetWindowLong(w, pf::kGWL_EXSTYLE) & pf::kWS_EX_TOOLWINDOW);
  EXPECT_TRUE(ui.Windows().back()->topmost);
  ui.SetWindowPos(w, pf::HwndTop(), 10, 10, 0, 0, pf::kSWP_NOSIZE);
  b->ShowBackdrop(true);
  ui.GetWindowRect(w, r);
  EXPECT_EQ(r, (pf::Rect{10, 10, 1297, 742}));

  // The login window follows every move of the backdrop.
  ASSERT_TRUE(ctx.login);
  ctx.login->SetRect(0, 0, 1287, 732);
  ASSERT_TRUE(ctx.login->Create(L"ZuWayfar", L"t", nullptr));
  ui.SetWindowPos(w, pf::HwndTop(), 300, 200, 0, 0, pf::kSWP_NOSIZE);
  pf::Rect login;
  ui.GetWindowRect(ctx.login->GetHWND(), login);
  EXPECT_EQ(login.left, 300);
  EXPECT_EQ(login.top, 200);

  // A press drags it with the system move loop.
  ui.SendMessage(w, pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, Pack(600, 300));
  ASSERT_FALSE(ui.sysCommands.empty());
  EXPECT_EQ(ui.sysCommands.back(), 0xF012u);
  ctx.backdrop.reset();
}

}  // namespace

namespace {

// The shape of a client window: a skinned form that the shell reaches through
// its app:: interface (the login window takes this form).
class LoginLike : public windows::CAppForm<app::ILoginForm> {
 public:
  bool Create(const std::wstring& className, const std::wstring& title,
              pf::HWindow parent) override {
    return CRKForm::Create(className, title, parent);
  }
  bool Init() override {
    background.SetRect(pf::Rect{0, 0, 100, 50});
    AddControl(&background);
    return true;
  }
  std::wstring GetEnterGameUrl() const override { return std::wstring(); }
  std::wstring GetQuickLoginUrl() const override { return std::wstring(); }
  void ReloadAfterGame() override {}
  void NavigateView(const std::wstring&) override {}
  Probe background{pf::Rect{}};
};

TEST_F(SkinFormTest, AClientWindowIsAFormAndAnAppInterfaceAtOnce) {
  LoginLike login;
  app::ILoginForm& shell = login;
  shell.SetRect(0, 0, 100, 50);
  ASSERT_TRUE(shell.Create(L"FormTest", L"t", nullptr));
  ASSERT_TRUE(shell.Init());
  g_form = &login;
  ui().RedrawWindow(shell.GetHWND(), nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  EXPECT_EQ(login.background.draws, 1);
  EXPECT_EQ(shell.HandleMessage(shell.GetHWND(), pf::kWM_MOUSEMOVE, 0, Pack(10, 10)), 0);
  EXPECT_EQ(login.background.moves.size(), 1u);
  EXPECT_TRUE(shell.PreTranslateMessage(nullptr));
}

}  // namespace
