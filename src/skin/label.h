// CRKLabel: one line of text in a chosen font and colour; sizes itself to the
// text, shortens it with "...", and can act as a hyperlink.
#pragma once

#include <string>

#include "skin/control.h"

namespace skin {

class CRKLabel : public CRKBaseControl {
 public:
  CRKLabel();
  ~CRKLabel() override;
  bool OnMouseMove(uint32_t flags, pf::Point point) override;
  void Draw(pf::Canvas* dc) override;

  virtual void SetText(const std::wstring& text, bool redraw);
  virtual void SetFontSize(int size, int overrideSize, bool redraw);
  virtual void SetFontFace(const std::wstring& face, bool redraw);
  virtual void SetLinkUnderline(int normalUnderline, int hoverUnderline, bool redraw);
  virtual void SetUnderline(int underline, bool redraw);
  virtual std::wstring GetText() const;
  virtual void SetLinkColorsChecked(uint32_t normal, uint32_t hover, uint32_t checked, bool redraw);
  virtual void SetLinkColors(uint32_t normal, uint32_t hover, bool redraw);
  virtual void SetTextColor(uint32_t color, bool redraw);
  virtual void SetDisabledColor(uint32_t color);
  virtual void SetBkColor(uint32_t color, bool opaque);
  // Adopts `font` (owned from now on), deleting the current one.
  virtual void SetFont(pf::HFont font);
  virtual void SetFormat(uint32_t format);
  virtual void SetAutoWidth(bool enable, int maximumWidth);
  virtual int GetTextWidth();
  virtual void SetBold(bool bold, bool redraw);
  virtual void SetKeepTail(int count);
  bool PaintKey(std::string& key) const override;
  pf::Rect PaintBounds() const override;

  // The font's LOGFONT quality (kDEFAULT_QUALITY at first); a label drawn on
  // a colour key uses kNONANTIALIASED_QUALITY so no edge pixel blends with it.
  void SetFontQuality(uint32_t quality) {
    quality_ = quality;
    fontStale_ = true;
  }
  uint32_t FontQuality() const { return quality_; }
  // Read by tests and by the button's caption drawing.
  int FontHeight() const { return fontHeight_; }
  uint32_t TextColor() const { return textColor_; }
  int Underline() const { return underline_; }
  bool Hovered() const { return hovered_; }
  bool AutoWidth() const { return autoWidth_; }
  uint32_t Format() const { return format_; }
  bool Opaque() const { return opaque_; }
  uint32_t BkColor() const { return bkColor_; }

 protected:
  // Appends every field that decides the label's pixels to a paint key.
  void PutLabelKey(std::string& key) const;
  // Re-creates the font when it is stale; returns the font to select (may be null).
  pf::HFont EnsureFont();
  // The text colour to use now (enabled or disabled).
  uint32_t CurrentTextColor() const { return enabled_ ? textColor_ : disabledColor_; }
  // The text cut with "..." before its last keepTail characters, one more
  // leading character at a time, until a candidate no longer fits within box
  // less 16 pixels or every one was tried.  height receives the height the
  // last candidate measured.
  std::wstring Shortened(pf::Canvas* dc, const pf::Rect& box, size_t keepTail, int& height) const;
  // Draws display in box, centred vertically for a text of the given height,
  // and keeps where it went in drawnText_.
  void DrawCentred(pf::Canvas* dc, const std::wstring& display, pf::Rect box, int height);

  // Selects the label's font, a text colour and a background (opaque in
  // bkColor_, or transparent) into a canvas, and puts the canvas back, in
  // reverse order, when it goes.
  class TextLook {
   public:
    TextLook(pf::Canvas* dc, CRKLabel& label, bool opaque, uint32_t textColor);
    ~TextLook();
    TextLook(const TextLook&) = delete;
    TextLook& operator=(const TextLook&) = delete;

   private:
    pf::Canvas* dc_;
    bool opaque_;
    int saved_;
    uint32_t oldBk_ = 0;
    int oldMode_;
    uint32_t oldColor_;
    pf::HFont oldFont_;
  };

  pf::Rect drawnText_;  // where the last Draw put its text (may reach beyond rect_)
  std::wstring text_;
  int fontHeight_ = 12;
  std::wstring fontFace_ = L"宋体";
  int underline_ = 0;
  uint32_t textColor_ = 0;
  uint32_t bkColor_ = 0;
  bool opaque_ = false;
  pf::HFont font_ = nullptr;  // owned
  bool fontStale_ = false;
  uint32_t format_ = 0;
  bool autoWidth_ = true;
  int maxWidth_ = 0;
  int cachedWidth_ = -1;
  int weight_ = 0;
  int keepTail_ = 0;
  bool linkMode_ = false;
  bool checkedColorMode_ = false;
  bool hovered_ = false;
  int hoverUnderline_ = 0, normalUnderline_ = 0;
  uint32_t checkedColor_ = 0, hoverColor_ = 0, normalColor_ = 0;
  uint32_t disabledColor_ = 0x00AAAAAA;
  uint32_t quality_ = pf::kDEFAULT_QUALITY;
};

}  // namespace skin
