// The device-context attributes that SaveDC and RestoreDC keep, with GDI's
// rules for the save stack, for canvases that keep these attributes themselves.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/canvas.h"

namespace pf {

template <class State>
class DcStack {
 public:
  State state;  // the attributes in force

  // SaveDC: returns the new level (1 for the first save).
  int Save() {
    saved_.push_back(state);
    return static_cast<int>(saved_.size());
  }
  // RestoreDC: a positive level restores that save, a negative one counts back
  // from the latest.  Returns how many saves were dropped, 0 for a bad level.
  int Restore(int level) {
    const int n = static_cast<int>(saved_.size());
    const int index = level < 0 ? n + level : level - 1;
    if (index < 0 || index >= n) return 0;
    state = saved_[static_cast<size_t>(index)];
    saved_.resize(static_cast<size_t>(index));
    return n - index;
  }
  int SetBkMode(int mode) { return Exchange(state.bkMode, mode); }
  uint32_t SetBkColor(uint32_t color) { return Exchange(state.bkColor, color); }
  uint32_t SetTextColor(uint32_t color) { return Exchange(state.textColor, color); }
  // SelectObject for a font: a null font changes nothing.
  HFont SelectFont(HFont font) { return font ? Exchange(state.font, font) : state.font; }

 private:
  template <class T>
  static T Exchange(T& field, T value) {
    const T previous = field;
    field = value;
    return previous;
  }
  std::vector<State> saved_;
};

}  // namespace pf
