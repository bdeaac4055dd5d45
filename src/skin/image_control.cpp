#include "skin/image_control.h"

namespace skin {

CRKImage::CRKImage() { className_ = L"CRKImage"; }

CRKImage::~CRKImage() { image.Destroy(); }

int CRKImage::GetImageWidth() const { return image.IsLoaded() ? image.width : 0; }

int CRKImage::GetImageHeight() const { return image.IsLoaded() ? image.height : 0; }

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
