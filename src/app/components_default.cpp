// The components the program runs with.
#include "app/components.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "net/download_queue.h"
#include "net/http_downloader.h"
#include "platform/platform.h"
#include "windows/form_back.h"
#include "windows/form_game.h"
#include "windows/form_login.h"
#include "windows/form_quick_login.h"

namespace app {
namespace {

class ProgramComponents final : public AppComponents {
 public:
  std::unique_ptr<IBackdropForm> MakeBackdrop() override {
    return std::make_unique<windows::CFormBack>();
  }
  std::unique_ptr<ILoginForm> MakeLogin() override {
    return std::make_unique<windows::CFormLogin>();
  }
  std::unique_ptr<IGameForm> MakeGame() override {
    return std::make_unique<windows::CFormGame>();
  }
  std::unique_ptr<IQuickLoginForm> MakeQuickLogin() override {
    return std::make_unique<windows::CFormQQLogin>();
  }
  // Called while the context is being constructed (it is already the live instance).
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override {
    CGlobalModule* context = CGlobalModule::Instance();
    net::RefererSource referer;
    if (context) {
      // The cookie data of the one-shot referer: the first 28 characters of
      // the install-info record's MAC digest, empty until that record is loaded.
      referer.macDigest = [context] { return context->installInfo.MacDigestForCookie(); };
    }
    return std::make_unique<net::HTTPDownloader>(std::move(referer));
  }
  std::wstring FindPlatformBrowser(const std::wstring& fileName) override {
    return app::FindPlatformBrowser(fileName);
  }
  // A short run ends when its ping task has finished; a ping that could not
  // be handed over would leave it waiting forever, so it ends at once.
  void SendInstallPing(CGlobalModule& context) override {
    if (!context.installInfo.SendInstallPing()) pf::ui().PostQuitMessage(0);
  }
  void SendUninstallPing(CGlobalModule& context) override {
    if (!context.installInfo.SendUninstallPing()) pf::ui().PostQuitMessage(0);
  }
  void ToggleDesktop() override { app::ToggleDesktop(); }
  void LaunchIconAnimation() override { app::LaunchIconAnimation(); }
};

}  // namespace

AppComponents& DefaultComponents() {
  static ProgramComponents components;
  return components;
}

}  // namespace app
