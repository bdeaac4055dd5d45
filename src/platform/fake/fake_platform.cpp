#include "platform/fake/fake_platform.h"

#include <algorithm>

#include "platform/portable/embedded_resources.h"
#include "platform/portable/image_codec.h"
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

FakeUi::FakeUi() {
  // Logic tests make windows of classes they never register.
  unknownClassesUseDefault_ = true;
}
FakeUi::~FakeUi() = default;

void FakeUi::Log(const std::wstring& entry) {
  std::lock_guard<std::mutex> hold(logLock_);
  log.push_back(entry);
}

bool FakeUi::WaitForMessages() {
  if (!waitForPosts) return false;
  WaitForPost();
  return true;
}

bool FakeUi::RegisterWindowClass(const WindowClass& windowClass) {
  Log(L"RegisterWindowClass " + windowClass.className);
  return WindowCore::RegisterWindowClass(windowClass);
}

HWindow FakeUi::CreateWindowEx(uint32_t exStyle, const std::wstring& className,
                               const std::wstring& title, uint32_t style, int x, int y, int width,
                               int height, HWindow parent) {
  Log(L"CreateWindowEx " + className + L" " + title);
  if (failCreate) return nullptr;
  return WindowCore::CreateWindowEx(exStyle, className, title, style, x, y, width, height, parent);
}

bool FakeUi::DestroyWindow(HWindow hwnd) {
  if (WindowHandle* w = Live(hwnd)) Log(L"DestroyWindow " + std::to_wstring(w->id));
  return WindowCore::DestroyWindow(hwnd);
}

uint32_t FakeUi::SetWindowLong(HWindow hwnd, int index, uint32_t value) {
  if (Live(hwnd)) Log(L"SetWindowLong " + std::to_wstring(index) + L" " + std::to_wstring(value));
  return WindowCore::SetWindowLong(hwnd, index, value);
}

void FakeUi::SystemCommand(WindowHandle*, uint32_t command) {
  // The system's move and size loops; here they return at once.
  sysCommands.push_back(command);
  dragFullWindowsDuringSysCommand.push_back(dragFullWindows);
}

void FakeUi::PostQuitMessage(int exitCode) {
  Log(L"PostQuitMessage " + std::to_wstring(exitCode));
  WindowCore::PostQuitMessage(exitCode);
}

int FakeUi::RunMessageLoop(MessageFilter* filter) {
  Log(L"RunMessageLoop");
  return WindowCore::RunMessageLoop(filter);
}

bool FakeUi::ShowWindow(HWindow hwnd, int command) {
  if (WindowHandle* w = Live(hwnd))
    Log(L"ShowWindow " + std::to_wstring(w->id) + L" " + std::to_wstring(command));
  return WindowCore::ShowWindow(hwnd, command);
}

bool FakeUi::SetWindowPos(HWindow hwnd, HWindow insertAfter, int x, int y, int width, int height,
                          uint32_t flags) {
  if (WindowHandle* w = Live(hwnd))
    Log(L"SetWindowPos " + std::to_wstring(w->id) + L" " + std::to_wstring(x) + L"," +
        std::to_wstring(y) + L" " + std::to_wstring(flags) +
        (insertAfter == HwndTopmost() ? L" topmost" : L""));
  return WindowCore::SetWindowPos(hwnd, insertAfter, x, y, width, height, flags);
}

void FakeUi::Resized(WindowHandle* w) {
  // The painted pixels are of the old size; a layered window keeps its image.
  if (!w->layeredUpdates) w->surface.reset();
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

bool FakeUi::GetWorkArea(Rect& out) {
  out = workArea;
  return true;
}

bool FakeUi::SetDragFullWindows(bool on) {
  Log(std::wstring(L"SetDragFullWindows ") + (on ? L"1" : L"0"));
  return WindowCore::SetDragFullWindows(on);
}

bool FakeUi::SetWindowRgn(HWindow hwnd, HRegion region, bool redraw) {
  if (!WindowCore::SetWindowRgn(hwnd, region, redraw)) return false;
  WindowHandle* w = Live(hwnd);
  Log(L"SetWindowRgn " + std::to_wstring(w->id) + L" " + std::to_wstring(w->region.right) + L"x" +
      std::to_wstring(w->region.bottom));
  return true;
}

void FakeUi::LayeredImage(WindowHandle* w, const Size& size, MemoryCanvas& source,
                          const Point& sourcePosition) {
  ++w->layeredUpdates;
  w->surface = std::make_unique<SoftCanvas>(size.cx, size.cy);
  w->surface->BitBlt(0, 0, size.cx, size.cy, source.Target(), sourcePosition.x, sourcePosition.y,
                     kSRCCOPY);
  w->surface->ClearCalls();
  Log(L"UpdateLayeredWindow " + std::to_wstring(w->id));
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
  const HWindow previous = WindowCore::SetFocus(hwnd);
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
  HMenu menu = WindowCore::LoadMenu(id);
  if (menu) ++liveMenus;
  return menu;
}

bool FakeUi::RemoveMenu(HMenu menu, uint32_t item, uint32_t flags) {
  HMenu popup = (flags & kMF_BYPOSITION) ? MenuSubMenu(menu, static_cast<int>(item)) : nullptr;
  const bool removed = WindowCore::RemoveMenu(menu, item, flags);
  if (removed && popup) ++liveMenus;  // the detached popup is a menu of its own now
  return removed;
}

bool FakeUi::DestroyMenu(HMenu menu) {
  if (!menu) return false;
  --liveMenus;
  return WindowCore::DestroyMenu(menu);
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
  return new SoftFont(logFont);
}

bool FakeGraphics::DeleteFont(HFont font) {
  if (!font) return false;
  --liveFonts;
  delete static_cast<SoftFont*>(font);
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
