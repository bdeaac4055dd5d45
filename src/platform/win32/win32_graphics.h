// The Windows backend's bitmaps, canvas and graphics facility.  Include
// <windows.h> before this header.
#pragma once

#include <memory>
#include <vector>

#include "platform/graphics.h"

namespace pf {

struct FontHandle {
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
  bool AlphaBlend(int x, int y, int width, int height, const Bitmap& src, int sx, int sy, int sw,
                  int sh, BlendFunction blend) override;
  bool TransparentBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                      int sw, int sh, uint32_t key) override;
  bool StretchBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy, int sw,
                  int sh, uint32_t rop) override;
  bool BitBlt(int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
              uint32_t rop) override;
  int SaveDC() override;
  bool RestoreDC(int saved) override;
  int SetBkMode(int mode) override;
  uint32_t SetBkColor(uint32_t color) override;
  uint32_t SetTextColor(uint32_t color) override;
  HFont SelectFont(HFont font) override;
  int DrawText(const std::wstring& text, Rect& rect, uint32_t format) override;
  bool FillRect(const Rect& rect, uint32_t color) override;
  bool IntersectClipRect(const Rect& rect) override;
  Bitmap& Target() override;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  bool ownsDc_ = false;
  HGDIOBJ old_ = nullptr;
  std::unique_ptr<Win32Bitmap> target_;
  std::vector<std::unique_ptr<FontHandle>> previousFonts_;
};

class Win32Graphics : public Graphics {
 public:
  std::unique_ptr<Bitmap> CreateBitmap(int width, int height, int bitsPerPixel) override;
  std::unique_ptr<Bitmap> DecodePng(const uint8_t* data, size_t size, bool& hasAlpha) override;
  std::unique_ptr<Bitmap> LoadBitmapResource(int id) override;
  HFont CreateFont(const LogFont& logFont) override;
  bool DeleteFont(HFont font) override;
  std::unique_ptr<MemoryCanvas> CreateMemoryCanvas(int width, int height) override;
};

}  // namespace pf
