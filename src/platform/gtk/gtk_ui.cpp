#include "platform/gtk/gtk_ui.h"

#include <gtk/gtk.h>

#include <future>
#include <vector>

#include "platform/gtk/gtk_window_access.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"

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
};

namespace {

// Windows that were destroyed stay allocated until the backend goes, so a
// stale handle never names a newer window.
std::vector<std::unique_ptr<WindowHandle>>& Graveyard() {
  static std::vector<std::unique_ptr<WindowHandle>> dead;
  return dead;
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
  SendMessage(w, kWM_DESTROY, 0, 0);
  SendMessage(w, kWM_NCDESTROY, 0, 0);
  if (w->widget) {
    gtk_widget_destroy(w->widget);
    w->widget = nullptr;
    w->children = nullptr;
  }
  windows_.erase(w);
  if (foreground_ == w) foreground_ = nullptr;
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

LResult GtkUi::DefWindowProc(HWindow hwnd, uint32_t message, WParam, LParam) {
  if (message == kWM_CLOSE) DestroyWindow(hwnd);
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
  if (!display_ || w->widget) return;
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  w->widget = widget;
  gtk_window_set_decorated(GTK_WINDOW(widget), FALSE);
  w->children = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(widget), w->children);
  gtk_widget_show(w->children);
  gtk_window_set_title(GTK_WINDOW(widget), ToUtf8(w->text).c_str());
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(widget),
                                   (w->exStyle & kWS_EX_TOOLWINDOW) && !(w->exStyle & kWS_EX_APPWINDOW));
  gtk_window_set_keep_above(GTK_WINDOW(widget), w->topmost);
  if (w->parent && w->parent->widget)
    gtk_window_set_transient_for(GTK_WINDOW(widget), GTK_WINDOW(w->parent->widget));
  g_signal_connect(widget, "delete-event", G_CALLBACK(OnDeleteEvent), w);
  g_signal_connect(widget, "focus-in-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                     auto* win = static_cast<WindowHandle*>(data);
                     win->ui->SetForegroundWindow(win);
                     return FALSE;
                   }),
                   w);
  ApplyGeometry(w);
}

void GtkUi::ApplyGeometry(WindowHandle* w) {
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

namespace gtkbackend {
GtkWidget* ChildLayer(HWindow window) {
  auto* ui = dynamic_cast<GtkUi*>(Current().ui);
  return ui ? ui->ChildLayerOf(window) : nullptr;
}
}  // namespace gtkbackend

bool GtkUi::ShowWindow(HWindow hwnd, int command) {
  if (display_ && !OnUiThread()) {
    // A download worker hides or shows windows (the upgrade): GTK belongs to
    // the UI thread, so the call runs there and this thread waits for it.
    struct Call {
      GtkUi* self;
      HWindow hwnd;
      int command;
      std::promise<bool> result;
    } call{this, hwnd, command, {}};
    std::future<bool> result = call.result.get_future();
    g_main_context_invoke(
        nullptr,
        +[](gpointer data) -> gboolean {
          auto* c = static_cast<Call*>(data);
          c->result.set_value(c->self->ShowWindow(c->hwnd, c->command));
          return G_SOURCE_REMOVE;
        },
        &call);
    return result.get();
  }
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  const bool was = w->visible;
  if (command == kSW_HIDE) {
    w->visible = false;
    if (w->widget) gtk_widget_hide(w->widget);
    return was;
  }
  w->visible = true;
  Realize(w);
  if (w->widget) {
    if (command == kSW_MINIMIZE || command == kSW_SHOWMINIMIZED || command == kSW_SHOWMINNOACTIVE) {
      gtk_widget_show(w->widget);
      gtk_window_iconify(GTK_WINDOW(w->widget));
    } else {
      if (command == kSW_RESTORE) gtk_window_deiconify(GTK_WINDOW(w->widget));
      gtk_widget_show(w->widget);
    }
  }
  const bool activates = command == kSW_SHOWNORMAL || command == kSW_SHOW ||
                         command == kSW_RESTORE || command == kSW_SHOWMAXIMIZED;
  if (activates && !foreground_) foreground_ = w;
  return was;
}

bool GtkUi::UpdateWindow(HWindow hwnd) { return Live(hwnd) != nullptr; }

bool GtkUi::SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                         uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  if (!(flags & kSWP_NOMOVE)) {
    const int32_t wd = w->rect.Width();
    const int32_t ht = w->rect.Height();
    w->rect = {x, y, x + wd, y + ht};
  }
  if (!(flags & kSWP_NOSIZE)) {
    w->rect.right = w->rect.left + width;
    w->rect.bottom = w->rect.top + height;
  }
  if (!(flags & kSWP_NOZORDER)) {
    if (insertAfter == HwndTopmost()) w->topmost = true;
    if (insertAfter == HwndNoTopmost()) w->topmost = false;
    if (w->widget) gtk_window_set_keep_above(GTK_WINDOW(w->widget), w->topmost);
  }
  if (flags & kSWP_SHOWWINDOW) {
    ShowWindow(w, (flags & kSWP_NOACTIVATE) ? kSW_SHOWNA : kSW_SHOW);
  } else if (flags & kSWP_HIDEWINDOW) {
    ShowWindow(w, kSW_HIDE);
  }
  ApplyGeometry(w);
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
  struct Call {
    GtkUi* self;
    HWindow owner;
    std::wstring text;
    std::wstring caption;
    uint32_t flags;
    std::promise<int> answer;
  } call{this, owner, text, caption, flags, {}};
  std::future<int> answer = call.answer.get_future();
  g_main_context_invoke(
      nullptr,
      +[](gpointer data) -> gboolean {
        auto* c = static_cast<Call*>(data);
        c->answer.set_value(c->self->MessageBoxOnUiThread(c->owner, c->text, c->caption, c->flags));
        return G_SOURCE_REMOVE;
      },
      &call);
  return answer.get();
}

}  // namespace pf
