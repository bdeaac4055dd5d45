#include "skin/label.h"

#include <typeinfo>

#include "platform/platform.h"

namespace skin {
namespace {
// A link look switches between a normal and a hover value with the mouse;
// the normal one shows first.
template <class T>
void SetLinkPair(T& shown, T& normalSlot, T& hoverSlot, T normal, T hover) {
  normalSlot = normal;
  hoverSlot = hover;
  shown = normal;
}
}  // namespace

CRKLabel::CRKLabel() { className_ = L"CRKLabel"; }

CRKLabel::~CRKLabel() {
  if (font_) pf::gfx().DeleteFont(font_);
}

pf::HFont CRKLabel::EnsureFont() {
  if (fontStale_) {
    if (font_) pf::gfx().DeleteFont(font_);
    pf::LogFont logFont;
    logFont.height = fontHeight_;
    logFont.weight = weight_;
    logFont.underline = static_cast<uint32_t>(underline_);
    logFont.charSet = pf::kANSI_CHARSET;
    logFont.outPrecision = pf::kOUT_DEFAULT_PRECIS;
    logFont.clipPrecision = pf::kCLIP_DEFAULT_PRECIS;
    logFont.quality = quality_;
    logFont.pitchAndFamily = pf::kDEFAULT_PITCH | pf::kFF_SWISS;
    logFont.face = fontFace_;
    font_ = pf::gfx().CreateFont(logFont);
    fontStale_ = false;
  }
  return font_;
}

void CRKLabel::SetText(const std::wstring& text, bool redraw) {
  if (autoWidth_) rect_.right = rect_.left + 800;
  text_ = text;
  fontStale_ = true;
  cachedWidth_ = -1;
  if (redraw) Invalidate();
}

void CRKLabel::SetFontSize(int size, int overrideSize, bool redraw) {
  if (autoWidth_) rect_.right = rect_.left + 800;
  if (overrideSize > 0)
    fontHeight_ = overrideSize;
  else if (fontFace_ == L"微软雅黑")
    fontHeight_ = size - 5;
  else
    fontHeight_ = size;
  fontStale_ = true;
  if (redraw) Invalidate();
}

void CRKLabel::SetFontFace(const std::wstring& face, bool redraw) {
  if (autoWidth_) rect_.right = rect_.left + 800;
  fontFace_ = face;
  fontStale_ = true;
  if (redraw) Invalidate();
}

void CRKLabel::SetLinkUnderline(int normalUnderline, int hoverUnderline, bool redraw) {
  linkMode_ = true;
  SetLinkPair(underline_, normalUnderline_, hoverUnderline_, normalUnderline, hoverUnderline);
  if (redraw) Invalidate();
}

void CRKLabel::SetUnderline(int underline, bool redraw) {
  underline_ = underline;
  fontStale_ = true;
  if (redraw) Invalidate();
}

std::wstring CRKLabel::GetText() const { return text_; }

void CRKLabel::SetLinkColorsChecked(uint32_t normal, uint32_t hover, uint32_t checked,
                                    bool redraw) {
  checkedColorMode_ = true;
  checkedColor_ = checked;
  CRKLabel::SetLinkColors(normal, hover, redraw);
}

void CRKLabel::SetLinkColors(uint32_t normal, uint32_t hover, bool redraw) {
  linkMode_ = true;
  SetLinkPair(textColor_, normalColor_, hoverColor_, normal, hover);
  if (redraw) Invalidate();
}

void CRKLabel::SetTextColor(uint32_t color, bool redraw) {
  if (color == textColor_) return;
  textColor_ = color;
  fontStale_ = true;
  if (redraw) Invalidate();
}

void CRKLabel::SetDisabledColor(uint32_t color) { disabledColor_ = color; }

void CRKLabel::SetBkColor(uint32_t color, bool opaque) {
  if (color == bkColor_) return;
  bkColor_ = color;
  opaque_ = opaque;
  Invalidate();
}

void CRKLabel::SetFont(pf::HFont font) {
  if (font_) pf::gfx().DeleteFont(font_);
  font_ = font;
}

void CRKLabel::SetFormat(uint32_t format) {
  format_ = format;
  if (format != 0) autoWidth_ = false;
}

void CRKLabel::SetAutoWidth(bool enable, int maximumWidth) {
  autoWidth_ = enable;
  maxWidth_ = maximumWidth;
}

int CRKLabel::GetTextWidth() {
  if (cachedWidth_ >= 0) return cachedWidth_;
  pf::Ui& ui = pf::ui();
  pf::Canvas* dc = ui.GetDC(ownerWindow_);
  if (!dc) return 0;
  pf::Rect measured = rect_;
  {
    const TextLook look(dc, *this, false, textColor_);
    dc->DrawText(text_, measured, pf::kDT_CALCRECT);
  }
  ui.ReleaseDC(ownerWindow_, dc);
  int width = measured.right - measured.left;
  if (maxWidth_ != 0 && maxWidth_ < width) width = maxWidth_;
  cachedWidth_ = width;
  return cachedWidth_;
}

void CRKLabel::SetBold(bool bold, bool redraw) {
  const int weight = bold ? pf::kFW_BOLD : 0;
  if (weight == weight_) return;
  weight_ = weight;
  fontStale_ = true;
  if (redraw) Invalidate();
}

void CRKLabel::SetKeepTail(int count) { keepTail_ = count; }

bool CRKLabel::OnMouseMove(uint32_t, pf::Point point) {
  const bool hit = HitTest(point);
  if (hit) ApplyCursor();
  if (!linkMode_) return false;
  if (hit) {
    if (hovered_) return false;
    hovered_ = true;
    SetUnderline(hoverUnderline_, false);
    SetTextColor(hoverColor_, true);
  } else if (hovered_) {
    hovered_ = false;
    SetUnderline(normalUnderline_, false);
    SetTextColor(normalColor_, true);
  }
  return false;
}

// Unclipped text (DT_NOCLIP) may go anywhere: no key then.
bool CRKLabel::PaintKey(std::string& key) const {
  if (typeid(*this) != typeid(CRKLabel) || (format_ & pf::kDT_NOCLIP)) return false;
  PutLabelKey(key);
  return true;
}

pf::Rect CRKLabel::PaintBounds() const { return RectUnion(rect_, drawnText_); }

void CRKLabel::PutLabelKey(std::string& key) const {
  PutKey(key, visible_);
  PutKey(key, enabled_);
  PutKey(key, rect_);
  PutKey(key, text_);
  PutKey(key, fontFace_);
  const void* font = font_;
  PutKey(key, font);
  const int numbers[] = {fontHeight_,
                         underline_,
                         opaque_ ? 1 : 0,
                         fontStale_ ? 1 : 0,
                         autoWidth_ ? 1 : 0,
                         maxWidth_,
                         weight_,
                         keepTail_,
                         linkMode_ ? 1 : 0,
                         checkedColorMode_ ? 1 : 0,
                         hovered_ ? 1 : 0,
                         hoverUnderline_,
                         normalUnderline_};
  PutKey(key, numbers);
  const uint32_t colours[] = {textColor_,  bkColor_,     format_,        checkedColor_,
                              hoverColor_, normalColor_, disabledColor_, CurrentTextColor()};
  PutKey(key, colours);
}

CRKLabel::TextLook::TextLook(pf::Canvas* dc, CRKLabel& label, bool opaque, uint32_t textColor)
    : dc_(dc), opaque_(opaque), saved_(dc->SaveDC()) {
  if (opaque) {
    oldBk_ = dc->SetBkColor(label.bkColor_);
    oldMode_ = dc->SetBkMode(pf::kOPAQUE);
  } else {
    oldMode_ = dc->SetBkMode(pf::kTRANSPARENT);
  }
  oldColor_ = dc->SetTextColor(textColor);
  oldFont_ = dc->SelectFont(label.EnsureFont());
}

CRKLabel::TextLook::~TextLook() {
  dc_->SelectFont(oldFont_);
  dc_->SetTextColor(oldColor_);
  dc_->SetBkMode(oldMode_);
  if (opaque_) dc_->SetBkColor(oldBk_);
  dc_->RestoreDC(saved_);
}

std::wstring CRKLabel::Shortened(pf::Canvas* dc, const pf::Rect& box, size_t keepTail,
                                 int& height) const {
  const size_t length = text_.size();
  const std::wstring tail = keepTail < length ? text_.substr(length - keepTail) : std::wstring();
  std::wstring display = text_;
  for (size_t i = 0; keepTail + i < length; ++i) {
    display = (i == 0 ? std::wstring() : text_.substr(0, i)) + L"..." + tail;
    pf::Rect r = box;
    height = dc->DrawText(display, r, pf::kDT_CALCRECT);
    if (box.left + r.Width() + 16 > box.right) break;
  }
  return display;
}

void CRKLabel::DrawCentred(pf::Canvas* dc, const std::wstring& display, pf::Rect box, int height) {
  const int shrink = (box.bottom - box.top - height) / 2;
  box.top += shrink;
  box.bottom -= shrink;
  dc->DrawText(display, box, format_);
  drawnText_ = box;
}

void CRKLabel::Draw(pf::Canvas* dc) {
  if (!visible_ || !dc) return;
  const TextLook look(dc, *this, opaque_, CurrentTextColor());
  pf::Rect measured = rect_;
  const int h = dc->DrawText(text_, measured, pf::kDT_CALCRECT);
  if (autoWidth_) {
    const int w = measured.right - rect_.left;
    rect_.right = (maxWidth_ > 0 && w > maxWidth_) ? rect_.left + maxWidth_ : rect_.left + w;
  }
  // The label keeps the full text's height for a shortened one.
  int shortHeight = h;
  const std::wstring display =
      measured.right > rect_.right ? Shortened(dc, rect_, 0, shortHeight) : text_;
  DrawCentred(dc, display, rect_, h);
}

}  // namespace skin
