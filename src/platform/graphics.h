// Bitmaps, fonts and image decoding: the drawing objects that live outside a
// window.  Threads: the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/canvas.h"

namespace pf {

class Graphics {
 public:
  virtual ~Graphics() = default;

  // A zeroed device-independent bitmap (CreateDIBSection, top-down).
  virtual std::unique_ptr<Bitmap> CreateBitmap(int width, int height, int bitsPerPixel) = 0;
  // Decodes PNG bytes (the GDI+ decode on Windows): RGBA and palette images
  // with transparency become 32-bit bitmaps with straight (not premultiplied)
  // alpha and hasAlpha set; RGB images 24-bit ones.  Null when undecodable.
  virtual std::unique_ptr<Bitmap> DecodePng(const uint8_t* data, size_t size, bool& hasAlpha) = 0;
  // LoadImageW(IMAGE_BITMAP, LR_CREATEDIBSECTION) of a "BITMAP" resource of
  // the program; null when it does not exist.
  virtual std::unique_ptr<Bitmap> LoadBitmapResource(int id) = 0;
  // CreateFontW / DeleteObject.
  virtual HFont CreateFont(const LogFont& logFont) = 0;
  virtual bool DeleteFont(HFont font) = 0;
  // CreateCompatibleDC with a selected width x height 32-bit bitmap.
  virtual std::unique_ptr<MemoryCanvas> CreateMemoryCanvas(int width, int height) = 0;
};

}  // namespace pf
