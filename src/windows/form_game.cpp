#include "windows/form_game.h"

#include <algorithm>
#include <system_error>

#include "app/app_messages.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "skin/skin_image.h"
#include "storage/cache_cleanup.h"

namespace windows {
namespace {

// Skin images of the strip.
constexpr int kStripImage = res::IDB_GAME_STRIP;
constexpr int kIconImage = res::IDB_GAME_ICON;
constexpr int kMaximizeCheckedNormal = res::IDB_STRIP_RESTORE;  // two overlapping boxes
constexpr int kMaximizeCheckedHover = res::IDB_STRIP_RESTORE_HOVER;
// Where the browser view is created before the first layout places it.
constexpr pf::Rect kInitialViewRect{308, 170, 910, 547};
// Space kept between the title and the first link button.
constexpr int kTitleGap = 10;

}  // namespace

CFormGame::~CFormGame() {
  // The walk ends by itself; a cleanup started just before the window closed
  // is allowed to finish.
  if (cleanupThread_.joinable()) cleanupThread_.join();
}

bool CFormGame::Init(const std::wstring& gameUrl) {
  CreateAppWindow(*this, nullptr);
  if (!window_) return false;
  pf::Ui& ui = pf::ui();
  // No frame, no sizing border, no maximise box; the taskbar can still
  // minimise, restore and close it.
  skin::SetSkinnedStyle(window_, skin::kFramelessStyleKeep);
  taskbarCreated_ = ui.RegisterWindowMessage(L"TaskbarCreated");

  titleStrip_.blend = skin::LoadSkinImage(titleStrip_.image, kStripImage);
  titleStrip_.blended = true;
  AddControl(&titleStrip_);

  AddButton(minimizeButton_, res::IDB_STRIP_MINIMIZE, res::IDB_STRIP_MINIMIZE_HOVER);
  AddButton(closeButton_, res::IDB_STRIP_CLOSE, res::IDB_STRIP_CLOSE_HOVER);
  AddButton(maximizeButton_, res::IDB_STRIP_MAXIMIZE, res::IDB_STRIP_MAXIMIZE_HOVER);
  skin::LoadSkinImage(maximizeButton_.checkedNormal, kMaximizeCheckedNormal);
  skin::LoadSkinImage(maximizeButton_.checkedHover, kMaximizeCheckedHover);
  skin::LoadSkinImage(maximizeButton_.checkedPressed, kMaximizeCheckedHover);
  if (maximizeButton_.checked) {
    maximizeButton_.checked = false;
    maximizeButton_.SetState(skin::BTN_REFRESH, true);
  }
  AddButton(trayButton_, res::IDB_STRIP_TRAY, res::IDB_STRIP_TRAY_HOVER);
  AddButton(menuButton_, res::IDB_STRIP_MENU, res::IDB_STRIP_MENU_HOVER);
  AddButton(forumButton_, res::IDB_STRIP_FORUM, res::IDB_STRIP_FORUM_HOVER);
  AddButton(officialButton_, res::IDB_STRIP_OFFICIAL, res::IDB_STRIP_OFFICIAL_HOVER);
  AddButton(payButton_, res::IDB_STRIP_PAY, res::IDB_STRIP_PAY_HOVER);
  AddButton(serviceButton_, res::IDB_STRIP_SERVICE, res::IDB_STRIP_SERVICE_HOVER);

  gameIcon_.blend = skin::LoadSkinImage(gameIcon_.image, kIconImage);
  gameIcon_.blended = true;
  AddControl(&gameIcon_);

  titleLabel_.SetOwnerWindow(window_);
  titleLabel_.SetText(L"VexaOrvane", true);
  titleLabel_.SetTextColor(0x0000FFFF, true);
  AddControl(&titleLabel_);

  OpenPage(this, view_, kInitialViewRect, gameUrl);
  return true;
}

void CFormGame::Layout() {
  if (!window_) return;
  const pf::Rect client = ClientRect();
  const int width = client.right;
  const int stripHeight = titleStrip_.GetImageHeight() > 0 ? titleStrip_.GetImageHeight()
                                                           : kStripHeight;
  titleStrip_.SetRect(pf::Rect{0, 0, width, stripHeight});

  int x = width;
  for (skin::CRKButton* b : {&closeButton_, &maximizeButton_, &minimizeButton_, &trayButton_}) {
    const int w = b->GetImageWidth();
    x -= w;
    b->SetRect(pf::Rect{x, 1, x + w, 1 + b->GetImageHeight()});
  }
  x -= 20 + menuButton_.GetImageWidth();
  menuButton_.SetRect(
      pf::Rect{x, 5, x + menuButton_.GetImageWidth(), 5 + menuButton_.GetImageHeight()});
  for (skin::CRKButton* b : {&serviceButton_, &forumButton_, &officialButton_, &payButton_}) {
    const int w = b->GetImageWidth();
    x -= 5 + w;
    b->SetRect(pf::Rect{x, 5, x + w, 5 + b->GetImageHeight()});
  }

  const int iconRight = 5 + gameIcon_.GetImageWidth();
  gameIcon_.SetRect(pf::Rect{5, 2, iconRight, gameIcon_.GetImageHeight()});
  // The title narrows itself to its text; a long one is cut with "..."
  // before it reaches the first link button.
  const int titleLeft = iconRight + 10;
  const int room = std::max(1, payButton_.GetRect().left - kTitleGap - titleLeft);
  titleLabel_.SetAutoWidth(true, room);
  titleLabel_.SetRect(pf::Rect{titleLeft, 5, titleLeft + std::min(300, room), 25});

  pf::Ui& ui = pf::ui();
  if (pf::HWindow view = view_.Window())
    ui.SetWindowPos(view, pf::HwndTop(), 0, stripHeight, client.right, client.bottom - stripHeight,
                    pf::kSWP_SHOWWINDOW);
  ui.UpdateWindow(window_);
}

bool CFormGame::Maximize() {
  if (!window_) return false;
  pf::Rect work;
  pf::ui().GetWorkArea(work);
  // The whole work area, wherever the taskbar is.
  PlaceAndShow(work);
  maximized_ = true;
  return true;
}

bool CFormGame::Restore() {
  if (!window_) return false;
  const pf::Point at = CentreOnWorkArea(rect_.Width(), rect_.Height());
  PlaceAndShow(pf::Rect{at.x, at.y, at.x + rect_.Width(), at.y + rect_.Height()});
  maximized_ = false;
  return true;
}

void CFormGame::PlaceAndShow(const pf::Rect& screen) {
  pf::Ui& ui = pf::ui();
  ui.SetWindowPos(window_, pf::HwndTop(), screen.left, screen.top, screen.Width(), screen.Height(),
                  pf::kSWP_SHOWWINDOW);
  Layout();
  ui.ShowWindow(window_, pf::kSW_SHOWNORMAL);
  ui.UpdateWindow(window_);
}

bool CFormGame::OnLButtonDown(uint32_t flags, pf::Point point) {
  skin::CRKBaseControl* control = ControlAt(point);
  if (!control) return false;
  if (control == &titleStrip_ || control == &titleLabel_) {
    // The strip drags the window only while it is restored.
    if (!maximized_) pf::ui().SendMessage(window_, pf::kWM_SYSCOMMAND, pf::kSC_MOVE_CAPTION, 0);
    return true;
  }
  return control->OnLButtonDown(flags, point);
}

bool CFormGame::OnLButtonUp(uint32_t flags, pf::Point point) {
  skin::CRKBaseControl* control = ControlAt(point);
  if (!control) return false;
  control->OnLButtonUp(flags, point);
  pf::Ui& ui = pf::ui();
  if (control == &minimizeButton_) {
    ui.ShowWindow(window_, pf::kSW_MINIMIZE);
    return true;
  }
  if (control == &maximizeButton_) {
    // The face shows the state the window had before this click.
    if (maximizeButton_.checked != maximized_) {
      maximizeButton_.checked = maximized_;
      maximizeButton_.SetState(skin::BTN_REFRESH, true);
    }
    if (maximized_) {
      Restore();
    } else {
      Maximize();
    }
    return true;
  }
  if (control == &closeButton_) {
    if (!ConfirmExit()) return false;
    Close();
    return true;
  }
  if (OpenLinkPage(control, officialButton_, payButton_, serviceButton_, forumButton_))
    return true;
  if (control == &menuButton_) return ShowMenu();
  if (control == &trayButton_) SendToTray();
  return false;
}

bool CFormGame::OnLButtonDblClk(uint32_t, pf::Point point) {
  skin::CRKBaseControl* control = ControlAt(point);
  if (control != &titleStrip_ && control != &titleLabel_) return false;
  if (maximized_) {
    Restore();
  } else {
    Maximize();
  }
  return true;
}

void CFormGame::OnActivate() { Layout(); }

bool CFormGame::ConfirmExit() {
  return pf::ui().MessageBox(window_, L"正在游戏中，确认退出？", L"提示",
                             pf::kMB_YESNO | pf::kMB_DEFBUTTON2) == pf::kIDYES;
}

bool CFormGame::OwnMessage(uint32_t message, pf::WParam, pf::LParam lParam) {
  switch (message) {
    case app::WM_TRAY_NOTIFY:
      OnTrayNotify(static_cast<uint32_t>(lParam));
      return true;
    case app::WM_CACHE_CLEARED:
      OnCacheCleared();
      return true;
    case pf::kWM_DESTROY:
      // A running walk may finish on its own; its message then finds no window.
      RemoveTrayIcon();
      return true;
    default:
      break;
  }
  if (!taskbarCreated_ || message != taskbarCreated_) return false;
  // The shell started again with an empty notification area.
  if (inTray_) {
    inTray_ = false;
    AddTrayIcon();
  }
  return true;
}

void CFormGame::OnTrayNotify(uint32_t mouseMessage) {
  if (mouseMessage == pf::kWM_RBUTTONUP) {
    ShowTrayMenu();
  } else if (mouseMessage == pf::kWM_LBUTTONUP || mouseMessage == pf::kWM_LBUTTONDBLCLK) {
    pf::ui().ShowWindow(window_, pf::kSW_SHOW);
    RemoveTrayIcon();
  }
}

bool CFormGame::PreTranslateMessage(pf::Msg* msg) {
  if (!msg) return false;
  const uint32_t m = msg->message;
  if ((m >= pf::kWM_KEYDOWN && m <= pf::kWM_UNICHAR) ||
      (m >= pf::kWM_MOUSEMOVE && m <= pf::kWM_MOUSEHWHEEL))
    return view_.PreTranslateMessage(msg) != 0;
  return false;
}

void CFormGame::OnWebNotify(unsigned code, browser::NotifyArg, browser::NotifyPtr c) {
  switch (code) {
    case browser::kBeforeNavigate:
      // The page asks to go back to the login window.  The close is posted:
      // the window and its browser must not go inside the engine's callback.
      if (!closePosted_ && view_.GetUrl().find(L"wd_returnlogin=1") != std::wstring::npos) {
        closePosted_ = true;
        pf::ui().PostMessage(window_, pf::kWM_CLOSE, 0, 0);
      }
      break;
    case browser::kTitleChange:
      titleLabel_.SetText(c ? reinterpret_cast<const wchar_t*>(c) : L"", true);
      break;
    case browser::kDivertedNavigation:
      app::OpenInOutsideBrowser(view_.GetUrl());
      break;
    default:
      break;
  }
}

pf::HMenu CFormGame::LoadPopup(int id) {
  pf::Ui& ui = pf::ui();
  pf::HMenu bar = ui.LoadMenu(id);
  if (!bar) return nullptr;
  pf::HMenu popup = ui.GetSubMenu(bar, 0);
  if (popup) ui.RemoveMenu(bar, 0, pf::kMF_BYPOSITION);
  ui.DestroyMenu(bar);
  return popup;
}

bool CFormGame::ShowMenu() {
  pf::HMenu popup = LoadPopup(kMenuResource);
  if (!popup) return false;
  pf::Ui& ui = pf::ui();
  const pf::Rect button = menuButton_.GetRect();
  pf::Point at{button.left, button.bottom};
  ui.ClientToScreen(window_, at);
  const int command =
      ui.TrackPopupMenu(popup, pf::kTPM_RETURNCMD | pf::kTPM_RIGHTBUTTON, at.x, at.y, window_);
  ui.DestroyMenu(popup);
  if (command == kCommandRefresh) {
    view_.Refresh();
    return true;
  }
  if (command == kCommandClearCache) {
    StartCacheCleanup();
    return true;
  }
  return false;
}

void CFormGame::StartCacheCleanup() {
  if (cleanupRunning_) return;  // one cleanup at a time
  const pf::HWindow window = window_;
  pf::UrlCache* cache = pf::urlCache();
  if (cache && !cache->WalksEntries()) {
    // The engine empties its own cache on this thread and calls back later.
    // Only the handle is kept: the callback may come after the window went.
    cleanupRunning_ = true;
    cache->ClearEngineCache(
        [window] { pf::ui().PostMessage(window, app::WM_CACHE_CLEARED, 0, 0); });
    return;
  }
  // A walk that already reported has ended or is about to.
  if (cleanupThread_.joinable()) cleanupThread_.join();
  try {
    cleanupThread_ = std::thread([window] {
      storage::ClearUrlCache();
      pf::ui().PostMessage(window, app::WM_CACHE_CLEARED, 0, 0);
    });
    cleanupRunning_ = true;
  } catch (const std::system_error&) {
    // No thread: nothing is held, nothing is posted, nothing is shown.
  }
}

void CFormGame::OnCacheCleared() {
  // The thread posted this as its last act: waiting for it is short, and it
  // is never cut off while it may hold the cache's lock.
  if (cleanupThread_.joinable()) cleanupThread_.join();
  cleanupRunning_ = false;
  pf::ui().MessageBox(window_, L"缓存清理完毕！", L"提示", pf::kMB_OK);
}

bool CFormGame::AddTrayIcon() {
  trayIcon_ = pf::NotifyIcon{};
  trayIcon_.hwnd = window_;
  trayIcon_.id = kTrayIconId;
  trayIcon_.flags = pf::kNIF_MESSAGE | pf::kNIF_ICON | pf::kNIF_TIP;
  trayIcon_.callbackMessage = app::WM_TRAY_NOTIFY;
  trayIcon_.iconId = app::IDI_APP_ICON;
  trayIcon_.tip = L"VexaOrvane";
  trayIconPresent_ = pf::ui().ShellNotifyIcon(pf::kNIM_ADD, trayIcon_);
  inTray_ = trayIconPresent_;
  return trayIconPresent_;
}

void CFormGame::SendToTray() {
  // Without an icon to bring it back, a hidden window would be lost to the
  // player: it is minimised to the taskbar instead.
  pf::ui().ShowWindow(window_, AddTrayIcon() ? pf::kSW_HIDE : pf::kSW_MINIMIZE);
}

void CFormGame::RemoveTrayIcon() {
  if (!trayIconPresent_ || !inTray_) return;
  inTray_ = false;
  pf::NotifyIcon icon = trayIcon_;
  icon.flags = 0;
  pf::ui().ShellNotifyIcon(pf::kNIM_DELETE, icon);
}

bool CFormGame::ShowTrayMenu() {
  pf::HMenu popup = LoadPopup(kTrayMenuResource);
  if (!popup) return false;
  pf::Ui& ui = pf::ui();
  pf::Point at;
  ui.GetCursorPos(at);
  // The notification area's rule: the owner comes to the foreground first,
  // so the menu closes when the player clicks elsewhere, and a null message
  // follows it.
  ui.SetForegroundWindow(window_);
  const int command =
      ui.TrackPopupMenu(popup, pf::kTPM_RETURNCMD | pf::kTPM_RIGHTBUTTON, at.x, at.y, window_);
  ui.PostMessage(window_, pf::kWM_NULL, 0, 0);
  ui.DestroyMenu(popup);
  if (command == kCommandOpen) {
    ui.ShowWindow(window_, pf::kSW_SHOWNORMAL);
    RemoveTrayIcon();
    return true;
  }
  if (command == kCommandQuit) {
    if (ui.MessageBox(window_, L"此操作将退出游戏，是否继续？", L"提示",
                      pf::kMB_YESNO | pf::kMB_DEFBUTTON2) == pf::kIDNO)
      return false;
    RemoveTrayIcon();
    Close();
    return true;
  }
  return false;
}

}  // namespace windows
