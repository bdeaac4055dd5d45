#include "platform/fake/fake_platform.h"

#include <algorithm>

#include "platform/portable/embedded_resources.h"
#include "platform/portable/image_codec.h"
#include "platform/portable/window_geometry.h"
#include "platform/portable/menu_model.h"

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

LResult FakeUi::DefWindowProc(HWindow hwnd, uint32_t message, WParam wParam, LParam) {
  if (message == kWM_CLOSE) DestroyWindow(hwnd);
  if (message == kWM_SYSCOMMAND) {
    // The system's move and size loops; here they return at once.
    sysCommands.push_back(static_cast<uint32_t>(wParam));
    dragFullWindowsDuringSysCommand.push_back(dragFullWindows);
  }
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
  if (command == kSW_MINIMIZE || command == kSW_SHOWMINIMIZED || command == kSW_SHOWMINNOACTIVE)
    w->iconic = true;
  if (command == kSW_RESTORE || command == kSW_SHOWNORMAL || command == kSW_HIDE) w->iconic = false;
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
  const Rect before = w->rect;
  w->rect = PlacedRect(w->rect, x, y, width, height, flags);
  w->topmost = PlacedTopmost(w->topmost, insertAfter, flags);
  if (flags & kSWP_SHOWWINDOW) w->visible = true;
  if (flags & kSWP_HIDEWINDOW) w->visible = false;
  // As on Windows, the window procedure hears of the change before this returns.
  if (before.left != w->rect.left || before.top != w->rect.top)
    SendMessage(hwnd, kWM_MOVE, 0,
                static_cast<LParam>((static_cast<uint32_t>(w->rect.left) & 0xFFFF) |
                                    ((static_cast<uint32_t>(w->rect.top) & 0xFFFF) << 16)));
  if (Live(hwnd) && (before.Width() != w->rect.Width() || before.Height() != w->rect.Height())) {
    w->surface.reset();
    SendMessage(hwnd, kWM_SIZE, 0,
                static_cast<LParam>((static_cast<uint32_t>(w->rect.Width()) & 0xFFFF) |
                                    ((static_cast<uint32_t>(w->rect.Height()) & 0xFFFF) << 16)));
  }
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

bool FakeUi::GetClientRect(HWindow hwnd, Rect& out) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  out = Rect{0, 0, w->rect.Width(), w->rect.Height()};
  return true;
}

bool FakeUi::ClientToScreen(HWindow hwnd, Point& point) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  point.x += w->rect.left;
  point.y += w->rect.top;
  return true;
}

bool FakeUi::ScreenToClient(HWindow hwnd, Point& point) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  point.x -= w->rect.left;
  point.y -= w->rect.top;
  return true;
}

bool FakeUi::GetWorkArea(Rect& out) {
  out = workArea;
  return true;
}

bool FakeUi::SetDragFullWindows(bool on) {
  Log(std::wstring(L"SetDragFullWindows ") + (on ? L"1" : L"0"));
  dragFullWindows = on;
  return true;
}

bool FakeUi::IsIconic(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w && w->iconic;
}

HRegion FakeUi::CreateRoundRectRgn(int left, int top, int right, int bottom, int, int) {
  return new RegionHandle{Rect{left, top, right, bottom}};
}

bool FakeUi::SetWindowRgn(HWindow hwnd, HRegion region, bool) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  w->hasRegion = region != nullptr;
  w->region = region ? region->rect : Rect{};
  delete region;  // the system owns it now
  Log(L"SetWindowRgn " + std::to_wstring(w->id) + L" " + std::to_wstring(w->region.right) + L"x" +
      std::to_wstring(w->region.bottom));
  return true;
}

bool FakeUi::DeleteRegion(HRegion region) {
  if (!region) return false;
  delete region;
  return true;
}

bool FakeUi::SetLayeredWindowAttributes(HWindow hwnd, uint32_t key, uint8_t, uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w || !(w->exStyle & kWS_EX_LAYERED)) return false;
  w->layered = true;
  if (flags & kLWA_COLORKEY) w->colorKey = key;
  return true;
}

bool FakeUi::UpdateLayeredWindow(HWindow hwnd, const Point* position, const Size& size,
                                 MemoryCanvas& source, const Point& sourcePosition, uint32_t,
                                 const BlendFunction&, uint32_t) {
  WindowHandle* w = Live(hwnd);
  if (!w || !(w->exStyle & kWS_EX_LAYERED)) return false;
  ++w->layeredUpdates;
  if (position) w->rect = Rect{position->x, position->y, position->x + size.cx, position->y + size.cy};
  w->surface = std::make_unique<SoftCanvas>(size.cx, size.cy);
  w->surface->BitBlt(0, 0, size.cx, size.cy, source.Target(), sourcePosition.x, sourcePosition.y,
                     kSRCCOPY);
  w->surface->ClearCalls();
  Log(L"UpdateLayeredWindow " + std::to_wstring(w->id));
  return true;
}

SoftCanvas* FakeUi::Surface(HWindow hwnd) {
  WindowHandle* w = Live(hwnd);
  return w ? w->surface.get() : nullptr;
}

bool FakeUi::RedrawWindow(HWindow hwnd, const Rect* rect, uint32_t flags) {
  WindowHandle* w = Live(hwnd);
  if (!w) return false;
  redraws.push_back(Redraw{hwnd, rect ? *rect : Rect{}, rect == nullptr, flags});
  if ((flags & kRDW_INVALIDATE) && (flags & kRDW_UPDATENOW)) {
    pendingPaint_ = rect ? *rect : Rect{0, 0, w->rect.Width(), w->rect.Height()};
    SendMessage(hwnd, kWM_PAINT, 0, 0);
    pendingPaint_.reset();
  }
  return true;
}

Canvas* FakeUi::BeginPaint(HWindow hwnd, Rect& paintRect) {
  WindowHandle* w = Live(hwnd);
  if (!w) return nullptr;
  if (!w->surface) {
    w->surface = std::make_unique<SoftCanvas>(w->rect.Width(), w->rect.Height());
  }
  if (graphics) w->surface->measure = graphics->measure;
  paintRect = pendingPaint_ ? *pendingPaint_ : Rect{0, 0, w->rect.Width(), w->rect.Height()};
  w->surface->SetClip(paintRect);
  return w->surface.get();
}

void FakeUi::EndPaint(HWindow hwnd, Canvas*) {
  if (WindowHandle* w = Live(hwnd))
    if (w->surface) w->surface->SetClip(Rect{-(1 << 30), -(1 << 30), 1 << 30, 1 << 30});
}

Canvas* FakeUi::GetDC(HWindow) {
  auto* canvas = new SoftCanvas(1, 1);
  if (graphics) canvas->measure = graphics->measure;
  return canvas;
}

void FakeUi::ReleaseDC(HWindow, Canvas* canvas) { delete canvas; }

HWindow FakeUi::SetFocus(HWindow hwnd) {
  const HWindow previous = focus;
  if (Live(hwnd)) focus = hwnd;
  Log(L"SetFocus");
  return previous;
}

HCursor FakeUi::LoadCursor(int id) {
  static CursorHandle arrow{kIDC_ARROW}, hand{kIDC_HAND}, nwse{kIDC_SIZENWSE},
      nesw{kIDC_SIZENESW}, we{kIDC_SIZEWE}, ns{kIDC_SIZENS};
  for (CursorHandle* c : {&arrow, &hand, &nwse, &nesw, &we, &ns})
    if (c->id == id) return c;
  return nullptr;
}

HCursor FakeUi::SetCursor(HCursor c) {
  const HCursor previous = cursor;
  cursor = c;
  return previous;
}

bool FakeUi::GetCursorPos(Point& out) {
  out = cursorPos;
  return true;
}

bool FakeUi::TrackMouseEvent(HWindow hwnd, uint32_t flags, uint32_t hoverTime) {
  tracks.push_back(Track{hwnd, flags, hoverTime});
  return !failTrackMouse && Live(hwnd) != nullptr;
}

int16_t FakeUi::GetKeyState(int virtualKey) {
  auto it = keyStates.find(virtualKey);
  return it == keyStates.end() ? 0 : it->second;
}

HMenu FakeUi::LoadMenu(int id) {
  HMenu menu = LoadMenuResource(id);
  if (menu) ++liveMenus;
  return menu;
}

HMenu FakeUi::GetSubMenu(HMenu menu, int position) { return MenuSubMenu(menu, position); }

bool FakeUi::RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) {
  HMenu popup = (flags & kMF_BYPOSITION) ? MenuSubMenu(menu, static_cast<int>(item)) : nullptr;
  const bool removed = MenuRemove(menu, item, flags);
  if (removed && popup) ++liveMenus;  // the detached popup is a menu of its own now
  return removed;
}

bool FakeUi::DestroyMenu(HMenu menu) {
  if (!menu) return false;
  --liveMenus;
  return MenuDestroy(menu);
}

int FakeUi::TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) {
  if (!menu) return 0;
  Popup popup{{}, flags, Point{x, y}, owner};
  for (const auto& item : menu->items) popup.items.push_back(item.text);
  popups.push_back(popup);
  if (popupAnswers.empty()) return 0;
  const int answer = popupAnswers.front();
  popupAnswers.pop_front();
  return answer;
}

bool FakeUi::ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) {
  notifyIcons.emplace_back(message, icon);
  return !failNotifyIcon;
}

uint32_t FakeUi::RegisterWindowMessage(const std::wstring& name) {
  auto it = registeredMessages.find(name);
  if (it != registeredMessages.end()) return it->second;
  const auto number = static_cast<uint32_t>(0xC000 + registeredMessages.size());
  registeredMessages[name] = number;
  return number;
}

std::unique_ptr<Bitmap> FakeGraphics::CreateBitmap(int width, int height, int bitsPerPixel) {
  return std::make_unique<SoftBitmap>(width, height, bitsPerPixel);
}

std::unique_ptr<Bitmap> FakeGraphics::DecodePng(const uint8_t* data, size_t size, bool& hasAlpha) {
  hasAlpha = false;
  if (failDecode) return nullptr;
  return DecodePngBytes(data, size, hasAlpha, [this](int w, int h, int bpp) {
    return CreateBitmap(w, h, bpp);
  });
}

std::unique_ptr<Bitmap> FakeGraphics::LoadBitmapResource(int id) {
  const EmbeddedResource* r = FindEmbeddedResource(id, L"BITMAP");
  if (!r) return nullptr;
  return DecodeBmpBytes(r->begin, static_cast<size_t>(r->end - r->begin),
                        [this](int w, int h, int bpp) { return CreateBitmap(w, h, bpp); });
}

HFont FakeGraphics::CreateFont(const LogFont& logFont) {
  ++liveFonts;
  createdFonts.push_back(logFont);
  return new FontHandle{logFont};
}

bool FakeGraphics::DeleteFont(HFont font) {
  if (!font) return false;
  --liveFonts;
  delete font;
  return true;
}

std::unique_ptr<MemoryCanvas> FakeGraphics::CreateMemoryCanvas(int width, int height) {
  auto canvas = std::make_unique<SoftCanvas>(width, height);
  canvas->measure = measure;
  return canvas;
}

namespace {
std::wstring WithSlash(std::wstring p) {
  if (!p.empty() && p.back() != L'/') p += L'/';
  return p;
}
}  // namespace

Platform FakeParts::Bundle() {
  ui.graphics = &graphics;
  Platform p{&files, &ini, &system, &ui, &resources};
  p.registry = &registry;
  p.shell = &shell;
  p.machine = &machine;
  p.web = &web;
  p.graphics = &graphics;
  p.http = &http;
  p.urlCache = &urlCache;
  p.processes = &processes;
  return p;
}

FakePlatform::FakePlatform(const std::wstring& rootFolder)
    : FakeParts(WithSlash(rootFolder) + L"roaming/", WithSlash(rootFolder) + L"temp/") {
  files.CreateFolder(WithSlash(rootFolder) + L"roaming");
  files.CreateFolder(WithSlash(rootFolder) + L"temp");
  previous = Install(Bundle());
}

FakePlatform::~FakePlatform() { Install(previous); }

Platform MakeBackendPlatform() {
  static FakeParts parts;
  return parts.Bundle();
}

}  // namespace pf
