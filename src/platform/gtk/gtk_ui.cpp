#include "platform/gtk/gtk_ui.h"

#include <gtk/gtk.h>

#include <functional>
#include <future>
#include <vector>

#include "platform/gtk/gtk_window.h"
#include "platform/gtk/gtk_window_access.h"
#include "platform/portable/embedded_resources.h"
#include "platform/portable/menu_model.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "platform/portable/window_geometry.h"

namespace pf {

namespace {

gboolean OnAnyEvent(GtkWidget*, GdkEvent* event, gpointer data) {
  auto* w = static_cast<WindowHandle*>(data);
  w->ui->OnNativeEvent(w, event);
  return FALSE;
}

gboolean OnDrawSignal(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* w = static_cast<WindowHandle*>(data);
  w->ui->OnDraw(w, cr);
  return FALSE;  // the layer's own children are drawn above
}

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
  auto* w = static_cast<WindowHandle*>(data);
  w->ui->SendMessage(w, kWM_CLOSE, 0, 0);
  return TRUE;  // the window procedure decides whether the window goes
}

}  // namespace

GtkUi::GtkUi() : uiThread_(std::this_thread::get_id()) {}

GtkUi::~GtkUi() = default;

void GtkUi::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  uiThread_ = std::this_thread::get_id();
  display_ = gtk_init_check(nullptr, nullptr) != FALSE;
}

void GtkUi::Shutdown() {}

void GtkUi::Created(WindowHandle* w) { w->ui = this; }

void GtkUi::Destroying(WindowHandle* w) {
  if (w->widget) gtk_widget_hide(w->widget);
  if (w->hoverSource) g_source_remove(w->hoverSource);
  w->hoverSource = 0;
}

void GtkUi::Destroyed(WindowHandle* w) {
  if (w->widget) {
    gtk_widget_destroy(w->widget);
    w->widget = nullptr;
    w->children = nullptr;
  }
  w->backing.reset();
  w->layeredImage.reset();
  w->layeredShape.reset();
  w->keyShape.reset();
  if (pointerWindow_ == w) pointerWindow_ = nullptr;
}

void GtkUi::ExStyleChanged(WindowHandle* w) {
  if (!w->widget) return;
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(w->widget), (w->exStyle & kWS_EX_TOOLWINDOW) &&
                                                              !(w->exStyle & kWS_EX_APPWINDOW));
  gtk_window_set_keep_above(GTK_WINDOW(w->widget), w->topmost);
}

void GtkUi::TextChanged(WindowHandle* w) {
  if (w->widget) gtk_window_set_title(GTK_WINDOW(w->widget), ToUtf8(w->text).c_str());
}

void GtkUi::WakeLoop() {
  if (display_) g_main_context_wakeup(nullptr);
}

bool GtkUi::WaitForMessages() {
  if (!display_) {
    WaitForPost();
  } else {
    // Runs GTK's events (which send their messages directly) until
    // something is posted; PostMessage wakes the context.
    g_main_context_iteration(nullptr, TRUE);
  }
  return true;
}

void GtkUi::SystemCommand(WindowHandle* w, uint32_t wParam) {
  // The system's move and size loops belong to the window manager here;
  // they start from the button press that led to the command.
  if (!w->widget) return;
  const uint32_t command = wParam & 0xFFF0;
  const guint button = w->lastButton ? w->lastButton : 1;
  if (command == kSC_MOVE) {
    gtk_window_begin_move_drag(GTK_WINDOW(w->widget), static_cast<gint>(button), w->lastRootX,
                               w->lastRootY, w->lastTime);
  } else if (command == kSC_SIZE) {
    static const GdkWindowEdge kEdges[] = {
        GDK_WINDOW_EDGE_EAST,       GDK_WINDOW_EDGE_WEST,       GDK_WINDOW_EDGE_EAST,
        GDK_WINDOW_EDGE_NORTH,      GDK_WINDOW_EDGE_NORTH_WEST, GDK_WINDOW_EDGE_NORTH_EAST,
        GDK_WINDOW_EDGE_SOUTH,      GDK_WINDOW_EDGE_SOUTH_WEST, GDK_WINDOW_EDGE_SOUTH_EAST};
    const uint32_t edge = wParam & 0xF;
    if (edge >= 1 && edge <= 8)
      gtk_window_begin_resize_drag(GTK_WINDOW(w->widget), kEdges[edge], static_cast<gint>(button),
                                   w->lastRootX, w->lastRootY, w->lastTime);
  }
}

void GtkUi::Realize(WindowHandle* w) {
  if (!display_ || w->widget || (w->style & kWS_CHILD)) return;
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  w->widget = widget;
  gtk_window_set_decorated(GTK_WINDOW(widget), FALSE);
  w->children = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(widget), w->children);
  gtk_widget_show(w->children);
  gtk_widget_set_app_paintable(widget, TRUE);
  if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(widget)))
    if (gdk_screen_is_composited(gtk_widget_get_screen(widget)))
      gtk_widget_set_visual(widget, rgba);
  gtk_widget_add_events(widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                    GDK_BUTTON_RELEASE_MASK | GDK_SCROLL_MASK |
                                    GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK |
                                    GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                    GDK_STRUCTURE_MASK | GDK_FOCUS_CHANGE_MASK);
  gtk_widget_set_can_focus(widget, TRUE);
  g_signal_connect(widget, "event", G_CALLBACK(OnAnyEvent), w);
  g_signal_connect(w->children, "draw", G_CALLBACK(OnDrawSignal), w);
  gtk_window_set_title(GTK_WINDOW(widget), ToUtf8(w->text).c_str());
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(widget),
                                   (w->exStyle & kWS_EX_TOOLWINDOW) && !(w->exStyle & kWS_EX_APPWINDOW));
  gtk_window_set_keep_above(GTK_WINDOW(widget), w->topmost);
  if (w->parent && w->parent->widget)
    gtk_window_set_transient_for(GTK_WINDOW(widget), GTK_WINDOW(w->parent->widget));
  g_signal_connect(widget, "delete-event", G_CALLBACK(OnDeleteEvent), w);
  ApplyGeometry(w);
}

void GtkUi::ApplyGeometry(WindowHandle* w) {
  if (w->native) {
    PlaceNative(w);
    return;
  }
  if (!w->widget) return;
  gtk_window_move(GTK_WINDOW(w->widget), w->rect.left, w->rect.top);
  const int width = w->rect.Width() > 0 ? w->rect.Width() : 1;
  const int height = w->rect.Height() > 0 ? w->rect.Height() : 1;
  gtk_widget_set_size_request(w->widget, width, height);
  gtk_window_resize(GTK_WINDOW(w->widget), width, height);
}

GtkWidget* GtkUi::ChildLayerOf(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  if (!w) return nullptr;
  Realize(w);
  return w->children;
}

void GtkUi::PlaceNative(WindowHandle* w) {
  GtkWidget* layer = w->parent ? ChildLayerOf(w->parent) : nullptr;
  if (!layer) return;
  if (gtk_widget_get_parent(w->native) != layer) {
    gtk_fixed_put(GTK_FIXED(layer), w->native, w->rect.left, w->rect.top);
  } else {
    gtk_fixed_move(GTK_FIXED(layer), w->native, w->rect.left, w->rect.top);
  }
  gtk_widget_set_size_request(w->native, w->rect.Width() > 0 ? w->rect.Width() : 1,
                              w->rect.Height() > 0 ? w->rect.Height() : 1);
  gtk_widget_set_visible(w->native, w->visible);
  // A colour-keyed parent's shape follows its native children.
  if (w->parent->colorKeyed) UpdateShape(w->parent);
}

bool GtkUi::AttachNative(HWindow hwnd, GtkWidget* widget) {
  WindowHandle* w = Live(hwnd);
  if (!w || !(w->style & kWS_CHILD) || !widget || !w->parent || !ChildLayerOf(w->parent))
    return false;
  w->native = widget;
  PlaceNative(w);
  return true;
}

void GtkUi::DetachNative(HWindow hwnd) {
  if (WindowHandle* w = Live(hwnd)) w->native = nullptr;
}

namespace gtkbackend {
namespace {
GtkUi* Backend() { return dynamic_cast<GtkUi*>(Current().ui); }
}  // namespace
GtkWidget* ChildLayer(HWindow window) {
  GtkUi* ui = Backend();
  return ui ? ui->ChildLayerOf(window) : nullptr;
}
bool AttachNativeChild(HWindow child, GtkWidget* widget) {
  GtkUi* ui = Backend();
  return ui && ui->AttachNative(child, widget);
}
void DetachNativeChild(HWindow child) {
  if (GtkUi* ui = Backend()) ui->DetachNative(child);
}
}  // namespace gtkbackend

namespace {
// Runs `work` on the UI thread (the one that runs the default main context)
// and waits for it.  The call is always queued: g_main_context_invoke would
// run it at once on this thread whenever the UI thread is between loop
// iterations, which puts GTK calls on the wrong thread (and re-enters the
// caller, which is still not on the UI thread, without end).
void RunOnUiThreadAndWait(const std::function<void()>& work) {
  struct Call {
    const std::function<void()>* work;
    std::promise<void> done;
  } call{&work, {}};
  std::future<void> done = call.done.get_future();
  g_idle_add_full(
      G_PRIORITY_HIGH,
      +[](gpointer data) -> gboolean {
        auto* c = static_cast<Call*>(data);
        (*c->work)();
        c->done.set_value();
        return G_SOURCE_REMOVE;
      },
      &call, nullptr);
  done.get();
}
}  // namespace

bool GtkUi::ShowWindow(HWindow hwnd, int command) {
  if (display_ && !OnUiThread()) {
    // A download worker hides or shows windows (the upgrade): GTK belongs to
    // the UI thread, so the call runs there and this thread waits for it.
    bool shown = false;
    RunOnUiThreadAndWait([&] { shown = ShowWindow(hwnd, command); });
    return shown;
  }
  return WindowCore::ShowWindow(hwnd, command);
}

// The window manager decides the foreground window (focus events); a window
// shown first takes the place until it does.
void GtkUi::ActivatedByShow(WindowHandle* w) {
  if (!foreground_) foreground_ = w;
}

void GtkUi::Shown(WindowHandle* w, int command, bool wasVisible) {
  if (w->style & kWS_CHILD) {
    if (w->native) gtk_widget_set_visible(w->native, w->visible);
    if (w->native && w->parent && w->parent->colorKeyed) UpdateShape(w->parent);
    return;
  }
  if (command == kSW_HIDE) {
    if (w->widget) gtk_widget_hide(w->widget);
    return;
  }
  // As on Windows, a window that comes up is painted whole: what was drawn
  // while it was hidden may show controls placed since.
  if (!wasVisible) w->backingValid = false;
  Realize(w);
  if (w->widget) {
    if (IsMinimizeCommand(command)) {
      gtk_widget_show(w->widget);
      gtk_window_iconify(GTK_WINDOW(w->widget));
    } else {
      if (command == kSW_RESTORE) gtk_window_deiconify(GTK_WINDOW(w->widget));
      gtk_widget_show(w->widget);
    }
  }
  KeepOwnedAbove(w);
}

// As on Windows, owned top-level windows stay above their owner.  Without a
// window manager (Xvfb) transient-for alone does not stack them, so they are
// raised whenever their owner may have come up.
void GtkUi::KeepOwnedAbove(WindowHandle* owner) {
  for (WindowHandle* other : OwnedBy(owner)) {
    if ( (other->style & kWS_CHILD) || !other->visible || !other->widget)
      continue;
    if (GdkWindow* native = gtk_widget_get_window(other->widget)) gdk_window_raise(native);
    KeepOwnedAbove(other);
  }
}

void GtkUi::Restacked(WindowHandle* w, HWindow insertAfter) {
  if (w->widget) gtk_window_set_keep_above(GTK_WINDOW(w->widget), w->topmost);
  // The window goes to the top (or the bottom) of the stack, as on Windows.
  if (w->widget && !(w->style & kWS_CHILD)) {
    if (GdkWindow* native = gtk_widget_get_window(w->widget)) {
      if (insertAfter == HwndBottom()) {
        gdk_window_lower(native);
      } else {
        gdk_window_raise(native);
      }
    }
  }
  KeepOwnedAbove(w);
}

void GtkUi::BroughtForward(WindowHandle* w) {
  if (w->widget && gtk_widget_get_visible(w->widget)) gtk_window_present(GTK_WINDOW(w->widget));
  KeepOwnedAbove(w);
}

namespace {
int DefaultAnswer(uint32_t flags) {
  if ((flags & kMB_YESNO) == kMB_YESNO) return (flags & kMB_DEFBUTTON2) ? kIDNO : kIDYES;
  return kIDOK;
}
}  // namespace

int GtkUi::MessageBoxOnUiThread(HWindow owner, const std::wstring& text,
                                const std::wstring& caption, uint32_t flags) {
  if (!display_) return DefaultAnswer(flags);
  WindowHandle* w = Live(owner);
  const bool yesNo = (flags & kMB_YESNO) == kMB_YESNO;
  GtkWidget* dialog = gtk_message_dialog_new(
      w && w->widget ? GTK_WINDOW(w->widget) : nullptr, GTK_DIALOG_MODAL,
      yesNo ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO, yesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK,
      "%s", ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), ToUtf8(caption).c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  if (yesNo)
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), (flags & kMB_DEFBUTTON2)
                                                            ? GTK_RESPONSE_NO
                                                            : GTK_RESPONSE_YES);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  switch (response) {
    case GTK_RESPONSE_YES:
      return kIDYES;
    case GTK_RESPONSE_NO:
      return kIDNO;
    case GTK_RESPONSE_OK:
      return kIDOK;
    default:
      // Closing the box without a choice: No for a question, OK otherwise.
      return yesNo ? kIDNO : kIDOK;
  }
}

int GtkUi::MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                      uint32_t flags) {
  if (OnUiThread() || !display_) return MessageBoxOnUiThread(owner, text, caption, flags);
  // GTK belongs to the UI thread: run the box there and wait for the answer.
  int answer = kIDOK;
  RunOnUiThreadAndWait([&] { answer = MessageBoxOnUiThread(owner, text, caption, flags); });
  return answer;
}


// --- geometry -----------------------------------------------------------------

void GtkUi::Resized(WindowHandle* w) {
  w->backingValid = false;
  if (w->widget) gtk_widget_queue_draw(w->widget);
}

bool GtkUi::GetWorkArea(Rect& out) {
  if (!display_) {
    out = Rect{0, 0, 1920, 1040};
    return true;
  }
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return false;
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  out = Rect{area.x, area.y, area.x + area.width, area.y + area.height};
  return true;
}


}  // namespace pf
