#include "platform/portable/soft_canvas.h"

#include <algorithm>
#include <cstring>

namespace pf {
namespace {
std::wstring N(int v) { return std::to_wstring(v); }
std::wstring Box(int x, int y, int w, int h) {
  return N(x) + L"," + N(y) + L"," + N(w) + L"," + N(h);
}
uint8_t Div255(int v) { return static_cast<uint8_t>((v + 127) / 255); }
}  // namespace

SoftBitmap::SoftBitmap(int w, int h, int bpp) {
  width = w > 0 ? w : 0;
  height = h > 0 ? h : 0;
  bitsPerPixel = bpp;
  pitch = ((width * bpp + 31) / 32) * 4;
  storage.assign(static_cast<size_t>(pitch) * height, 0);
  bits = storage.empty() ? nullptr : storage.data();
}

Size DefaultMeasure(const std::wstring& text, const LogFont* font) {
  const int h = font ? (font->height < 0 ? -font->height : font->height) : 16;
  const int cell = h ? h : 16;
  int w = 0;
  for (wchar_t c : text) w += c < 0x80 ? cell / 2 : cell;
  return Size{w, cell};
}

SoftCanvas::SoftCanvas(int width, int height)
    : own_(std::make_unique<SoftBitmap>(width, height, 32)), target_(own_.get()) {}

SoftCanvas::SoftCanvas(Bitmap* target) : target_(target) {}

uint32_t SoftCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= target_->width || y >= target_->height) return 0;
  const uint8_t* p = target_->bits + static_cast<ptrdiff_t>(y) * target_->pitch + x * 4;
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Nearest-neighbour stretch of the source rectangle onto the destination,
// clipped to the target and the clip rectangle.  `op` blends one pixel.
template <typename Op>
bool SoftCanvas::Transfer(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                          int sw, int sh, const Op& op) {
  if (failBlits || !src.bits || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return false;
  if (sx < 0 || sy < 0 || sx + sw > src.width || sy + sh > src.height) return false;
  const int bpp = src.bitsPerPixel / 8;
  const int x0 = std::max({x, 0, dc_.state.clip.left});
  const int y0 = std::max({y, 0, dc_.state.clip.top});
  const int x1 = std::min({x + width, target_->width, dc_.state.clip.right});
  const int y1 = std::min({y + height, target_->height, dc_.state.clip.bottom});
  if (x0 >= x1) return true;
  std::vector<int> columns(static_cast<size_t>(x1 - x0));
  for (int tx = x0; tx < x1; ++tx)
    columns[static_cast<size_t>(tx - x0)] =
        (sx + static_cast<int>(static_cast<int64_t>(tx - x) * sw / width)) * bpp;
  for (int ty = y0; ty < y1; ++ty) {
    const int syy = sy + static_cast<int>(static_cast<int64_t>(ty - y) * sh / height);
    const uint8_t* srow = src.bits + static_cast<ptrdiff_t>(syy) * src.pitch;
    uint8_t* d = target_->bits + static_cast<ptrdiff_t>(ty) * target_->pitch + x0 * 4;
    if (bpp == 4 && sw == width && op.kCopies) {
      std::memcpy(d, srow + columns[0], static_cast<size_t>(x1 - x0) * 4);
      continue;
    }
    for (int c : columns) {
      op(d, srow + c, bpp);
      d += 4;
    }
  }
  return true;
}

namespace {
// The pixel operations; kCopies marks a plain copy of 32-bit pixels.
struct CopyOp {
  static constexpr bool kCopies = true;
  void operator()(uint8_t* d, const uint8_t* s, int bpp) const {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = bpp == 4 ? s[3] : 255;
  }
};
struct KeyOp {
  static constexpr bool kCopies = false;
  uint32_t key;
  void operator()(uint8_t* d, const uint8_t* s, int bpp) const {
    if (Rgb(s[2], s[1], s[0]) == key) return;
    CopyOp()(d, s, bpp);
  }
};
struct BlendOp {
  static constexpr bool kCopies = false;
  int c;
  bool perPixel;
  void operator()(uint8_t* d, const uint8_t* s, int bpp) const {
    const int sa = bpp == 4 ? s[3] : 255;
    if (perPixel) {
      // Source scaled by the constant alpha, then "over".
      const uint8_t ps[4] = {Div255(s[0] * c), Div255(s[1] * c), Div255(s[2] * c), Div255(sa * c)};
      const int inv = 255 - ps[3];
      for (int i = 0; i < 4; ++i) d[i] = static_cast<uint8_t>(ps[i] + Div255(d[i] * inv));
    } else {
      for (int i = 0; i < 3; ++i) d[i] = Div255(s[i] * c + d[i] * (255 - c));
      d[3] = Div255(sa * c + d[3] * (255 - c));
    }
  }
};
}  // namespace

bool SoftCanvas::AlphaBlend(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                            int sw, int sh, BlendFunction blend) {
  Log(L"AlphaBlend " + Box(x, y, width, height) + L" <- " + Box(sx, sy, sw, sh) + L" alpha " +
      N(blend.sourceConstantAlpha) + L" format " + N(blend.alphaFormat));
  const bool perPixel = (blend.alphaFormat & kAC_SRC_ALPHA) && src.bitsPerPixel == 32;
  return Transfer(x, y, width, height, src, sx, sy, sw, sh,
                  BlendOp{blend.sourceConstantAlpha, perPixel});
}

bool SoftCanvas::TransparentBlt(int x, int y, int width, int height, const Bitmap& src, int sx,
                                int sy, int sw, int sh, uint32_t key) {
  Log(L"TransparentBlt " + Box(x, y, width, height) + L" <- " + Box(sx, sy, sw, sh) + L" key " +
      N(static_cast<int>(key)));
  return Transfer(x, y, width, height, src, sx, sy, sw, sh, KeyOp{key});
}

bool SoftCanvas::StretchBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                            int sw, int sh, uint32_t rop) {
  Log(L"StretchBlt " + Box(x, y, width, height) + L" <- " + Box(sx, sy, sw, sh));
  if (rop != kSRCCOPY) return false;
  return Transfer(x, y, width, height, src, sx, sy, sw, sh, CopyOp());
}

bool SoftCanvas::BitBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                        uint32_t rop) {
  Log(L"BitBlt " + Box(x, y, width, height) + L" <- " + N(sx) + L"," + N(sy));
  if (rop != kSRCCOPY) return false;
  const int w = std::min(width, src.width - sx);
  const int h = std::min(height, src.height - sy);
  if (w <= 0 || h <= 0) return false;
  return Transfer(x, y, w, h, src, sx, sy, w, h, CopyOp());
}

int SoftCanvas::SaveDC() {
  Log(L"SaveDC");
  return dc_.Save();
}

bool SoftCanvas::RestoreDC(int saved) {
  Log(L"RestoreDC " + N(saved));
  return dc_.Restore(saved) > 0;
}

int SoftCanvas::SetBkMode(int mode) { return dc_.SetBkMode(mode); }
uint32_t SoftCanvas::SetBkColor(uint32_t color) { return dc_.SetBkColor(color); }
uint32_t SoftCanvas::SetTextColor(uint32_t color) { return dc_.SetTextColor(color); }
HFont SoftCanvas::SelectFont(HFont font) { return dc_.SelectFont(font); }

int SoftCanvas::DrawText(const std::wstring& text, Rect& rect, uint32_t format) {
  const Size size = measure(text, LogFontOf(dc_.state.font));
  if (format & kDT_CALCRECT) {
    rect.right = rect.left + size.cx;
    rect.bottom = rect.top + size.cy;
    return size.cy;
  }
  Log(L"DrawText \"" + text + L"\" " + Box(rect.left, rect.top, rect.Width(), rect.Height()) +
      L" format " + N(static_cast<int>(format)) + L" color " +
      N(static_cast<int>(dc_.state.textColor)) + L" mode " + N(dc_.state.bkMode));
  return size.cy;
}

bool SoftCanvas::IntersectClipRect(const Rect& r) {
  Rect& c = dc_.state.clip;
  c = Rect{std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
           std::min(c.bottom, r.bottom)};
  Log(L"IntersectClipRect " + Box(r.left, r.top, r.Width(), r.Height()));
  return true;
}

bool SoftCanvas::FillRect(const Rect& rect, uint32_t color) {
  SoftBitmap one(1, 1, 32);
  one.bits[0] = BlueOf(color);
  one.bits[1] = GreenOf(color);
  one.bits[2] = RedOf(color);
  one.bits[3] = 255;
  const auto calls0 = calls.size();
  const bool ok =
      StretchBlt(rect.left, rect.top, rect.Width(), rect.Height(), one, 0, 0, 1, 1, kSRCCOPY);
  calls.resize(calls0);
  Log(L"FillRect " + Box(rect.left, rect.top, rect.Width(), rect.Height()));
  return ok;
}

}  // namespace pf
