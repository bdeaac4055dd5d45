#include "skin/control.h"

#include <algorithm>

#include "platform/platform.h"

namespace skin {

CRKBaseControl::CRKBaseControl() : cursor_(pf::ui().LoadCursor(pf::kIDC_ARROW)) {}

CRKBaseControl::~CRKBaseControl() = default;

void CRKBaseControl::ApplyCursor() const { pf::ui().SetCursor(cursor_); }

bool CRKBaseControl::OnLButtonDown(uint32_t, pf::Point) {
  ApplyCursor();
  return false;
}

bool CRKBaseControl::OnLButtonUp(uint32_t, pf::Point) {
  ApplyCursor();
  return false;
}

bool CRKBaseControl::OnMouseMove(uint32_t, pf::Point point) {
  if (HitTest(point)) ApplyCursor();
  return false;
}

bool CRKBaseControl::OnLButtonDblClk(uint32_t, pf::Point) { return false; }

bool CRKBaseControl::OnMouseWheel(uint32_t, pf::Point) { return false; }

void CRKBaseControl::Draw(pf::Canvas*) {}

void CRKBaseControl::SetRect(const pf::Rect& rect) { rect_ = rect; }

void CRKBaseControl::SetLayoutRect(const pf::Rect& rect) {
  layoutRect_ = rect;
  Relayout();
}

pf::Rect CRKBaseControl::GetRect() const { return rect_; }

std::wstring CRKBaseControl::GetClassName() const { return className_; }

void CRKBaseControl::Relayout(const pf::Point* offset) {
  if (!offset) return;
  rect_.left += offset->x;
  rect_.right += offset->x;
  rect_.top += offset->y;
  rect_.bottom += offset->y;
}

bool CRKBaseControl::HitTest(pf::Point p) const {
  return visible_ && enabled_ && p.x >= rect_.left && p.x < rect_.right && p.y >= rect_.top &&
         p.y < rect_.bottom;
}

void CRKBaseControl::SetOwner(CRKForm* form) { ownerForm_ = form; }

void CRKBaseControl::SetVisible(bool visible, bool redraw) {
  if (visible == visible_) return;
  visible_ = visible;
  if (redraw) Invalidate();
}

void CRKBaseControl::SetEnabled(bool enabled, bool redraw) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (redraw) Invalidate();
}

void CRKBaseControl::Invalidate() {
  pf::ui().RedrawWindow(ownerWindow_, &rect_,
                        pf::kRDW_INVALIDATE | pf::kRDW_NOERASE | pf::kRDW_UPDATENOW);
}

int CRKBaseControl::ReservedHook(int, int, int, int, int) { return 0; }

bool CRKBaseControl::PaintKey(std::string&) const { return false; }

pf::Rect CRKBaseControl::PaintBounds() const { return rect_; }

bool CRKBaseControl::CoversRect() const { return false; }

bool RectEmpty(const pf::Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool RectInside(const pf::Rect& inner, const pf::Rect& outer) {
  return RectEmpty(inner) || (inner.left >= outer.left && inner.top >= outer.top &&
                              inner.right <= outer.right && inner.bottom <= outer.bottom);
}

pf::Rect RectUnion(const pf::Rect& a, const pf::Rect& b) {
  if (RectEmpty(a)) return b;
  if (RectEmpty(b)) return a;
  return pf::Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom)};
}

pf::Rect RectIntersection(const pf::Rect& a, const pf::Rect& b) {
  const pf::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
  return RectEmpty(r) ? pf::Rect{} : r;
}

}  // namespace skin
