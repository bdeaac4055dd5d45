// Skin images: decoding the program's PNG resources into premultiplied
// 32-bit pictures and the pixel transfers the controls combine (blend,
// colour key, stretch, nine-part stretch, fitted draw).
//
// Coordinates are the target canvas's.  All of it runs on the UI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/canvas.h"

namespace skin {

// The colour that colour-key drawing leaves out: RGB(255, 128, 255).
constexpr uint32_t kSkinKeyColor = 0x00FF80FF;

// One decoded picture.  Copies share the bitmap (a control's current image is
// a copy of one of its own images); the pixels go with the last copy.
struct CImage {
  std::shared_ptr<pf::Bitmap> bitmap;  // absent: nothing loaded
  uint8_t* bits = nullptr;             // first byte of the top row
  int32_t width = 0, height = 0;
  int32_t pitch = 0, bitsPerPixel = 0;
  bool isDib = true;
  bool hasAlpha = false;
  int32_t transparentIndex = -1;

  bool IsLoaded() const { return bitmap != nullptr; }
  // Adopts a bitmap and reads its geometry back.
  void Attach(std::unique_ptr<pf::Bitmap> b, bool alpha);
  void Destroy() { *this = CImage(); }
};

// Appends what identifies the picture (its pixels, geometry and format) to a
// paint key.
void PutImageKey(std::string& key, const CImage& image);

enum class SkinDrawMode { kBlend, kColorKey, kOpaque };

// Loads resource `id`: true when a "PNG" resource exists (draw in blend mode;
// the image stays empty when it does not decode), false when it fell back to
// a "BITMAP" resource or found nothing (colour-key mode).
// Largest skin picture decoded: each side, and the whole (64 MiB at 32 bits).
constexpr uint32_t kMaxSkinImageSide = 16384;
constexpr uint64_t kMaxSkinImagePixels = 16ull * 1024 * 1024;

// Whether the bytes start like a PNG whose header dimensions are within the
// caps above; checked before any decoder allocates.
bool PngHeaderWithinCap(const uint8_t* data, size_t size);

bool LoadSkinImage(CImage& image, int id);

// c := floor(c * a / 255) for blue, green and red of every pixel; 32-bit only.
void PremultiplyAlpha(CImage& image);
// The backdrop's variant: c := (c * a + 127) / 255, rounded to nearest.
void PremultiplyAlphaRounded(CImage& image);

// The single transfers; each returns the canvas call's result and does
// nothing (false) without a target or an image.
bool BlendDraw(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx, int sy,
               int sw, int sh, uint8_t constantAlpha);
bool ColorKeyDraw(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx,
                  int sy, int sw, int sh);
bool StretchDraw(const CImage& image, pf::Canvas* target, int x, int y, int w, int h, int sx,
                 int sy, int sw, int sh);
// The whole image at its natural size to (0, 0) of the target.
bool PlainCopy(const CImage& image, pf::Canvas* target, int width, int height);

// The nine-part stretch: false (nothing drawn) when neither the horizontal
// nor the vertical margins are usable.
bool DrawNineGrid(const CImage& image, pf::Canvas* target, const pf::Rect& rect, int left, int top,
                  int right, int bottom, SkinDrawMode mode, uint8_t constantAlpha);
// The whole image over rect (stretch) or at natural size, centred vertically
// when rect is taller.
void DrawFitted(const CImage& image, pf::Canvas* target, const pf::Rect& rect, bool stretch,
                SkinDrawMode mode, uint8_t constantAlpha);

}  // namespace skin
