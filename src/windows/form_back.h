// CFormBack: the layered window beneath the login window that shows the
// soft, irregular outline (image 170, per-pixel alpha).  Dragging it drags the
// login window along.
#pragma once

#include "app/forms.h"
#include "skin/form.h"

namespace windows {

class CFormBack : public skin::CRKForm, public app::IBackdropForm {
 public:
  CFormBack();
  ~CFormBack() override;

  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  void OnMove() override;
  pf::LResult HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                            pf::LParam lParam) override;
  // Creates the hidden layered window and paints image 170 into it once.
  bool Init() override;

  // Makes the backdrop an application window and shows it, centred on the
  // work area unless keepPosition.
  void ShowBackdrop(bool keepPosition);

  // The shell's view of the form.
  pf::HWindow GetHWND() const override { return skin::CRKForm::GetHWND(); }
  bool PreTranslateMessage(pf::Msg* msg) override { return skin::CRKForm::PreTranslateMessage(msg); }
  void RedrawControls(bool onlyMarked) override { skin::CRKForm::RedrawControls(onlyMarked); }
  using skin::CRKForm::SetRect;
  void SetRect(int left, int top, int right, int bottom) override {
    skin::CRKForm::SetRect(pf::Rect{left, top, right, bottom});
  }

 private:
  void PaintLayered();
};

}  // namespace windows
