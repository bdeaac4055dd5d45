// The application context: one instance lives from before the entry point
// until after it returns.  It owns the backdrop and login windows, the
// download queue and the values the other subsystems read from it.
//
// Threads: constructed and destroyed on the first thread; afterwards read and
// written on the user-interface thread only.  lastOutsideUrl, the page last
// handed to the user's browser, is copied into its ping's task (with the
// referer and cookie that ping sends) when the task is made, so no worker
// reads it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/components.h"
#include "app/forms.h"
#include "net/download_queue.h"
#include "platform/ui.h"
#include "reporting/install_info.h"
#include "storage/upgrade.h"

namespace app {

// It is the host of the lower layers that need the application: the version
// check and upgrade (storage::UpgradeHost) and the pings (reporting::PingHost).
class CGlobalModule : public pf::MessageFilter,
                      public storage::UpgradeHost,
                      public reporting::PingHost {
 public:
  // Runs the context initialisation with the given components (not owned;
  // they must outlive the context).
  explicit CGlobalModule(AppComponents& components = DefaultComponents());
  ~CGlobalModule() override;
  CGlobalModule(const CGlobalModule&) = delete;
  CGlobalModule& operator=(const CGlobalModule&) = delete;

  // The message-loop filter: offers the message to the foreground form.
  bool PreTranslateMessage(pf::Msg* msg) override;

  // This start's number; computed (and stored) on the first call.
  int32_t GetRunCount();

  std::wstring GetStartPageUrl() const { return startPageUrl; }
  std::wstring GetRefer() const override { return refer; }
  std::wstring GetUid() const override { return uid; }
  std::wstring GetPlatformBrowserPath() const { return platformBrowserPath; }
  std::wstring GetLastOutsideUrl() const override { return lastOutsideUrl; }
  // The hosts' other operations (their tasks carry this context's address).
  uintptr_t TaskUserData() const override { return reinterpret_cast<uintptr_t>(this); }
  net::DownloadQueue* GetDownloader() override { return downloader.get(); }
  std::wstring GetVersionCheckUrl() const override { return versionCheckUrl; }
  std::wstring GetVersionDownloadUrl() const override { return versionDownloadUrl; }
  void SetLatestVersion(const std::wstring& version) override { latestVersion = version; }
  pf::HWindow LoginWindow() const override { return login ? login->GetHWND() : nullptr; }
  pf::HWindow BackdropWindow() const override { return backdrop ? backdrop->GetHWND() : nullptr; }
  void PostUpgradeOffered() override;
  void PostUpgradeNotStarted() override;
  void PostCloseLogin() override;
  bool IsAutorunStart() const override;
  AppComponents& Components() { return components_; }

  // The instance that is alive, or null.
  static CGlobalModule* Instance();

  // Fields in declaration order; read and written directly by the subsystems.
  int32_t showCommand = 0;
  std::wstring title;        // string 103, at most 99 units
  std::wstring windowClass;  // string 109, at most 99 units
  std::unique_ptr<IBackdropForm> backdrop;     // owned
  std::unique_ptr<ILoginForm> login;           // owned
  IQuickLoginForm* quickLogin = nullptr;  // the latest one; cleared when its window is destroyed
  IGameForm* game = nullptr;                   // not owned; cleared when its window is destroyed
  // owned: the latest game window's object.  It outlives its window and is
  // freed when the next one replaces it or with the context.
  std::unique_ptr<IGameForm> gameObject;
  std::unique_ptr<net::DownloadQueue> downloader;  // owned; may be null
  reporting::InstallInfo installInfo;  // unloaded until the first ping
  std::wstring latestVersion;
  std::wstring startPageUrl;
  std::wstring versionCheckUrl;
  std::wstring versionDownloadUrl;
  std::wstring refer;
  std::wstring uid;
  int32_t topMost = 0;
  int32_t autoRun = 0;
  std::wstring userName;
  std::wstring serverId;
  int32_t runCount = 0;
  std::wstring platformBrowserPath;
  std::wstring lastOutsideUrl;
  // Owns the object quickLogin points to; freed by the application window
  // procedure once its window is gone.  Declared last: destroyed first.
  std::unique_ptr<IQuickLoginForm> quickLoginOwner;

 private:
  void InitializeContext();

  AppComponents& components_;  // not owned
};

// The live context (asserts that one exists).
CGlobalModule& Ctx();

}  // namespace app
