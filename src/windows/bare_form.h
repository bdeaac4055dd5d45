// A plain top-level window of the application class with a rectangle and a
// handle: what the short runs need of a form until the windows are skinned.
#pragma once

#include <string>

#include "app/forms.h"

namespace windows {

class BareForm {
 public:
  virtual ~BareForm() = default;
  pf::HWindow Handle() const { return hwnd_; }
  void SetBounds(int left, int top, int right, int bottom) { rect_ = {left, top, right, bottom}; }
  // Creates a hidden pop-up window of rect.right x rect.bottom; true when the
  // window exists afterwards (a second call creates nothing).
  bool CreateWindow(const std::wstring& className, const std::wstring& title, pf::HWindow parent);
  // Destroys the window; the handle field keeps its old value.
  bool Close();

 protected:
  pf::HWindow hwnd_ = nullptr;
  pf::Rect rect_;
};

}  // namespace windows
