// Bitmaps and drawing, in GDI's terms.
//
// A Bitmap is a device-independent pixel buffer created by the backend: rows
// top-down, `pitch` bytes apart; 32 bits per pixel are blue, green, red, alpha
// (colour premultiplied when it is blended with AC_SRC_ALPHA), 24 bits are
// blue, green, red.  A Canvas is a device context: a paint target (window,
// memory bitmap) with GDI's blits, text and saved states.  Coordinates on a
// canvas are the target's own (a window's client coordinates).
// Threads: both belong to the user-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/operations.h"
#include "platform/ui.h"

namespace pf {

class Bitmap {
 public:
  virtual ~Bitmap() = default;
  // Call after writing to `bits`, so that a backend drops any copy it keeps.
  virtual void BitsChanged() {}

  uint8_t* bits = nullptr;  // first byte of the top row; owned by the bitmap
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  int32_t bitsPerPixel = 0;  // 24 or 32
};

// A font as the backend that made it keeps it: each backend derives its own
// record (the font's description, or the system's handle) and casts back to
// it; fonts never pass from one backend to another.
struct FontHandle {
 protected:
  FontHandle() = default;
};
using HFont = FontHandle*;

// BLENDFUNCTION.
struct BlendFunction {
  uint8_t blendOp = kAC_SRC_OVER;
  uint8_t blendFlags = 0;
  uint8_t sourceConstantAlpha = 255;
  uint8_t alphaFormat = 0;  // kAC_SRC_ALPHA or 0
};

// CreateFontW's arguments.
struct LogFont {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint32_t italic = 0;
  uint32_t underline = 0;
  uint32_t strikeOut = 0;
  uint32_t charSet = kANSI_CHARSET;
  uint32_t outPrecision = kOUT_DEFAULT_PRECIS;
  uint32_t clipPrecision = kCLIP_DEFAULT_PRECIS;
  uint32_t quality = kDEFAULT_QUALITY;
  uint32_t pitchAndFamily = kDEFAULT_PITCH;
  std::wstring face;
};

// COLORREF helpers: 0x00BBGGRR.
constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16);
}
constexpr uint8_t RedOf(uint32_t c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(uint32_t c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(uint32_t c) { return static_cast<uint8_t>(c >> 16); }

// The operations of a canvas (see operations.h).
#define PF_CANVAS_OPERATIONS(X)                                                              \
  /* AlphaBlend: source rectangle of `src` stretched onto the destination. */                \
  X(bool, AlphaBlend,                                                                        \
    (int x, int y, int width, int height, const Bitmap& src, int sx, int sy, int sw, int sh, \
     BlendFunction blend))                                                                   \
  /* TransparentBlt: pixels of colour `key` (COLORREF) are not drawn. */                     \
  X(bool, TransparentBlt,                                                                    \
    (int x, int y, int width, int height, const Bitmap& src, int sx, int sy, int sw, int sh, \
     uint32_t key))                                                                          \
  X(bool, StretchBlt,                                                                        \
    (int x, int y, int width, int height, const Bitmap& src, int sx, int sy, int sw, int sh, \
     uint32_t rop))                                                                          \
  X(bool, BitBlt,                                                                            \
    (int x, int y, int width, int height, const Bitmap& src, int sx, int sy, uint32_t rop))  \
  /* SaveDC returns the saved state's number (0 on failure); RestoreDC(-1) */                \
  /* restores the latest one. */                                                             \
  X(int, SaveDC, ())                                                                         \
  X(bool, RestoreDC, (int saved))                                                            \
  /* Each setter returns the previous value. */                                              \
  X(int, SetBkMode, (int mode))                                                              \
  X(uint32_t, SetBkColor, (uint32_t color))                                                  \
  X(uint32_t, SetTextColor, (uint32_t color))                                                \
  /* SelectObject for fonts; null selects nothing and returns the current font. */           \
  X(HFont, SelectFont, (HFont font))                                                         \
  /* DrawTextW of one line: with kDT_CALCRECT only measures, setting rect's */               \
  /* right and bottom; returns the text height. */                                           \
  X(int, DrawText, (const std::wstring& text, Rect& rect, uint32_t format))                  \
  /* Fills a rectangle with a colour (the background of tests and benchmarks). */            \
  X(bool, FillRect, (const Rect& rect, uint32_t color))                                      \
  /* IntersectClipRect: painting outside `rect` is dropped until the state */                \
  /* saved before is restored.  False when the canvas cannot clip. */                        \
  X(bool, IntersectClipRect, (const Rect& rect))

class Canvas {
 public:
  virtual ~Canvas() = default;
  PF_CANVAS_OPERATIONS(PF_PURE_VIRTUAL)
};

// A canvas that paints into a 32-bit bitmap of its own (CreateCompatibleDC
// with a selected bitmap).
class MemoryCanvas : public Canvas {
 public:
  // The pixels painted so far (top-down, blue, green, red, alpha).
  virtual Bitmap& Target() = 0;
};

}  // namespace pf
