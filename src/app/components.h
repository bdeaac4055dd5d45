// The parts of the program that the application shell creates or calls but
// that live in other subsystems: the windows, the download queue, the pings
// and the desktop integration.  The program uses DefaultComponents(); tests
// pass their own to the context.
#pragma once

#include <memory>
#include <string>

#include "app/forms.h"

namespace net {
class DownloadQueue;
}

namespace app {

class CGlobalModule;

class AppComponents {
 public:
  virtual ~AppComponents() = default;

  virtual std::unique_ptr<IBackdropForm> MakeBackdrop() = 0;
  virtual std::unique_ptr<ILoginForm> MakeLogin() = 0;
  // Created on demand with 1224, owned by the context, which frees it once
  // its window is gone.  Null when the window is not available.
  virtual std::unique_ptr<IGameForm> MakeGame() = 0;
  // The quick-login object is owned by the context, which frees it once its
  // window has been destroyed.
  virtual std::unique_ptr<IQuickLoginForm> MakeQuickLogin() = 0;
  // The download task queue; null leaves the context without one, and every
  // submission is then skipped.
  virtual std::unique_ptr<net::DownloadQueue> MakeDownloader() = 0;

  // The platform browser's full path for the given file name, or empty.
  virtual std::wstring FindPlatformBrowser(const std::wstring& fileName) = 0;
  virtual void SendInstallPing(CGlobalModule& context) = 0;
  virtual void SendUninstallPing(CGlobalModule& context) = 0;
  virtual void ToggleDesktop() = 0;
  virtual void LaunchIconAnimation() = 0;
};

// The components the program runs with.
AppComponents& DefaultComponents();

}  // namespace app
