// The components the program runs with.  Subsystems that have not landed yet
// are absent here: no game or quick-login window, no download queue, no
// platform-browser lookup, no pings and no desktop integration.
#include "app/components.h"
#include "app/global_module.h"
#include "net/download_queue.h"
#include "skin/form_back.h"
#include "windows/form_login.h"

namespace app {
namespace {

class ProgramComponents final : public AppComponents {
 public:
  std::unique_ptr<IBackdropForm> MakeBackdrop() override {
    return std::make_unique<skin::CFormBack>();
  }
  std::unique_ptr<ILoginForm> MakeLogin() override {
    return std::make_unique<windows::CFormLogin>();
  }
  IGameForm* MakeGame() override { return nullptr; }
  IQuickLoginForm* MakeQuickLogin() override { return nullptr; }
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override { return nullptr; }
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
