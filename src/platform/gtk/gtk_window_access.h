// What other GTK-side modules (the web engine) may reach of a window.
#pragma once

#include <gtk/gtk.h>

#include "platform/ui.h"

namespace pf::gtkbackend {

// The layer that holds a window's native child widgets: a GtkFixed covering
// the client area, in client coordinates.  Realises the window's GTK side
// when needed; null without a display or for an unknown window.
GtkWidget* ChildLayer(HWindow window);

}  // namespace pf::gtkbackend
