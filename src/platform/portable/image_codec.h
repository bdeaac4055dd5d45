// PNG (libpng) and BMP decoding into backend bitmaps, for the builds without
// GDI+ and without executable resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/canvas.h"

namespace pf {

// Pictures larger than this (per side, or in all) are refused before any
// pixel memory is allocated.
constexpr uint32_t kMaxDecodedSide = 16384;
constexpr uint64_t kMaxDecodedPixels = 16ull * 1024 * 1024;

using BitmapFactory = std::function<std::unique_ptr<Bitmap>(int width, int height, int bpp)>;

// RGBA and palette-with-transparency PNGs become 32-bit bitmaps with straight
// alpha (hasAlpha set), others 24-bit ones.  Null when the bytes do not decode
// or the picture is over the caps above.
std::unique_ptr<Bitmap> DecodePngBytes(const uint8_t* data, size_t size, bool& hasAlpha,
                                       const BitmapFactory& make);

// An uncompressed 24-bit .bmp file.  Null otherwise.
std::unique_ptr<Bitmap> DecodeBmpBytes(const uint8_t* data, size_t size, const BitmapFactory& make);

}  // namespace pf
