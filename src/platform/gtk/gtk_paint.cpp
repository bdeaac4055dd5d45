// The GTK backend's painting: WM_PAINT draws into a picture of the area it
// paints, stored in a backing surface that the draw signal copies to the
// screen; a layered window shows its image; colour keys, alpha and regions
// become the window's shape.  The backing and the layered image are pixmaps
// of the X server, so the program keeps no full-window pictures of its own.
#include "platform/gtk/gtk_window.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace pf {

namespace {
// The pixels of the bitmap whose colour is not the key, as a region: the runs
// of each row, rows with the same runs as the one above merged into one band.
// The same region a one-bit mask of the bitmap would give, without the mask.
cairo_region_t* KeyedShape(const Bitmap& b, uint32_t key) {
  std::vector<cairo_rectangle_int_t> rects;
  size_t bandStart = 0;  // the rectangles of the band the previous row belongs to
  std::vector<std::pair<int, int>> runs, previous;  // start, end of each run
  for (int y = 0; y < b.height; ++y) {
    runs.clear();
    const uint8_t* p = b.bits + static_cast<ptrdiff_t>(y) * b.pitch;
    for (int x = 0; x < b.width;) {
      while (x < b.width && Rgb(p[4 * x + 2], p[4 * x + 1], p[4 * x]) == key) ++x;
      const int start = x;
      while (x < b.width && Rgb(p[4 * x + 2], p[4 * x + 1], p[4 * x]) != key) ++x;
      if (x > start) runs.emplace_back(start, x);
    }
    if (y > 0 && runs == previous) {
      for (size_t i = bandStart; i < rects.size(); ++i) ++rects[i].height;
      continue;
    }
    bandStart = rects.size();
    for (const auto& r : runs) rects.push_back(cairo_rectangle_int_t{r.first, y, r.second - r.first, 1});
    previous.swap(runs);
  }
  return cairo_region_create_rectangles(rects.data(), static_cast<int>(rects.size()));
}


// A picture of the given size that the X server keeps (a pixmap), so that
// it costs the program no memory of its own; in client memory without a
// display.  Opaque (content COLOR) or with alpha.
SurfacePtr NewPicture(cairo_content_t content, int width, int height) {
  GdkWindow* root = gdk_get_default_root_window();
  if (root) {
    cairo_surface_t* s = gdk_window_create_similar_surface(root, content, width, height);
    if (s && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) return SurfacePtr(s);
    if (s) cairo_surface_destroy(s);
  }
  return SurfacePtr(cairo_image_surface_create(
      content == CAIRO_CONTENT_COLOR ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height));
}

// Copies the rectangle (x, y, width, height) of `from` to the same place in
// `to`, replacing what was there.
void CopyArea(cairo_surface_t* to, cairo_surface_t* from, int fromX, int fromY, int x, int y,
              int width, int height) {
  cairo_t* cr = cairo_create(to);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, from, fromX, fromY);
  cairo_rectangle(cr, x, y, width, height);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(to);
}

// A surface over a bitmap's pixels: ARGB32 or, ignoring alpha, RGB24.
SurfacePtr Over(const Bitmap& b, cairo_format_t format) {
  return SurfacePtr(cairo_image_surface_create_for_data(b.bits, format, b.width, b.height, b.pitch));
}

// The pixels of a 32-bit bitmap as an X image (the data stays the bitmap's).
XImage* AsXImage(Display* display, int depth, const Bitmap& b) {
  XImage* image = XCreateImage(display, nullptr, static_cast<unsigned>(depth), ZPixmap, 0,
                               reinterpret_cast<char*>(b.bits), static_cast<unsigned>(b.width),
                               static_cast<unsigned>(b.height), 32, b.pitch);
  if (image) {
    // Cairo's pixels are 32-bit words in the machine's own byte order.
    const uint32_t one = 1;
    image->byte_order = *reinterpret_cast<const uint8_t*>(&one) == 1 ? LSBFirst : MSBFirst;
  }
  return image;
}

void DropXImage(XImage* image) {
  image->data = nullptr;  // the bitmap's
  XDestroyImage(image);
}

// Stores the bitmap's pixels at (x, y) of the picture.  An X pixmap gets
// them as they are through the connection (XPutImage): cairo would pass
// them through a shared-memory segment of its pool, whose pages stay in
// the program once touched.
void PutPixels(cairo_surface_t* to, const Bitmap& from, int x, int y) {
  if (cairo_surface_get_type(to) == CAIRO_SURFACE_TYPE_XLIB) {
    cairo_surface_flush(to);
    Display* display = cairo_xlib_surface_get_display(to);
    const Drawable drawable = cairo_xlib_surface_get_drawable(to);
    if (XImage* image = AsXImage(display, cairo_xlib_surface_get_depth(to), from)) {
      GC gc = XCreateGC(display, drawable, 0, nullptr);
      XPutImage(display, drawable, gc, image, 0, 0, x, y, static_cast<unsigned>(from.width),
                static_cast<unsigned>(from.height));
      XFreeGC(display, gc);
      DropXImage(image);
      cairo_surface_mark_dirty_rectangle(to, x, y, from.width, from.height);
      return;
    }
  }
  SurfacePtr pixels = Over(from, cairo_surface_get_content(to) == CAIRO_CONTENT_COLOR
                                     ? CAIRO_FORMAT_RGB24
                                     : CAIRO_FORMAT_ARGB32);
  CopyArea(to, pixels.get(), x, y, x, y, from.width, from.height);
}

constexpr int kReadBandBytes = 256 * 1024;

// Reads the opaque picture's pixels at (x, y) into the bitmap (all of it),
// alpha set to opaque.
void GetPixels(Bitmap& to, cairo_surface_t* from, int x, int y) {
  bool read = false;
  if (cairo_surface_get_type(from) == CAIRO_SURFACE_TYPE_XLIB) {
    cairo_surface_flush(from);
    Display* display = cairo_xlib_surface_get_display(from);
    const Drawable drawable = cairo_xlib_surface_get_drawable(from);
    // In bands of rows small enough for the allocator to reuse one buffer
    // for them all, rather than fresh pages for each full-size read.
    const int band = std::max(1, kReadBandBytes / std::max(1, to.width * 4));
    read = true;
    for (int top = 0; read && top < to.height; top += band) {
      const int rows = std::min(band, to.height - top);
      XImage* image = XGetImage(display, drawable, x, y + top, static_cast<unsigned>(to.width),
                                static_cast<unsigned>(rows), AllPlanes, ZPixmap);
      read = image && image->bits_per_pixel == 32;
      for (int row = 0; read && row < rows; ++row)
        std::memcpy(to.bits + static_cast<ptrdiff_t>(top + row) * to.pitch,
                    image->data + static_cast<ptrdiff_t>(row) * image->bytes_per_line,
                    static_cast<size_t>(to.width) * 4);
      if (image) XDestroyImage(image);
    }
  }
  if (!read) {
    SurfacePtr pixels = Over(to, CAIRO_FORMAT_ARGB32);
    CopyArea(pixels.get(), from, -x, -y, 0, 0, to.width, to.height);
    return;
  }
  for (int row = 0; row < to.height; ++row) {
    uint8_t* p = to.bits + static_cast<ptrdiff_t>(row) * to.pitch;
    for (int col = 0; col < to.width; ++col) p[4 * col + 3] = 0xFF;
  }
  to.BitsChanged();
}
}  // namespace

void GtkUi::LayeredImage(WindowHandle* w, const Size& size, MemoryCanvas& source,
                         const Point& sourcePosition) {
  // The image is composed in client memory, its shape taken from its alpha,
  // and then handed to the X server; only the shape stays here.
  CairoCanvas image(size.cx, size.cy);
  image.BitBlt(0, 0, size.cx, size.cy, source.Target(), sourcePosition.x, sourcePosition.y,
               kSRCCOPY);
  SurfacePtr pixels = Over(image.Target(), CAIRO_FORMAT_ARGB32);
  GdkScreen* screen = gdk_screen_get_default();
  w->layeredShape.reset();
  if (screen && !gdk_screen_is_composited(screen))
    w->layeredShape.reset(gdk_cairo_region_create_from_surface(pixels.get()));
  w->layeredImage = NewPicture(CAIRO_CONTENT_COLOR_ALPHA, size.cx, size.cy);
  PutPixels(w->layeredImage.get(), image.Target(), 0, 0);
  if (w->widget) gtk_widget_queue_draw(w->widget);
}

// The window's shape: without a compositor, transparent pixels (colour key,
// alpha 0) are cut out, so they show what lies beneath and let the mouse through.
void GtkUi::UpdateShape(WindowHandle* w) {
  if (!w->widget || !gtk_widget_get_realized(w->widget)) return;
  const int width = w->rect.Width(), height = w->rect.Height();
  if (width <= 0 || height <= 0) return;
  cairo_region_t* shape = nullptr;
  const bool composited = gdk_screen_is_composited(gtk_widget_get_screen(w->widget));
  if (w->layeredImage && !composited) {
    if (w->layeredShape) shape = cairo_region_copy(w->layeredShape.get());
  } else if (w->colorKeyed && w->backing && w->backingValid && w->keyShape) {
    shape = cairo_region_copy(w->keyShape.get());
    // Native children (the web view) stay visible whatever colour they show,
    // at the place they were given (GTK allocates them later).
    for (WindowHandle* child : OwnedBy(w)) {
      if (!(child->style & kWS_CHILD) || !child->native || !child->visible)
        continue;
      cairo_rectangle_int_t r{child->rect.left, child->rect.top, child->rect.Width(),
                              child->rect.Height()};
      if (r.width > 0 && r.height > 0) cairo_region_union_rectangle(shape, &r);
    }
  }
  if (w->hasRegion) {
    cairo_rectangle_int_t r{w->region.left, w->region.top, w->region.Width(), w->region.Height()};
    if (!shape) {
      shape = cairo_region_create_rectangle(&r);
    } else {
      cairo_region_t* clip = cairo_region_create_rectangle(&r);
      cairo_region_intersect(shape, clip);
      cairo_region_destroy(clip);
    }
  }
  gtk_widget_shape_combine_region(w->widget, shape);
  gtk_widget_input_shape_combine_region(w->widget, shape);
  if (shape) cairo_region_destroy(shape);
}

// Whether every pixel of the 32-bit bitmap is opaque.
static bool Opaque(const Bitmap& b) {
  for (int y = 0; y < b.height; ++y) {
    const uint8_t* p = b.bits + static_cast<ptrdiff_t>(y) * b.pitch;
    for (int x = 0; x < b.width; ++x)
      if (p[4 * x + 3] != 0xFF) return false;
  }
  return true;
}

// A new, blank backing of the given size; the shape of the old one goes.
static void NewBacking(WindowHandle* w, int width, int height) {
  w->backing = NewPicture(CAIRO_CONTENT_COLOR, width, height);
  w->backingWidth = width;
  w->backingHeight = height;
  w->backingValid = false;
  w->keyShape.reset();
}

// Whether the rectangle is the whole backing.
static bool WholeBacking(const WindowHandle* w, const Rect& r) {
  return r.left == 0 && r.top == 0 && r.Width() == w->backingWidth &&
         r.Height() == w->backingHeight;
}

// Starts painting `area` of the window: a picture of the area in client
// memory, holding what the backing shows there, that WM_PAINT draws on in
// client coordinates.
static CairoCanvas* BeginAreaPaint(WindowHandle* w, const Rect& area, bool fresh) {
  // The part of the area inside the backing; painting beyond it is dropped.
  Rect inside{std::max(area.left, 0), std::max(area.top, 0),
              std::min(area.right, w->backingWidth), std::min(area.bottom, w->backingHeight)};
  if (inside.right <= inside.left || inside.bottom <= inside.top) inside = Rect{0, 0, 0, 0};
  w->areaPicture = std::make_unique<CairoCanvas>(std::max(inside.Width(), 1),
                                                 std::max(inside.Height(), 1));
  cairo_t* cr = w->areaPicture->Context();
  cairo_translate(cr, -inside.left, -inside.top);
  // A new backing is blank; otherwise the painting goes over what is there.
  // Reading that back costs a round trip and a copy of the area, which the
  // whole paint of a window that covers every pixel with opaque ones does
  // not need: its first paint, on a blank backing, shows whether it does,
  // and EndAreaPaint checks each time that it still does.
  w->areaFresh = fresh;
  w->areaPredicted = !fresh && WholeBacking(w, inside) && w->paintCovers;
  if (!fresh && !w->areaPredicted && inside.Width() > 0)
    GetPixels(w->areaPicture->Target(), w->backing.get(), inside.left, inside.top);
  cairo_save(cr);
  cairo_rectangle(cr, inside.left, inside.top, inside.Width(), inside.Height());
  cairo_clip(cr);
  w->paintRect = area;
  w->pictureRect = inside;
  return w->areaPicture.get();
}

// Ends painting the area: the picture goes to the backing, and the colour
// key's shape of the area replaces the old one there.
static void EndAreaPaint(WindowHandle* w) {
  if (!w->areaPicture) return;
  const Rect area = w->pictureRect;
  if (area.Width() <= 0) {
    w->areaPicture.reset();
    return;
  }
  const bool whole = WholeBacking(w, area);
  // The area's final pixels: the painted picture, or the backing's with it over them.
  const Bitmap* painted = &w->areaPicture->Target();
  std::unique_ptr<CairoCanvas> under;
  if (w->areaFresh || w->areaPredicted) {
    const bool covered = Opaque(*painted);
    if (whole) w->paintCovers = covered;
    if (w->areaPredicted && !covered) {
      // Not this time: the pixels left as they were show the backing's,
      // with what was painted there over them.
      under = std::make_unique<CairoCanvas>(area.Width(), area.Height());
      GetPixels(under->Target(), w->backing.get(), area.left, area.top);
      SurfacePtr below = Over(under->Target(), CAIRO_FORMAT_ARGB32);
      SurfacePtr above = Over(*painted, CAIRO_FORMAT_ARGB32);
      cairo_t* cr = cairo_create(below.get());
      cairo_set_source_surface(cr, above.get(), 0, 0);
      cairo_paint(cr);
      cairo_destroy(cr);
      cairo_surface_flush(below.get());
      under->Target().BitsChanged();
      painted = &under->Target();
    }
  }
  const Bitmap& b = *painted;
  PutPixels(w->backing.get(), b, area.left, area.top);
  if (w->colorKeyed) {
    if (whole || !w->keyShape || w->keyShapeKey != w->colorKey) {
      // The shape of the whole backing, read back when only part was painted.
      std::unique_ptr<CairoCanvas> all;
      const Bitmap* full = &b;
      if (!whole) {
        all = std::make_unique<CairoCanvas>(w->backingWidth, w->backingHeight);
        GetPixels(all->Target(), w->backing.get(), 0, 0);
        full = &all->Target();
      }
      w->keyShape.reset(KeyedShape(*full, w->colorKey));
      w->keyShapeKey = w->colorKey;
    } else {
      cairo_region_t* shown = KeyedShape(b, w->colorKey);
      cairo_region_translate(shown, area.left, area.top);
      cairo_rectangle_int_t r{area.left, area.top, area.Width(), area.Height()};
      cairo_region_subtract_rectangle(w->keyShape.get(), &r);
      cairo_region_union(w->keyShape.get(), shown);
      cairo_region_destroy(shown);
    }
  }
  w->areaPicture.reset();
}

bool GtkUi::OutOfSight(const WindowHandle* w) const {
  if (!display_ || (w->style & kWS_CHILD)) return false;
  if (!w->visible) return true;
  GdkWindow* root = gdk_get_default_root_window();
  if (!root) return false;
  const Rect& r = w->rect;
  return r.right <= 0 || r.bottom <= 0 || r.left >= gdk_window_get_width(root) ||
         r.top >= gdk_window_get_height(root);
}

void GtkUi::PaintBacking(WindowHandle* w, const Rect* rect) {
  // As on Windows, a window nobody can see is not painted now: it is painted
  // whole when it comes into view (shown, or drawn when it moves onto the
  // screen).  The start shows its windows far off the screen while the
  // login page loads, and a skinned window's paint would cost tens of
  // milliseconds there, before the page is even asked for.
  if (OutOfSight(w)) {
    w->backingValid = false;
    return;
  }
  const int width = w->rect.Width(), height = w->rect.Height();
  if (width <= 0 || height <= 0) return;
  const bool fresh = !w->backing || w->backingWidth != width || w->backingHeight != height;
  if (fresh) NewBacking(w, width, height);
  // The first paint covers everything; later ones their rectangle.
  Rect area = (!w->backingValid || !rect) ? Rect{0, 0, width, height} : *rect;
  w->paintCanvas = BeginAreaPaint(w, area, fresh);
  SendMessage(w, kWM_PAINT, 0, 0);
  if (!Live(w)) return;
  w->paintCanvas = nullptr;
  EndAreaPaint(w);
  w->backingValid = true;
  if (w->colorKeyed) UpdateShape(w);
  if (w->widget)
    gtk_widget_queue_draw_area(w->widget, area.left, area.top, area.Width(), area.Height());
}

void GtkUi::OnDraw(WindowHandle* w, cairo_t* cr) {
  if (!w->layeredImage) {
    if (!w->backingValid) PaintBacking(w, nullptr);
    if (!w->backing) return;
  }
  cairo_save(cr);
  cairo_set_source_surface(cr, w->layeredImage ? w->layeredImage.get() : w->backing.get(), 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_restore(cr);
}

bool GtkUi::RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  if (w->layeredImage) return true;  // a layered window shows its image, not WM_PAINT
  if (flags & kRDW_INVALIDATE) {
    if (flags & kRDW_UPDATENOW) {
      PaintBacking(w, rect);
    } else {
      w->backingValid = false;
      if (w->widget) gtk_widget_queue_draw(w->widget);
    }
  }
  return true;
}

Canvas* GtkUi::BeginPaint(HWindow hwnd, Rect& paintRect) {
  WindowHandle* w = Live(hwnd);
  if (!w) return nullptr;
  if (!w->paintCanvas) {
    // WM_PAINT sent by someone else: paint the whole backing (EndPaint
    // stores it).
    const int width = w->rect.Width(), height = w->rect.Height();
    if (width <= 0 || height <= 0) return nullptr;
    const bool fresh = !w->backing;
    if (fresh) NewBacking(w, width, height);
    paintRect = Rect{0, 0, w->backingWidth, w->backingHeight};
    return BeginAreaPaint(w, paintRect, fresh);
  }
  paintRect = w->paintRect;
  return w->paintCanvas;
}

void GtkUi::EndPaint(HWindow hwnd, Canvas* canvas) {
  WindowHandle* w = Live(hwnd);
  // Only a paint BeginPaint started on its own ends here; PaintBacking ends its own.
  if (w && !w->paintCanvas && w->areaPicture && canvas == w->areaPicture.get()) EndAreaPaint(w);
}

Canvas* GtkUi::GetDC(HWindow) { return new CairoCanvas(1, 1); }

void GtkUi::ReleaseDC(HWindow, Canvas* canvas) { delete canvas; }

}  // namespace pf
