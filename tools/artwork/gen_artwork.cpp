// Draws the program's skin artwork and writes it to a folder: every PNG of
// the resource list at its exact size and format, the BITMAP 220 and the
// application icon (also at 48, 128 and 256 pixels for the Linux icon
// theme).  Deterministic: no clock, no randomness; text comes from
// the WenQuanYi Micro Hei font through pango.
//
// usage: gen_artwork OUTPUT_FOLDER
//        gen_artwork --same-image A.png B.png   (exit 0 when both store the
//        same pixels in the same format)
#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resource_ids.h"

namespace {

std::string g_out;

// The file of a resource: its id and the given ending ("170.png").
std::string File(int id, const std::string& ending) { return std::to_string(id) + ending; }

struct Rgb {
  double r, g, b;
};

constexpr Rgb kKey{1.0, 128 / 255.0, 1.0};  // the login window's transparent colour

// A cairo ARGB32 surface with helpers.
struct Canvas {
  cairo_surface_t* surface;
  cairo_t* cr;
  int w, h;
  Canvas(int width, int height) : w(width), h(height) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cr = cairo_create(surface);
  }
  ~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  // Straight (not premultiplied) RGBA pixel.
  void Pixel(int x, int y, uint8_t out[4]) {
    cairo_surface_flush(surface);
    const uint8_t* p =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4;
    const uint32_t v = *reinterpret_cast<const uint32_t*>(p);
    const uint8_t a = v >> 24;
    auto un = [a](uint8_t c) -> uint8_t {
      return a ? static_cast<uint8_t>(std::min(255, (c * 255 + a / 2) / a)) : 0;
    };
    out[0] = un((v >> 16) & 0xFF);
    out[1] = un((v >> 8) & 0xFF);
    out[2] = un(v & 0xFF);
    out[3] = a;
  }
};

void SetColor(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
  cairo_close_path(cr);
}

void VerticalGradient(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void Text(cairo_t* cr, const char* utf8, double cx, double cy, double px, Rgb color, bool bold) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* desc = pango_font_description_from_string("WenQuanYi Micro Hei");
  pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
  if (bold) pango_font_description_set_weight(desc, PANGO_WEIGHT_BOLD);
  pango_layout_set_font_description(layout, desc);
  pango_layout_set_text(layout, utf8, -1);
  int tw, th;
  pango_layout_get_pixel_size(layout, &tw, &th);
  SetColor(cr, color);
  cairo_move_to(cr, std::round(cx - tw / 2.0), std::round(cy - th / 2.0));
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(desc);
  g_object_unref(layout);
}

// --- PNG writing ---------------------------------------------------------------

enum class Format { kRgb, kRgba, kPalette };

void WritePng(const std::string& name, int w, int h, Format format,
              const std::vector<uint8_t>& pixels /* RGBA straight */,
              const std::vector<uint8_t>& paletteIndex = {},
              const std::vector<png_color>& palette = {}, const std::vector<png_byte>& trns = {}) {
  const std::string path = g_out + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::exit(1);
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::exit(1);
  png_init_io(png, f);
  png_set_compression_level(png, 9);
  const int type = format == Format::kRgb    ? PNG_COLOR_TYPE_RGB
                   : format == Format::kRgba ? PNG_COLOR_TYPE_RGBA
                                             : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(png, info, w, h, 8, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (format == Format::kPalette) {
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
  }
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
  for (int y = 0; y < h; ++y) {
    if (format == Format::kPalette) {
      png_write_row(png, paletteIndex.data() + static_cast<size_t>(y) * w);
      continue;
    }
    const uint8_t* src = pixels.data() + static_cast<size_t>(y) * w * 4;
    size_t n = 0;
    for (int x = 0; x < w; ++x) {
      row[n++] = src[x * 4];
      row[n++] = src[x * 4 + 1];
      row[n++] = src[x * 4 + 2];
      if (format == Format::kRgba) row[n++] = src[x * 4 + 3];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

std::vector<uint8_t> Straight(Canvas& c) {
  std::vector<uint8_t> out(static_cast<size_t>(c.w) * c.h * 4);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) c.Pixel(x, y, &out[(static_cast<size_t>(y) * c.w + x) * 4]);
  return out;
}

void Save(Canvas& c, const std::string& name, Format format) {
  std::vector<uint8_t> px = Straight(c);
  if (format == Format::kRgb)
    for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  WritePng(name, c.w, c.h, format, px);
}

// --- PNG comparison ------------------------------------------------------------
// What the program takes from a PNG: the header (size, bit depth, colour
// type), whether a palette carries transparency (a 32-bit or a 24-bit
// bitmap), and the colour and alpha of every pixel.  The order of a palette's
// entries is free.

struct StoredImage {
  png_uint_32 w = 0, h = 0;
  int depth = 0, type = 0, interlace = 0;
  bool paletteAlpha = false;
  std::vector<uint8_t> pixels;  // expanded: palette and tRNS resolved
};

bool ReadStored(const char* path, StoredImage& out) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_get_IHDR(png, info, &out.w, &out.h, &out.depth, &out.type, &out.interlace, nullptr, nullptr);
  png_bytep alpha = nullptr;
  int alphas = 0;
  if (out.type == PNG_COLOR_TYPE_PALETTE && png_get_tRNS(png, info, &alpha, &alphas, nullptr))
    out.paletteAlpha = std::any_of(alpha, alpha + alphas, [](png_byte a) { return a != 255; });
  png_set_expand(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t stride = png_get_rowbytes(png, info);
  out.pixels.resize(stride * out.h);
  std::vector<png_bytep> rows(out.h);
  for (png_uint_32 y = 0; y < out.h; ++y) rows[y] = out.pixels.data() + stride * y;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return true;
}

// True when both files store the same image in the same format: a
// re-compression may be kept only then.
bool SameStoredImage(const char* a, const char* b) {
  StoredImage x, y;
  if (!ReadStored(a, x) || !ReadStored(b, y)) return false;
  return x.w == y.w && x.h == y.h && x.depth == y.depth && x.type == y.type &&
         x.interlace == y.interlace && x.paletteAlpha == y.paletteAlpha && x.pixels == y.pixels;
}

// --- the images ------------------------------------------------------------------

const Rgb kStripTop{0.14, 0.24, 0.42}, kStripBottom{0.07, 0.13, 0.26};
const Rgb kWhite{1, 1, 1}, kGold{0.98, 0.80, 0.35};

// The game window's title strip under a small RGB button, so buttons sit on it seamlessly.
void StripBackground(Canvas& c, double stripY) {
  cairo_save(c.cr);
  cairo_translate(c.cr, 0, -stripY);
  VerticalGradient(c.cr, 0, 27, kStripTop, kStripBottom);
  cairo_paint(c.cr);
  cairo_restore(c.cr);
}

enum class Glyph { kClose, kMinimise, kMaximise, kRestore, kTray, kMenu };

void DrawGlyph(cairo_t* cr, Glyph g, double cx, double cy, double s, Rgb color) {
  SetColor(cr, color);
  cairo_set_line_width(cr, std::max(1.5, s / 6));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  const double h = s / 2;
  switch (g) {
    case Glyph::kClose:
      cairo_move_to(cr, cx - h, cy - h);
      cairo_line_to(cr, cx + h, cy + h);
      cairo_move_to(cr, cx + h, cy - h);
      cairo_line_to(cr, cx - h, cy + h);
      break;
    case Glyph::kMinimise:
      cairo_move_to(cr, cx - h, cy + h * 0.6);
      cairo_line_to(cr, cx + h, cy + h * 0.6);
      break;
    case Glyph::kMaximise:
      cairo_rectangle(cr, cx - h, cy - h, s, s);
      break;
    case Glyph::kRestore:
      cairo_rectangle(cr, cx - h, cy - h + s * 0.3, s * 0.7, s * 0.7);
      cairo_move_to(cr, cx - h + s * 0.3, cy - h + s * 0.3);
      cairo_line_to(cr, cx - h + s * 0.3, cy - h);
      cairo_line_to(cr, cx + h, cy - h);
      cairo_line_to(cr, cx + h, cy + h - s * 0.3);
      cairo_line_to(cr, cx - h + s * 0.7, cy + h - s * 0.3);
      break;
    case Glyph::kTray:  // an arrow down into a tray
      cairo_move_to(cr, cx, cy - h);
      cairo_line_to(cr, cx, cy + h * 0.3);
      cairo_move_to(cr, cx - h * 0.5, cy - h * 0.1);
      cairo_line_to(cr, cx, cy + h * 0.35);
      cairo_line_to(cr, cx + h * 0.5, cy - h * 0.1);
      cairo_move_to(cr, cx - h, cy + h * 0.4);
      cairo_line_to(cr, cx - h, cy + h);
      cairo_line_to(cr, cx + h, cy + h);
      cairo_line_to(cr, cx + h, cy + h * 0.4);
      break;
    case Glyph::kMenu:
      for (int i = -1; i <= 1; ++i) {
        cairo_move_to(cr, cx - h, cy + i * h * 0.7);
        cairo_line_to(cr, cx + h, cy + i * h * 0.7);
      }
      break;
  }
  cairo_stroke(cr);
}

// An RGB window button of the game window: strip background, hover face lit.
void StripButton(const std::string& name, int w, int h, Glyph g, bool hover, Rgb hoverColor) {
  Canvas c(w, h);
  StripBackground(c, 1);
  if (hover) {
    SetColor(c.cr, hoverColor);
    RoundRect(c.cr, 1, 1, w - 2, h - 2, 4);
    cairo_fill(c.cr);
  }
  DrawGlyph(c.cr, g, w / 2.0, h / 2.0, std::min(w, h) * 0.38, hover ? kWhite : Rgb{0.85, 0.9, 1.0});
  Save(c, name, Format::kRgb);
}

// A small RGB link of the game window's strip (38 x 18).
void StripLink(const std::string& name, const char* caption, bool hover) {
  Canvas c(38, 18);
  StripBackground(c, 5);
  SetColor(c.cr, hover ? Rgb{0.95, 0.65, 0.2} : Rgb{0.22, 0.36, 0.6});
  RoundRect(c.cr, 0.5, 0.5, 37, 17, 4);
  cairo_fill(c.cr);
  Text(c.cr, caption, 19, 9, 12, hover ? Rgb{0.1, 0.08, 0.02} : kWhite, false);
  Save(c, name, Format::kRgb);
}

// An RGBA button of the login window with hard-edged alpha (0 or 255), so no
// pixel blends with the window's key colour.
void LoginButtonBody(Canvas& c, Rgb top, Rgb bottom, double radius) {
  cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_NONE);
  VerticalGradient(c.cr, 0, c.h, top, bottom);
  RoundRect(c.cr, 0, 0, c.w, c.h, radius);
  cairo_fill(c.cr);
  cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_DEFAULT);
}

void HardAlpha(std::vector<uint8_t>& px) {
  for (size_t i = 3; i < px.size(); i += 4) px[i] = px[i] >= 128 ? 255 : 0;
}

void LoginWindowButton(const std::string& name, Glyph g, bool hover) {
  Canvas c(28, 28);
  const Rgb top = hover ? (g == Glyph::kClose ? Rgb{0.9, 0.3, 0.3} : Rgb{0.35, 0.55, 0.9})
                        : Rgb{0.16, 0.26, 0.46};
  const Rgb bottom = hover ? (g == Glyph::kClose ? Rgb{0.7, 0.15, 0.15} : Rgb{0.2, 0.38, 0.7})
                           : Rgb{0.09, 0.15, 0.3};
  LoginButtonBody(c, top, bottom, 6);
  DrawGlyph(c.cr, g, 14, 14, 11, kWhite);
  std::vector<uint8_t> px = Straight(c);
  HardAlpha(px);
  WritePng(name, 28, 28, Format::kRgba, px);
}

void LoginLink(const std::string& name, const char* caption, bool hover) {
  Canvas c(133, 38);
  LoginButtonBody(c, hover ? Rgb{0.99, 0.78, 0.32} : Rgb{0.2, 0.36, 0.66},
                  hover ? Rgb{0.88, 0.55, 0.12} : Rgb{0.1, 0.2, 0.42}, 10);
  SetColor(c.cr, hover ? Rgb{1, 0.92, 0.7} : Rgb{0.45, 0.6, 0.9});
  cairo_set_line_width(c.cr, 1);
  RoundRect(c.cr, 1.5, 1.5, 130, 35, 9);
  cairo_stroke(c.cr);
  Text(c.cr, caption, 66.5, 19, 17, hover ? Rgb{0.25, 0.12, 0.0} : kWhite, true);
  std::vector<uint8_t> px = Straight(c);
  HardAlpha(px);
  WritePng(name, 133, 38, Format::kRgba, px);
}

void BigButton(const std::string& name, bool hover) {
  Canvas c(134, 48);
  VerticalGradient(c.cr, 0, 48, hover ? Rgb{1.0, 0.8, 0.35} : Rgb{0.95, 0.65, 0.2},
                   hover ? Rgb{0.9, 0.5, 0.1} : Rgb{0.75, 0.38, 0.05});
  cairo_paint(c.cr);
  SetColor(c.cr, Rgb{1, 0.95, 0.8}, 0.8);
  cairo_set_line_width(c.cr, 2);
  cairo_rectangle(c.cr, 1, 1, 132, 46);
  cairo_stroke(c.cr);
  Text(c.cr, "开始游戏", 67, 24, 20, Rgb{0.3, 0.1, 0.0}, true);
  Save(c, name, Format::kRgb);
}

void TitleStrip(const std::string& name, Rgb top, Rgb bottom) {
  Canvas c(1500, 27);
  VerticalGradient(c.cr, 0, 27, top, bottom);
  cairo_paint(c.cr);
  SetColor(c.cr, Rgb{0.4, 0.55, 0.85}, 0.6);
  cairo_rectangle(c.cr, 0, 26, 1500, 1);
  cairo_fill(c.cr);
  SetColor(c.cr, Rgb{1, 1, 1}, 0.12);
  cairo_rectangle(c.cr, 0, 0, 1500, 1);
  cairo_fill(c.cr);
  Save(c, name, Format::kRgb);
}

void Solid(const std::string& name, int w, int h, Rgb color) {
  Canvas c(w, h);
  SetColor(c.cr, color);
  cairo_paint(c.cr);
  Save(c, name, Format::kRgb);
}

void GameIcon(Canvas& c) {
  const double s = c.w;
  VerticalGradient(c.cr, 0, s, Rgb{0.98, 0.78, 0.3}, Rgb{0.85, 0.45, 0.08});
  RoundRect(c.cr, s * 0.04, s * 0.04, s * 0.92, s * 0.92, s * 0.22);
  cairo_fill(c.cr);
  // A stylised "V" blade.
  SetColor(c.cr, Rgb{0.12, 0.16, 0.3});
  cairo_move_to(c.cr, s * 0.2, s * 0.22);
  cairo_line_to(c.cr, s * 0.5, s * 0.82);
  cairo_line_to(c.cr, s * 0.8, s * 0.22);
  cairo_line_to(c.cr, s * 0.64, s * 0.22);
  cairo_line_to(c.cr, s * 0.5, s * 0.55);
  cairo_line_to(c.cr, s * 0.36, s * 0.22);
  cairo_close_path(c.cr);
  cairo_fill(c.cr);
}

// --- the backdrop -----------------------------------------------------------------

double RoundRectDistance(double x, double y, double x0, double y0, double x1, double y1, double r) {
  // Signed distance, positive inside.
  const double cx = std::clamp(x, x0 + r, x1 - r);
  const double cy = std::clamp(y, y0 + r, y1 - r);
  const double dx = x - cx, dy = y - cy;
  const bool inCore = x >= x0 + r && x <= x1 - r && y >= y0 + r && y <= y1 - r;
  if (inCore) return r + std::min({x - x0 - r, x1 - r - x, y - y0 - r, y1 - r - y});
  return r - std::sqrt(dx * dx + dy * dy);
}

void Backdrop() {
  const int W = 1287, H = 732;
  // Palette: 192 opaque shades of the body gradient, 64 alpha levels of the rim colour.
  std::vector<png_color> palette;
  std::vector<png_byte> trns;
  auto bodyShade = [](int i) {  // i in 0..191, top to bottom
    const double t = i / 191.0;
    const Rgb a{0.13, 0.22, 0.40}, b{0.04, 0.08, 0.18};
    return png_color{static_cast<png_byte>(std::lround((a.r + (b.r - a.r) * t) * 255)),
                     static_cast<png_byte>(std::lround((a.g + (b.g - a.g) * t) * 255)),
                     static_cast<png_byte>(std::lround((a.b + (b.b - a.b) * t) * 255))};
  };
  for (int i = 0; i < 192; ++i) {
    palette.push_back(bodyShade(i));
    trns.push_back(255);
  }
  const png_color rim{70, 120, 200};
  for (int i = 0; i < 64; ++i) {
    palette.push_back(rim);
    trns.push_back(static_cast<png_byte>(i * 4));  // 0, 4, ... 252
  }
  std::vector<uint8_t> index(static_cast<size_t>(W) * H);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      // Body, a tab at the top left for the logo, and a wave along the bottom edge.
      double d = RoundRectDistance(px, py, 10, 36, W - 10, H - 12 - 6 * std::sin(px / 90.0), 28);
      d = std::max(d, RoundRectDistance(px, py, 36, 4, 430, 80, 18));
      d = std::max(d, RoundRectDistance(px, py, W - 330, 14, W - 40, 60, 14));
      const double alpha = std::clamp((d + 1.0) / 12.0, 0.0, 1.0);  // 12-pixel soft edge
      size_t at = static_cast<size_t>(y) * W + x;
      if (alpha >= 1.0) {
        // A faint diagonal sheen across the body.
        const double sheen = 0.5 + 0.5 * std::sin((px + py) / 160.0);
        int shade = static_cast<int>(std::lround(py / H * 170 + sheen * 20));
        index[at] = static_cast<uint8_t>(std::clamp(shade, 0, 191));
      } else {
        const int level = static_cast<int>(std::lround(alpha * 252 / 4.0));
        index[at] = static_cast<uint8_t>(192 + std::clamp(level, 0, 63));
      }
    }
  }
  WritePng(File(res::IDB_BACKDROP, ".png"), W, H, Format::kPalette, {}, index, palette, trns);
}

// --- BITMAP and icon ----------------------------------------------------------------

void PutLe(std::vector<uint8_t>& v, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = g_out + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::exit(1);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// BITMAPINFOHEADER + bottom-up pixel rows.
std::vector<uint8_t> Dib(const std::vector<uint8_t>& rgba, int w, int h, int bpp, bool iconMask) {
  std::vector<uint8_t> v;
  PutLe(v, 40, 4);
  PutLe(v, w, 4);
  PutLe(v, iconMask ? h * 2 : h, 4);
  PutLe(v, 1, 2);
  PutLe(v, bpp, 2);
  PutLe(v, 0, 4);
  const int stride = ((w * bpp + 31) / 32) * 4;
  const int maskStride = ((w + 31) / 32) * 4;
  PutLe(v, stride * h + (iconMask ? maskStride * h : 0), 4);
  PutLe(v, 2835, 4);
  PutLe(v, 2835, 4);
  PutLe(v, 0, 4);
  PutLe(v, 0, 4);
  for (int y = h - 1; y >= 0; --y) {
    const size_t start = v.size();
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      v.push_back(p[2]);
      v.push_back(p[1]);
      v.push_back(p[0]);
      if (bpp == 32) v.push_back(p[3]);
    }
    while (v.size() - start < static_cast<size_t>(stride)) v.push_back(0);
  }
  if (iconMask) {
    for (int y = h - 1; y >= 0; --y) {
      std::vector<uint8_t> row(maskStride, 0);
      for (int x = 0; x < w; ++x)
        if (rgba[(static_cast<size_t>(y) * w + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
      v.insert(v.end(), row.begin(), row.end());
    }
  }
  return v;
}

void Bitmap220() {
  Canvas c(29, 30);
  SetColor(c.cr, kKey);
  cairo_paint(c.cr);
  cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_NONE);
  SetColor(c.cr, Rgb{0.16, 0.26, 0.46});
  cairo_rectangle(c.cr, 5, 5, 19, 20);
  cairo_fill(c.cr);
  std::vector<uint8_t> px = Straight(c);
  std::vector<uint8_t> dib = Dib(px, 29, 30, 24, false);
  std::vector<uint8_t> file;
  file.push_back('B');
  file.push_back('M');
  PutLe(file, static_cast<uint32_t>(14 + dib.size()), 4);
  PutLe(file, 0, 4);
  PutLe(file, 14 + 40, 4);
  file.insert(file.end(), dib.begin(), dib.end());
  WriteFile(File(res::IDB_KEY_BITMAP, ".bmp"), file);
}

void Icon() {
  std::vector<std::vector<uint8_t>> images;
  const int sizes[] = {32, 16};
  for (int s : sizes) {
    Canvas c(s, s);
    GameIcon(c);
    std::vector<uint8_t> px = Straight(c);
    if (s == 32) WritePng(File(res::IDI_APP_ICON, ".png"), s, s, Format::kRgba, px);
    images.push_back(Dib(px, s, s, 32, true));
  }
  std::vector<uint8_t> ico;
  PutLe(ico, 0, 2);
  PutLe(ico, 1, 2);
  PutLe(ico, 2, 2);
  uint32_t offset = 6 + 16 * 2;
  for (size_t i = 0; i < images.size(); ++i) {
    ico.push_back(static_cast<uint8_t>(sizes[i]));
    ico.push_back(static_cast<uint8_t>(sizes[i]));
    ico.push_back(0);
    ico.push_back(0);
    PutLe(ico, 1, 2);
    PutLe(ico, 32, 2);
    PutLe(ico, static_cast<uint32_t>(images[i].size()), 4);
    PutLe(ico, offset, 4);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (auto& img : images) ico.insert(ico.end(), img.begin(), img.end());
  WriteFile(File(res::IDI_APP_ICON, ".ico"), ico);
  // The same icon at the sizes of a Linux desktop's icon theme.
  for (int s : {48, 128, 256}) {
    Canvas c(s, s);
    GameIcon(c);
    WritePng(File(res::IDI_APP_ICON, "-" + std::to_string(s) + ".png"), s, s, Format::kRgba, Straight(c));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--same-image") == 0)
    return SameStoredImage(argv[2], argv[3]) ? 0 : 1;
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_artwork OUTPUT_FOLDER | --same-image A.png B.png\n");
    return 2;
  }
  g_out = argv[1];
  Backdrop();
  // 183: the login window's background, all key colour: the backdrop shows
  // through it everywhere except where buttons and the page are.
  Solid(File(res::IDB_LOGIN_BACKGROUND, ".png"), 29, 30, kKey);
  const Rgb closeRed{0.78, 0.2, 0.2}, lit{0.3, 0.48, 0.8};
  for (int hover = 0; hover < 2; ++hover) {
    // The hover image of each pair is the id after its normal one.
    const auto n = [hover](int id) { return std::to_string(id + hover) + ".png"; };
    StripButton(n(res::IDB_STRIP_TRAY), 27, 27, Glyph::kTray, hover, lit);
    StripButton(n(res::IDB_STRIP_CLOSE), 28, 27, Glyph::kClose, hover, closeRed);
    LoginWindowButton(n(res::IDB_LOGIN_CLOSE), Glyph::kClose, hover);
    LoginLink(n(res::IDB_LOGIN_FORUM), "论坛", hover);
    LoginWindowButton(n(res::IDB_LOGIN_MINIMIZE), Glyph::kMinimise, hover);
    LoginLink(n(res::IDB_LOGIN_OFFICIAL), "官网", hover);
    BigButton(n(res::IDB_WIDE_BUTTON), hover);
    LoginLink(n(res::IDB_LOGIN_PAY), "充值", hover);
    LoginLink(n(res::IDB_LOGIN_SERVICE), "客服", hover);
    StripLink(n(res::IDB_STRIP_FORUM), "论坛", hover);
    StripButton(n(res::IDB_STRIP_MAXIMIZE), 27, 27, Glyph::kMaximise, hover, lit);
    StripButton(n(res::IDB_STRIP_MINIMIZE), 28, 27, Glyph::kMinimise, hover, lit);
    StripButton(n(res::IDB_STRIP_RESTORE), 27, 27, Glyph::kRestore, hover, lit);
    StripLink(n(res::IDB_STRIP_OFFICIAL), "官网", hover);
    StripLink(n(res::IDB_STRIP_PAY), "充值", hover);
    StripLink(n(res::IDB_STRIP_SERVICE), "客服", hover);
    StripButton(n(res::IDB_STRIP_MENU), 38, 18, Glyph::kMenu, hover, lit);
    StripButton(n(res::IDB_QUICK_CLOSE), 27, 27, Glyph::kClose, hover, closeRed);
    BigButton(n(res::IDB_WIDE_BUTTON_2), hover);
  }
  {
    Canvas c(25, 25);
    StripBackground(c, 2);
    GameIcon(c);
    Save(c, File(res::IDB_GAME_ICON, ".png"), Format::kRgb);
  }
  TitleStrip(File(res::IDB_GAME_STRIP, ".png"), kStripTop, kStripBottom);
  TitleStrip(File(res::IDB_QUICK_TITLE, ".png"), Rgb{0.18, 0.3, 0.5}, Rgb{0.1, 0.18, 0.34});
  Solid(File(res::IDB_QUICK_SIDE, ".png"), 3, 359, Rgb{0.1, 0.18, 0.34});
  Solid(File(res::IDB_QUICK_BOTTOM, ".png"), 469, 4, Rgb{0.1, 0.18, 0.34});
  Bitmap220();
  Icon();
  return 0;
}
