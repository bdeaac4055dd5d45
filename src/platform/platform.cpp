#include "platform/platform.h"

namespace pf {
namespace {
Platform& Slot() {
  static Platform current = MakeBackendPlatform();
  return current;
}
}  // namespace

Platform& Current() { return Slot(); }

Platform Install(const Platform& platform) {
  Platform previous = Slot();
  Slot() = platform;
  return previous;
}

}  // namespace pf
