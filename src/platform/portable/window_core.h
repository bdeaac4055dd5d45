// The Win32 window manager that backends without Win32 share: the window
// table and its records, classes, styles and rectangles, owner links, the
// message queue with posting, sending and the loop with its filter,
// destruction (owned windows first, WM_DESTROY before the call returns),
// the foreground, focus and cursor bookkeeping, regions and colour keys.
//
// A backend derives from WindowCore<WindowHandle>, with its WindowHandle
// deriving from WindowRecord and adding only its native data.  The core
// calls the backend through the hooks below where something native must
// follow (a widget shown, moved, restacked, reshaped) and leaves to the
// backend what is wholly native: painting, input, cursors' looks, menus'
// display, the tray, message boxes, the work area.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/portable/menu_model.h"
#include "platform/portable/window_geometry.h"
#include "platform/ui.h"

namespace pf {

// What the core keeps of every window.
struct WindowRecord {
  virtual ~WindowRecord() = default;
  int id = 0;  // 1, 2, ... in order of creation
  std::wstring className;
  std::wstring text;
  uint32_t style = 0;  // without WS_VISIBLE: `visible` says that
  uint32_t exStyle = 0;
  Rect rect;  // screen coordinates; a WS_CHILD window's in its parent's client area
  WindowHandle* parent = nullptr;  // the parent or owner
  bool visible = false;
  bool alive = true;  // false once destroyed; the record stays until the backend goes
  bool topmost = false;
  bool iconic = false;
  WindowProc procedure = nullptr;
  bool hasRegion = false;
  Rect region;  // the window region, when hasRegion
  bool colorKeyed = false;
  uint32_t colorKey = 0xFFFFFFFF;  // LWA_COLORKEY key (COLORREF), when colorKeyed
};

struct RegionHandle {
  Rect rect;
};

inline LParam PackPoint(int x, int y) {
  return static_cast<LParam>((static_cast<uint32_t>(x) & 0xFFFF) |
                             ((static_cast<uint32_t>(y) & 0xFFFF) << 16));
}

inline bool IsMinimizeCommand(int command) {
  return command == kSW_MINIMIZE || command == kSW_SHOWMINIMIZED ||
         command == kSW_SHOWMINNOACTIVE;
}

template <class Window>
class WindowCore : public Ui {
 public:
  // What RunMessageLoop returns when the backend has no message left to wait
  // for (a backend without an event source: the fake).
  static constexpr int kLoopRanDry = -12345;

  ~WindowCore() override = default;

  bool RegisterWindowClass(const WindowClass& windowClass) override {
    if (windowClass.className.empty() || classes_.count(windowClass.className)) return false;
    classes_[windowClass.className] = windowClass;
    return true;
  }

  HWindow CreateWindowEx(uint32_t exStyle, const std::wstring& className,
                         const std::wstring& title, uint32_t style, int x, int y, int width,
                         int height, HWindow parent) override {
    auto cls = classes_.find(className);
    if (cls == classes_.end() && !unknownClassesUseDefault_) return nullptr;
    auto record = std::make_unique<Window>();
    Window* w = record.get();
    w->id = static_cast<int>(records_.size()) + 1;
    w->className = className;
    w->text = title;
    w->style = style & ~kWS_VISIBLE;
    w->exStyle = exStyle;
    w->rect = {x, y, x + width, y + height};
    w->parent = Live(parent);
    w->procedure = cls == classes_.end() ? nullptr : cls->second.procedure;
    w->topmost = (exStyle & kWS_EX_TOPMOST) != 0;
    Created(w);
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      records_.push_back(std::move(record));
      live_.insert(w);
    }
    // The procedure sees its first messages before CreateWindowEx returns.
    SendMessage(w, kWM_NCCREATE, 0, 0);
    SendMessage(w, kWM_CREATE, 0, 0);
    if ((style & kWS_VISIBLE) && Live(w)) Show(w, kSW_SHOW);
    return w;
  }

  bool DestroyWindow(HWindow hwnd) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    // Owned and child windows go first, as on Windows.
    for (size_t i = 0; i < records_.size(); ++i) {
      Window* other = records_[i].get();
      if (other->alive && other->parent == w) DestroyWindow(other);
    }
    w->visible = false;
    Destroying(w);
    SendMessage(w, kWM_DESTROY, 0, 0);
    SendMessage(w, kWM_NCDESTROY, 0, 0);
    Destroyed(w);
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      w->alive = false;
      live_.erase(w);
    }
    if (foreground_ == w) foreground_ = nullptr;
    if (focus_ == w) focus_ = nullptr;
    return true;
  }

  bool IsWindow(HWindow hwnd) override { return Live(hwnd) != nullptr; }

  uint32_t GetWindowLong(HWindow hwnd, int index) override {
    Window* w = Live(hwnd);
    if (!w) return 0;
    if (index == kGWL_STYLE) return w->style | (w->visible ? kWS_VISIBLE : 0);
    if (index == kGWL_EXSTYLE) return w->exStyle;
    return 0;
  }

  uint32_t SetWindowLong(HWindow hwnd, int index, uint32_t value) override {
    Window* w = Live(hwnd);
    if (!w) return 0;
    const uint32_t previous = GetWindowLong(hwnd, index);
    if (index == kGWL_STYLE) {
      w->style = value & ~kWS_VISIBLE;
    } else if (index == kGWL_EXSTYLE) {
      w->exStyle = value;
      w->topmost = (value & kWS_EX_TOPMOST) != 0;
      ExStyleChanged(w);
    }
    return previous;
  }

  bool SetWindowText(HWindow hwnd, const std::wstring& text) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    w->text = text;
    TextChanged(w);
    return true;
  }

  std::wstring GetWindowText(HWindow hwnd) override {
    Window* w = Live(hwnd);
    return w ? w->text : std::wstring();
  }

  // Callable from any thread; a message for a window that is gone is refused.
  bool PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override {
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      if (hwnd && !live_.count(hwnd)) return false;
      queue_.push_back(Msg{hwnd, message, wParam, lParam, 0, {}});
    }
    queueSignal_.notify_one();
    WakeLoop();
    return true;
  }

  LResult SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override {
    Window* w = Live(hwnd);
    if (!w) return 0;
    if (w->procedure) return w->procedure(w, message, wParam, lParam);
    return DefWindowProc(w, message, wParam, lParam);
  }

  LResult DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam, LParam) override {
    if (message == kWM_CLOSE) DestroyWindow(hwnd);
    if (message == kWM_SYSCOMMAND)
      if (Window* w = Live(hwnd)) SystemCommand(w, static_cast<uint32_t>(wParam));
    return 0;
  }

  void PostQuitMessage(int exitCode) override {
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      queue_.push_back(Msg{nullptr, kWM_QUIT, static_cast<WParam>(exitCode), 0, 0, {}});
    }
    queueSignal_.notify_one();
    WakeLoop();
  }

  int RunMessageLoop(MessageFilter* filter) override {
    for (;;) {
      Msg msg;
      bool have = false;
      {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (!queue_.empty()) {
          msg = queue_.front();
          queue_.pop_front();
          have = true;
        }
      }
      if (!have) {
        if (!WaitForMessages()) return kLoopRanDry;
        continue;
      }
      if (msg.message == kWM_QUIT) return static_cast<int>(msg.wParam);
      if (filter && filter->PreTranslateMessage(&msg)) continue;
      Dispatching(msg);
      // Posted messages for windows that are gone are dropped, as on Windows.
      if (msg.hwnd) SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
  }

  bool ShowWindow(HWindow hwnd, int command) override {
    Window* w = Live(hwnd);
    return w && Show(w, command);
  }

  bool UpdateWindow(HWindow hwnd) override { return Live(hwnd) != nullptr; }

  bool SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                    uint32_t flags) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    const Rect before = w->rect;
    w->rect = PlacedRect(w->rect, x, y, width, height, flags);
    w->topmost = PlacedTopmost(w->topmost, insertAfter, flags);
    if (!(flags & kSWP_NOZORDER)) Restacked(w, insertAfter);
    if (flags & kSWP_SHOWWINDOW) {
      Show(w, (flags & kSWP_NOACTIVATE) ? kSW_SHOWNA : kSW_SHOW);
    } else if (flags & kSWP_HIDEWINDOW) {
      Show(w, kSW_HIDE);
    }
    Relocated(w, before);
    return true;
  }

  bool IsWindowVisible(HWindow hwnd) override {
    Window* w = Live(hwnd);
    return w && w->visible;
  }

  HWindow GetForegroundWindow() override { return foreground_; }

  bool SetForegroundWindow(HWindow hwnd) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    foreground_ = w;
    BroughtForward(w);
    return true;
  }

  bool GetWindowRect(HWindow hwnd, Rect& out) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    out = w->rect;
    return true;
  }

  bool GetClientRect(HWindow hwnd, Rect& out) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    out = Rect{0, 0, w->rect.Width(), w->rect.Height()};
    return true;
  }

  bool ClientToScreen(HWindow hwnd, Point& point) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    point.x += w->rect.left;
    point.y += w->rect.top;
    return true;
  }

  bool ScreenToClient(HWindow hwnd, Point& point) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    point.x -= w->rect.left;
    point.y -= w->rect.top;
    return true;
  }

  bool GetDragFullWindows() override { return dragFullWindows_; }
  bool SetDragFullWindows(bool on) override {
    dragFullWindows_ = on;
    return true;
  }

  bool IsIconic(HWindow hwnd) override {
    Window* w = Live(hwnd);
    return w && w->iconic;
  }

  HRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int, int) override {
    return new RegionHandle{Rect{left, top, right, bottom}};
  }

  bool SetWindowRgn(HWindow hwnd, HRegion region, bool) override {
    Window* w = Live(hwnd);
    if (!w) return false;
    w->hasRegion = region != nullptr;
    w->region = region ? region->rect : Rect{};
    delete region;  // ours now, as the system's on Windows
    Reshaped(w);
    return true;
  }

  bool DeleteRegion(HRegion region) override {
    if (!region) return false;
    delete region;
    return true;
  }

  bool SetLayeredWindowAttributes(HWindow hwnd, uint32_t key, uint8_t, uint32_t flags) override {
    Window* w = Live(hwnd);
    if (!w || !(w->exStyle & kWS_EX_LAYERED)) return false;
    if (flags & kLWA_COLORKEY) {
      w->colorKeyed = true;
      w->colorKey = key;
    }
    Reshaped(w);
    return true;
  }

  // UpdateLayeredWindow: the backend keeps the image (LayeredImage); the
  // window takes the image's size, at `position` when given.
  bool UpdateLayeredWindow(HWindow hwnd, const Point* position, const Size& size,
                           MemoryCanvas& source, const Point& sourcePosition, uint32_t,
                           const BlendFunction&, uint32_t) override {
    Window* w = Live(hwnd);
    if (!w || !(w->exStyle & kWS_EX_LAYERED) || size.cx <= 0 || size.cy <= 0) return false;
    LayeredImage(w, size, source, sourcePosition);
    const Rect before = w->rect;
    const Point at = position ? *position : Point{w->rect.left, w->rect.top};
    w->rect = Rect{at.x, at.y, at.x + size.cx, at.y + size.cy};
    Relocated(w, before);
    if (Live(w)) Reshaped(w);
    return true;
  }

  HWindow SetFocus(HWindow hwnd) override {
    const HWindow previous = focus_;
    Window* w = Live(hwnd);
    if (!w) return previous;
    focus_ = w;
    Focused(w);
    return previous;
  }

  HCursor SetCursor(HCursor cursor) override {
    const HCursor previous = cursor_;
    cursor_ = cursor;
    CursorChanged();
    return previous;
  }

  HMenu LoadMenu(int id) override { return LoadMenuResource(id); }
  HMenu GetSubMenu(HMenu menu, int position) override { return MenuSubMenu(menu, position); }
  bool RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) override {
    return MenuRemove(menu, item, flags);
  }
  bool DestroyMenu(HMenu menu) override { return MenuDestroy(menu); }

 protected:
  // The live window of a handle; null for null, unknown and destroyed handles.
  Window* Live(HWindow hwnd) const {
    return hwnd && live_.count(hwnd) ? static_cast<Window*>(hwnd) : nullptr;
  }

  // Every window ever made, in order of creation (destroyed ones included).
  std::vector<Window*> AllWindows() const {
    std::vector<Window*> out;
    for (const auto& r : records_) out.push_back(r.get());
    return out;
  }

  // The live windows whose parent or owner is `w`.
  std::vector<Window*> OwnedBy(const Window* w) const {
    std::vector<Window*> out;
    for (const auto& r : records_)
      if (r->alive && r->parent == w) out.push_back(r.get());
    return out;
  }

  size_t QueueLength() {
    std::lock_guard<std::mutex> lock(queueLock_);
    return queue_.size();
  }

  // Blocks until something is posted (for a loop without native events).
  void WaitForPost() {
    std::unique_lock<std::mutex> lock(queueLock_);
    queueSignal_.wait(lock, [this] { return !queue_.empty(); });
  }

  // ShowWindow's bookkeeping; returns whether the window was visible.
  bool Show(Window* w, int command) {
    const bool was = w->visible;
    w->visible = command != kSW_HIDE;
    if (!(w->style & kWS_CHILD) && command != kSW_HIDE) {
      if (IsMinimizeCommand(command)) {
        w->iconic = true;
      } else if (command == kSW_RESTORE || command == kSW_SHOWNORMAL) {
        w->iconic = false;
      }
      if (command == kSW_SHOWNORMAL || command == kSW_SHOW || command == kSW_RESTORE ||
          command == kSW_SHOWMAXIMIZED)
        ActivatedByShow(w);
    }
    Shown(w, command, was);
    return was;
  }

  // After the rectangle changed: the native side follows, then the window
  // procedure hears of the move and the new size before the call returns.
  void Relocated(Window* w, const Rect& before) {
    Placed(w);
    if (before.left != w->rect.left || before.top != w->rect.top)
      SendMessage(w, kWM_MOVE, 0, PackPoint(w->rect.left, w->rect.top));
    if (Live(w) && (before.Width() != w->rect.Width() || before.Height() != w->rect.Height())) {
      Resized(w);
      SendMessage(w, kWM_SIZE, 0, PackPoint(w->rect.Width(), w->rect.Height()));
    }
  }

  // --- hooks: what the backend does natively -------------------------------------
  virtual void Created(Window*) {}
  // Before WM_DESTROY (the window is already marked hidden) and after WM_NCDESTROY.
  virtual void Destroying(Window*) {}
  virtual void Destroyed(Window*) {}
  virtual void ExStyleChanged(Window*) {}
  virtual void TextChanged(Window*) {}
  // A message was posted: a loop waiting on native events must wake.
  virtual void WakeLoop() {}
  // The queue is empty: wait for more (true) or end the loop (false).
  virtual bool WaitForMessages() { return false; }
  virtual void Dispatching(const Msg&) {}
  virtual void SystemCommand(Window*, uint32_t) {}
  // ShowWindow with a command that activates: the window becomes the
  // foreground one (a backend whose window manager decides may wait for it).
  virtual void ActivatedByShow(Window* w) { foreground_ = w; }
  virtual void Shown(Window*, int, bool) {}
  virtual void Restacked(Window*, HWindow) {}
  virtual void Placed(Window*) {}
  virtual void Resized(Window*) {}
  virtual void BroughtForward(Window*) {}
  // The region, the colour key or the layered image changed.
  virtual void Reshaped(Window*) {}
  virtual void LayeredImage(Window*, const Size&, MemoryCanvas&, const Point&) {}
  virtual void Focused(Window*) {}
  virtual void CursorChanged() {}

  // Windows of a class never registered are made anyway, their messages going
  // to DefWindowProc (where Windows would refuse them).
  bool unknownClassesUseDefault_ = false;
  std::mutex queueLock_;  // guards queue_ and live_ (PostMessage comes from any thread)
  HWindow foreground_ = nullptr;
  HWindow focus_ = nullptr;
  HCursor cursor_ = nullptr;
  bool dragFullWindows_ = true;

 private:
  std::map<std::wstring, WindowClass> classes_;
  std::vector<std::unique_ptr<Window>> records_;
  std::set<HWindow> live_;
  std::deque<Msg> queue_;
  std::condition_variable queueSignal_;
};

}  // namespace pf
