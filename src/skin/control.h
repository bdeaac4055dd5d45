// The windowless control base: a rectangle in its form's client area that
// the form paints and routes mouse input to.  CRKForm derives from it too.
// Threads: the user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/canvas.h"
#include "platform/ui.h"

namespace skin {

class CRKForm;

// Rectangle arithmetic of the paint composition (empty: right <= left or bottom <= top).
bool RectEmpty(const pf::Rect& r);
bool RectInside(const pf::Rect& inner, const pf::Rect& outer);  // an empty inner is inside
pf::Rect RectUnion(const pf::Rect& a, const pf::Rect& b);       // empty ones are ignored
pf::Rect RectIntersection(const pf::Rect& a, const pf::Rect& b);

// Appending values to a paint key (CRKBaseControl::PaintKey).
template <class T>
void PutKey(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}
inline void PutKey(std::string& key, const std::wstring& text) {
  PutKey(key, text.size());
  key.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}
inline void PutKey(std::string& key, const pf::Rect& r) {
  PutKey(key, r.left);
  PutKey(key, r.top);
  PutKey(key, r.right);
  PutKey(key, r.bottom);
}

class CRKBaseControl {
 public:
  CRKBaseControl();
  virtual ~CRKBaseControl();
  CRKBaseControl(const CRKBaseControl&) = delete;
  CRKBaseControl& operator=(const CRKBaseControl&) = delete;

  // Mouse handlers: flags are the message's wParam, the point is in client coordinates.
  virtual bool OnLButtonDown(uint32_t flags, pf::Point point);
  virtual bool OnLButtonUp(uint32_t flags, pf::Point point);
  virtual bool OnMouseMove(uint32_t flags, pf::Point point);
  virtual bool OnLButtonDblClk(uint32_t flags, pf::Point point);
  virtual bool OnMouseWheel(uint32_t flags, pf::Point point);
  virtual void Draw(pf::Canvas* dc);
  virtual void SetRect(const pf::Rect& rect);
  virtual void SetLayoutRect(const pf::Rect& rect);
  virtual pf::Rect GetRect() const;
  virtual std::wstring GetClassName() const;
  // Whether the control takes presses itself (a button): the form's sizing
  // edges do not start over it.
  virtual bool TakesPresses() const { return false; }
  // Moves rect by the offset; no offset: nothing.
  virtual void Relayout(const pf::Point* offset = nullptr);
  virtual bool HitTest(pf::Point point) const;
  virtual void SetOwner(CRKForm* form);
  virtual void SetVisible(bool visible, bool redraw);
  virtual void SetEnabled(bool enabled, bool redraw);
  // Repaints rect in the owner window before returning.
  virtual void Invalidate();
  virtual int ReservedHook(int a, int b, int c, int d, int e);

  // Painting through a form's composed picture (CRKForm::Draw).
  // Appends to `key` everything that decides the control's pixels, so that
  // its form may keep what it painted while the key stays the same; false
  // when the control cannot tell or paints outside PaintBounds (it is then
  // painted afresh every time).
  virtual bool PaintKey(std::string& key) const;
  // Where the last Draw painted (its rectangle before the first): labels
  // narrow their rectangle to their text and may paint text beyond it.
  virtual pf::Rect PaintBounds() const;
  // Whether Draw sets every pixel of the rectangle to the same value whatever
  // was beneath it.
  virtual bool CoversRect() const;

  bool IsVisible() const { return visible_; }
  bool IsEnabled() const { return enabled_; }
  pf::HWindow OwnerWindow() const { return ownerWindow_; }
  void SetOwnerWindow(pf::HWindow window) { ownerWindow_ = window; }
  void SetCursor(pf::HCursor cursor) { cursor_ = cursor; }
  pf::HCursor Cursor() const { return cursor_; }
  CRKForm* OwnerForm() const { return ownerForm_; }

 protected:
  void ApplyCursor() const;

  pf::Rect rect_;                      // client coordinates of the owner window
  pf::HWindow ownerWindow_ = nullptr;  // not owned
  pf::HCursor cursor_ = nullptr;       // shared system cursor
  CRKForm* ownerForm_ = nullptr;       // not owned
  std::wstring className_ = L"CRKBaseControl";
  pf::Rect layoutRect_;
  bool visible_ = true;
  bool enabled_ = true;
};

}  // namespace skin
