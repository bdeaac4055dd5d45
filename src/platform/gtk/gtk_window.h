// The GTK backend's window record, shared by the files of its UI:
// gtk_ui.cpp (windows, realising and placing them, the loop's native side),
// gtk_paint.cpp (WM_PAINT into a backing surface, layered images, shapes),
// gtk_input.cpp (GDK input as Win32 messages, hover and leave, cursors, keys)
// and gtk_tray.cpp (pop-up menus and the notification area).
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "platform/gtk/gtk_canvas.h"
#include "platform/gtk/gtk_ui.h"

namespace pf {

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceFree>;
struct RegionFree {
  void operator()(cairo_region_t* r) const { cairo_region_destroy(r); }
};
using RegionPtr = std::unique_ptr<cairo_region_t, RegionFree>;

// GTK's part of a window record.
struct WindowHandle : WindowRecord {
  GtkWidget* widget = nullptr;  // owned; created when the window is first shown
  GtkWidget* children = nullptr;  // the GtkFixed inside widget that holds child widgets
  GtkUi* ui = nullptr;          // not owned
  // WS_CHILD windows: the native widget shown in the parent's child layer at
  // rect (parent's client coordinates); owned by whoever attached it.
  GtkWidget* native = nullptr;
  // Painting: WM_PAINT draws into a picture of the area it paints, which is
  // then stored in the backing surface (client size, kept by the X server
  // where it can); the draw signal copies the backing to the screen.
  SurfacePtr backing;
  int backingWidth = 0, backingHeight = 0;
  bool backingValid = false;
  std::unique_ptr<CairoCanvas> areaPicture;  // the area being painted, while WM_PAINT runs
  CairoCanvas* paintCanvas = nullptr;        // areaPicture, during a WM_PAINT sent by PaintBacking
  Rect paintRect;
  Rect pictureRect;  // the part of paintRect inside the backing: areaPicture's place
  bool areaFresh = false;      // areaPicture started blank on a new backing
  bool areaPredicted = false;  // ... or blank because paintCovers held
  bool paintCovers = false;    // the last whole paint left no pixel less than opaque
  SurfacePtr layeredImage;  // set by UpdateLayeredWindow, kept like the backing
  // The pixels the window shows, as regions (client coordinates): those of
  // the layered image with alpha, and those of the backing whose colour is
  // not keyShapeKey.
  RegionPtr layeredShape;
  RegionPtr keyShape;
  uint32_t keyShapeKey = 0;
  bool trackHover = false;
  bool trackLeave = false;
  uint32_t hoverTime = 300;
  guint hoverSource = 0;
  Point lastMouse;  // client coordinates
  guint lastButton = 0;
  guint32 lastTime = 0;
  int lastRootX = 0, lastRootY = 0;
  // The last button event turned into a message: GTK can hand the same
  // event to a top-level window twice (seen with X test input), and one
  // click must act once.
  GdkEventType lastButtonType = GDK_NOTHING;
  double lastButtonX = -1, lastButtonY = -1;
};

struct CursorHandle {
  int id;
  GdkCursor* cursor;  // owned for the process
};

}  // namespace pf
