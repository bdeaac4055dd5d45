#include "skin/image_control.h"

#include <typeinfo>

namespace skin {

CRKImage::CRKImage() { className_ = L"CRKImage"; }

CRKImage::~CRKImage() { image.Destroy(); }

int CRKImage::GetImageWidth() const { return image.IsLoaded() ? image.width : 0; }

int CRKImage::GetImageHeight() const { return image.IsLoaded() ? image.height : 0; }

namespace {
// Whether the nine-part stretch can use the margins (it then tiles the whole rectangle).
bool NineGridUsable(const CImage& image, const pf::Rect& rect, int left, int top, int right,
                    int bottom) {
  const bool horizontal =
      left + right > 0 && left + right < image.width && left + right < rect.Width();
  const bool vertical =
      top + bottom > 0 && top + bottom < image.height && top + bottom < rect.Height();
  return horizontal || vertical;
}
}  // namespace

// The key describes this class's own Draw; a derived class may draw otherwise.
// The plain copy (opaque mode without usable margins) and a natural-size draw
// larger than the rectangle paint outside it: no key.
bool CRKImage::PaintKey(std::string& key) const {
  if (typeid(*this) != typeid(CRKImage)) return false;
  if (visible_ && image.IsLoaded()) {
    const bool nineGrid =
        NineGridUsable(image, rect_, marginLeft, marginTop, marginRight, marginBottom);
    if (!blended && !(stretch && nineGrid)) return false;
    if (blended && !nineGrid && !stretch &&
        (image.width > rect_.Width() || image.height > rect_.Height()))
      return false;
  }
  PutKey(key, visible_);
  PutKey(key, rect_);
  PutKey(key, blend);
  PutKey(key, blended);
  PutKey(key, stretch);
  const int margins[] = {marginLeft, marginTop, marginRight, marginBottom};
  PutKey(key, margins);
  PutImageKey(key, image);
  return true;
}

bool CRKImage::CoversRect() const {
  if (typeid(*this) != typeid(CRKImage) || !visible_ || !image.IsLoaded()) return false;
  if (RectEmpty(rect_)) return false;
  const bool nineGrid =
      NineGridUsable(image, rect_, marginLeft, marginTop, marginRight, marginBottom);
  if (!blended) return stretch && nineGrid;  // opaque pieces (StretchBlt)
  // Blending a picture without alpha at constant alpha 255 is a copy; the
  // fitted draw covers the rectangle only when it stretches.
  return blend && !image.hasAlpha && (nineGrid || stretch);
}

void CRKImage::Draw(pf::Canvas* dc) {
  if (!visible_ || !image.IsLoaded()) return;
  if (blended) {
    const SkinDrawMode mode = blend ? SkinDrawMode::kBlend : SkinDrawMode::kColorKey;
    if (!DrawNineGrid(image, dc, rect_, marginLeft, marginTop, marginRight, marginBottom, mode,
                      255))
      DrawFitted(image, dc, rect_, stretch, mode, 255);
    return;
  }
  if (stretch && DrawNineGrid(image, dc, rect_, marginLeft, marginTop, marginRight, marginBottom,
                              SkinDrawMode::kOpaque, 255))
    return;
  PlainCopy(image, dc, image.width, image.height);
}

}  // namespace skin
