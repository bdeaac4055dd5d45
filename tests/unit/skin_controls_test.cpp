// Controls: the base's hit test and flags, the button's faces and caption
// fitting, the label's font, width, ellipsis and link hover, the image's modes.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "skin/button.h"
#include "skin/form.h"
#include "skin/image_control.h"
#include "skin/label.h"
#include "support/fake_env.h"

namespace {

using skin::CImage;

CImage Face(int w, int h, uint8_t blue);

// The last text drawn on the canvas (measuring is not recorded).
std::wstring LastText(const pf::SoftCanvas& canvas) {
  for (auto it = canvas.calls.rbegin(); it != canvas.calls.rend(); ++it)
    if (it->rfind(L"DrawText", 0) == 0) return *it;
  return std::wstring();
}

CImage Face(int w, int h, uint8_t blue) {
  CImage image;
  auto b = std::make_unique<pf::SoftBitmap>(w, h, 32);
  for (size_t i = 0; i < b->storage.size(); i += 4) {
    b->storage[i] = blue;
    b->storage[i + 3] = 255;
  }
  image.Attach(std::move(b), true);
  return image;
}

// A form with a window so that repaints and cursors can be observed.
class SkinControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::WindowClass wc;
    wc.className = L"SkinTest";
    wc.procedure = [](pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) -> pf::LResult {
      if (current && current->GetHWND() == h && current->HandleMessage(h, m, w, l) == 0) return 0;
      return pf::ui().DefWindowProc(h, m, w, l);
    };
    ui().RegisterWindowClass(wc);
    form.SetRect(pf::Rect{0, 0, 300, 200});
    ASSERT_TRUE(form.Create(L"SkinTest", L"t", nullptr));
    current = &form;
  }
  void TearDown() override { current = nullptr; }
  pf::FakeUi& ui() { return env.P().ui; }
  size_t Repaints() { return ui().redraws.size(); }

  testsupport::FakeEnv env;
  skin::CRKForm form;
  static skin::CRKForm* current;
};
skin::CRKForm* SkinControlsTest::current = nullptr;

TEST_F(SkinControlsTest, HitTestEdgesFlagsAndRelayout) {
  skin::CRKBaseControl c;
  c.SetRect(pf::Rect{10, 20, 30, 40});
  form.AddControl(&c);
  EXPECT_TRUE(c.HitTest({10, 20}));
  EXPECT_FALSE(c.HitTest({30, 25}));
  EXPECT_FALSE(c.HitTest({15, 40}));
  EXPECT_EQ(c.GetClassName(), L"CRKBaseControl");

  c.SetVisible(false, true);
  EXPECT_FALSE(c.HitTest({15, 25}));
  EXPECT_EQ(Repaints(), 1u);
  EXPECT_EQ(ui().redraws.back().flags, 0x121u);
  EXPECT_EQ(ui().redraws.back().rect, (pf::Rect{10, 20, 30, 40}));
  c.SetVisible(false, true);  // unchanged: no repaint
  EXPECT_EQ(Repaints(), 1u);
  c.SetVisible(true, false);
  c.SetEnabled(false, false);
  EXPECT_FALSE(c.HitTest({15, 25}));
  EXPECT_EQ(Repaints(), 1u);

  c.Relayout();
  EXPECT_EQ(c.GetRect(), (pf::Rect{10, 20, 30, 40}));
  const pf::Point offset{5, -3};
  c.Relayout(&offset);
  EXPECT_EQ(c.GetRect(), (pf::Rect{15, 17, 35, 37}));
  c.SetRect(pf::Rect{0, 0, 1, 1});  // no repaint
  EXPECT_EQ(Repaints(), 1u);
}

TEST_F(SkinControlsTest, ButtonFacesFollowTheStatesAndTheCheckedToggle) {
  skin::CRKButton b;
  b.normal = Face(10, 10, 1);
  b.hover = Face(10, 10, 2);
  b.pressed = b.hover;  // as every button of the program
  b.current = b.normal;
  b.SetRect(pf::Rect{0, 0, 10, 10});
  form.AddControl(&b);
  EXPECT_EQ(b.GetClassName(), L"CRKButton");
  EXPECT_EQ(b.Format(), pf::kDT_CENTER);
  EXPECT_FALSE(b.AutoWidth());

  b.OnMouseMove(0, {5, 5});
  EXPECT_EQ(b.State(), skin::BTN_HOVER);
  EXPECT_EQ(b.current.bitmap, b.hover.bitmap);
  b.OnLButtonDown(pf::kMK_LBUTTON, {5, 5});
  EXPECT_EQ(b.State(), skin::BTN_PRESSED);
  EXPECT_EQ(b.current.bitmap, b.hover.bitmap);  // the pressed face is the hover face
  b.OnLButtonUp(0, {5, 5});
  EXPECT_EQ(b.State(), skin::BTN_RELEASED);
  b.OnMouseMove(0, {50, 50});
  EXPECT_EQ(b.State(), skin::BTN_NORMAL);
  EXPECT_EQ(b.current.bitmap, b.normal.bitmap);

  const size_t before = Repaints();
  b.SetState(skin::BTN_NORMAL, true);  // the current state: nothing at all
  EXPECT_EQ(Repaints(), before);

  b.checkedNormal = Face(10, 10, 3);
  b.checked = true;
  b.SetState(skin::BTN_REFRESH, true);
  EXPECT_EQ(b.current.bitmap, b.checkedNormal.bitmap);
  EXPECT_EQ(b.State(), skin::BTN_NORMAL);
  EXPECT_EQ(Repaints(), before + 1);
  // Checked but no checked hover face: the unchecked hover face is used.
  b.SetState(skin::BTN_HOVER, true);
  EXPECT_EQ(b.current.bitmap, b.hover.bitmap);

  // Disabled without a disabled image: the normal face, repainted.
  b.checked = false;
  const size_t r = Repaints();
  b.SetEnabled(false, true);
  EXPECT_EQ(b.current.bitmap, b.normal.bitmap);
  EXPECT_EQ(Repaints(), r + 1);
  EXPECT_EQ(b.State(), skin::BTN_HOVER);  // the state is kept
  b.disabled = Face(10, 10, 4);
  b.SetEnabled(false, true);
  EXPECT_EQ(b.current.bitmap, b.disabled.bitmap);
  EXPECT_EQ(Repaints(), r + 1);  // no change of the flag: no repaint
  b.SetEnabled(true, false);
  EXPECT_EQ(b.current.bitmap, b.normal.bitmap);
}

TEST_F(SkinControlsTest, ButtonWithOnlyANormalImageNeverChangesItsLook) {
  skin::CRKButton b;
  b.normal = Face(10, 10, 1);
  b.current = b.normal;
  b.SetRect(pf::Rect{0, 0, 10, 10});
  form.AddControl(&b);
  b.OnMouseMove(0, {5, 5});
  b.OnLButtonDown(0, {5, 5});
  EXPECT_EQ(b.current.bitmap, b.normal.bitmap);
  EXPECT_EQ(b.GetImageWidth(), 10);
}

TEST_F(SkinControlsTest, ButtonDrawsFittedWith254AndFitsItsCaptionKeepingTheTail) {
  skin::CRKButton b;
  b.normal = Face(10, 10, 1);
  b.current = b.normal;
  b.blend = true;
  b.SetRect(pf::Rect{0, 0, 100, 20});
  form.AddControl(&b);
  pf::SoftCanvas canvas(300, 200);
  // Every character 10 pixels wide, 12 tall.
  canvas.measure = [](const std::wstring& t, const pf::LogFont*) {
    return pf::Size{static_cast<int32_t>(t.size()) * 10, 12};
  };
  b.Draw(&canvas);
  ASSERT_EQ(canvas.calls.size(), 1u);
  EXPECT_EQ(canvas.calls[0], L"AlphaBlend 0,0,100,20 <- 0,0,10,10 alpha 254 format 1");

  b.SetText(L"ABCDEFGHIJ", false);  // 100 pixels
  b.SetKeepTail(2);
  b.paddingLeft = 10;  // room 90 - 0: too narrow
  canvas.ClearCalls();
  b.Draw(&canvas);
  // Candidates: "...IJ" (50), "A...IJ" (60), "AB...IJ" (70), "ABC...IJ" (80):
  // the first with left + width + 16 > right is "ABC...IJ" (10 + 80 + 16 > 100).
  EXPECT_EQ(LastText(canvas).substr(0, 20), L"DrawText \"ABC...IJ\" ");
  // Rectangle too narrow for any candidate: the longest is the first seven, "...", the last two.
  // Here only the whole text is too wide, so the length ends the search.
  b.paddingLeft = 0;
  b.SetRect(pf::Rect{0, 0, 99, 20});
  canvas.ClearCalls();
  canvas.measure = [](const std::wstring& t, const pf::LogFont*) {
    return pf::Size{t == L"ABCDEFGHIJ" ? 1000 : 1, 12};
  };
  b.Draw(&canvas);
  EXPECT_EQ(LastText(canvas).substr(0, 25), L"DrawText \"ABCDEFG...IJ\" 0");
}

TEST_F(SkinControlsTest, LabelFontWidthEllipsisAndColours) {
  skin::CRKLabel label;
  form.AddControl(&label);
  EXPECT_EQ(label.FontHeight(), 12);
  label.SetFontSize(12, 0, false);
  EXPECT_EQ(label.FontHeight(), 12);
  label.SetFontFace(L"微软雅黑", false);
  label.SetFontSize(12, 0, false);
  EXPECT_EQ(label.FontHeight(), 7);
  label.SetFontSize(12, 14, false);
  EXPECT_EQ(label.FontHeight(), 14);

  // Auto width without a maximum: the rectangle follows the text.
  env.P().graphics.measure = [](const std::wstring& t, const pf::LogFont*) {
    return pf::Size{static_cast<int32_t>(t.size()) * 10, 12};
  };
  label.SetRect(pf::Rect{10, 0, 20, 20});
  label.SetText(L"abcdefghijklmno", false);  // 150 pixels
  EXPECT_EQ(label.GetRect().right, 810);     // SetText widens to 800 first
  pf::SoftCanvas canvas(1000, 100);
  canvas.measure = env.P().graphics.measure;
  label.Draw(&canvas);
  EXPECT_EQ(label.GetRect().right, 160);
  EXPECT_EQ(LastText(canvas).substr(0, 27), L"DrawText \"abcdefghijklmno\" ");
  // A font of its own, created with the label's arguments.
  ASSERT_FALSE(env.P().graphics.createdFonts.empty());
  const pf::LogFont& logFont = env.P().graphics.createdFonts.back();
  EXPECT_EQ(logFont.height, 14);
  EXPECT_EQ(logFont.face, L"微软雅黑");
  EXPECT_EQ(logFont.pitchAndFamily, 0x20u);

  // Maximum 100 with a 150-pixel text: shortened to the first candidate wider than 84.
  label.SetAutoWidth(true, 100);
  canvas.ClearCalls();
  label.Draw(&canvas);
  EXPECT_EQ(label.GetRect().right, 110);
  EXPECT_EQ(LastText(canvas).substr(0, 21), L"DrawText \"abcdef...\" ");  // 90 > 84
  EXPECT_EQ(label.GetTextWidth(), 100);

  const size_t r = ui().redraws.size();
  label.SetTextColor(0, true);  // unchanged
  EXPECT_EQ(ui().redraws.size(), r);
  label.SetBkColor(0, true);  // same colour: the opaque flag is not taken either
  EXPECT_FALSE(label.Opaque());
  label.SetBkColor(5, true);
  EXPECT_TRUE(label.Opaque());
}

TEST_F(SkinControlsTest, LinkHoverChangesColourAndUnderlineOnlyOnTransitions) {
  skin::CRKLabel link;
  link.SetAutoWidth(false, 0);
  link.SetRect(pf::Rect{0, 0, 50, 20});
  link.SetText(L"link", false);
  form.AddControl(&link);
  link.SetLinkUnderline(0, 1, false);
  link.SetLinkColors(pf::Rgb(0, 0, 255), pf::Rgb(255, 0, 0), false);
  const size_t r = ui().redraws.size();
  link.OnMouseMove(0, {10, 10});
  EXPECT_TRUE(link.Hovered());
  EXPECT_EQ(link.TextColor(), pf::Rgb(255, 0, 0));
  EXPECT_EQ(link.Underline(), 1);
  EXPECT_EQ(ui().redraws.size(), r + 1);
  link.OnMouseMove(0, {12, 10});  // within: nothing
  EXPECT_EQ(ui().redraws.size(), r + 1);
  link.OnMouseMove(0, {100, 10});
  EXPECT_FALSE(link.Hovered());
  EXPECT_EQ(link.TextColor(), pf::Rgb(0, 0, 255));
  EXPECT_EQ(link.Underline(), 0);
  EXPECT_EQ(ui().redraws.size(), r + 2);
}

TEST_F(SkinControlsTest, ImageOpaqueModeDrawsStretchPiecesOrAPlainCopy) {
  skin::CRKImage image;
  EXPECT_EQ(image.GetClassName(), L"CRKImage");
  EXPECT_EQ(image.GetImageWidth(), 0);
  image.image = Face(29, 30, 9);
  image.blended = false;
  image.marginLeft = image.marginTop = image.marginRight = image.marginBottom = 5;
  image.SetRect(pf::Rect{0, 0, 1287, 732});
  pf::SoftCanvas canvas(1287, 732);
  image.Draw(&canvas);
  ASSERT_EQ(canvas.calls.size(), 9u);
  EXPECT_EQ(canvas.calls[4], L"StretchBlt 5,5,1277,722 <- 5,5,19,20");
  image.stretch = false;
  image.SetRect(pf::Rect{40, 50, 100, 100});
  canvas.ClearCalls();
  image.Draw(&canvas);
  ASSERT_EQ(canvas.calls.size(), 1u);
  EXPECT_EQ(canvas.calls[0], L"BitBlt 0,0,29,30 <- 0,0");
}

}  // namespace
