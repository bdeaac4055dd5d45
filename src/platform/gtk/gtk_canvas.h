// The GTK backend's drawing: bitmaps as cairo image surfaces over our pixel
// buffers, a canvas on a cairo context with pango text, and the Graphics
// facility (libpng decoding, embedded BITMAP resources, fonts).
#pragma once

#include <cairo.h>
#include <pango/pango-layout.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "platform/graphics.h"
#include "platform/portable/dc_state.h"
#include "platform/portable/soft_canvas.h"

namespace pf {

class GtkBitmap : public Bitmap {
 public:
  GtkBitmap(int width, int height, int bitsPerPixel);
  ~GtkBitmap() override;
  void BitsChanged() override;
  // A surface over the pixels: with alpha (ARGB32, premultiplied), without
  // (RGB24), or with the pixels of colour `key` transparent.  Owned here.
  cairo_surface_t* Surface(bool withAlpha) const;
  cairo_surface_t* KeyedSurface(uint32_t key) const;

 private:
  void Drop() const;
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  // Zeroed by calloc: large pictures get fresh pages that are only touched
  // when drawn on, rather than written twice.
  std::unique_ptr<uint8_t[], Free> storage_;
  mutable cairo_surface_t* alpha_ = nullptr;
  mutable cairo_surface_t* opaque_ = nullptr;
  mutable std::vector<uint8_t> opaqueCopy_;  // RGB24 copy of a 24-bit bitmap
  mutable std::map<uint32_t, std::pair<cairo_surface_t*, std::vector<uint8_t>>> keyed_;
};

class CairoCanvas : public MemoryCanvas {
 public:
  // Paints on `cr` (not owned).
  explicit CairoCanvas(cairo_t* cr);
  // Paints into a bitmap of its own.
  CairoCanvas(int width, int height);
  ~CairoCanvas() override;

  PF_CANVAS_OPERATIONS(PF_OVERRIDE)
  Bitmap& Target() override;

  cairo_t* Context() const { return cr_; }

 private:
  bool Paint(int x, int y, int w, int h, cairo_surface_t* surface, int sx, int sy, int sw, int sh,
             cairo_operator_t op, double alpha);
  struct State {
    int bkMode = kOPAQUE;
    uint32_t bkColor = 0x00FFFFFF;
    uint32_t textColor = 0;
    HFont font = nullptr;
  };
  cairo_t* cr_;
  bool ownsContext_ = false;
  PangoLayout* layout_ = nullptr;  // owned; made on first text
  bool aliasedText_ = false;       // the layout's glyphs are drawn without antialiasing
  std::unique_ptr<GtkBitmap> target_;
  cairo_surface_t* targetSurface_ = nullptr;
  DcStack<State> dc_;
};

class GtkGraphics : public Graphics {
 public:
  PF_GRAPHICS_OPERATIONS(PF_OVERRIDE)
};

}  // namespace pf
