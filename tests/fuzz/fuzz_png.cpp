// PNG decoding of any bytes: no crash, no allocation beyond the caps, and a
// decoded picture has the header's size.
#include <memory>

#include "fuzz_support.h"
#include "platform/portable/image_codec.h"
#include "platform/portable/soft_canvas.h"
#include "skin/skin_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool headerFits = skin::PngHeaderWithinCap(data, size);
  int made = 0;
  uint64_t pixels = 0;
  const pf::BitmapFactory make = [&](int w, int h, int bpp) -> std::unique_ptr<pf::Bitmap> {
    ++made;
    FUZZ_CHECK(w > 0 && h > 0);
    pixels = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    FUZZ_CHECK(pixels <= pf::kMaxDecodedPixels);
    return std::make_unique<pf::SoftBitmap>(w, h, bpp);
  };
  bool alpha = false;
  std::unique_ptr<pf::Bitmap> bitmap = pf::DecodePngBytes(data, size, alpha, make);
  FUZZ_CHECK(made <= 1);
  if (bitmap) {
    FUZZ_CHECK(headerFits);  // the shared check and the decoder agree on the caps
    FUZZ_CHECK(bitmap->bitsPerPixel == (alpha ? 32 : 24));
    uint32_t sum = 0;  // every pixel row was written and can be read
    for (int y = 0; y < bitmap->height; ++y)
      for (int x = 0; x < bitmap->width * bitmap->bitsPerPixel / 8; ++x)
        sum += bitmap->bits[static_cast<ptrdiff_t>(y) * bitmap->pitch + x];
    (void)sum;
  }
  return 0;
}
