// Components for tests of the application shell: recording stand-ins for the
// windows, pings and desktop calls, on whatever platform is installed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/components.h"
#include "app/forms.h"
#include "platform/platform.h"

namespace testsupport {

// An address as the browser receives it: one argument in double quotes.
inline std::wstring Unquoted(const std::wstring& argument) {
  if (argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"')
    return argument.substr(1, argument.size() - 2);
  return argument;
}

// A form that creates a plain window of the application class and records
// what the shell asks of it.  Messages are recorded and given to the default.
template <class Interface>
class RecordingForm : public Interface {
 public:
  explicit RecordingForm(std::vector<std::string>* journal, std::string name)
      : journal_(journal), name_(std::move(name)) {}
  pf::HWindow GetHWND() const override { return hwnd_; }
  pf::LResult HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                            pf::LParam lParam) override {
    messages.push_back(message);
    return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
  }
  bool PreTranslateMessage(pf::Msg*) override {
    Note("PreTranslate");
    return takesMessages;
  }
  void SetRect(int l, int t, int r, int b) override {
    rect = {l, t, r, b};
    Note("SetRect " + std::to_string(r) + "x" + std::to_string(b));
  }
  void RedrawControls(bool) override { Note("RedrawControls"); }

  // Creates the window of the application class.
  bool MakeWindow(pf::HWindow parent = nullptr);

  pf::Rect rect;
  bool takesMessages = false;
  std::vector<uint32_t> messages;

 protected:
  void Note(const std::string& what) {
    if (journal_) journal_->push_back(name_ + ": " + what);
  }
  pf::HWindow hwnd_ = nullptr;
  std::vector<std::string>* journal_;
  std::string name_;
};

class RecordingBackdrop : public RecordingForm<app::IBackdropForm> {
 public:
  using RecordingForm::RecordingForm;
  bool Init() override {
    Note("Init");
    return MakeWindow();
  }
  void ShowBackdrop(bool keepPosition) override {
    Note(keepPosition ? "ShowBackdrop keep" : "ShowBackdrop");
  }
};

class RecordingGame : public RecordingForm<app::IGameForm> {
 public:
  using RecordingForm::RecordingForm;
  bool Init(const std::wstring& url) override {
    gameUrl = url;
    Note("Init");
    return MakeWindow();
  }
  bool Maximize() override {
    Note("Maximize");
    return pf::ui().ShowWindow(hwnd_, pf::kSW_SHOWNORMAL);
  }
  std::wstring gameUrl;
};

class RecordingQuickLogin : public RecordingForm<app::IQuickLoginForm> {
 public:
  using RecordingForm::RecordingForm;
  bool Init(const std::wstring& u, int k) override {
    url = u;
    kind = k;
    Note("Init");
    return MakeWindow();
  }
  bool CentreAndShow() override {
    Note("CentreAndShow");
    return true;
  }
  std::wstring url;
  int kind = -1;
};

// The login window's stand-in: a plain window of the application class that
// hands out the game address and counts its reloads.
class StandInLogin : public app::ILoginForm {
 public:
  pf::HWindow GetHWND() const override { return hwnd_; }
  pf::LResult HandleMessage(pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) override {
    return pf::ui().DefWindowProc(h, m, w, l);
  }
  bool PreTranslateMessage(pf::Msg*) override { return false; }
  void SetRect(int, int, int right, int bottom) override {
    width_ = right;
    height_ = bottom;
  }
  void RedrawControls(bool) override {}
  bool Create(const std::wstring& className, const std::wstring& title, pf::HWindow) override {
    hwnd_ = pf::ui().CreateWindowEx(0, className, title, pf::kWS_POPUP, 0, 0, width_, height_,
                                    nullptr);
    return hwnd_ != nullptr;
  }
  // Creates the window with the context's class and title.
  bool Init() override;
  std::wstring GetEnterGameUrl() const override { return gameUrl; }
  std::wstring GetQuickLoginUrl() const override { return std::wstring(); }
  void ReloadAfterGame() override { ++reloads; }
  void NavigateView(const std::wstring& url) override { navigated.push_back(url); }

  std::wstring gameUrl;
  int reloads = 0;
  std::vector<std::wstring> navigated;

 private:
  pf::HWindow hwnd_ = nullptr;
  int width_ = 1;
  int height_ = 1;
};

class TestComponents : public app::AppComponents {
 public:
  std::unique_ptr<app::IBackdropForm> MakeBackdrop() override;
  std::unique_ptr<app::ILoginForm> MakeLogin() override;
  std::unique_ptr<app::IGameForm> MakeGame() override;
  std::unique_ptr<app::IQuickLoginForm> MakeQuickLogin() override;
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override { return nullptr; }
  std::wstring FindPlatformBrowser(const std::wstring& fileName) override {
    lookedUpBrowser = fileName;
    return platformBrowser;
  }
  void SendInstallPing(app::CGlobalModule& context) override {
    journal.push_back("SendInstallPing");
    if (pingFinishesAtOnce) FinishPing(context);
  }
  void SendUninstallPing(app::CGlobalModule& context) override {
    journal.push_back("SendUninstallPing");
    if (pingFinishesAtOnce) FinishPing(context);
  }
  // What the ping's completion does, as if the task had finished at once.
  void FinishPing(app::CGlobalModule& context);
  bool pingFinishesAtOnce = false;
  void ToggleDesktop() override { journal.push_back("ToggleDesktop"); }
  void LaunchIconAnimation() override { journal.push_back("LaunchIconAnimation"); }

  std::vector<std::string> journal;
  std::wstring platformBrowser;
  std::wstring lookedUpBrowser;
  RecordingBackdrop* backdrop = nullptr;  // owned by the context
  // When set, makes the login window instead of the bare one.
  std::function<std::unique_ptr<app::ILoginForm>()> makeLogin;
  // When set, makes the game windows instead of recording stand-ins.
  std::function<std::unique_ptr<app::IGameForm>()> makeGame;
  std::vector<RecordingGame*> games;  // owned by the context; the latest one is alive
  std::vector<RecordingQuickLogin*> quickLogins;  // owned by the context; freed when closed
};

}  // namespace testsupport
