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

// GTK's part of a window record.
struct WindowHandle : WindowRecord {
  GtkWidget* widget = nullptr;  // owned; created when the window is first shown
  GtkWidget* children = nullptr;  // the GtkFixed inside widget that holds child widgets
  GtkUi* ui = nullptr;          // not owned
  // WS_CHILD windows: the native widget shown in the parent's child layer at
  // rect (parent's client coordinates); owned by whoever attached it.
  GtkWidget* native = nullptr;
  void* userData = nullptr;  // not owned
  // Painting: WM_PAINT draws into the backing surface (client coordinates),
  // which the draw signal copies to the screen.
  std::unique_ptr<CairoCanvas> backing;  // owned; client size
  bool backingValid = false;
  CairoCanvas* paintCanvas = nullptr;  // the backing, while WM_PAINT runs
  Rect paintRect;
  std::unique_ptr<CairoCanvas> layeredImage;  // owned; set by UpdateLayeredWindow
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
