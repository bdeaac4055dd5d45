// The fake backend: what logic tests run on.
//
// Files and INI files are real (under folders the test chooses); the system
// facts are scripted; the UI keeps windows as records and a message queue in
// memory and logs every call, so a test can check both state and sequence.
// Supports: windows of any class with styles, text, rectangle and visibility;
// posted and sent messages through the registered class procedure; a message
// loop that ends on WM_QUIT or when the queue runs dry; scripted message-box
// answers; painting into a software canvas per window (SoftCanvas), with
// RedrawWindow, BeginPaint and layered windows; menus from the embedded menu
// resources with scripted choices; recorded cursor, tracking, focus and tray
// calls.  No input devices: tests send the mouse messages themselves.  The
// windows, the queue and the loop are the shared window core's; the loop
// returns kLoopRanDry when the queue runs dry, or with waitForPosts waits
// for a post as a real backend's does.
#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_web_engine.h"
#include "platform/fake/fake_http.h"
#include "platform/fake/fake_url_cache.h"
#include "platform/platform.h"
#include "platform/portable/ini_file.h"
#include "platform/linux/posix_files.h"
#include "platform/portable/soft_canvas.h"
#include "platform/portable/string_table.h"
#include "platform/portable/window_core.h"

namespace pf {

// The fake's part of a window record: its painted pixels.
struct WindowHandle : WindowRecord {
  std::unique_ptr<SoftCanvas> surface;  // the client area's pixels, made on first paint
  int layeredUpdates = 0;               // UpdateLayeredWindow calls
};

struct CursorHandle {
  int id;
};

class FakeGraphics : public Graphics {
 public:
  PF_GRAPHICS_OPERATIONS(PF_OVERRIDE)

  int liveFonts = 0;
  std::vector<LogFont> createdFonts;
  bool failDecode = false;
  TextMeasurer measure = DefaultMeasure;  // given to every canvas made here or by FakeUi
};

class FakeSystem : public System {
 public:
  std::wstring commandLine = L"vexa.exe";
  int64_t now = 1767225600;  // 2026-01-01 00:00:00 UTC
  LocalTime localTime{2026, 1, 1, 8, 0, 0};
  bool localTimeFails = false;
  bool guidFails = false;
  uint32_t nextGuid = 1;

  std::wstring CommandLine() override { return commandLine; }
  int64_t Now() override { return now; }
  bool ToLocalTime(int64_t, LocalTime& out) override {
    if (localTimeFails) return false;
    out = localTime;
    return true;
  }
  bool NewGuid(Guid& out) override;
};

class FakeUi : public WindowCore<WindowHandle> {
 public:
  FakeUi();
  ~FakeUi() override;

  // The window core's operations, logged.
  void Initialize() override { Log(L"Initialize"); }
  void Shutdown() override { Log(L"Shutdown"); }
  bool RegisterWindowClass(const WindowClass& windowClass) override;
  HWindow CreateWindowEx(uint32_t exStyle, const std::wstring& className, const std::wstring& title,
                         uint32_t style, int x, int y, int width, int height,
                         HWindow parent) override;
  bool DestroyWindow(HWindow hwnd) override;
  uint32_t SetWindowLong(HWindow hwnd, int index, uint32_t value) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop(MessageFilter* filter) override;
  bool ShowWindow(HWindow hwnd, int command) override;
  bool SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                    uint32_t flags) override;
  bool SetDragFullWindows(bool on) override;
  bool SetWindowRgn(HWindow hwnd, HRegion region, bool redraw) override;
  HWindow SetFocus(HWindow hwnd) override;

  // Painting: each window's client area is a SoftCanvas (see Surface).
  bool RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) override;
  Canvas* BeginPaint(HWindow hwnd, Rect& paintRect) override;
  void EndPaint(HWindow hwnd, Canvas* canvas) override;
  Canvas* GetDC(HWindow hwnd) override;
  void ReleaseDC(HWindow hwnd, Canvas* canvas) override;

  // Scripted answers: message boxes, the work area, the pointer, the keys.
  int MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                 uint32_t flags) override;
  bool GetWorkArea(Rect& out) override;
  bool GetCursorPos(Point& out) override;
  int16_t GetKeyState(int virtualKey) override;
  // Recorded: cursors, mouse tracking, menus (counted), popups and the tray.
  HCursor LoadCursor(int id) override;
  bool TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) override;
  HMenu LoadMenu(int id) override;
  bool RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) override;
  bool DestroyMenu(HMenu menu) override;
  int TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) override;
  bool ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) override;
  uint32_t RegisterWindowMessage(const std::wstring& name) override;

  // The painted client area of a window (null before its first paint).
  SoftCanvas* Surface(HWindow hwnd);
  // Test controls and observations of the skin operations.
  Rect workArea{0, 0, 1920, 1040};
  bool& dragFullWindows = dragFullWindows_;
  std::vector<bool> dragFullWindowsDuringSysCommand;  // the setting seen by each WM_SYSCOMMAND
  HWindow& focus = focus_;
  HCursor& cursor = cursor_;
  Point cursorPos;
  std::map<int, int16_t> keyStates;
  bool failTrackMouse = false;
  struct Track {
    HWindow hwnd;
    uint32_t flags;
    uint32_t hoverTime;
  };
  std::vector<Track> tracks;
  struct Redraw {
    HWindow hwnd;
    Rect rect;
    bool whole;
    uint32_t flags;
  };
  std::vector<Redraw> redraws;
  std::vector<uint32_t> sysCommands;  // WM_SYSCOMMAND wParams that reached DefWindowProc
  std::deque<int> popupAnswers;        // TrackPopupMenu results in order; 0 when empty
  struct Popup {
    std::vector<std::wstring> items;
    uint32_t flags;
    Point at;
    HWindow owner;
  };
  std::vector<Popup> popups;
  bool failNotifyIcon = false;
  std::vector<std::pair<uint32_t, NotifyIcon>> notifyIcons;
  std::map<std::wstring, uint32_t> registeredMessages;  // RegisterWindowMessage: 0xC000 and up
  int liveMenus = 0;
  FakeGraphics* graphics = nullptr;  // not owned; supplies the text measurer

  // Test controls and observations.
  HWindow& foreground = foreground_;
  bool failCreate = false;
  std::deque<int> messageBoxAnswers;  // answers in order; IDOK / IDNO when empty
  struct Box {
    HWindow owner;
    std::wstring text;
    std::wstring caption;
    uint32_t flags;
  };
  std::vector<Box> messageBoxes;
  std::vector<Msg> dispatched;  // every message the loop dispatched, in order
  // With the queue empty the loop waits for a post (from another thread), as
  // a real backend's does, instead of returning kLoopRanDry.
  bool waitForPosts = false;
  std::vector<WindowHandle*> Windows() const { return AllWindows(); }
  size_t QueuedMessages() { return QueueLength(); }
  std::vector<std::wstring> log;

 private:
  void Log(const std::wstring& entry);
  void Dispatching(const Msg& msg) override { dispatched.push_back(msg); }
  bool WaitForMessages() override;
  void SystemCommand(WindowHandle* w, uint32_t command) override;
  void Resized(WindowHandle* w) override;
  void LayeredImage(WindowHandle* w, const Size& size, MemoryCanvas& source,
                    const Point& sourcePosition) override;

  std::optional<Rect> pendingPaint_;  // the invalid rectangle of the WM_PAINT being sent
  std::mutex logLock_;                // calls may come from other threads (PostMessage, ShowWindow)
};

// A complete fake platform whose files live under one folder of the test's.
// Every fake of the backend, and the bundle that names them.
struct FakeParts {
  FakeParts() = default;
  FakeParts(const std::wstring& appDataRoot, const std::wstring& tempRoot)
      : files(appDataRoot, tempRoot) {}
  FakeParts(const FakeParts&) = delete;
  FakeParts& operator=(const FakeParts&) = delete;
  Platform Bundle();

  PosixFiles files;
  IniFile ini;
  FakeSystem system;
  FakeUi ui;
  StringTableResources resources;
  FakeRegistry registry;
  FakeShell shell;
  FakeMachine machine;
  FakeWebEngine web;
  FakeGraphics graphics;
  FakeHttp http;
  FakeProcesses processes;
  FakeUrlCache urlCache;
};

// A complete fake platform whose files live under one folder of the test's,
// installed for the object's lifetime.
struct FakePlatform : FakeParts {
  explicit FakePlatform(const std::wstring& rootFolder);
  ~FakePlatform();
  Platform previous;
};

}  // namespace pf
