// The fake backend: what logic tests run on.
//
// Files and INI files are real (under folders the test chooses); the system
// facts are scripted; the UI keeps windows as records and a message queue in
// memory and logs every call, so a test can check both state and sequence.
// Supports: windows of any class with styles, text, rectangle and visibility;
// posted and sent messages through the registered class procedure; a message
// loop that ends on WM_QUIT or when the queue runs dry; scripted message-box
// answers.  No painting, no input devices.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fake/fake_http.h"
#include "platform/platform.h"
#include "platform/portable/ini_file.h"
#include "platform/portable/posix_files.h"
#include "platform/portable/string_table.h"

namespace pf {

struct WindowHandle {
  int id = 0;
  std::wstring className;
  std::wstring text;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  Rect rect;  // screen coordinates
  WindowHandle* parent = nullptr;
  bool visible = false;
  bool alive = true;
  bool topmost = false;
  WindowProc procedure = nullptr;
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

class FakeUi : public Ui {
 public:
  // What the loop returns when it runs out of messages without WM_QUIT: a
  // real loop would wait forever, a test must not.
  static constexpr int kLoopRanDry = -12345;

  FakeUi();
  ~FakeUi() override;

  void Initialize() override { Log(L"Initialize"); }
  void Shutdown() override { Log(L"Shutdown"); }
  bool RegisterWindowClass(const WindowClass& windowClass) override;
  HWindow CreateWindowEx(uint32_t exStyle, const std::wstring& className, const std::wstring& title,
                         uint32_t style, int x, int y, int width, int height,
                         HWindow parent) override;
  bool DestroyWindow(HWindow hwnd) override;
  bool IsWindow(HWindow hwnd) override;
  uint32_t GetWindowLong(HWindow hwnd, int index) override;
  uint32_t SetWindowLong(HWindow hwnd, int index, uint32_t value) override;
  bool SetWindowText(HWindow hwnd, const std::wstring& text) override;
  std::wstring GetWindowText(HWindow hwnd) override;
  bool PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override;
  LResult SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override;
  LResult DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop(MessageFilter* filter) override;
  bool ShowWindow(HWindow hwnd, int command) override;
  bool UpdateWindow(HWindow hwnd) override;
  bool SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                    uint32_t flags) override;
  bool IsWindowVisible(HWindow hwnd) override;
  HWindow GetForegroundWindow() override { return foreground; }
  bool SetForegroundWindow(HWindow hwnd) override;
  bool GetWindowRect(HWindow hwnd, Rect& out) override;
  int MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                 uint32_t flags) override;

  // Test controls and observations.
  HWindow foreground = nullptr;
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
  std::vector<WindowHandle*> Windows() const;
  size_t QueuedMessages();
  std::vector<std::wstring> log;

 private:
  void Log(const std::wstring& entry);
  WindowHandle* Live(HWindow hwnd) const;

  std::map<std::wstring, WindowClass> classes_;
  std::vector<std::unique_ptr<WindowHandle>> windows_;
  std::mutex queueLock_;  // PostMessage may come from worker threads
  std::deque<Msg> queue_;
  int nextId_ = 1;
};

// A complete fake platform whose files live under one folder of the test's.
struct FakePlatform {
  explicit FakePlatform(const std::wstring& rootFolder);
  ~FakePlatform();
  PosixFiles files;
  IniFile ini;
  FakeSystem system;
  FakeUi ui;
  StringTableResources resources;
  FakeHttp http;
  FakeProcesses processes;
  Platform previous;
};

}  // namespace pf
