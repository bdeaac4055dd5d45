// CFormBack: the layered window beneath the login window that shows the
// soft, irregular outline (image 170, per-pixel alpha).  Dragging it drags the
// login window along.
#pragma once

#include "app/forms.h"
#include "windows/app_form.h"

namespace windows {

class CFormBack : public CAppForm<app::IBackdropForm> {
 public:
  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  void OnMove() override;
  // Creates the hidden layered window and paints image 170 into it once.
  bool Init() override;

  // Makes the backdrop an application window and shows it, centred on the
  // work area unless keepPosition.
  void ShowBackdrop(bool keepPosition);

 private:
  void PaintLayered();
};

}  // namespace windows
