// SetWindowPos's geometry rules, for backends that keep window rectangles themselves.
#pragma once

#include "platform/ui.h"

namespace pf {

// The rectangle after SetWindowPos(x, y, width, height, flags): SWP_NOMOVE
// keeps the position, SWP_NOSIZE the size.
inline Rect PlacedRect(const Rect& current, int x, int y, int width, int height, uint32_t flags) {
  Rect r = current;
  if (!(flags & kSWP_NOMOVE)) r = {x, y, x + current.Width(), y + current.Height()};
  if (!(flags & kSWP_NOSIZE)) {
    r.right = r.left + width;
    r.bottom = r.top + height;
  }
  return r;
}

// Whether the window is topmost after SetWindowPos with insertAfter and flags.
inline bool PlacedTopmost(bool current, HWindow insertAfter, uint32_t flags) {
  if (flags & kSWP_NOZORDER) return current;
  if (insertAfter == HwndTopmost()) return true;
  if (insertAfter == HwndNoTopmost()) return false;
  return current;
}

}  // namespace pf
