// The components the program runs with.  Subsystems that have not landed yet
// are absent here: no game or quick-login window, no platform-browser lookup,
// no pings and no desktop integration.
#include "app/components.h"
#include "app/global_module.h"
#include "net/download_queue.h"
#include "net/http_downloader.h"
#include "windows/form_login.h"

namespace app {
namespace {

class ProgramComponents final : public AppComponents {
 public:
  std::unique_ptr<IBackdropForm> MakeBackdrop() override {
    return std::make_unique<windows::BareBackdrop>();
  }
  std::unique_ptr<ILoginForm> MakeLogin() override {
    return std::make_unique<windows::CFormLogin>();
  }
  IGameForm* MakeGame() override { return nullptr; }
  IQuickLoginForm* MakeQuickLogin() override { return nullptr; }
  // Called while the context is being constructed (it is already the live instance).
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override {
    CGlobalModule* context = CGlobalModule::Instance();
    net::RefererSource referer;
    if (context) {
      referer.pending = &context->refererPending;
      referer.outsideUrl = [context] { return context->lastOutsideUrl; };
      // The cookie data of the one-shot referer: the install-info record's MAC
      // digest text, empty until that record is loaded.
      referer.macDigest = [] { return std::wstring(); };
    }
    return std::make_unique<net::HTTPDownloader>(std::move(referer));
  }
  std::wstring FindPlatformBrowser(const std::wstring&) override { return std::wstring(); }
  void SendInstallPing(CGlobalModule&) override {}
  void SendUninstallPing(CGlobalModule&) override {}
  void ToggleDesktop() override {}
  void LaunchIconAnimation() override {}
};

}  // namespace

AppComponents& DefaultComponents() {
  static ProgramComponents components;
  return components;
}

}  // namespace app
