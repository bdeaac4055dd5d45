// CFormGame: the window in which the player plays.  A borderless skinned form
// with a 27-pixel title strip (game icon, title, link buttons, menu, tray,
// minimise, maximise/restore and close) above the browser view that shows
// the game page.  It opens filling the work area, restores to its rect
// (1250 x 700), hides behind a tray icon, offers refresh and cache cleanup,
// and asks before it closes.  When its window is destroyed the application
// brings the login window back.
//
// Ownership: the application context owns the object, which outlives its
// window; controls and the browser view are members.  The cache-cleanup
// thread is joined before the object goes.  Threads: the user-interface
// thread, except the cleanup thread, which touches only the URL cache and
// posts WM_CACHE_CLEARED.
#pragma once

#include <string>
#include <thread>

#include "app/forms.h"
#include "resource_ids.h"
#include "browser/browser_view.h"
#include "skin/button.h"
#include "skin/image_control.h"
#include "skin/label.h"
#include "windows/app_form.h"

namespace windows {

class CFormGame : public CAppForm<app::IGameForm> {
 public:
  // Menu commands of resources 149 and 156.
  static constexpr int kCommandRefresh = res::ID_MENU_REFRESH;
  static constexpr int kCommandClearCache = res::ID_MENU_CLEAR_CACHE;
  static constexpr int kCommandOpen = res::ID_MENU_OPEN;
  static constexpr int kCommandQuit = res::ID_MENU_QUIT;
  static constexpr int kMenuResource = res::IDR_GAME_MENU;
  static constexpr int kTrayMenuResource = res::IDR_TRAY_MENU;
  static constexpr int kTrayIconId = res::IDR_TRAY_MENU;
  static constexpr int kStripHeight = 27;

  ~CFormGame() override;

  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  bool OnLButtonUp(uint32_t flags, pf::Point point) override;
  bool OnLButtonDblClk(uint32_t flags, pf::Point point) override;
  void OnActivate() override;
  // Keyboard and mouse messages go to the browser view; true when it took them.
  bool PreTranslateMessage(pf::Msg* msg) override;
  // "正在游戏中，确认退出？" answered yes.
  virtual bool ConfirmExit();
  // Creates the window with its strip, buttons and browser view and starts
  // loading the game page.  The rect is set before; Maximize shows it.
  bool Init(const std::wstring& gameUrl) override;

  // Fills the work area / goes back to the rect's size, centred.
  bool Maximize() override;
  bool Restore();
  // The browser view's notifications (codes 7, 9 and 10 are acted on).
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c);

  // Read by tests.
  bool IsMaximized() const { return maximized_; }
  bool TrayIconPresent() const { return trayIconPresent_; }
  bool InTray() const { return inTray_; }
  bool CleanupRunning() const { return cleanupRunning_; }
  const skin::CRKImage& TitleStrip() const { return titleStrip_; }
  skin::CRKButton& CloseButton() { return closeButton_; }
  skin::CRKButton& MinimizeButton() { return minimizeButton_; }
  skin::CRKButton& MaximizeButton() { return maximizeButton_; }
  skin::CRKButton& TrayButton() { return trayButton_; }
  skin::CRKButton& MenuButton() { return menuButton_; }
  skin::CRKButton& ForumButton() { return forumButton_; }
  skin::CRKButton& OfficialButton() { return officialButton_; }
  skin::CRKButton& PayButton() { return payButton_; }
  skin::CRKButton& ServiceButton() { return serviceButton_; }
  const skin::CRKImage& GameIcon() const { return gameIcon_; }
  skin::CRKLabel& TitleLabel() { return titleLabel_; }
  browser::CBrowserView& View() { return view_; }

 protected:
  bool OwnMessage(uint32_t message, pf::WParam wParam, pf::LParam lParam) override;

 private:
  void Layout();
  // Moves the window to screen (its size included), lays it out and shows it.
  void PlaceAndShow(const pf::Rect& screen);
  bool ShowMenu();
  void StartCacheCleanup();
  void OnCacheCleared();
  void SendToTray();
  bool AddTrayIcon();
  void RemoveTrayIcon();
  bool ShowTrayMenu();
  // Loads menu `id` and detaches its first popup (the bar is destroyed); null when absent.
  static pf::HMenu LoadPopup(int id);
  // Runs the popup at (x, y) (screen) as the notification area's rules ask.
  int TrackPopup(pf::HMenu popup, int x, int y);
  void OnTrayNotify(uint32_t mouseMessage);

  skin::CRKImage titleStrip_;
  skin::CRKButton closeButton_;
  skin::CRKButton minimizeButton_;
  skin::CRKButton maximizeButton_;
  skin::CRKButton trayButton_;
  skin::CRKButton menuButton_;
  skin::CRKButton forumButton_;
  skin::CRKButton officialButton_;
  skin::CRKButton payButton_;
  skin::CRKButton serviceButton_;
  skin::CRKImage gameIcon_;
  skin::CRKLabel titleLabel_;
  browser::CBrowserView view_;
  pf::NotifyIcon trayIcon_;        // filled when the window goes to the tray
  bool trayIconPresent_ = false;   // the last NIM_ADD succeeded
  bool inTray_ = false;            // the icon is shown now (the window is hidden behind it)
  bool maximized_ = false;         // own flag: the window has the work-area size
  std::thread cleanupThread_;      // the running entry walk, joined before a new one or at the end
  bool cleanupRunning_ = false;    // a cleanup was started and WM_CACHE_CLEARED has not arrived
  bool closePosted_ = false;       // a page asked to go back to the login window
  uint32_t taskbarCreated_ = 0;    // the shell's "TaskbarCreated" message, or 0
};

}  // namespace windows
