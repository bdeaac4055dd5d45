// The program's string table for builds without executable resources.
#pragma once

#include <string>

#include "platform/ui.h"

namespace pf {

class StringTableResources : public Resources {
 public:
  std::wstring LoadString(int id, int maxUnits) override;
};

}  // namespace pf
