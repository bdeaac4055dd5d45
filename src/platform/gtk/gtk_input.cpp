// The GTK backend's input: GDK events become posted Win32 mouse, key, hover,
// leave and activation messages; cursors and key states.
#include <map>

#include "platform/gtk/gtk_window.h"

namespace pf {

namespace {

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

}  // namespace

void GtkUi::Post(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  PostMessage(hwnd, message, wParam, lParam);
}

void GtkUi::OnHoverTimer(WindowHandle* w) {
  w->hoverSource = 0;
  if (!w->trackHover) return;
  w->trackHover = false;
  Post(w, kWM_MOUSEHOVER, 0, PackPoint(w->lastMouse.x, w->lastMouse.y));
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
      Post(w, kWM_MOUSEMOVE, MouseFlags(e.state), PackPoint(w->lastMouse.x, w->lastMouse.y));
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
      if (message) Post(w, message, flags, PackPoint(w->lastMouse.x, w->lastMouse.y));
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
      Post(w, kWM_MOUSEWHEEL, wp, PackPoint(static_cast<int>(e.x_root), static_cast<int>(e.y_root)));
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
      if (before.left != e.x || before.top != e.y) Post(w, kWM_MOVE, 0, PackPoint(e.x, e.y));
      if (before.Width() != e.width || before.Height() != e.height) {
        w->backingValid = false;
        Post(w, kWM_SIZE, 0, PackPoint(e.width, e.height));
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

void GtkUi::Focused(WindowHandle* w) {
  if (w->widget && gtk_widget_get_visible(w->widget)) gtk_widget_grab_focus(w->widget);
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

void GtkUi::CursorChanged() {
  WindowHandle* w = Live(pointerWindow_);
  if (w && w->widget && gtk_widget_get_realized(w->widget))
    gdk_window_set_cursor(gtk_widget_get_window(w->widget), cursor_ ? cursor_->cursor : nullptr);
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

}  // namespace pf
