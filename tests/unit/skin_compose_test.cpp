// A form's composed picture: whatever changes between paints, a paint leaves
// exactly the pixels that painting every control straight onto the target
// leaves; an unchanged form is one copy, a changed button recomposes only its
// rectangle; controls without a key are painted on the target in their place
// in the list, and parts of controls past the background are blended on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "skin/button.h"
#include "skin/form.h"
#include "skin/image_control.h"
#include "skin/label.h"
#include "support/fake_env.h"

namespace {

// A picture whose pixels all differ: blue and green from the position, red
// given, alpha given (colour premultiplied).
skin::CImage Picture(int w, int h, uint8_t red, uint8_t alpha) {
  skin::CImage image;
  auto b = std::make_unique<pf::SoftBitmap>(w, h, 32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b->bits + y * b->pitch + x * 4;
      p[0] = static_cast<uint8_t>((x * 37 + y * 11) * alpha / 255);
      p[1] = static_cast<uint8_t>((x * 5 + y * 53) * alpha / 255);
      p[2] = static_cast<uint8_t>(red * alpha / 255);
      p[3] = alpha;
    }
  }
  image.Attach(std::move(b), alpha != 255);
  return image;
}

// A control without a paint key: a filled square.
class Square : public skin::CRKBaseControl {
 public:
  explicit Square(pf::Rect r) { SetRect(r); }
  void Draw(pf::Canvas* dc) override {
    if (visible_) dc->FillRect(rect_, colour);
  }
  uint32_t colour = pf::Rgb(200, 10, 10);
};

struct Scene {
  skin::CRKImage background;  // opaque nine-part stretch over 0,0,200,100
  skin::CRKButton blended;    // alpha faces
  skin::CRKButton below;      // reaches two pixels below the background
  skin::CRKLabel label;
  Square square{pf::Rect{150, 60, 170, 80}};
  skin::CRKButton aboveSquare;  // overlaps the square, so painted after it

  Scene() {
    background.image = Picture(30, 30, 40, 255);
    background.blend = true;
    background.blended = false;
    background.marginLeft = background.marginTop = background.marginRight =
        background.marginBottom = 4;
    background.SetRect(pf::Rect{0, 0, 200, 100});
    blended.normal = Picture(20, 10, 90, 128);
    blended.hover = Picture(20, 10, 250, 200);
    blended.pressed = blended.hover;
    blended.current = blended.normal;
    blended.blend = true;
    blended.SetRect(pf::Rect{10, 10, 50, 30});
    below.normal = Picture(10, 10, 160, 255);
    below.hover = Picture(10, 10, 20, 255);
    below.current = below.normal;
    below.blend = true;
    below.SetRect(pf::Rect{100, 92, 120, 102});
    label.SetRect(pf::Rect{20, 50, 140, 70});
    label.SetText(L"status", false);
    label.SetBkColor(pf::Rgb(1, 2, 3), true);  // opaque text boxes show on the software canvas
    aboveSquare.normal = Picture(10, 10, 70, 100);
    aboveSquare.current = aboveSquare.normal;
    aboveSquare.blend = true;
    aboveSquare.SetRect(pf::Rect{160, 70, 180, 90});
  }
  void AddTo(skin::CRKForm& form) {
    form.AddControl(&background);
    form.AddControl(&blended);
    form.AddControl(&below);
    form.AddControl(&label);
    form.AddControl(&square);
    form.AddControl(&aboveSquare);
  }
};

// The target as the window would show it: a known pattern beneath, as left by
// earlier paints (the toolkit never erases).
std::unique_ptr<pf::SoftCanvas> Target() {
  auto canvas = std::make_unique<pf::SoftCanvas>(220, 120);
  for (int y = 0; y < 120; y += 10)
    canvas->FillRect(pf::Rect{0, y, 220, y + 5}, pf::Rgb(0, static_cast<uint8_t>(y), 255));
  canvas->ClearCalls();
  return canvas;
}

// Inside `exact` (the background's rectangle) the pixels are the same; past
// it a control's part is blended in one step instead of two, so each channel
// may round one level apart.
void ExpectSamePixels(pf::SoftCanvas& got, pf::SoftCanvas& want, const char* step,
                      const pf::Rect& exact) {
  int differing = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 220; ++x) {
      const uint32_t a = got.PixelAt(x, y), b = want.PixelAt(x, y);
      const bool inside = x >= exact.left && x < exact.right && y >= exact.top && y < exact.bottom;
      int worst = 0;
      for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
      if (worst > (inside ? 0 : 1) && differing++ < 3)
        ADD_FAILURE() << step << ": pixel " << x << "," << y << " is " << std::hex << a
                      << ", painted straight " << b;
    }
  }
}

size_t Count(const pf::SoftCanvas& canvas, const std::wstring& prefix) {
  return static_cast<size_t>(
      std::count_if(canvas.calls.begin(), canvas.calls.end(),
                    [&](const std::wstring& c) { return c.rfind(prefix, 0) == 0; }));
}

TEST(SkinComposeTest, EveryPaintLeavesThePixelsOfPaintingEachControlStraight) {
  testsupport::FakeEnv env;
  Scene composedScene, straightScene;
  skin::CRKForm form;
  composedScene.AddTo(form);
  auto paint = [&](const char* step, const std::function<void(Scene&)>& change) {
    change(composedScene);
    change(straightScene);
    auto got = Target();
    auto want = Target();
    form.Draw(got.get());
    skin::CRKBaseControl* straight[] = {&straightScene.background, &straightScene.blended,
                                        &straightScene.below,      &straightScene.label,
                                        &straightScene.square,     &straightScene.aboveSquare};
    for (skin::CRKBaseControl* c : straight) c->Draw(want.get());
    ExpectSamePixels(*got, *want, step, straightScene.background.GetRect());
    return got;
  };
  auto nothing = [](Scene&) {};

  auto first = paint("first paint", nothing);
  auto again = paint("unchanged", nothing);
  // Unchanged: one copy of the picture, one blend of the band below it (the
  // button reaching past the background), then the square and the button
  // above it, painted on the target.
  EXPECT_EQ(Count(*again, L"BitBlt"), 1u);
  EXPECT_EQ(Count(*again, L"StretchBlt"), 0u);
  EXPECT_EQ(Count(*again, L"FillRect"), 1u);
  EXPECT_EQ(Count(*again, L"AlphaBlend"), 2u);

  paint("hovered", [](Scene& s) { s.blended.SetState(skin::BTN_HOVER, false); });
  paint("below hovered", [](Scene& s) { s.below.SetState(skin::BTN_HOVER, false); });
  paint("longer text", [](Scene& s) { s.label.SetText(L"a much longer status text", false); });
  paint("shorter text", [](Scene& s) { s.label.SetText(L"ok", false); });
  paint("hidden", [](Scene& s) { s.blended.SetVisible(false, false); });
  paint("shown", [](Scene& s) { s.blended.SetVisible(true, false); });
  paint("moved", [](Scene& s) { s.blended.SetRect(pf::Rect{60, 20, 100, 40}); });
  paint("square recoloured", [](Scene& s) { s.square.colour = pf::Rgb(5, 250, 5); });
  paint("square hidden", [](Scene& s) { s.square.SetVisible(false, false); });
  paint("window wider", [](Scene& s) { s.background.SetRect(pf::Rect{0, 0, 210, 100}); });
  paint("text past the picture", [](Scene& s) {
    s.label.SetRect(pf::Rect{150, 90, 400, 110});
    s.label.SetText(L"a status line longer than the window", false);
  });
  paint("back inside", [](Scene& s) { s.label.SetRect(pf::Rect{20, 50, 140, 70}); });
  paint("unchanged again", nothing);
}

TEST(SkinComposeTest, AChangedButtonRecomposesOnlyItsRectangleAndPaintCopiesOnlyTheInvalidPart) {
  testsupport::FakeEnv env;
  pf::FakeUi& ui = env.P().ui;
  pf::WindowClass wc;
  wc.className = L"ComposeTest";
  static skin::CRKForm* current = nullptr;
  wc.procedure = [](pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) -> pf::LResult {
    if (current && current->GetHWND() == h && current->HandleMessage(h, m, w, l) == 0) return 0;
    return pf::ui().DefWindowProc(h, m, w, l);
  };
  ui.RegisterWindowClass(wc);
  Scene scene;
  skin::CRKForm form;
  current = &form;
  form.SetRect(pf::Rect{0, 0, 220, 120});
  ASSERT_TRUE(form.Create(L"ComposeTest", L"t", nullptr));
  scene.AddTo(form);
  ui.RedrawWindow(form.GetHWND(), nullptr, pf::kRDW_INVALIDATE | pf::kRDW_UPDATENOW);
  pf::SoftCanvas* surface = ui.Surface(form.GetHWND());
  ASSERT_NE(surface, nullptr);
  const uint32_t before = surface->PixelAt(15, 15);

  // The button's invalidation repaints its rectangle: the copy covers only that.
  surface->ClearCalls();
  scene.blended.SetState(skin::BTN_HOVER, true);
  EXPECT_NE(surface->PixelAt(15, 15), before);
  ASSERT_EQ(Count(*surface, L"BitBlt"), 1u);
  for (const std::wstring& call : surface->calls)
    if (call.rfind(L"BitBlt", 0) == 0) {
      EXPECT_EQ(call, L"BitBlt 10,10,40,20 <- 10,10");
    }
  current = nullptr;
}

}  // namespace
