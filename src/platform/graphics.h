// Bitmaps, fonts and image decoding: the drawing objects that live outside a
// window.  Threads: the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/canvas.h"

namespace pf {

// The operations of the graphics facility (see operations.h).
#define PF_GRAPHICS_OPERATIONS(X)                                                           \
  /* A zeroed device-independent bitmap (CreateDIBSection, top-down). */                    \
  X(std::unique_ptr<Bitmap>, CreateBitmap, (int width, int height, int bitsPerPixel))       \
  /* Decodes PNG bytes (the GDI+ decode on Windows): RGBA and palette images */             \
  /* with transparency become 32-bit bitmaps with straight (not premultiplied) */           \
  /* alpha and hasAlpha set; RGB images 24-bit ones.  Null when undecodable. */             \
  X(std::unique_ptr<Bitmap>, DecodePng, (const uint8_t* data, size_t size, bool& hasAlpha)) \
  /* LoadImageW(IMAGE_BITMAP, LR_CREATEDIBSECTION) of a "BITMAP" resource of */             \
  /* the program; null when it does not exist. */                                           \
  X(std::unique_ptr<Bitmap>, LoadBitmapResource, (int id))                                  \
  /* CreateFontW / DeleteObject. */                                                         \
  X(HFont, CreateFont, (const LogFont& logFont))                                            \
  X(bool, DeleteFont, (HFont font))                                                         \
  /* CreateCompatibleDC with a selected width x height 32-bit bitmap. */                    \
  X(std::unique_ptr<MemoryCanvas>, CreateMemoryCanvas, (int width, int height))

class Graphics {
 public:
  virtual ~Graphics() = default;
  PF_GRAPHICS_OPERATIONS(PF_PURE_VIRTUAL)
};

}  // namespace pf
