// The GTK backend's painting: WM_PAINT draws into a backing surface that the
// draw signal copies to the screen; a layered window shows its image; colour
// keys, alpha and regions become the window's shape.
#include "platform/gtk/gtk_window.h"

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
}  // namespace

void GtkUi::LayeredImage(WindowHandle* w, const Size& size, MemoryCanvas& source,
                         const Point& sourcePosition) {
  auto image = std::make_unique<CairoCanvas>(size.cx, size.cy);
  image->BitBlt(0, 0, size.cx, size.cy, source.Target(), sourcePosition.x, sourcePosition.y,
                kSRCCOPY);
  w->layeredImage = std::move(image);
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
    Bitmap& b = w->layeredImage->Target();
    cairo_surface_t* s = cairo_image_surface_create_for_data(b.bits, CAIRO_FORMAT_ARGB32, b.width,
                                                             b.height, b.pitch);
    shape = gdk_cairo_region_create_from_surface(s);
    cairo_surface_destroy(s);
  } else if (w->colorKeyed && w->backing && w->backingValid) {
    shape = KeyedShape(w->backing->Target(), w->colorKey);
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

void GtkUi::PaintBacking(WindowHandle* w, const Rect* rect) {
  const int width = w->rect.Width(), height = w->rect.Height();
  if (width <= 0 || height <= 0) return;
  if (!w->backing || w->backing->Target().width != width || w->backing->Target().height != height) {
    w->backing = std::make_unique<CairoCanvas>(width, height);
    w->backingValid = false;
  }
  // The first paint covers everything; later ones their rectangle.
  Rect area = (!w->backingValid || !rect) ? Rect{0, 0, width, height} : *rect;
  cairo_t* cr = w->backing->Context();
  cairo_save(cr);
  cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
  cairo_clip(cr);
  w->paintCanvas = w->backing.get();
  w->paintRect = area;
  SendMessage(w, kWM_PAINT, 0, 0);
  if (!Live(w)) return;
  w->paintCanvas = nullptr;
  cairo_restore(cr);
  w->backingValid = true;
  if (w->colorKeyed) UpdateShape(w);
  if (w->widget)
    gtk_widget_queue_draw_area(w->widget, area.left, area.top, area.Width(), area.Height());
}

void GtkUi::OnDraw(WindowHandle* w, cairo_t* cr) {
  if (w->layeredImage) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    Bitmap& b = w->layeredImage->Target();
    cairo_surface_t* s = cairo_image_surface_create_for_data(b.bits, CAIRO_FORMAT_ARGB32, b.width,
                                                             b.height, b.pitch);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(s);
    cairo_restore(cr);
    return;
  }
  if (!w->backingValid) PaintBacking(w, nullptr);
  if (!w->backing) return;
  Bitmap& b = w->backing->Target();
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(b.bits, CAIRO_FORMAT_RGB24, b.width, b.height, b.pitch);
  cairo_save(cr);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(s);
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
    // WM_PAINT sent by someone else: paint the whole backing.
    const int width = w->rect.Width(), height = w->rect.Height();
    if (width <= 0 || height <= 0) return nullptr;
    if (!w->backing) w->backing = std::make_unique<CairoCanvas>(width, height);
    paintRect = Rect{0, 0, width, height};
    return w->backing.get();
  }
  paintRect = w->paintRect;
  return w->paintCanvas;
}

void GtkUi::EndPaint(HWindow, Canvas*) {}

Canvas* GtkUi::GetDC(HWindow) { return new CairoCanvas(1, 1); }

void GtkUi::ReleaseDC(HWindow, Canvas* canvas) { delete canvas; }

}  // namespace pf
