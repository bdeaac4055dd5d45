// The program's string table and resources for builds without executable resources.
#pragma once

#include <string>

#include "platform/ui.h"

namespace pf {

class StringTableResources : public Resources {
 public:
  std::wstring LoadString(int id, int maxUnits) override;
  // The embedded resources of resources.inc (see embedded_resources.h).
  bool FindResource(int id, const std::wstring& type, const uint8_t*& data, size_t& size) override;
};

}  // namespace pf
