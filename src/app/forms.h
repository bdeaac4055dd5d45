// What the application shell needs from its top-level windows.
//
// The context owns the backdrop and the login window for the whole process;
// game and quick-login windows are created on demand by the application window
// procedure and only pointed to.  Each window object must outlive its window.
#pragma once

#include <string>

#include "platform/ui.h"

namespace app {

class IAppForm {
 public:
  virtual ~IAppForm() = default;
  virtual pf::HWindow GetHWND() const = 0;
  // The window's message handling; what it does not handle goes to the default procedure.
  virtual pf::LResult HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                    pf::LParam lParam) = 0;
  // Offered by the message filter while this window is in the foreground.
  virtual bool PreTranslateMessage(pf::Msg* msg) = 0;
  // The window's rectangle, set before it is created.
  virtual void SetRect(int left, int top, int right, int bottom) = 0;
  virtual void RedrawControls(bool onlyMarked) = 0;
};

class IBackdropForm : public IAppForm {
 public:
  // Creates the layered backdrop window (hidden).
  virtual bool Init() = 0;
  // Shows it as an application window, centred on the work area unless keepPosition.
  virtual void ShowBackdrop(bool keepPosition) = 0;
};

class ILoginForm : public IAppForm {
 public:
  // Creates the window (no parent) without setting it up further: the short runs use it bare.
  virtual bool Create(const std::wstring& className, const std::wstring& title,
                      pf::HWindow parent) = 0;
  // Creates and sets up the window and starts loading the start page.
  virtual bool Init() = 0;
  virtual std::wstring GetEnterGameUrl() const = 0;
  virtual std::wstring GetQuickLoginUrl() const = 0;
  virtual void ReloadAfterGame() = 0;
  // Navigates the login window's view (the quick-login window forwards there).
  virtual void NavigateView(const std::wstring& url) = 0;
};

class IGameForm : public IAppForm {
 public:
  virtual bool Init(const std::wstring& gameUrl) = 0;
  // Shows the window filling the work area.
  virtual bool Maximize() = 0;
};

class IQuickLoginForm : public IAppForm {
 public:
  virtual bool Init(const std::wstring& url, int kind) = 0;
  virtual bool CentreAndShow() = 0;
};

}  // namespace app
