#include "platform/gtk/gtk_ui.h"

#include <gtk/gtk.h>

#include <functional>
#include <future>
#include <vector>

#include "platform/gtk/gtk_canvas.h"
#include "platform/gtk/gtk_window_access.h"
#include "platform/portable/embedded_resources.h"
#include "platform/portable/menu_model.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "platform/portable/window_geometry.h"

namespace pf {

struct WindowHandle {
  std::wstring className;
  std::wstring text;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  Rect rect;  // screen coordinates
  WindowHandle* parent = nullptr;
  bool visible = false;
  bool topmost = false;
  WindowProc procedure = nullptr;
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
  bool colorKeyed = false;
  uint32_t colorKey = 0;
  bool hasRegion = false;
  Rect region;
  bool iconic = false;
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

struct RegionHandle {
  Rect rect;
};

namespace {

// Windows that were destroyed stay allocated until the backend goes, so a
// stale handle never names a newer window.
std::vector<std::unique_ptr<WindowHandle>>& Graveyard() {
  static std::vector<std::unique_ptr<WindowHandle>> dead;
  return dead;
}

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

LParam Pack(int x, int y) {
  return static_cast<LParam>((static_cast<uint32_t>(x) & 0xFFFF) |
                             ((static_cast<uint32_t>(y) & 0xFFFF) << 16));
}

WParam MouseFlags(guint state) {
  WParam f = 0;
  if (state & GDK_BUTTON1_MASK) f |= kMK_LBUTTON;
  if (state & GDK_BUTTON3_MASK) f |= kMK_RBUTTON;
  if (state & GDK_SHIFT_MASK) f |= kMK_SHIFT;
  if (state & GDK_CONTROL_MASK) f |= kMK_CONTROL;
  return f;
}

// GDK key values to Win32 virtual keys (0 for keys we do not translate).
int VirtualKey(guint keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<int>('A' + (keyval - GDK_KEY_a));
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<int>('A' + (keyval - GDK_KEY_A));
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<int>('0' + (keyval - GDK_KEY_0));
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return kVK_F1 + static_cast<int>(keyval - GDK_KEY_F1);
  switch (keyval) {
    case GDK_KEY_Tab: case GDK_KEY_ISO_Left_Tab: return kVK_TAB;
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: return kVK_RETURN;
    case GDK_KEY_Delete: return kVK_DELETE;
    case GDK_KEY_BackSpace: return kVK_BACK;
    case GDK_KEY_Escape: return kVK_ESCAPE;
    case GDK_KEY_space: return kVK_SPACE;
    case GDK_KEY_Left: return kVK_LEFT;
    case GDK_KEY_Right: return kVK_RIGHT;
    case GDK_KEY_Up: return kVK_UP;
    case GDK_KEY_Down: return kVK_DOWN;
    case GDK_KEY_Home: return kVK_HOME;
    case GDK_KEY_End: return kVK_END;
    case GDK_KEY_Page_Up: return kVK_PRIOR;
    case GDK_KEY_Page_Down: return kVK_NEXT;
    case GDK_KEY_Insert: return kVK_INSERT;
    case GDK_KEY_Control_L: case GDK_KEY_Control_R: return kVK_CONTROL;
    case GDK_KEY_Shift_L: case GDK_KEY_Shift_R: return kVK_SHIFT;
    case GDK_KEY_Alt_L: case GDK_KEY_Alt_R: return kVK_MENU;
    default: return 0;
  }
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

WindowHandle* GtkUi::Live(HWindow hwnd) {
  return windows_.count(hwnd) ? hwnd : nullptr;
}

bool GtkUi::RegisterWindowClass(const WindowClass& windowClass) {
  if (windowClass.className.empty() || classes_.count(windowClass.className)) return false;
  classes_[windowClass.className] = windowClass;
  return true;
}

HWindow GtkUi::CreateWindowEx(uint32_t exStyle, const std::wstring& className,
                              const std::wstring& title, uint32_t style, int x, int y, int width,
                              int height, HWindow parent) {
  auto cls = classes_.find(className);
  if (cls == classes_.end()) return nullptr;
  auto* w = new WindowHandle;
  w->className = className;
  w->text = title;
  w->style = style & ~kWS_VISIBLE;
  w->exStyle = exStyle;
  w->rect = {x, y, x + width, y + height};
  w->parent = Live(parent);
  w->procedure = cls->second.procedure;
  w->ui = this;
  w->topmost = (exStyle & kWS_EX_TOPMOST) != 0;
  windows_.insert(w);
  SendMessage(w, kWM_NCCREATE, 0, 0);
  SendMessage(w, kWM_CREATE, 0, 0);
  if (style & kWS_VISIBLE) ShowWindow(w, kSW_SHOW);
  return w;
}

bool GtkUi::DestroyWindow(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  std::vector<WindowHandle*> owned;
  for (WindowHandle* other : windows_)
    if (other->parent == w) owned.push_back(other);
  for (WindowHandle* other : owned) DestroyWindow(other);
  if (w->widget) gtk_widget_hide(w->widget);
  w->visible = false;
  if (w->hoverSource) g_source_remove(w->hoverSource);
  w->hoverSource = 0;
  SendMessage(w, kWM_DESTROY, 0, 0);
  SendMessage(w, kWM_NCDESTROY, 0, 0);
  if (w->widget) {
    gtk_widget_destroy(w->widget);
    w->widget = nullptr;
    w->children = nullptr;
  }
  windows_.erase(w);
  w->backing.reset();
  w->layeredImage.reset();
  if (foreground_ == w) foreground_ = nullptr;
  if (focus_ == w) focus_ = nullptr;
  if (pointerWindow_ == w) pointerWindow_ = nullptr;
  Graveyard().emplace_back(w);
  return true;
}

bool GtkUi::IsWindow(HWindow hwnd) { return Live(hwnd) != nullptr; }

uint32_t GtkUi::GetWindowLong(HWindow hwnd, int index) {
  WindowHandle* w = Live(hwnd);
  if (!w) return 0;
  if (index == kGWL_STYLE) return w->style | (w->visible ? kWS_VISIBLE : 0);
  if (index == kGWL_EXSTYLE) return w->exStyle;
  return 0;
}

uint32_t GtkUi::SetWindowLong(HWindow hwnd, int index, uint32_t value) {
  WindowHandle* w = Live(hwnd);
  if (!w) return 0;
  const uint32_t previous = GetWindowLong(hwnd, index);
  if (index == kGWL_STYLE) {
    w->style = value & ~kWS_VISIBLE;
  } else if (index == kGWL_EXSTYLE) {
    w->exStyle = value;
    w->topmost = (value & kWS_EX_TOPMOST) != 0;
    if (w->widget) {
      gtk_window_set_skip_taskbar_hint(GTK_WINDOW(w->widget),
                                       (value & kWS_EX_TOOLWINDOW) && !(value & kWS_EX_APPWINDOW));
      gtk_window_set_keep_above(GTK_WINDOW(w->widget), w->topmost);
    }
  }
  return previous;
}

bool GtkUi::SetWindowText(HWindow hwnd, const std::wstring& text) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  w->text = text;
  if (w->widget) gtk_window_set_title(GTK_WINDOW(w->widget), ToUtf8(text).c_str());
  return true;
}

std::wstring GtkUi::GetWindowText(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w ? w->text : std::wstring();
}

bool GtkUi::PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    queue_.push_back(Msg{hwnd, message, wParam, lParam, 0, {}});
  }
  queueSignal_.notify_one();
  if (display_) g_main_context_wakeup(nullptr);
  return true;
}

LResult GtkUi::SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  WindowHandle* w = Live(hwnd);
  if (!w) return 0;
  if (w->procedure) return w->procedure(w, message, wParam, lParam);
  return DefWindowProc(w, message, wParam, lParam);
}

LResult GtkUi::DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam, LParam) {
  if (message == kWM_CLOSE) DestroyWindow(hwnd);
  if (message == kWM_SYSCOMMAND) {
    // The system's move and size loops belong to the window manager here;
    // they start from the button press that led to the command.
    WindowHandle* w = Live(hwnd);
    if (!w || !w->widget) return 0;
    const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFF0;
    const guint button = w->lastButton ? w->lastButton : 1;
    if (command == kSC_MOVE) {
      gtk_window_begin_move_drag(GTK_WINDOW(w->widget), static_cast<gint>(button), w->lastRootX,
                                 w->lastRootY, w->lastTime);
    } else if (command == kSC_SIZE) {
      static const GdkWindowEdge kEdges[] = {
          GDK_WINDOW_EDGE_EAST,       GDK_WINDOW_EDGE_WEST,       GDK_WINDOW_EDGE_EAST,
          GDK_WINDOW_EDGE_NORTH,      GDK_WINDOW_EDGE_NORTH_WEST, GDK_WINDOW_EDGE_NORTH_EAST,
          GDK_WINDOW_EDGE_SOUTH,      GDK_WINDOW_EDGE_SOUTH_WEST, GDK_WINDOW_EDGE_SOUTH_EAST};
      const uint32_t edge = static_cast<uint32_t>(wParam) & 0xF;
      if (edge >= 1 && edge <= 8)
        gtk_window_begin_resize_drag(GTK_WINDOW(w->widget), kEdges[edge], static_cast<gint>(button),
                                     w->lastRootX, w->lastRootY, w->lastTime);
    }
  }
  return 0;
}

void GtkUi::PostQuitMessage(int exitCode) {
  PostMessage(nullptr, kWM_QUIT, static_cast<WParam>(exitCode), 0);
}

int GtkUi::RunMessageLoop(MessageFilter* filter) {
  for (;;) {
    Msg msg;
    bool have = false;
    {
      std::unique_lock<std::mutex> lock(queueLock_);
      if (!queue_.empty()) {
        msg = queue_.front();
        queue_.pop_front();
        have = true;
      } else if (!display_) {
        queueSignal_.wait(lock, [this] { return !queue_.empty(); });
        continue;
      }
    }
    if (!have) {
      // Runs GTK's events (which send their messages directly) until
      // something is posted; PostMessage wakes the context.
      g_main_context_iteration(nullptr, TRUE);
      continue;
    }
    if (msg.message == kWM_QUIT) return static_cast<int>(msg.wParam);
    if (filter && filter->PreTranslateMessage(&msg)) continue;
    // Posted messages for windows that are gone are dropped, as on Windows.
    if (msg.hwnd) SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
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

void GtkUi::SetUserData(HWindow hwnd, void* data) {
  if (WindowHandle* w = Live(hwnd)) w->userData = data;
}

void* GtkUi::UserData(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w ? w->userData : nullptr;
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
void SetWindowData(HWindow window, void* data) {
  if (GtkUi* ui = Backend()) ui->SetUserData(window, data);
}
void* WindowData(HWindow window) {
  GtkUi* ui = Backend();
  return ui ? ui->UserData(window) : nullptr;
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
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  const bool was = w->visible;
  if (w->style & kWS_CHILD) {
    w->visible = command != kSW_HIDE;
    if (w->native) gtk_widget_set_visible(w->native, w->visible);
    if (w->native && w->parent && w->parent->colorKeyed) UpdateShape(w->parent);
    return was;
  }
  if (command == kSW_HIDE) {
    w->visible = false;
    if (w->widget) gtk_widget_hide(w->widget);
    return was;
  }
  w->visible = true;
  // As on Windows, a window that comes up is painted whole: what was drawn
  // while it was hidden may show controls placed since.
  if (!was) w->backingValid = false;
  Realize(w);
  if (w->widget) {
    if (command == kSW_MINIMIZE || command == kSW_SHOWMINIMIZED || command == kSW_SHOWMINNOACTIVE) {
      gtk_widget_show(w->widget);
      gtk_window_iconify(GTK_WINDOW(w->widget));
      w->iconic = true;
    } else {
      if (command == kSW_RESTORE || command == kSW_SHOWNORMAL) w->iconic = false;
      if (command == kSW_RESTORE) gtk_window_deiconify(GTK_WINDOW(w->widget));
      gtk_widget_show(w->widget);
    }
  }
  const bool activates = command == kSW_SHOWNORMAL || command == kSW_SHOW ||
                         command == kSW_RESTORE || command == kSW_SHOWMAXIMIZED;
  if (activates && !foreground_) foreground_ = w;
  KeepOwnedAbove(w);
  return was;
}

// As on Windows, owned top-level windows stay above their owner.  Without a
// window manager (Xvfb) transient-for alone does not stack them, so they are
// raised whenever their owner may have come up.
void GtkUi::KeepOwnedAbove(WindowHandle* owner) {
  for (WindowHandle* other : windows_) {
    if (other->parent != owner || (other->style & kWS_CHILD) || !other->visible || !other->widget)
      continue;
    if (GdkWindow* native = gtk_widget_get_window(other->widget)) gdk_window_raise(native);
    KeepOwnedAbove(other);
  }
}

bool GtkUi::UpdateWindow(HWindow hwnd) { return Live(hwnd) != nullptr; }

bool GtkUi::SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                         uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  const Rect before = w->rect;
  w->rect = PlacedRect(w->rect, x, y, width, height, flags);
  if (!(flags & kSWP_NOZORDER)) {
    w->topmost = PlacedTopmost(w->topmost, insertAfter, flags);
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
  }
  if (flags & kSWP_SHOWWINDOW) {
    ShowWindow(w, (flags & kSWP_NOACTIVATE) ? kSW_SHOWNA : kSW_SHOW);
  } else if (flags & kSWP_HIDEWINDOW) {
    ShowWindow(w, kSW_HIDE);
  }
  ApplyGeometry(w);
  NotifyGeometry(w, before);
  if (!(flags & kSWP_NOZORDER)) KeepOwnedAbove(w);
  return true;
}

bool GtkUi::IsWindowVisible(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w && w->visible;
}

HWindow GtkUi::GetForegroundWindow() { return foreground_; }

bool GtkUi::SetForegroundWindow(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  foreground_ = w;
  if (w->widget && gtk_widget_get_visible(w->widget)) gtk_window_present(GTK_WINDOW(w->widget));
  KeepOwnedAbove(w);
  return true;
}

bool GtkUi::GetWindowRect(HWindow hwnd, Rect& out) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  out = w->rect;
  return true;
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

void GtkUi::NotifyGeometry(WindowHandle* w, const Rect& before) {
  // As on Windows, the window procedure hears of a change before the call returns.
  if (before.left != w->rect.left || before.top != w->rect.top)
    SendMessage(w, kWM_MOVE, 0, Pack(w->rect.left, w->rect.top));
  if (Live(w) && (before.Width() != w->rect.Width() || before.Height() != w->rect.Height())) {
    w->backingValid = false;
    SendMessage(w, kWM_SIZE, 0, Pack(w->rect.Width(), w->rect.Height()));
    if (w->widget) gtk_widget_queue_draw(w->widget);
  }
}

bool GtkUi::GetClientRect(HWindow hwnd, Rect& out) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  out = Rect{0, 0, w->rect.Width(), w->rect.Height()};
  return true;
}

bool GtkUi::ClientToScreen(HWindow hwnd, Point& point) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  point.x += w->rect.left;
  point.y += w->rect.top;
  return true;
}

bool GtkUi::ScreenToClient(HWindow hwnd, Point& point) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  point.x -= w->rect.left;
  point.y -= w->rect.top;
  return true;
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

bool GtkUi::IsIconic(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w && w->iconic;
}

HRegion GtkUi::CreateRoundRectRgn(int left, int top, int right, int bottom, int, int) {
  return new RegionHandle{Rect{left, top, right, bottom}};
}

bool GtkUi::SetWindowRgn(HWindow hwnd, HRegion region, bool) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  w->hasRegion = region != nullptr;
  if (region) w->region = region->rect;
  delete region;  // ours now, as the system's on Windows
  UpdateShape(w);
  return true;
}

bool GtkUi::DeleteRegion(HRegion region) {
  if (!region) return false;
  delete region;
  return true;
}

// --- layered windows and painting ------------------------------------------------

bool GtkUi::SetLayeredWindowAttributes(HWindow hwnd, uint32_t key, uint8_t, uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w || !(w->exStyle & kWS_EX_LAYERED)) return false;
  if (flags & kLWA_COLORKEY) {
    w->colorKeyed = true;
    w->colorKey = key;
  }
  UpdateShape(w);
  return true;
}

bool GtkUi::UpdateLayeredWindow(HWindow hwnd, const Point* position, const Size& size,
                                MemoryCanvas& source, const Point& sourcePosition, uint32_t,
                                const BlendFunction&, uint32_t) {
  WindowHandle* w = Live(hwnd);
  if (!w || !(w->exStyle & kWS_EX_LAYERED) || size.cx <= 0 || size.cy <= 0) return false;
  auto image = std::make_unique<CairoCanvas>(size.cx, size.cy);
  image->BitBlt(0, 0, size.cx, size.cy, source.Target(), sourcePosition.x, sourcePosition.y,
                kSRCCOPY);
  w->layeredImage = std::move(image);
  const Rect before = w->rect;
  if (position) w->rect = Rect{position->x, position->y, position->x + size.cx, position->y + size.cy};
  else w->rect = Rect{w->rect.left, w->rect.top, w->rect.left + size.cx, w->rect.top + size.cy};
  ApplyGeometry(w);
  NotifyGeometry(w, before);
  UpdateShape(w);
  if (w->widget) gtk_widget_queue_draw(w->widget);
  return true;
}

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
    for (WindowHandle* child : windows_) {
      if (child->parent != w || !(child->style & kWS_CHILD) || !child->native || !child->visible)
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

// --- input -------------------------------------------------------------------------

void GtkUi::Post(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  PostMessage(hwnd, message, wParam, lParam);
}

void GtkUi::OnHoverTimer(WindowHandle* w) {
  w->hoverSource = 0;
  if (!w->trackHover) return;
  w->trackHover = false;
  Post(w, kWM_MOUSEHOVER, 0, Pack(w->lastMouse.x, w->lastMouse.y));
}

namespace {
gboolean HoverTimeout(gpointer data) {
  auto* w = static_cast<WindowHandle*>(data);
  w->ui->OnHoverTimer(w);
  return G_SOURCE_REMOVE;
}
}  // namespace

void GtkUi::OnNativeEvent(WindowHandle* w, GdkEvent* event) {
  switch (event->type) {
    case GDK_MOTION_NOTIFY: {
      const auto& e = event->motion;
      pointerWindow_ = w;
      w->lastMouse = Point{static_cast<int>(e.x), static_cast<int>(e.y)};
      if (w->trackHover) {
        if (w->hoverSource) g_source_remove(w->hoverSource);
        w->hoverSource = g_timeout_add(w->hoverTime, HoverTimeout, w);
      }
      Post(w, kWM_MOUSEMOVE, MouseFlags(e.state), Pack(w->lastMouse.x, w->lastMouse.y));
      if (cursor_ && cursor_->cursor && w->widget)
        gdk_window_set_cursor(gtk_widget_get_window(w->widget), cursor_->cursor);
      break;
    }
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_BUTTON_RELEASE: {
      const auto& e = event->button;
      pointerWindow_ = w;
      if (event->type == w->lastButtonType && e.time == w->lastTime && e.button == w->lastButton &&
          e.x == w->lastButtonX && e.y == w->lastButtonY)
        break;  // the same event again
      w->lastButtonType = event->type;
      w->lastButtonX = e.x;
      w->lastButtonY = e.y;
      w->lastMouse = Point{static_cast<int>(e.x), static_cast<int>(e.y)};
      w->lastButton = e.button;
      w->lastTime = e.time;
      w->lastRootX = static_cast<int>(e.x_root);
      w->lastRootY = static_cast<int>(e.y_root);
      WParam flags = MouseFlags(e.state);
      uint32_t message = 0;
      if (e.button == 1) {
        if (event->type == GDK_BUTTON_RELEASE) {
          flags &= ~static_cast<WParam>(kMK_LBUTTON);
          message = kWM_LBUTTONUP;
        } else {
          flags |= kMK_LBUTTON;
          message = event->type == GDK_2BUTTON_PRESS ? kWM_LBUTTONDBLCLK : kWM_LBUTTONDOWN;
        }
      } else if (e.button == 3) {
        if (event->type == GDK_BUTTON_RELEASE) {
          flags &= ~static_cast<WParam>(kMK_RBUTTON);
          message = kWM_RBUTTONUP;
        } else if (event->type == GDK_BUTTON_PRESS) {
          flags |= kMK_RBUTTON;
          message = kWM_RBUTTONDOWN;
        }
      }
      if (message) Post(w, message, flags, Pack(w->lastMouse.x, w->lastMouse.y));
      break;
    }
    case GDK_SCROLL: {
      const auto& e = event->scroll;
      int delta = 0;
      if (e.direction == GDK_SCROLL_UP) delta = kWHEEL_DELTA;
      if (e.direction == GDK_SCROLL_DOWN) delta = -kWHEEL_DELTA;
      if (e.direction == GDK_SCROLL_SMOOTH) delta = static_cast<int>(-e.delta_y * kWHEEL_DELTA);
      if (!delta) break;
      const WParam wp = MouseFlags(e.state) | (static_cast<WParam>(static_cast<uint16_t>(delta)) << 16);
      Post(w, kWM_MOUSEWHEEL, wp, Pack(static_cast<int>(e.x_root), static_cast<int>(e.y_root)));
      break;
    }
    case GDK_LEAVE_NOTIFY:
      if (w->hoverSource) g_source_remove(w->hoverSource);
      w->hoverSource = 0;
      w->trackHover = false;
      if (w->trackLeave) {
        w->trackLeave = false;
        Post(w, kWM_MOUSELEAVE, 0, 0);
      }
      break;
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE: {
      const auto& e = event->key;
      const int vk = VirtualKey(e.keyval);
      const bool down = event->type == GDK_KEY_PRESS;
      if (vk) {
        if (down) keysDown_.insert(vk);
        else keysDown_.erase(vk);
        Post(focus_ ? focus_ : w, down ? kWM_KEYDOWN : kWM_KEYUP, static_cast<WParam>(vk),
             down ? 1 : static_cast<LParam>(0xC0000001u));
      }
      const gunichar c = gdk_keyval_to_unicode(e.keyval);
      if (down && c && !(e.state & GDK_CONTROL_MASK))
        Post(focus_ ? focus_ : w, kWM_CHAR, static_cast<WParam>(c), 1);
      break;
    }
    case GDK_FOCUS_CHANGE:
      // The window that got the focus is the foreground one.  It is not
      // presented again: two shown windows would take the focus from each
      // other without end.
      if (event->focus_change.in) focus_ = foreground_ = w;
      Post(w, kWM_ACTIVATE, event->focus_change.in ? kWA_ACTIVE : kWA_INACTIVE, 0);
      break;
    case GDK_CONFIGURE: {
      const auto& e = event->configure;
      const Rect before = w->rect;
      if (before.left == e.x && before.top == e.y && before.Width() == e.width &&
          before.Height() == e.height)
        break;
      // Moves and sizes by the window manager (the move and size loops).
      w->rect = Rect{e.x, e.y, e.x + e.width, e.y + e.height};
      if (before.left != e.x || before.top != e.y) Post(w, kWM_MOVE, 0, Pack(e.x, e.y));
      if (before.Width() != e.width || before.Height() != e.height) {
        w->backingValid = false;
        Post(w, kWM_SIZE, 0, Pack(e.width, e.height));
      }
      break;
    }
    case GDK_WINDOW_STATE:
      w->iconic = (event->window_state.new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
      break;
    case GDK_MAP:
      UpdateShape(w);
      break;
    default:
      break;
  }
}

HWindow GtkUi::SetFocus(HWindow hwnd) {
  const HWindow previous = focus_;
  WindowHandle* w = Live(hwnd);
  if (!w) return previous;
  focus_ = w;
  if (w->widget && gtk_widget_get_visible(w->widget)) gtk_widget_grab_focus(w->widget);
  return previous;
}

HCursor GtkUi::LoadCursor(int id) {
  static const struct {
    int id;
    const char* name;
  } kNames[] = {{kIDC_ARROW, "default"},      {kIDC_HAND, "pointer"},
                {kIDC_SIZENWSE, "nwse-resize"}, {kIDC_SIZENESW, "nesw-resize"},
                {kIDC_SIZEWE, "ew-resize"},     {kIDC_SIZENS, "ns-resize"}};
  // Shared for the whole process, like the system's cursors.
  static std::map<int, std::unique_ptr<CursorHandle>> loaded;
  auto it = loaded.find(id);
  if (it != loaded.end()) return it->second.get();
  for (const auto& n : kNames) {
    if (n.id != id) continue;
    GdkCursor* c = display_ ? gdk_cursor_new_from_name(gdk_display_get_default(), n.name) : nullptr;
    auto& handle = loaded[id];
    handle = std::make_unique<CursorHandle>(CursorHandle{id, c});
    return handle.get();
  }
  return nullptr;
}

HCursor GtkUi::SetCursor(HCursor cursor) {
  const HCursor previous = cursor_;
  cursor_ = cursor;
  WindowHandle* w = Live(pointerWindow_);
  if (w && w->widget && gtk_widget_get_realized(w->widget))
    gdk_window_set_cursor(gtk_widget_get_window(w->widget), cursor ? cursor->cursor : nullptr);
  return previous;
}

bool GtkUi::GetCursorPos(Point& out) {
  if (!display_) return false;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return false;
  gint x = 0, y = 0;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  out = Point{x, y};
  return true;
}

bool GtkUi::TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  if (flags & kTME_CANCEL) {
    if (flags & kTME_HOVER) w->trackHover = false;
    if (flags & kTME_LEAVE) w->trackLeave = false;
    return true;
  }
  if (flags & kTME_HOVER) {
    w->trackHover = true;
    w->hoverTime = hoverTime == kHOVER_DEFAULT ? 400 : hoverTime;
    if (w->hoverSource) g_source_remove(w->hoverSource);
    w->hoverSource = g_timeout_add(w->hoverTime, HoverTimeout, w);
  }
  if (flags & kTME_LEAVE) w->trackLeave = true;
  return true;
}

int16_t GtkUi::GetKeyState(int virtualKey) {
  bool down = keysDown_.count(virtualKey) != 0;
  if (display_ && (virtualKey == kVK_CONTROL || virtualKey == kVK_SHIFT)) {
    const guint mods = gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(gdk_display_get_default()));
    down = down || (mods & (virtualKey == kVK_CONTROL ? GDK_CONTROL_MASK : GDK_SHIFT_MASK));
  }
  return down ? static_cast<int16_t>(0x8000) : 0;
}

// --- menus and the tray ------------------------------------------------------------

HMenu GtkUi::LoadMenu(int id) { return LoadMenuResource(id); }
HMenu GtkUi::GetSubMenu(HMenu menu, int position) { return MenuSubMenu(menu, position); }
bool GtkUi::RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) { return MenuRemove(menu, item, flags); }
bool GtkUi::DestroyMenu(HMenu menu) { return MenuDestroy(menu); }

int GtkUi::TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) {
  if (!menu || !display_) return 0;
  struct Run {
    GMainLoop* loop;
    int chosen = 0;
  } run{g_main_loop_new(nullptr, FALSE)};
  GtkWidget* popup = gtk_menu_new();
  for (const auto& item : menu->items) {
    GtkWidget* mi = gtk_menu_item_new_with_label(ToUtf8(item.text).c_str());
    g_object_set_data(G_OBJECT(mi), "command", GUINT_TO_POINTER(item.command));
    g_signal_connect(mi, "activate", G_CALLBACK(+[](GtkMenuItem* self, gpointer data) {
                       static_cast<Run*>(data)->chosen =
                           static_cast<int>(GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(self), "command")));
                     }),
                     &run);
    gtk_menu_shell_append(GTK_MENU_SHELL(popup), mi);
    gtk_widget_show(mi);
  }
  g_signal_connect(popup, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                     // "activate" of the item follows "deactivate": quit from an idle.
                     g_idle_add(+[](gpointer d) -> gboolean {
                       g_main_loop_quit(static_cast<Run*>(d)->loop);
                       return G_SOURCE_REMOVE;
                     }, data);
                   }),
                   &run);
  WindowHandle* w = Live(owner);
  // A hidden owner (the tray menu of a window in the tray) gives no place to
  // anchor the menu: it opens at (x, y) on the root window.
  if (w && w->widget && gtk_widget_get_realized(w->widget) && gtk_widget_get_visible(w->widget)) {
    GdkRectangle at{x - w->rect.left, y - w->rect.top, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(popup), gtk_widget_get_window(w->widget), &at,
                           GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  } else {
    GdkRectangle at{x, y, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(popup), gdk_get_default_root_window(), &at,
                           GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  }
  // A menu that could not be shown never ends: nothing is chosen then.
  if (gtk_widget_get_visible(popup)) g_main_loop_run(run.loop);
  g_main_loop_unref(run.loop);
  gtk_widget_destroy(popup);
  if (!(flags & kTPM_RETURNCMD) && run.chosen && owner)
    Post(owner, kWM_COMMAND, static_cast<WParam>(run.chosen), 0);
  return (flags & kTPM_RETURNCMD) ? run.chosen : run.chosen != 0;
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
namespace {
struct TrayIcon {
  GtkStatusIcon* icon;
  NotifyIcon data;
  GtkUi* ui;
};
std::map<std::pair<HWindow, uint32_t>, TrayIcon*>& Trays() {
  static std::map<std::pair<HWindow, uint32_t>, TrayIcon*> trays;
  return trays;
}
}  // namespace

bool GtkUi::ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) {
  const auto key = std::make_pair(icon.hwnd, icon.id);
  auto& trays = Trays();
  auto it = trays.find(key);
  if (message == kNIM_DELETE) {
    if (it == trays.end()) return false;
    g_object_unref(it->second->icon);
    delete it->second;
    trays.erase(it);
    return true;
  }
  if (message == kNIM_MODIFY) {
    if (it == trays.end()) return false;
    if (icon.flags & kNIF_TIP)
      gtk_status_icon_set_tooltip_text(it->second->icon, ToUtf8(icon.tip).c_str());
    return true;
  }
  if (message != kNIM_ADD || it != trays.end() || !display_) return false;
  const EmbeddedResource* r = FindEmbeddedResource(icon.iconId, L"ICON");
  GdkPixbuf* pixbuf = nullptr;
  if (r) {
    GInputStream* in = g_memory_input_stream_new_from_data(r->begin, r->end - r->begin, nullptr);
    pixbuf = gdk_pixbuf_new_from_stream(in, nullptr, nullptr);
    g_object_unref(in);
  }
  GtkStatusIcon* status = pixbuf ? gtk_status_icon_new_from_pixbuf(pixbuf) : gtk_status_icon_new();
  if (pixbuf) g_object_unref(pixbuf);
  if (icon.flags & kNIF_TIP) gtk_status_icon_set_tooltip_text(status, ToUtf8(icon.tip).c_str());
  // The icon exists only where a tray embeds it; give the tray a moment to do so.
  for (int i = 0; i < 50 && !gtk_status_icon_is_embedded(status); ++i) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(10000);
  }
  if (!gtk_status_icon_is_embedded(status)) {
    g_object_unref(status);
    return false;
  }
  auto* tray = new TrayIcon{status, icon, this};
  trays[key] = tray;
  g_signal_connect(status, "activate", G_CALLBACK(+[](GtkStatusIcon*, gpointer data) {
                     auto* t = static_cast<TrayIcon*>(data);
                     t->ui->PostMessage(t->data.hwnd, t->data.callbackMessage, t->data.id, kWM_LBUTTONUP);
                   }),
                   tray);
  g_signal_connect(status, "popup-menu", G_CALLBACK(+[](GtkStatusIcon*, guint, guint, gpointer data) {
                     auto* t = static_cast<TrayIcon*>(data);
                     t->ui->PostMessage(t->data.hwnd, t->data.callbackMessage, t->data.id, kWM_RBUTTONUP);
                   }),
                   tray);
  return true;
}
G_GNUC_END_IGNORE_DEPRECATIONS

}  // namespace pf
