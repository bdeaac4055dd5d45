#include "skin/button.h"

#include <algorithm>
#include <typeinfo>

#include "platform/platform.h"

namespace skin {

CRKButton::CRKButton() {
  className_ = L"CRKButton";
  format_ = pf::kDT_CENTER;
  autoWidth_ = false;
}

CRKButton::~CRKButton() {
  current.Destroy();
  for (CImage* image : {&normal, &hover, &pressed, &disabled, &checkedNormal, &checkedHover,
                        &checkedPressed, &checkedDisabled})
    image->Destroy();
}

void CRKButton::LoadButtonImages(int normalId, int hoverId, int pressedId) {
  blend = LoadSkinImage(normal, normalId);
  LoadSkinImage(hover, hoverId);
  LoadSkinImage(pressed, pressedId);
  current = normal;
}

int CRKButton::GetImageWidth() const {
  if (current.IsLoaded()) return current.width;
  return normal.IsLoaded() ? normal.width : 0;
}

int CRKButton::GetImageHeight() const {
  if (current.IsLoaded()) return current.height;
  return normal.IsLoaded() ? normal.height : 0;
}

bool CRKButton::OnLButtonDown(uint32_t, pf::Point) {
  ApplyCursor();
  SetState(BTN_PRESSED, true);
  return false;
}

bool CRKButton::OnLButtonUp(uint32_t, pf::Point) {
  ApplyCursor();
  SetState(BTN_RELEASED, true);
  return false;
}

bool CRKButton::OnMouseMove(uint32_t flags, pf::Point point) {
  CRKLabel::OnMouseMove(flags, point);
  SetState(HitTest(point) ? BTN_HOVER : BTN_NORMAL, true);
  return false;
}

void CRKButton::SetState(int32_t s, bool redraw) {
  if (s == state_) return;
  if (s != BTN_REFRESH) state_ = s;
  const bool real = s != BTN_REFRESH;
  bool changed = false;
  const auto linkColor = [this](bool hoverLook, bool checkedBranch) {
    if (!linkMode_) return;
    uint32_t color = hoverLook ? hoverColor_ : normalColor_;
    if (checkedBranch && checkedColorMode_) color = checkedColor_;
    SetTextColor(color, true);
  };
  // One set of faces: the resting one, and the hover or pressed one when the
  // mouse is on the button (the resting one only stands in for a refresh).
  const auto pickFace = [&](const CImage& rest, const CImage& over, const CImage& down,
                            bool checkedFaces) {
    if (state_ == BTN_HOVER || state_ == BTN_RELEASED || state_ == BTN_PRESSED) {
      linkColor(true, checkedFaces);
      const CImage& face = state_ == BTN_PRESSED ? down : over;
      if (face.IsLoaded()) {
        current = face;
        return true;
      }
      if (!real && rest.IsLoaded()) {
        current = rest;
        return true;
      }
      return false;
    }
    linkColor(false, checkedFaces);
    if (!rest.IsLoaded()) return false;
    current = rest;
    return true;
  };
  if (checked) changed = pickFace(checkedNormal, checkedHover, checkedPressed, true);
  if (!changed) changed = pickFace(normal, hover, pressed, false);
  if (visible_ && enabled_ && redraw && (changed || !real)) Invalidate();
}

void CRKButton::SetEnabled(bool e, bool redraw) {
  if (e) {
    if (checked && checkedNormal.IsLoaded())
      current = checkedNormal;
    else if (normal.IsLoaded())
      current = normal;
  } else {
    current = normal;
    if (!checked) {
      if (disabled.IsLoaded()) current = disabled;
    } else if (checkedDisabled.IsLoaded()) {
      current = checkedDisabled;
    } else if (checkedNormal.IsLoaded()) {
      current = checkedNormal;
    }
  }
  if (e != enabled_) {
    enabled_ = e;
    if (redraw) Invalidate();
  }
}

// The plain copy goes to (0, 0), a natural-size face may be larger than the
// rectangle and unclipped text may go anywhere: no key for those.
bool CRKButton::PaintKey(std::string& key) const {
  if (typeid(*this) != typeid(CRKButton) || (format_ & pf::kDT_NOCLIP)) return false;
  if (visible_ && current.IsLoaded()) {
    if (!skinMode) return false;
    if (!stretch && (current.width > rect_.Width() || current.height > rect_.Height()))
      return false;
  }
  PutLabelKey(key);
  PutKey(key, state_);
  PutKey(key, skinMode);
  PutKey(key, stretch);
  PutKey(key, checked);
  PutKey(key, blend);
  const int numbers[] = {marginLeft,  marginTop,  marginRight,  marginBottom,
                         paddingLeft, paddingTop, paddingRight, paddingBottom};
  PutKey(key, numbers);
  PutImageKey(key, current);
  return true;
}

void CRKButton::Draw(pf::Canvas* dc) {
  if (!visible_) return;
  if (current.IsLoaded()) {
    if (skinMode) {
      const SkinDrawMode mode = blend ? SkinDrawMode::kBlend : SkinDrawMode::kColorKey;
      if (!DrawNineGrid(current, dc, rect_, marginLeft, marginTop, marginRight, marginBottom, mode,
                        255))
        DrawFitted(current, dc, rect_, stretch, mode, 254);
    } else {
      PlainCopy(current, dc, GetImageWidth(), GetImageHeight());
    }
  }
  if (!text_.empty()) DrawCaption(dc);
}

void CRKButton::DrawCaption(pf::Canvas* dc) {
  if (!dc) return;
  const pf::Rect c{rect_.left + paddingLeft, rect_.top + paddingTop, rect_.right - paddingRight,
                   rect_.bottom - paddingBottom};
  const TextLook look(dc, *this, false, CurrentTextColor());
  pf::Rect measured = c;
  int h = dc->DrawText(text_, measured, pf::kDT_CALCRECT);
  const std::wstring display =
      measured.right > c.right ? Shortened(dc, c, static_cast<size_t>(std::max(keepTail_, 0)), h) : text_;
  DrawCentred(dc, display, c, h);
}

}  // namespace skin
