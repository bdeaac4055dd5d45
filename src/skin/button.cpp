#include "skin/button.h"

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
  if (checked) {
    if (state_ == BTN_HOVER || state_ == BTN_RELEASED || state_ == BTN_PRESSED) {
      linkColor(true, true);
      const CImage& face = state_ == BTN_PRESSED ? checkedPressed : checkedHover;
      if (face.IsLoaded()) {
        current = face;
        changed = true;
      } else if (!real && checkedNormal.IsLoaded()) {
        current = checkedNormal;
        changed = true;
      }
    } else {
      linkColor(false, true);
      if (checkedNormal.IsLoaded()) {
        current = checkedNormal;
        changed = true;
      }
    }
  }
  if (!changed) {
    if (state_ == BTN_HOVER || state_ == BTN_RELEASED || state_ == BTN_PRESSED) {
      linkColor(true, false);
      const CImage& candidate = state_ == BTN_PRESSED ? pressed : hover;
      if (candidate.IsLoaded()) {
        current = candidate;
        changed = true;
      } else if (!real && normal.IsLoaded()) {
        current = normal;
        changed = true;
      }
    } else {
      linkColor(false, false);
      if (normal.IsLoaded()) {
        current = normal;
        changed = true;
      }
    }
  }
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
  pf::Rect c{rect_.left + paddingLeft, rect_.top + paddingTop, rect_.right - paddingRight,
             rect_.bottom - paddingBottom};
  const int saved = dc->SaveDC();
  const int oldMode = dc->SetBkMode(pf::kTRANSPARENT);
  const uint32_t oldColor = dc->SetTextColor(CurrentTextColor());
  const pf::HFont oldFont = dc->SelectFont(EnsureFont());

  std::wstring display = text_;
  pf::Rect measured = c;
  int h = dc->DrawText(display, measured, pf::kDT_CALCRECT);
  if (measured.right > c.right) {
    const size_t length = text_.size();
    const size_t k = keepTail_ > 0 ? static_cast<size_t>(keepTail_) : 0;
    if (k < length) {
      const std::wstring tail = text_.substr(length - k);
      for (size_t i = 0;; ++i) {
        std::wstring candidate = i == 0 ? L"..." + tail : text_.substr(0, i) + L"..." + tail;
        pf::Rect r = c;
        h = dc->DrawText(candidate, r, pf::kDT_CALCRECT);
        display = candidate;
        if (c.left + r.Width() + 16 > c.right || k + i + 1 >= length) break;
      }
    }
  }
  const int shrink = (c.bottom - c.top - h) / 2;
  c.top += shrink;
  c.bottom -= shrink;
  dc->DrawText(display, c, format_);
  drawnText_ = c;

  dc->SelectFont(oldFont);
  dc->SetTextColor(oldColor);
  dc->SetBkMode(oldMode);
  dc->RestoreDC(saved);
}

}  // namespace skin
