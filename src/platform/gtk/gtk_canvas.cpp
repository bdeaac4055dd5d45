#include "platform/gtk/gtk_canvas.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <cstring>
#include <new>

#include "platform/portable/embedded_resources.h"
#include "platform/portable/image_codec.h"
#include "platform/portable/utf8.h"

namespace pf {

GtkBitmap::GtkBitmap(int w, int h, int bpp) {
  width = w > 0 ? w : 0;
  height = h > 0 ? h : 0;
  bitsPerPixel = bpp;
  pitch = ((width * bpp + 31) / 32) * 4;
  const size_t bytes = static_cast<size_t>(pitch) * height;
  if (bytes) {
    storage_.reset(static_cast<uint8_t*>(std::calloc(bytes, 1)));
    if (!storage_) throw std::bad_alloc();
  }
  bits = storage_.get();
}

GtkBitmap::~GtkBitmap() { Drop(); }

void GtkBitmap::Drop() const {
  if (alpha_) cairo_surface_destroy(alpha_);
  if (opaque_) cairo_surface_destroy(opaque_);
  alpha_ = opaque_ = nullptr;
  for (auto& k : keyed_) cairo_surface_destroy(k.second.first);
  keyed_.clear();
}

void GtkBitmap::BitsChanged() { Drop(); }

cairo_surface_t* GtkBitmap::Surface(bool withAlpha) const {
  if (!bits) return nullptr;
  if (bitsPerPixel == 32) {
    // Cairo's 32-bit formats are blue, green, red, alpha in memory on little-endian machines.
    cairo_surface_t*& s = withAlpha ? alpha_ : opaque_;
    if (!s) {
      s = cairo_image_surface_create_for_data(
          bits, withAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height, pitch);
    } else {
      cairo_surface_mark_dirty(s);
    }
    return s;
  }
  if (!opaque_) {
    const int stride = width * 4;
    opaqueCopy_.assign(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = bits + static_cast<ptrdiff_t>(y) * pitch;
      uint8_t* dst = opaqueCopy_.data() + static_cast<ptrdiff_t>(y) * stride;
      for (int x = 0; x < width; ++x) {
        dst[x * 4] = src[x * 3];
        dst[x * 4 + 1] = src[x * 3 + 1];
        dst[x * 4 + 2] = src[x * 3 + 2];
        dst[x * 4 + 3] = 255;
      }
    }
    // Opaque ARGB32 rather than RGB24: scaling into an ARGB32 target then
    // keeps to pixman's same-format fast paths.
    opaque_ = cairo_image_surface_create_for_data(opaqueCopy_.data(), CAIRO_FORMAT_ARGB32, width,
                                                  height, stride);
  }
  return opaque_;
}

cairo_surface_t* GtkBitmap::KeyedSurface(uint32_t key) const {
  if (!bits) return nullptr;
  auto it = keyed_.find(key);
  if (it != keyed_.end()) return it->second.first;
  const int stride = width * 4;
  std::vector<uint8_t> data(static_cast<size_t>(stride) * height, 0);
  const int bpp = bitsPerPixel / 8;
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = bits + static_cast<ptrdiff_t>(y) * pitch;
    uint8_t* dst = data.data() + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = src + x * bpp;
      if (Rgb(p[2], p[1], p[0]) == key) continue;  // stays transparent
      dst[x * 4] = p[0];
      dst[x * 4 + 1] = p[1];
      dst[x * 4 + 2] = p[2];
      dst[x * 4 + 3] = 255;
    }
  }
  auto& entry = keyed_[key];
  entry.second = std::move(data);
  entry.first = cairo_image_surface_create_for_data(entry.second.data(), CAIRO_FORMAT_ARGB32, width,
                                                    height, stride);
  return entry.first;
}

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {}

CairoCanvas::CairoCanvas(int width, int height)
    : target_(std::make_unique<GtkBitmap>(width, height, 32)) {
  targetSurface_ = cairo_image_surface_create_for_data(
      target_->bits, CAIRO_FORMAT_ARGB32, target_->width, target_->height, target_->pitch);
  cr_ = cairo_create(targetSurface_);
  ownsContext_ = true;
}

CairoCanvas::~CairoCanvas() {
  if (layout_) g_object_unref(layout_);
  if (ownsContext_) cairo_destroy(cr_);
  if (targetSurface_) cairo_surface_destroy(targetSurface_);
}

Bitmap& CairoCanvas::Target() {
  if (targetSurface_) cairo_surface_flush(targetSurface_);
  if (!target_) target_ = std::make_unique<GtkBitmap>(0, 0, 32);
  return *target_;
}

bool CairoCanvas::Paint(int x, int y, int w, int h, cairo_surface_t* surface, int sx, int sy,
                        int sw, int sh, cairo_operator_t op, double alpha) {
  if (!surface || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return false;
  cairo_save(cr_);
  // The destination rectangle is the path, added before the transform (so in
  // target pixels); filling it keeps to cairo's fast rectangle paths.
  cairo_new_path(cr_);
  cairo_rectangle(cr_, x, y, w, h);
  cairo_translate(cr_, x, y);
  cairo_scale(cr_, static_cast<double>(w) / sw, static_cast<double>(h) / sh);
  cairo_set_source_surface(cr_, surface, -sx, -sy);
  cairo_pattern_t* pattern = cairo_get_source(cr_);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_set_operator(cr_, op);
  if (alpha >= 1.0) {
    cairo_fill(cr_);
  } else {
    cairo_clip(cr_);
    cairo_paint_with_alpha(cr_, alpha);
  }
  cairo_restore(cr_);
  if (targetSurface_) cairo_surface_flush(targetSurface_);
  return true;
}

bool CairoCanvas::AlphaBlend(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                             int sw, int sh, BlendFunction blend) {
  const auto& b = static_cast<const GtkBitmap&>(src);
  const bool perPixel = (blend.alphaFormat & kAC_SRC_ALPHA) && src.bitsPerPixel == 32;
  return Paint(x, y, width, height, b.Surface(perPixel), sx, sy, sw, sh, CAIRO_OPERATOR_OVER,
               blend.sourceConstantAlpha / 255.0);
}

bool CairoCanvas::TransparentBlt(int x, int y, int width, int height, const Bitmap& src, int sx,
                                 int sy, int sw, int sh, uint32_t key) {
  const auto& b = static_cast<const GtkBitmap&>(src);
  return Paint(x, y, width, height, b.KeyedSurface(key), sx, sy, sw, sh, CAIRO_OPERATOR_OVER, 1.0);
}

bool CairoCanvas::StretchBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                             int sw, int sh, uint32_t rop) {
  if (rop != kSRCCOPY) return false;
  const auto& b = static_cast<const GtkBitmap&>(src);
  return Paint(x, y, width, height, b.Surface(src.bitsPerPixel == 32), sx, sy, sw, sh,
               CAIRO_OPERATOR_SOURCE, 1.0);
}

bool CairoCanvas::BitBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                         uint32_t rop) {
  if (rop != kSRCCOPY) return false;
  const auto& b = static_cast<const GtkBitmap&>(src);
  return Paint(x, y, width, height, b.Surface(src.bitsPerPixel == 32), sx, sy, width, height,
               CAIRO_OPERATOR_SOURCE, 1.0);
}

int CairoCanvas::SaveDC() {
  cairo_save(cr_);
  return dc_.Save();
}

bool CairoCanvas::RestoreDC(int saved) {
  const int dropped = dc_.Restore(saved);
  for (int i = 0; i < dropped; ++i) cairo_restore(cr_);
  return dropped > 0;
}

bool CairoCanvas::IntersectClipRect(const Rect& rect) {
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width() > 0 ? rect.Width() : 0,
                  rect.Height() > 0 ? rect.Height() : 0);
  cairo_clip(cr_);
  return true;
}

int CairoCanvas::SetBkMode(int mode) { return dc_.SetBkMode(mode); }
uint32_t CairoCanvas::SetBkColor(uint32_t color) { return dc_.SetBkColor(color); }
uint32_t CairoCanvas::SetTextColor(uint32_t color) { return dc_.SetTextColor(color); }
HFont CairoCanvas::SelectFont(HFont font) { return dc_.SelectFont(font); }

namespace {
// GDI's font height: positive is the cell height, negative the character height.
PangoFontDescription* Describe(const LogFont* logFont) {
  PangoFontDescription* d = pango_font_description_new();
  // Faces of the Windows build that Linux lacks fall back to the installed CJK font.
  std::string family = logFont ? ToUtf8(logFont->face) : std::string();
  family += std::string(family.empty() ? "" : ",") +
            "SimSun,WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif";
  pango_font_description_set_family(d, family.c_str());
  int height = logFont ? logFont->height : 16;
  if (height == 0) height = 16;
  const double px = height < 0 ? -height : height * 0.85;
  pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
  if (logFont && logFont->weight >= kFW_BOLD) pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
  return d;
}
}  // namespace

int CairoCanvas::DrawText(const std::wstring& text, Rect& rect, uint32_t format) {
  // One layout per canvas, reused: creating one costs more than laying out a line.
  if (!layout_)
    layout_ = pango_cairo_create_layout(cr_);
  else
    pango_cairo_update_layout(cr_, layout_);
  PangoLayout* layout = layout_;
  const LogFont* logFont = LogFontOf(dc_.state.font);
  // NONANTIALIASED_QUALITY: whole pixels only, so no glyph edge blends with
  // a colour key behind it.
  const bool aliased = logFont && logFont->quality == kNONANTIALIASED_QUALITY;
  if (aliased != aliasedText_) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options,
                                     aliased ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);
    aliasedText_ = aliased;
  }
  PangoFontDescription* desc = Describe(logFont);
  pango_layout_set_font_description(layout, desc);
  const std::string utf8 = ToUtf8(text);
  pango_layout_set_text(layout, utf8.c_str(), -1);
  if (logFont && logFont->underline) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  } else {
    pango_layout_set_attributes(layout, nullptr);
  }
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  if (format & kDT_CALCRECT) {
    rect.right = rect.left + tw;
    rect.bottom = rect.top + th;
  } else {
    int x = rect.left, y = rect.top;
    if (format & kDT_CENTER)
      x = rect.left + (rect.Width() - tw) / 2;
    else if (format & kDT_RIGHT)
      x = rect.right - tw;
    if ((format & kDT_SINGLELINE) && (format & kDT_VCENTER))
      y = rect.top + (rect.Height() - th) / 2;
    else if ((format & kDT_SINGLELINE) && (format & kDT_BOTTOM))
      y = rect.bottom - th;
    cairo_save(cr_);
    if (aliased) cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    if (!(format & kDT_NOCLIP)) {
      cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
      cairo_clip(cr_);
    }
    if (dc_.state.bkMode == kOPAQUE) {
      const uint32_t c = dc_.state.bkColor;
      cairo_set_source_rgb(cr_, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
      cairo_rectangle(cr_, x, y, tw, th);
      cairo_fill(cr_);
    }
    const uint32_t c = dc_.state.textColor;
    cairo_set_source_rgb(cr_, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout);
    cairo_restore(cr_);
    if (targetSurface_) cairo_surface_flush(targetSurface_);
  }
  pango_font_description_free(desc);
  return th;
}

bool CairoCanvas::FillRect(const Rect& rect, uint32_t color) {
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr_, RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr_);
  cairo_restore(cr_);
  if (targetSurface_) cairo_surface_flush(targetSurface_);
  return true;
}

std::unique_ptr<Bitmap> GtkGraphics::CreateBitmap(int width, int height, int bitsPerPixel) {
  return std::make_unique<GtkBitmap>(width, height, bitsPerPixel);
}

std::unique_ptr<Bitmap> GtkGraphics::DecodePng(const uint8_t* data, size_t size, bool& hasAlpha) {
  return DecodePngBytes(data, size, hasAlpha,
                        [this](int w, int h, int bpp) { return CreateBitmap(w, h, bpp); });
}

std::unique_ptr<Bitmap> GtkGraphics::LoadBitmapResource(int id) {
  const EmbeddedResource* r = FindEmbeddedResource(id, L"BITMAP");
  if (!r) return nullptr;
  return DecodeBmpBytes(r->begin, static_cast<size_t>(r->end - r->begin),
                        [this](int w, int h, int bpp) { return CreateBitmap(w, h, bpp); });
}

HFont GtkGraphics::CreateFont(const LogFont& logFont) { return new SoftFont(logFont); }

bool GtkGraphics::DeleteFont(HFont font) {
  if (!font) return false;
  delete static_cast<SoftFont*>(font);
  return true;
}

std::unique_ptr<MemoryCanvas> GtkGraphics::CreateMemoryCanvas(int width, int height) {
  return std::make_unique<CairoCanvas>(width, height);
}

}  // namespace pf
