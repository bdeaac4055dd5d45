#include "skin/skin_image.h"

#include "platform/platform.h"

namespace skin {

void CImage::Attach(std::unique_ptr<pf::Bitmap> b, bool alpha) {
  Destroy();
  if (!b) return;
  bits = b->bits;
  width = b->width;
  height = b->height;
  pitch = b->pitch;
  bitsPerPixel = b->bitsPerPixel;
  hasAlpha = alpha;
  bitmap = std::move(b);
}

bool PngHeaderWithinCap(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // Signature, then the IHDR chunk: length 13, type, width, height.
  if (!data || size < 24) return false;
  for (int i = 0; i < 8; ++i)
    if (data[i] != kSignature[i]) return false;
  if (data[12] != 'I' || data[13] != 'H' || data[14] != 'D' || data[15] != 'R') return false;
  auto be32 = [](const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  };
  const uint32_t width = be32(data + 16);
  const uint32_t height = be32(data + 20);
  return width > 0 && height > 0 && width <= kMaxSkinImageSide && height <= kMaxSkinImageSide &&
         uint64_t{width} * height <= kMaxSkinImagePixels;
}

bool LoadSkinImage(CImage& image, int id) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (pf::res().FindResource(id, L"PNG", data, size)) {
    bool alpha = false;
    // A picture whose header asks for too much memory is not decoded at all.
    std::unique_ptr<pf::Bitmap> decoded;
    if (PngHeaderWithinCap(data, size)) decoded = pf::gfx().DecodePng(data, size, alpha);
    if (decoded) {
      image.Attach(std::move(decoded), alpha);
      PremultiplyAlpha(image);
    }
    return true;
  }
  if (std::unique_ptr<pf::Bitmap> b = pf::gfx().LoadBitmapResource(id))
    image.Attach(std::move(b), false);
  return false;
}

namespace {
template <typename F>
void ForEachPixel(CImage& image, F scale) {
  if (image.bitsPerPixel != 32 || !image.bits) return;
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* p = image.bits + static_cast<ptrdiff_t>(y) * image.pitch;
    for (int32_t x = 0; x < image.width; ++x, p += 4) {
      const unsigned a = p[3];
      p[0] = scale(p[0], a);
      p[1] = scale(p[1], a);
      p[2] = scale(p[2], a);
    }
  }
  if (image.bitmap) image.bitmap->BitsChanged();
}
}  // namespace

void PremultiplyAlpha(CImage& image) {
  ForEachPixel(image, [](unsigned c, unsigned a) { return static_cast<uint8_t>(c * a / 255); });
}

void PremultiplyAlphaRounded(CImage& image) {
  ForEachPixel(image,
               [](unsigned c, unsigned a) { return static_cast<uint8_t>((c * a + 127) / 255); });
}

void PutImageKey(std::string& key, const CImage& image) {
  const void* bitmap = image.bitmap.get();
  key.append(reinterpret_cast<const char*>(&bitmap), sizeof bitmap);
  const void* bits = image.bits;
  key.append(reinterpret_cast<const char*>(&bits), sizeof bits);
  const int32_t numbers[] = {image.width,           image.height,           image.pitch,
                             image.bitsPerPixel,    image.hasAlpha ? 1 : 0, image.isDib ? 1 : 0,
                             image.transparentIndex};
  key.append(reinterpret_cast<const char*>(numbers), sizeof numbers);
}

bool BlendDraw(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx, int sy,
               int sw, int sh, uint8_t constantAlpha) {
  if (!target || !image.IsLoaded()) return false;
  pf::BlendFunction blend;
  blend.blendOp = pf::kAC_SRC_OVER;
  blend.blendFlags = 0;
  blend.sourceConstantAlpha = constantAlpha;
  blend.alphaFormat = image.hasAlpha ? pf::kAC_SRC_ALPHA : 0;
  return target->AlphaBlend(x, y, w, h, *image.bitmap, sx, sy, sw, sh, blend);
}

bool ColorKeyDraw(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx,
                  int sy, int sw, int sh) {
  if (!target || !image.IsLoaded()) return false;
  return target->TransparentBlt(x, y, w, h, *image.bitmap, sx, sy, sw, sh, kSkinKeyColor);
}

bool StretchDraw(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx,
                 int sy, int sw, int sh) {
  if (!target || !image.IsLoaded()) return false;
  return target->StretchBlt(x, y, w, h, *image.bitmap, sx, sy, sw, sh, pf::kSRCCOPY);
}

bool PlainCopy(const CImage& image, pf::Canvas* target, int width, int height) {
  if (!target || !image.IsLoaded()) return false;
  return target->BitBlt(0, 0, width, height, *image.bitmap, 0, 0, pf::kSRCCOPY);
}

namespace {
bool Piece(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx, int sy,
           int sw, int sh, SkinDrawMode mode, uint8_t alpha) {
  switch (mode) {
    case SkinDrawMode::kBlend:
      return BlendDraw(image, target, x, y, w, h, sx, sy, sw, sh, alpha);
    case SkinDrawMode::kColorKey:
      return ColorKeyDraw(image, target, x, y, w, h, sx, sy, sw, sh);
    case SkinDrawMode::kOpaque:
      return StretchDraw(image, target, x, y, w, h, sx, sy, sw, sh);
  }
  return false;
}
}  // namespace

bool DrawNineGrid(const CImage& image, pf::Canvas* target, const pf::Rect& rect, int L, int T,
                  int R, int B, SkinDrawMode mode, uint8_t a) {
  const int x0 = rect.left, y0 = rect.top, x1 = rect.right, y1 = rect.bottom;
  const int dw = x1 - x0, dh = y1 - y0;
  const int W = image.width, H = image.height;
  const bool horizontal = L + R > 0 && L + R < W && L + R < dw;
  const bool vertical = T + B > 0 && T + B < H && T + B < dh;
  if (!horizontal && !vertical) return false;
  if (horizontal && vertical) {
    Piece(image, target, x0, y0, L, T, 0, 0, L, T, mode, a);
    Piece(image, target, x0 + L, y0, dw - L - R, T, L, 0, W - L - R, T, mode, a);
    Piece(image, target, x1 - R, y0, R, T, W - R, 0, R, T, mode, a);
    Piece(image, target, x0, y0 + T, L, dh - T - B, 0, T, L, H - T - B, mode, a);
    Piece(image, target, x0 + L, y0 + T, dw - L - R, dh - T - B, L, T, W - L - R, H - T - B, mode,
          a);
    Piece(image, target, x1 - R, y0 + T, R, dh - T - B, W - R, T, R, H - T - B, mode, a);
    Piece(image, target, x0, y1 - B, L, B, 0, H - B, L, B, mode, a);
    Piece(image, target, x0 + L, y1 - B, dw - L - R, B, L, H - B, W - L - R, B, mode, a);
    Piece(image, target, x1 - R, y1 - B, R, B, W - R, H - B, R, B, mode, a);
  } else if (horizontal) {
    Piece(image, target, x0, y0, L, dh, 0, 0, L, H, mode, a);
    Piece(image, target, x0 + L, y0, dw - L - R, dh, L, 0, W - L - R, H, mode, a);
    Piece(image, target, x1 - R, y0, R, dh, W - R, 0, R, H, mode, a);
  } else {
    Piece(image, target, x0, y0, dw, T, 0, 0, W, T, mode, a);
    Piece(image, target, x0, y0 + T, dw, dh - T - B, 0, T, W, H - T - B, mode, a);
    Piece(image, target, x0, y1 - B, dw, B, 0, H - B, W, B, mode, a);
  }
  return true;
}

void DrawFitted(const CImage& image, pf::Canvas* target, const pf::Rect& rect, bool stretch,
                SkinDrawMode mode, uint8_t constantAlpha) {
  const int W = image.width, H = image.height;
  int x = rect.left, y = rect.top, w = rect.Width(), h = rect.Height();
  if (!stretch) {
    if (H < h) y = rect.top + (h - H) / 2;
    w = W;
    h = H;
  }
  Piece(image, target, x, y, w, h, 0, 0, W, H, mode, constantAlpha);
}

}  // namespace skin
