#include "platform/portable/image_codec.h"

#include <png.h>

#include <cstring>

namespace pf {

std::unique_ptr<Bitmap> DecodePngBytes(const uint8_t* data, size_t size, bool& hasAlpha,
                                       const BitmapFactory& make) {
  hasAlpha = false;
  if (!data || size == 0) return nullptr;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return nullptr;
  // The header's dimensions decide the allocation: refuse huge ones first.
  if (image.width == 0 || image.height == 0 || image.width > kMaxDecodedSide ||
      image.height > kMaxDecodedSide ||
      static_cast<uint64_t>(image.width) * image.height > kMaxDecodedPixels) {
    png_image_free(&image);
    return nullptr;
  }
  // The simplified reader reports a tRNS chunk as an alpha channel.
  const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  std::unique_ptr<Bitmap> bitmap =
      make(static_cast<int>(image.width), static_cast<int>(image.height), alpha ? 32 : 24);
  if (!bitmap || !bitmap->bits) {
    png_image_free(&image);
    return nullptr;
  }
  if (!png_image_finish_read(&image, nullptr, bitmap->bits, bitmap->pitch, nullptr)) {
    png_image_free(&image);
    return nullptr;
  }
  bitmap->BitsChanged();
  hasAlpha = alpha;
  return bitmap;
}

namespace {
uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
}  // namespace

std::unique_ptr<Bitmap> DecodeBmpBytes(const uint8_t* data, size_t size,
                                       const BitmapFactory& make) {
  if (!data || size < 54 || data[0] != 'B' || data[1] != 'M') return nullptr;
  const uint32_t offset = Le(data + 10, 4);
  const int32_t width = static_cast<int32_t>(Le(data + 18, 4));
  const int32_t rawHeight = static_cast<int32_t>(Le(data + 22, 4));
  const uint32_t bpp = Le(data + 28, 2);
  const uint32_t compression = Le(data + 30, 4);
  if (bpp != 24 || compression != 0 || width <= 0 || rawHeight == 0 || width > 16384)
    return nullptr;
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  if (height > 16384) return nullptr;
  const size_t stride = ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
  if (offset > size || (size - offset) / stride < static_cast<size_t>(height)) return nullptr;
  std::unique_ptr<Bitmap> bitmap = make(width, height, 24);
  if (!bitmap || !bitmap->bits) return nullptr;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src =
        data + offset + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
    std::memcpy(bitmap->bits + static_cast<ptrdiff_t>(y) * bitmap->pitch, src,
                static_cast<size_t>(width) * 3);
  }
  bitmap->BitsChanged();
  return bitmap;
}

}  // namespace pf
