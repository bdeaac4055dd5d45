// Skin images: decoding, premultiplication, blending arithmetic, the
// nine-part piece tables and the fitted placement, over the software canvas.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/image_codec.h"
#include "skin/skin_image.h"
#include "support/fake_env.h"

namespace {

using pf::SoftBitmap;
using pf::SoftCanvas;
using skin::CImage;
using skin::SkinDrawMode;

CImage MakeImage(int w, int h, int bpp, bool alpha) {
  CImage image;
  image.Attach(std::make_unique<SoftBitmap>(w, h, bpp), alpha);
  return image;
}

uint8_t* Px(CImage& image, int x, int y) {
  return image.bits + y * image.pitch + x * (image.bitsPerPixel / 8);
}

class SkinImageTest : public ::testing::Test {
 protected:
  testsupport::FakeEnv env;
};

TEST_F(SkinImageTest, PremultiplicationTruncatesAndTheBackdropVariantRounds) {
  CImage image = MakeImage(4, 1, 32, true);
  const uint8_t pixels[4][4] = {
      {10, 20, 30, 0}, {10, 20, 200, 255}, {255, 255, 255, 128}, {128, 200, 128, 1}};
  for (int x = 0; x < 4; ++x)
    for (int i = 0; i < 4; ++i) Px(image, x, 0)[i] = pixels[x][i];
  CImage rounded = MakeImage(4, 1, 32, true);
  for (int x = 0; x < 4; ++x)
    for (int i = 0; i < 4; ++i) Px(rounded, x, 0)[i] = pixels[x][i];

  skin::PremultiplyAlpha(image);
  EXPECT_EQ(std::vector<uint8_t>(Px(image, 0, 0), Px(image, 0, 0) + 4),
            (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(Px(image, 1, 0), Px(image, 1, 0) + 4),
            (std::vector<uint8_t>{10, 20, 200, 255}));
  EXPECT_EQ(Px(image, 2, 0)[2], 128);
  EXPECT_EQ(Px(image, 2, 0)[3], 128);
  EXPECT_EQ(Px(image, 3, 0)[0], 0);  // 128 * 1 / 255 truncates to 0

  skin::PremultiplyAlphaRounded(rounded);
  EXPECT_EQ(Px(rounded, 2, 0)[2], 128);  // red 255 at alpha 128
  EXPECT_EQ(Px(rounded, 3, 0)[0], 1);    // (128 * 1 + 127) / 255
  EXPECT_EQ(Px(rounded, 3, 0)[1], 1);    // (200 + 127) / 255

  CImage rgb = MakeImage(1, 1, 24, false);
  Px(rgb, 0, 0)[0] = 77;
  skin::PremultiplyAlpha(rgb);
  EXPECT_EQ(Px(rgb, 0, 0)[0], 77);
}

TEST_F(SkinImageTest, EveryImageOfTheTableLoadsAtItsSizeAndFormat) {
  struct Row {
    int id, w, h;
    bool alpha;
  };
  std::vector<Row> rows = {{170, 1287, 732, true}, {183, 29, 30, false}, {219, 1500, 27, false},
                           {221, 1500, 27, false}, {222, 3, 359, false}, {223, 469, 4, false},
                           {204, 25, 25, false}};
  auto pair = [&rows](int id, int w, int h, bool alpha) {
    rows.push_back({id, w, h, alpha});
    rows.push_back({id + 1, w, h, alpha});
  };
  pair(184, 27, 27, false);
  pair(186, 28, 27, false);
  pair(188, 28, 28, true);
  pair(190, 133, 38, true);
  pair(192, 28, 28, true);
  pair(194, 133, 38, true);
  pair(196, 134, 48, false);
  pair(198, 133, 38, true);
  pair(200, 133, 38, true);
  pair(202, 38, 18, false);
  pair(205, 27, 27, false);
  pair(207, 28, 27, false);
  pair(209, 27, 27, false);
  pair(211, 38, 18, false);
  pair(213, 38, 18, false);
  pair(215, 38, 18, false);
  pair(217, 38, 18, false);
  pair(224, 27, 27, false);
  pair(226, 134, 48, false);
  for (const Row& r : rows) {
    CImage image;
    EXPECT_TRUE(skin::LoadSkinImage(image, r.id)) << r.id;
    ASSERT_TRUE(image.IsLoaded()) << r.id;
    EXPECT_EQ(image.width, r.w) << r.id;
    EXPECT_EQ(image.height, r.h) << r.id;
    EXPECT_EQ(image.hasAlpha, r.alpha) << r.id;
    EXPECT_EQ(image.bitsPerPixel, r.alpha ? 32 : 24) << r.id;
  }
  // The backdrop has transparent, opaque and dozens of intermediate alpha levels.
  CImage back;
  skin::LoadSkinImage(back, 170);
  std::set<int> levels;
  for (int y = 0; y < back.height; y += 3)
    for (int x = 0; x < back.width; ++x) levels.insert(Px(back, x, y)[3]);
  EXPECT_TRUE(levels.count(0));
  EXPECT_TRUE(levels.count(255));
  EXPECT_GT(levels.size(), 24u);
}

TEST_F(SkinImageTest, BitmapFallbackMissingIdsAndUndecodablePngs) {
  CImage bitmap;
  EXPECT_FALSE(skin::LoadSkinImage(bitmap, 220));  // only a BITMAP: colour-key mode
  ASSERT_TRUE(bitmap.IsLoaded());
  EXPECT_EQ(bitmap.width, 29);
  EXPECT_EQ(bitmap.height, 30);
  EXPECT_EQ(bitmap.bitsPerPixel, 24);
  // Drawn with the key colour left out: the corner (key colour) stays as it was.
  SoftCanvas canvas(40, 40);
  canvas.FillRect(pf::Rect{0, 0, 40, 40}, pf::Rgb(1, 2, 3));
  EXPECT_TRUE(skin::ColorKeyDraw(bitmap, &canvas, 0, 0, 29, 30, 0, 0, 29, 30));
  EXPECT_EQ(canvas.PixelAt(0, 0) & 0xFFFFFF, 0x010203u);
  EXPECT_NE(canvas.PixelAt(10, 10) & 0xFFFFFF, 0x010203u);

  CImage missing;
  EXPECT_FALSE(skin::LoadSkinImage(missing, 999));
  EXPECT_FALSE(missing.IsLoaded());
  EXPECT_FALSE(skin::BlendDraw(missing, &canvas, 0, 0, 1, 1, 0, 0, 1, 1, 255));

  env.P().graphics.failDecode = true;
  CImage broken;
  EXPECT_TRUE(skin::LoadSkinImage(broken, 188));  // found as PNG: still blend mode
  EXPECT_FALSE(broken.IsLoaded());
  EXPECT_FALSE(skin::DrawNineGrid(broken, nullptr, pf::Rect{0, 0, 10, 10}, 1, 1, 1, 1,
                                  SkinDrawMode::kBlend, 255));
}

TEST_F(SkinImageTest, RgbBlendIsOpaqueAt255AndLetsOne255thThroughAt254) {
  CImage rgb = MakeImage(2, 2, 24, false);
  SoftCanvas canvas(4, 4);
  canvas.FillRect(pf::Rect{0, 0, 4, 4}, pf::Rgb(255, 255, 255));
  EXPECT_TRUE(skin::BlendDraw(rgb, &canvas, 0, 0, 2, 2, 0, 0, 2, 2, 255));
  EXPECT_EQ(canvas.PixelAt(0, 0) & 0xFFFFFF, 0u);
  EXPECT_TRUE(skin::BlendDraw(rgb, &canvas, 2, 2, 2, 2, 0, 0, 2, 2, 254));
  EXPECT_EQ(canvas.PixelAt(3, 3) & 0xFF, 1u);
  EXPECT_TRUE(skin::BlendDraw(rgb, nullptr, 0, 0, 2, 2, 0, 0, 2, 2, 255) == false);
  EXPECT_EQ(canvas.calls.back(), L"AlphaBlend 2,2,2,2 <- 0,0,2,2 alpha 254 format 0");
}

TEST_F(SkinImageTest, NinePartPiecesFollowTheTables) {
  CImage image = MakeImage(29, 30, 24, false);
  SoftCanvas canvas(1300, 800);
  ASSERT_TRUE(skin::DrawNineGrid(image, &canvas, pf::Rect{0, 0, 1287, 732}, 5, 5, 5, 5,
                                 SkinDrawMode::kOpaque, 255));
  const std::vector<std::wstring> nine = {
      L"StretchBlt 0,0,5,5 <- 0,0,5,5",        L"StretchBlt 5,0,1277,5 <- 5,0,19,5",
      L"StretchBlt 1282,0,5,5 <- 24,0,5,5",    L"StretchBlt 0,5,5,722 <- 0,5,5,20",
      L"StretchBlt 5,5,1277,722 <- 5,5,19,20", L"StretchBlt 1282,5,5,722 <- 24,5,5,20",
      L"StretchBlt 0,727,5,5 <- 0,25,5,5",     L"StretchBlt 5,727,1277,5 <- 5,25,19,5",
      L"StretchBlt 1282,727,5,5 <- 24,25,5,5"};
  EXPECT_EQ(canvas.calls, nine);

  // Horizontal margins only (vertical ones sum to zero): three columns.
  CImage wide = MakeImage(133, 38, 32, true);
  canvas.ClearCalls();
  ASSERT_TRUE(skin::DrawNineGrid(wide, &canvas, pf::Rect{10, 20, 210, 60}, 10, 0, 12, 0,
                                 SkinDrawMode::kBlend, 255));
  const std::vector<std::wstring> columns = {
      L"AlphaBlend 10,20,10,40 <- 0,0,10,38 alpha 255 format 1",
      L"AlphaBlend 20,20,178,40 <- 10,0,111,38 alpha 255 format 1",
      L"AlphaBlend 198,20,12,40 <- 121,0,12,38 alpha 255 format 1"};
  EXPECT_EQ(canvas.calls, columns);

  // Vertical margins only: L + R equal to the image width is unusable.
  canvas.ClearCalls();
  ASSERT_TRUE(skin::DrawNineGrid(image, &canvas, pf::Rect{0, 0, 100, 100}, 20, 4, 9, 6,
                                 SkinDrawMode::kColorKey, 255));
  const std::vector<std::wstring> rows = {L"TransparentBlt 0,0,100,4 <- 0,0,29,4 key 16744703",
                                          L"TransparentBlt 0,4,100,90 <- 0,4,29,20 key 16744703",
                                          L"TransparentBlt 0,94,100,6 <- 0,24,29,6 key 16744703"};
  EXPECT_EQ(canvas.calls, rows);

  canvas.ClearCalls();
  EXPECT_FALSE(skin::DrawNineGrid(image, &canvas, pf::Rect{0, 0, 100, 100}, 0, 0, 0, 0,
                                  SkinDrawMode::kBlend, 255));
  // L + R equal to the rectangle width and T + B equal to the image height: nothing usable.
  EXPECT_FALSE(skin::DrawNineGrid(image, &canvas, pf::Rect{0, 0, 10, 100}, 5, 15, 5, 15,
                                  SkinDrawMode::kBlend, 255));
  EXPECT_TRUE(canvas.calls.empty());
}

TEST_F(SkinImageTest, FittedDrawStretchesOrKeepsNaturalSizeCentredVertically) {
  CImage image = MakeImage(20, 30, 24, false);
  SoftCanvas canvas(200, 200);
  skin::DrawFitted(image, &canvas, pf::Rect{10, 20, 110, 55}, true, SkinDrawMode::kBlend, 254);
  skin::DrawFitted(image, &canvas, pf::Rect{10, 20, 110, 55}, false, SkinDrawMode::kBlend, 254);
  skin::DrawFitted(image, &canvas, pf::Rect{10, 20, 110, 40}, false, SkinDrawMode::kBlend, 255);
  const std::vector<std::wstring> expected = {
      L"AlphaBlend 10,20,100,35 <- 0,0,20,30 alpha 254 format 0",
      L"AlphaBlend 10,22,20,30 <- 0,0,20,30 alpha 254 format 0",   // (35 - 30) / 2 = 2
      L"AlphaBlend 10,20,20,30 <- 0,0,20,30 alpha 255 format 0"};  // shorter: from the top
  EXPECT_EQ(canvas.calls, expected);
}

// CRC-32 of PNG chunks (ISO 3309), for patched headers.
uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return c ^ 0xFFFFFFFFu;
}

// A skin PNG with its header's width and height replaced (CRC kept valid).
std::vector<uint8_t> WithSize(int id, uint32_t w, uint32_t h) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  EXPECT_TRUE(pf::res().FindResource(id, L"PNG", data, size));
  std::vector<uint8_t> png(data, data + size);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  put(16, w);
  put(20, h);
  put(29, Crc32(png.data() + 12, 17));
  return png;
}

TEST_F(SkinImageTest, HugeHeaderDimensionsAreRefusedBeforeAnyAllocation) {
  const std::vector<uint8_t> real = WithSize(188, 28, 28);
  EXPECT_TRUE(skin::PngHeaderWithinCap(real.data(), real.size()));
  int allocations = 0;
  const pf::BitmapFactory counting = [&](int w, int h, int bpp) -> std::unique_ptr<pf::Bitmap> {
    ++allocations;
    return std::make_unique<SoftBitmap>(w, h, bpp);
  };
  bool alpha = false;
  EXPECT_NE(pf::DecodePngBytes(real.data(), real.size(), alpha, counting), nullptr);
  EXPECT_EQ(allocations, 1);

  for (const auto& wh : std::vector<std::pair<uint32_t, uint32_t>>{
           {100000, 100000}, {16385, 1}, {1, 16385}, {8192, 4097}, {0x7FFFFFFF, 0x7FFFFFFF}}) {
    const std::vector<uint8_t> png = WithSize(188, wh.first, wh.second);
    EXPECT_FALSE(skin::PngHeaderWithinCap(png.data(), png.size())) << wh.first << "x" << wh.second;
    EXPECT_EQ(pf::DecodePngBytes(png.data(), png.size(), alpha, counting), nullptr);
  }
  EXPECT_EQ(allocations, 1);
  // Within the caps: the header passes (the truncated data then fails to decode).
  const std::vector<uint8_t> wide = WithSize(188, 16384, 1024);
  EXPECT_TRUE(skin::PngHeaderWithinCap(wide.data(), wide.size()));
  // Too short, or not a PNG at all.
  EXPECT_FALSE(skin::PngHeaderWithinCap(real.data(), 23));
  EXPECT_FALSE(skin::PngHeaderWithinCap(nullptr, 0));
  std::vector<uint8_t> notPng = real;
  notPng[1] = 'X';
  EXPECT_FALSE(skin::PngHeaderWithinCap(notPng.data(), notPng.size()));
}

}  // namespace
