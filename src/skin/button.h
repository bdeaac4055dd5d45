// CRKButton: an image button with up to eight faces (four states, checked or
// not) and an optional caption fitted with an ellipsis.  It never notifies
// anyone: its form acts on the control under the mouse.
#pragma once

#include "skin/label.h"
#include "skin/skin_image.h"

namespace skin {

enum ButtonState : int32_t {
  BTN_NORMAL = 0,
  BTN_HOVER = 1,
  BTN_PRESSED = 2,
  BTN_RELEASED = 3,  // drawn like BTN_HOVER
  BTN_REFRESH = 4,   // never stored: choose the face again for the stored state
};

class CRKButton : public CRKLabel {
 public:
  bool TakesPresses() const override { return true; }
  CRKButton();
  ~CRKButton() override;
  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  bool OnLButtonUp(uint32_t flags, pf::Point point) override;
  bool OnMouseMove(uint32_t flags, pf::Point point) override;
  void Draw(pf::Canvas* dc) override;
  void SetEnabled(bool enabled, bool redraw) override;

  virtual int GetImageWidth() const;
  virtual int GetImageHeight() const;
  virtual void SetState(int32_t state, bool redraw);
  bool PaintKey(std::string& key) const override;

  // LoadSkinImage of the three ids; blend takes the normal image's result.
  void LoadButtonImages(int normalId, int hoverId, int pressedId);
  int32_t State() const { return state_; }

  // Set directly by the owner.
  bool skinMode = true;  // false: plain copy at (0, 0)
  bool stretch = true;
  bool checked = false;
  bool blend = false;
  int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  int paddingLeft = 0, paddingTop = 0, paddingRight = 0, paddingBottom = 0;
  CImage current;  // a shared copy of one of the faces below
  CImage normal, hover, pressed, disabled;
  CImage checkedNormal, checkedHover, checkedPressed, checkedDisabled;

 private:
  void DrawCaption(pf::Canvas* dc);
  int32_t state_ = BTN_NORMAL;
};

}  // namespace skin
