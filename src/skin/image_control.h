// CRKImage: one skin image, stretched, nine-part stretched or at natural size.
#pragma once

#include "skin/control.h"
#include "skin/skin_image.h"

namespace skin {

class CRKImage : public CRKBaseControl {
 public:
  CRKImage();
  ~CRKImage() override;
  void Draw(pf::Canvas* dc) override;
  virtual int GetImageWidth() const;
  virtual int GetImageHeight() const;
  bool PaintKey(std::string& key) const override;
  bool CoversRect() const override;

  // Filled directly by the owner: LoadSkinImage into image, its result into blend.
  bool blend = false;
  CImage image;         // owned
  bool blended = true;  // false: opaque mode (StretchBlt pieces or a plain copy)
  int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  bool stretch = true;
};

}  // namespace skin
