// What other GTK-side modules (the web engine) may reach of a window.
#pragma once

#include <gtk/gtk.h>

#include "platform/ui.h"

namespace pf::gtkbackend {

// The layer that holds a window's native child widgets: a GtkFixed covering
// the client area, in client coordinates.  Realises the window's GTK side
// when needed; null without a display or for an unknown window.
GtkWidget* ChildLayer(HWindow window);

// Makes widget the native side of the WS_CHILD window child: it is put in
// the parent's child layer and follows the window's rectangle (parent's
// client coordinates) and visibility.  The caller keeps the widget (the
// layer holds a container reference) and detaches it before destroying it.
// False for a window that is not a child or without a display.
bool AttachNativeChild(HWindow child, GtkWidget* widget);
void DetachNativeChild(HWindow child);

}  // namespace pf::gtkbackend
