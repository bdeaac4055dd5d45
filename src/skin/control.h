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
  // Moves rect by the offset; no offset: nothing.
  virtual void Relayout(const pf::Point* offset = nullptr);
  virtual bool HitTest(pf::Point point) const;
  virtual void SetOwner(CRKForm* form);
  virtual void SetVisible(bool visible, bool redraw);
  virtual void SetEnabled(bool enabled, bool redraw);
  // Repaints rect in the owner window before returning.
  virtual void Invalidate();
  virtual int ReservedHook(int a, int b, int c, int d, int e);

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
