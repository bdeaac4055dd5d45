// What the four top-level windows share: CAppForm, a skinned form in the role
// the application shell knows it by (an app:: interface), whose window
// operations are the form's own; and the steps each of them repeats (the
// shell's extended styles, the centred show, the browser view's start, the
// link buttons).  Threads: the user-interface thread only.
#pragma once

#include <string>

#include "app/forms.h"
#include "browser/browser_view.h"
#include "skin/button.h"
#include "skin/form.h"

namespace windows {

template <class Role>
class CAppForm : public skin::CRKForm, public Role {
 public:
  pf::HWindow GetHWND() const override { return CRKForm::GetHWND(); }
  bool PreTranslateMessage(pf::Msg* msg) override { return CRKForm::PreTranslateMessage(msg); }
  void RedrawControls(bool onlyMarked) override { CRKForm::RedrawControls(onlyMarked); }
  using CRKForm::SetRect;
  void SetRect(int left, int top, int right, int bottom) override {
    CRKForm::SetRect(pf::Rect{left, top, right, bottom});
  }
  // The skinned form's handling first, then the window's own messages; the
  // rest goes to the default window procedure.
  pf::LResult HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                            pf::LParam lParam) override {
    if (CRKForm::HandleMessage(hwnd, message, wParam, lParam) == 0) return 0;
    if (OwnMessage(message, wParam, lParam)) return 0;
    return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
  }

 protected:
  // A message of this window's own; true when handled (the result is 0).
  virtual bool OwnMessage(uint32_t, pf::WParam, pf::LParam) { return false; }

  // Loads a button's faces (the hover face also stands for pressed), gives it
  // the hand cursor and adds it above the controls added before.
  void AddButton(skin::CRKButton& button, int normal, int hover) {
    button.LoadButtonImages(normal, hover, hover);
    button.SetCursor(pf::ui().LoadCursor(pf::kIDC_HAND));
    button.skinMode = true;
    AddControl(&button);
  }
  // The window's client rectangle.
  pf::Rect ClientRect() const {
    pf::Rect client;
    pf::ui().GetClientRect(window_, client);
    return client;
  }
};

// The four roles are instantiated once, in app_form.cpp: a file that sees the
// system's headers (whose macros rename some member names) then never emits
// the tables of virtual functions itself.
extern template class CAppForm<app::IBackdropForm>;
extern template class CAppForm<app::ILoginForm>;
extern template class CAppForm<app::IGameForm>;
extern template class CAppForm<app::IQuickLoginForm>;

// Creates form's browser view at rect on a blank page, subscribes the form
// to its notifications, blocks pop-ups and starts loading url.
template <class Form>
void OpenPage(Form* form, browser::CBrowserView& view, const pf::Rect& rect,
              const std::wstring& url) {
  view.Create(form->GetHWND(), rect, L"about:blank");
  browser::Subscribe(view.Notify(), form);
  view.SetBlockPopups(true);
  view.Navigate(url);
}

// Creates form's window with the application's window class and title
// (empty without an application context), owned by parent.
bool CreateAppWindow(skin::CRKForm& form, pf::HWindow parent);

// Whether the settings ask for topmost windows ([Common] "TopMost" is 1).
bool TopMostWanted();

// Sets a window's extended styles to (current AND NOT remove) OR add, with
// WS_EX_TOPMOST when the settings ask for topmost windows; returns whether
// they do.
bool SetShellExStyle(pf::HWindow window, uint32_t remove, uint32_t add);

// Where a window of the given size sits centred on the work area.
pf::Point CentreOnWorkArea(const pf::Rect& work, int width, int height);
// The same on the system's work area now.
pf::Point CentreOnWorkArea(int width, int height);

// Shows a window at its size, centred on the work area (where it is with
// keepPosition), above the others or topmost, without a redraw.
void ShowCentred(pf::HWindow window, bool topMost, bool keepPosition);

// Opens in the outside browser the page of whichever link button control
// is (official site, pay, service, forum); false when it is none of them.
bool OpenLinkPage(const skin::CRKBaseControl* control, const skin::CRKButton& official,
                  const skin::CRKButton& pay, const skin::CRKButton& service,
                  const skin::CRKButton& forum);

}  // namespace windows
