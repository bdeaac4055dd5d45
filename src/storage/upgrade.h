// Version check, upgrade and the completion handler of every download task.
#pragma once

#include <cstdint>
#include <string>

#include "net/task_host.h"
#include "platform/ui.h"

namespace storage {

// What the version check and the upgrade need from the application; the
// application context implements it and registers itself while it lives.
class UpgradeHost : public net::LiveHost<UpgradeHost> {
 public:
  virtual std::wstring GetVersionCheckUrl() const = 0;
  virtual std::wstring GetVersionDownloadUrl() const = 0;
  // The version file's "currentversion" (written on a download worker).
  virtual void SetLatestVersion(const std::wstring& version) = 0;
  // The windows the prompt hides and a failed upgrade shows again; null when absent.
  virtual pf::HWindow LoginWindow() const = 0;
  virtual pf::HWindow BackdropWindow() const = 0;
  // Asks the user-interface thread to put the verified offer to the player
  // (from a download worker).
  virtual void PostUpgradeOffered() = 0;
  // Asks the user-interface thread to show the hidden windows again after an
  // upgrade that did not start (from a download worker: a worker that
  // showed them itself would wait for a thread that may be waiting for it).
  virtual void PostUpgradeNotStarted() = 0;
  // Asks the login window, when there is one, to close: the run ends (any thread).
  virtual void PostCloseLogin() = 0;

 protected:
  ~UpgradeHost() = default;
};

// The DownloadCallback given with the version-file, package and ping tasks.
// Only the finished event is handled: value is the result, extra the task,
// userData the application context (the live host's TaskUserData; anything
// else is ignored).  Runs on a download worker.
int32_t OnDownloadEvent(uintptr_t userData, int32_t tag, int32_t event, int32_t value,
                        uintptr_t extra);

// The verified offer's question to the player, on the user-interface thread
// (WM_UPGRADE_OFFERED): the prompt, the windows hidden, the package task.
void OnUpgradeOffered(UpgradeHost& host);
// Shows the windows the prompt hid (user-interface thread; posted from a
// worker as WM_UPGRADE_NOT_STARTED).
void ShowWindowsAgain(UpgradeHost& host);
// Submits the version-file task once per process (user-interface thread).
// Does nothing when it already ran or the live context has no downloader.
void StartVersionCheck();
// Submits the upgrade-package task for the verified offer.  False when there
// is none or the task could not be queued.
bool DownloadUpgradePackage(UpgradeHost& host);
// Whether the own version lies in the version file's "upgraderange".
bool InUpgradeRange(const std::wstring& range);
// Whether this process already has the rights the upgrader needs.
bool IsProcessElevated();
// Lets a test run StartVersionCheck again; forgets the verified offer.
void ResetVersionCheckForTest();
struct UpgradeOffer;
// Puts an offer in place as if a version file had been verified (for the
// platform suites, which have no signing key on every system).
void AcceptOfferForTest(const UpgradeOffer& offer);

// Task tags.
constexpr int32_t kTagVersionFile = 0;
constexpr int32_t kTagUpgradePackage = 1;
constexpr int32_t kTagInstallPing = 3;
constexpr int32_t kTagUninstallPing = 4;
constexpr int32_t kTagActivePing = 5;
constexpr int32_t kTagPlatformBrowserPing = 7;
constexpr int32_t kTagOtherBrowserPing = 8;

// Fixed texts of the upgrade.
constexpr wchar_t kUpgradePrompt[] = L"检测到最新版本[%s]，确认更新！";
constexpr wchar_t kUpgradeCaption[] = L"升级提醒";
constexpr wchar_t kUpgraderCommandLine[] = L" /S /RKUPGRADE";  // direct start
constexpr wchar_t kUpgraderParameters[] = L"/S /RKUPGRADE";    // elevated start

}  // namespace storage
