// The Windows backend's bitmaps, canvas and graphics facility.  Include
// <windows.h> before this header.
#pragma once

#include <memory>
#include <vector>

#include "platform/graphics.h"

namespace pf {

// A GDI font.
struct GdiFont : FontHandle {
  explicit GdiFont(HFONT handle) : font(handle) {}
  HFONT font;
};

// A DIB section.
class Win32Bitmap : public Bitmap {
 public:
  Win32Bitmap(int width, int height, int bitsPerPixel);
  explicit Win32Bitmap(HBITMAP adopted);  // owned from now on
  ~Win32Bitmap() override;
  HBITMAP handle = nullptr;
  // The memory DC the bitmap is selected into as a canvas's target, if any:
  // transfers from it read through that DC (a bitmap lives in one DC at a time).
  HDC selectedInto = nullptr;
};

class GdiCanvas : public MemoryCanvas {
 public:
  explicit GdiCanvas(HDC dc);        // not owned
  GdiCanvas(int width, int height);  // a memory DC with its own 32-bit DIB
  ~GdiCanvas() override;
  PF_CANVAS_OPERATIONS(PF_OVERRIDE)
  Bitmap& Target() override;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  bool ownsDc_ = false;
  HGDIOBJ old_ = nullptr;
  std::unique_ptr<Win32Bitmap> target_;
  std::vector<std::unique_ptr<GdiFont>> previousFonts_;
};

class Win32Graphics : public Graphics {
 public:
  PF_GRAPHICS_OPERATIONS(PF_OVERRIDE)
};

}  // namespace pf
