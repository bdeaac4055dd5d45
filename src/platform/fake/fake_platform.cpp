#include "platform/fake/fake_platform.h"

#include <algorithm>

namespace pf {

bool FakeSystem::NewGuid(Guid& out) {
  if (guidFails) return false;
  out = Guid{};
  out.data1 = 0xA0000000u + nextGuid;
  out.data2 = 0x1234;
  out.data3 = 0x5678;
  for (int i = 0; i < 8; ++i) out.data4[i] = static_cast<uint8_t>(nextGuid + static_cast<uint32_t>(i));
  ++nextGuid;
  return true;
}

FakeUi::FakeUi() = default;
FakeUi::~FakeUi() = default;

void FakeUi::Log(const std::wstring& entry) { log.push_back(entry); }

WindowHandle* FakeUi::Live(HWindow hwnd) const {
  for (const auto& w : windows_)
    if (w.get() == hwnd && w->alive) return w.get();
  return nullptr;
}

std::vector<WindowHandle*> FakeUi::Windows() const {
  std::vector<WindowHandle*> out;
  for (const auto& w : windows_) out.push_back(w.get());
  return out;
}

size_t FakeUi::QueuedMessages() {
  std::lock_guard<std::mutex> lock(queueLock_);
  return queue_.size();
}

bool FakeUi::RegisterWindowClass(const WindowClass& windowClass) {
  Log(L"RegisterWindowClass " + windowClass.className);
  classes_[windowClass.className] = windowClass;
  return true;
}

HWindow FakeUi::CreateWindowEx(uint32_t exStyle, const std::wstring& className,
                               const std::wstring& title, uint32_t style, int x, int y, int width,
                               int height, HWindow parent) {
  Log(L"CreateWindowEx " + className + L" " + title);
  if (failCreate) return nullptr;
  auto w = std::make_unique<WindowHandle>();
  w->id = nextId_++;
  w->className = className;
  w->text = title;
  w->style = style;
  w->exStyle = exStyle;
  w->rect = {x, y, x + width, y + height};
  w->parent = parent;
  w->visible = (style & kWS_VISIBLE) != 0;
  auto cls = classes_.find(className);
  w->procedure = cls == classes_.end() ? nullptr : cls->second.procedure;
  HWindow handle = w.get();
  windows_.push_back(std::move(w));
  // The procedure sees its first messages before CreateWindowEx returns.
  SendMessage(handle, kWM_NCCREATE, 0, 0);
  SendMessage(handle, kWM_CREATE, 0, 0);
  return handle;
}

bool FakeUi::DestroyWindow(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  Log(L"DestroyWindow " + std::to_wstring(w->id));
  // Owned windows go first, as on Windows.
  for (size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i]->alive && windows_[i]->parent == hwnd) DestroyWindow(windows_[i].get());
  w->visible = false;
  SendMessage(hwnd, kWM_DESTROY, 0, 0);
  SendMessage(hwnd, kWM_NCDESTROY, 0, 0);
  w->alive = false;
  if (foreground == hwnd) foreground = nullptr;
  return true;
}

bool FakeUi::IsWindow(HWindow hwnd) { return Live(hwnd) != nullptr; }

uint32_t FakeUi::GetWindowLong(HWindow hwnd, int index) {
  WindowHandle* w = Live(hwnd);
  if (!w) return 0;
  return index == kGWL_EXSTYLE ? w->exStyle : index == kGWL_STYLE ? w->style : 0;
}

uint32_t FakeUi::SetWindowLong(HWindow hwnd, int index, uint32_t value) {
  WindowHandle* w = Live(hwnd);
  if (!w) return 0;
  Log(L"SetWindowLong " + std::to_wstring(index) + L" " + std::to_wstring(value));
  uint32_t& field = index == kGWL_EXSTYLE ? w->exStyle : w->style;
  const uint32_t previous = field;
  field = value;
  if (index == kGWL_STYLE) w->visible = (value & kWS_VISIBLE) != 0;
  return previous;
}

bool FakeUi::SetWindowText(HWindow hwnd, const std::wstring& text) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  w->text = text;
  return true;
}

std::wstring FakeUi::GetWindowText(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w ? w->text : std::wstring();
}

bool FakeUi::PostMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  std::lock_guard<std::mutex> lock(queueLock_);
  if (hwnd && !Live(hwnd)) return false;
  queue_.push_back(Msg{hwnd, message, wParam, lParam, 0, {}});
  return true;
}

LResult FakeUi::SendMessage(HWindow hwnd, uint32_t message, WParam wParam, LParam lParam) {
  WindowHandle* w = Live(hwnd);
  if (!w) return 0;
  if (w->procedure) return w->procedure(hwnd, message, wParam, lParam);
  return DefWindowProc(hwnd, message, wParam, lParam);
}

LResult FakeUi::DefWindowProc(HWindow hwnd, uint32_t message, WParam, LParam) {
  if (message == kWM_CLOSE) DestroyWindow(hwnd);
  return 0;
}

void FakeUi::PostQuitMessage(int exitCode) {
  Log(L"PostQuitMessage " + std::to_wstring(exitCode));
  std::lock_guard<std::mutex> lock(queueLock_);
  queue_.push_back(Msg{nullptr, kWM_QUIT, static_cast<WParam>(exitCode), 0, 0, {}});
}

int FakeUi::RunMessageLoop(MessageFilter* filter) {
  Log(L"RunMessageLoop");
  for (;;) {
    Msg msg;
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      if (queue_.empty()) return kLoopRanDry;
      msg = queue_.front();
      queue_.pop_front();
    }
    if (msg.message == kWM_QUIT) return static_cast<int>(msg.wParam);
    if (filter && filter->PreTranslateMessage(&msg)) continue;
    dispatched.push_back(msg);
    if (msg.hwnd) SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  }
}

bool FakeUi::ShowWindow(HWindow hwnd, int command) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  Log(L"ShowWindow " + std::to_wstring(w->id) + L" " + std::to_wstring(command));
  const bool was = w->visible;
  w->visible = command != kSW_HIDE;
  if (command == kSW_SHOWNORMAL || command == kSW_SHOW || command == kSW_RESTORE) foreground = hwnd;
  return was;
}

bool FakeUi::UpdateWindow(HWindow hwnd) { return Live(hwnd) != nullptr; }

bool FakeUi::SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                          uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  Log(L"SetWindowPos " + std::to_wstring(w->id) + L" " + std::to_wstring(x) + L"," +
      std::to_wstring(y) + L" " + std::to_wstring(flags) +
      (insertAfter == HwndTopmost() ? L" topmost" : L""));
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
  }
  if (flags & kSWP_SHOWWINDOW) w->visible = true;
  if (flags & kSWP_HIDEWINDOW) w->visible = false;
  return true;
}

bool FakeUi::IsWindowVisible(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w && w->visible;
}

bool FakeUi::SetForegroundWindow(HWindow hwnd) {
  if (!Live(hwnd)) return false;
  foreground = hwnd;
  return true;
}

bool FakeUi::GetWindowRect(HWindow hwnd, Rect& out) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  out = w->rect;
  return true;
}

int FakeUi::MessageBox(HWindow owner, const std::wstring& text, const std::wstring& caption,
                       uint32_t flags) {
  std::lock_guard<std::mutex> lock(queueLock_);
  messageBoxes.push_back(Box{owner, text, caption, flags});
  if (!messageBoxAnswers.empty()) {
    const int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
  }
  return (flags & kMB_YESNO) == kMB_YESNO ? kIDNO : kIDOK;
}

namespace {
std::wstring WithSlash(std::wstring p) {
  if (!p.empty() && p.back() != L'/') p += L'/';
  return p;
}
}  // namespace

FakePlatform::FakePlatform(const std::wstring& rootFolder)
    : files(WithSlash(rootFolder) + L"roaming/", WithSlash(rootFolder) + L"temp/") {
  files.CreateFolder(WithSlash(rootFolder) + L"roaming");
  files.CreateFolder(WithSlash(rootFolder) + L"temp");
  Platform p{&files, &ini, &system, &ui, &resources};
  p.http = &http;
  p.processes = &processes;
  previous = Install(p);
}

FakePlatform::~FakePlatform() { Install(previous); }

Platform MakeBackendPlatform() {
  static PosixFiles files;
  static IniFile ini;
  static FakeSystem system;
  static FakeUi ui;
  static StringTableResources resources;
  static FakeHttp http;
  static FakeProcesses processes;
  Platform p{&files, &ini, &system, &ui, &resources};
  p.http = &http;
  p.processes = &processes;
  return p;
}

}  // namespace pf
