// A software canvas over memory bitmaps, with GDI's blending arithmetic.
//
// The fake backend paints with it, so tests can check both the pixels and the
// sequence of calls (each call is appended to `calls` as one line of text).
// Text is measured by a replaceable function and not rasterised.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/portable/dc_state.h"

namespace pf {

// A plain heap bitmap.
class SoftBitmap : public Bitmap {
 public:
  SoftBitmap(int width, int height, int bitsPerPixel);
  std::vector<uint8_t> storage;
};

// A font of the backends that draw text themselves: its description.
struct SoftFont : FontHandle {
  explicit SoftFont(const LogFont& font) : logFont(font) {}
  LogFont logFont;
};
inline const LogFont* LogFontOf(HFont font) {
  return font ? &static_cast<const SoftFont*>(font)->logFont : nullptr;
}

// Width and height in pixels of a line of text in a font (null = the
// device context's default font).
using TextMeasurer = std::function<Size(const std::wstring& text, const LogFont* font)>;

// The default measurer: characters below U+0080 are half the font height
// wide, others the full height; the line is the font height tall (16 without
// a font).
Size DefaultMeasure(const std::wstring& text, const LogFont* font);

class SoftCanvas : public MemoryCanvas {
 public:
  // Paints into a new width x height 32-bit bitmap (zeroed).
  SoftCanvas(int width, int height);
  // Paints into `target` (not owned), which must be 32-bit and outlive the canvas.
  explicit SoftCanvas(Bitmap* target);

  PF_CANVAS_OPERATIONS(PF_OVERRIDE)
  Bitmap& Target() override { return *target_; }

  // Painting outside `clip` (target coordinates) is dropped.
  void SetClip(const Rect& clip) { dc_.state.clip = clip; }
  void ClearCalls() { calls.clear(); }
  // Blue, green, red, alpha of one target pixel as 0xAARRGGBB.
  uint32_t PixelAt(int x, int y) const;

  TextMeasurer measure = DefaultMeasure;
  std::vector<std::wstring> calls;
  bool failBlits = false;  // makes every blit report failure (and draw nothing)

  struct State {
    int bkMode = kOPAQUE;
    uint32_t bkColor = 0x00FFFFFF;
    uint32_t textColor = 0;
    HFont font = nullptr;
    Rect clip{-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};
  };
  const State& CurrentState() const { return dc_.state; }

 private:
  template <typename Op>
  bool Transfer(int x, int y, int width, int height, const Bitmap& src, int sx, int sy, int sw,
                int sh, const Op& op);
  void Log(const std::wstring& line) { calls.push_back(line); }

  std::unique_ptr<SoftBitmap> own_;
  Bitmap* target_;
  DcStack<State> dc_;
};

}  // namespace pf
