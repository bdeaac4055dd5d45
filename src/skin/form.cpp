#include "skin/form.h"

#include <algorithm>

#include "platform/platform.h"

namespace skin {
namespace {
// The part of `bounds` outside `area` when that is one rectangle (empty when
// bounds lies inside); false when it is not one rectangle.
bool OutsidePart(const pf::Rect& bounds, const pf::Rect& area, pf::Rect& part) {
  part = pf::Rect();
  if (RectInside(bounds, area)) return true;
  const bool withinX = bounds.left >= area.left && bounds.right <= area.right;
  const bool withinY = bounds.top >= area.top && bounds.bottom <= area.bottom;
  if (withinX && bounds.top >= area.top) {
    part = pf::Rect{bounds.left, area.bottom, bounds.right, bounds.bottom};
  } else if (withinX && bounds.bottom <= area.bottom) {
    part = pf::Rect{bounds.left, bounds.top, bounds.right, area.top};
  } else if (withinY && bounds.left >= area.left) {
    part = pf::Rect{area.right, bounds.top, bounds.right, bounds.bottom};
  } else if (withinY && bounds.right <= area.right) {
    part = pf::Rect{bounds.left, bounds.top, area.left, bounds.bottom};
  } else {
    return false;
  }
  return true;
}

// Points of mouse messages: low and high word, zero-extended.
pf::Point PointOf(pf::LParam lParam) {
  const auto v = static_cast<uint32_t>(lParam);
  return pf::Point{static_cast<int32_t>(v & 0xFFFF), static_cast<int32_t>((v >> 16) & 0xFFFF)};
}
}  // namespace

bool CRKForm::OnLButtonDown(uint32_t, pf::Point) {
  pf::ui().SetFocus(window_);
  return true;
}

CRKBaseControl* CRKForm::ControlAt(pf::Point point) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->HitTest(point)) return *it;
  return nullptr;
}

bool CRKForm::OnMouseMove(uint32_t flags, pf::Point point) {
  TrackMouse();
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (!(*it)->HitTest(point)) (*it)->OnMouseMove(flags, point);
  if (CRKBaseControl* top = ControlAt(point)) return top->OnMouseMove(flags, point);
  return false;
}

bool CRKForm::OnMouseWheel(uint32_t flags, pf::Point point) {
  if (CRKBaseControl* top = ControlAt(point)) return top->OnMouseWheel(flags, point);
  return false;
}

void CRKForm::Draw(pf::Canvas* dc) {
  if (DrawComposed(dc)) return;
  painted_.clear();
  for (CRKBaseControl* c : controls_) c->Draw(dc);
}

bool CRKForm::DrawComposed(pf::Canvas* dc) {
  if (!dc || controls_.empty()) return false;
  CRKBaseControl* bottom = controls_.front();
  const pf::Rect area = bottom->GetRect();
  if (!bottom->CoversRect() || area.left < 0 || area.top < 0 || RectEmpty(area)) return false;

  // Nothing changed since the last composition (the usual paint): copy.
  bool same = composed_ && painted_.size() == controls_.size();
  for (size_t i = 0; same && i < controls_.size(); ++i) {
    const Composed& before = painted_[i];
    keyScratch_.clear();
    const bool keyed = controls_[i]->PaintKey(keyScratch_);
    same = before.control == controls_[i] && keyed == before.keyed &&
           (!keyed || keyScratch_ == before.key);
  }
  if (same) {
    CopyComposed(dc, area);
    return true;
  }

  // Which controls go into the picture: those with a key that paint inside
  // the area or past one of its sides (the band: composed over transparent
  // pixels and blended onto the target, as painting them there would), and
  // that do not overlap a control painted on the target before them (it
  // would then lie above them).
  std::vector<Composed> now;
  now.reserve(controls_.size());
  std::vector<pf::Rect> onTarget;
  pf::Rect band;
  for (CRKBaseControl* c : controls_) {
    Composed entry{c,          false,        false, RectUnion(c->GetRect(), c->PaintBounds()),
                   pf::Rect(), std::string()};
    entry.keyed = c->PaintKey(entry.key);
    entry.inPicture = entry.keyed && !RectEmpty(RectIntersection(entry.bounds, area)) &&
                      OutsidePart(entry.bounds, area, entry.outside);
    if (entry.inPicture && !RectEmpty(entry.outside)) {
      const pf::Rect wider = RectUnion(band, entry.outside);
      entry.inPicture =
          wider.left >= 0 && wider.top >= 0 && RectEmpty(RectIntersection(wider, area));
      if (entry.inPicture) band = wider;
    }
    for (const pf::Rect& r : onTarget)
      if (entry.inPicture && !RectEmpty(RectIntersection(r, entry.bounds))) entry.inPicture = false;
    if (c == bottom && (!entry.inPicture || !RectEmpty(entry.outside))) return false;
    if (!entry.inPicture) {
      entry.outside = pf::Rect();
      onTarget.push_back(entry.bounds);
    }
    now.push_back(std::move(entry));
  }
  const pf::Rect extent = RectUnion(area, band);

  bool full = !composed_ || composed_->Target().width != extent.right ||
              composed_->Target().height != extent.bottom || painted_.size() != now.size() ||
              !(band == band_);
  if (!composed_ || composed_->Target().width != extent.right ||
      composed_->Target().height != extent.bottom) {
    composed_ = pf::gfx().CreateMemoryCanvas(extent.right, extent.bottom);
    if (!composed_ || composed_->Target().width != extent.right) {
      composed_.reset();
      return false;
    }
  }
  band_ = band;
  // What changed since the last composition, in client coordinates.
  pf::Rect dirty;
  std::vector<bool> changed(now.size(), false);
  for (size_t i = 0; !full && i < now.size(); ++i) {
    const Composed& before = painted_[i];
    if (before.control != now[i].control || before.inPicture != now[i].inPicture) {
      full = true;
    } else if (now[i].inPicture && before.key != now[i].key) {
      if (i == 0) full = true;
      changed[i] = true;
      dirty = RectUnion(dirty, RectUnion(before.bounds, now[i].bounds));
    }
  }

  // Repaint the changed part of the picture: every control of the picture
  // that reaches into it, clipped to it.  A changed control whose new look
  // reaches beyond it (new text) makes the whole picture be painted again.
  for (int pass = 0; pass < 2; ++pass) {
    pf::Rect region = full ? extent : RectIntersection(dirty, extent);
    if (RectEmpty(region)) break;
    const int saved = composed_->SaveDC();
    if (!full && !composed_->IntersectClipRect(region)) {
      full = true;
      region = extent;
    }
    // The band starts transparent: only the controls reaching into it paint there.
    const pf::Rect clear = RectIntersection(region, band);
    if (!RectEmpty(clear)) {
      std::unique_ptr<pf::Bitmap> none = pf::gfx().CreateBitmap(clear.Width(), clear.Height(), 32);
      if (!none) {
        composed_->RestoreDC(saved);
        painted_.clear();
        return false;
      }
      composed_->BitBlt(clear.left, clear.top, clear.Width(), clear.Height(), *none, 0, 0,
                        pf::kSRCCOPY);
    }
    bool contained = true;
    bool outside = false;
    for (size_t i = 0; i < now.size(); ++i) {
      Composed& entry = now[i];
      if (!entry.inPicture || RectEmpty(RectIntersection(entry.bounds, region))) continue;
      entry.control->Draw(composed_.get());
      const pf::Rect drawn = RectUnion(entry.control->GetRect(), entry.control->PaintBounds());
      pf::Rect past;
      outside = outside || !OutsidePart(drawn, area, past) || !(past == entry.outside);
      if (changed[i]) contained = contained && RectInside(drawn, region);
      entry.bounds = drawn;
      entry.key.clear();
      entry.control->PaintKey(entry.key);
    }
    composed_->RestoreDC(saved);
    if (outside) {
      // A control painted past the picture: paint everything on the target this time.
      painted_.clear();
      return false;
    }
    if (full || contained) break;
    full = true;
  }
  // Controls whose key did not change were not drawn: their bounds and keys stand.
  painted_ = std::move(now);
  CopyComposed(dc, area);
  return true;
}

void CRKForm::CopyComposed(pf::Canvas* dc, const pf::Rect& area) {
  const pf::Rect copy = paintRect_ ? RectIntersection(area, *paintRect_) : area;
  if (!RectEmpty(copy))
    dc->BitBlt(copy.left, copy.top, copy.Width(), copy.Height(), composed_->Target(), copy.left,
               copy.top, pf::kSRCCOPY);
  // The band holds, premultiplied, what the controls reaching past the area
  // paint there; blending it is painting them (within rounding).
  const pf::Rect band = paintRect_ ? RectIntersection(band_, *paintRect_) : band_;
  if (!RectEmpty(band)) {
    pf::BlendFunction blend;
    blend.alphaFormat = pf::kAC_SRC_ALPHA;
    dc->AlphaBlend(band.left, band.top, band.Width(), band.Height(), composed_->Target(), band.left,
                   band.top, band.Width(), band.Height(), blend);
  }
  for (const Composed& entry : painted_)
    if (!entry.inPicture) entry.control->Draw(dc);
}

void CRKForm::Relayout(const pf::Point* offset) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->Relayout(offset);
}

bool CRKForm::AddControl(CRKBaseControl* control) {
  control->SetOwnerWindow(window_);
  control->SetOwner(this);
  controls_.push_back(control);
  return true;
}

bool CRKForm::RemoveControl(CRKBaseControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return false;
  controls_.erase(it);
  return true;
}

bool CRKForm::OnMouseLeave(uint32_t flags, pf::Point point) {
  tracking_ = true;
  OnMouseMove(flags, point);
  tracking_ = false;
  return true;
}

bool CRKForm::OnMouseHover(uint32_t, pf::Point) {
  hoverSeen_ = true;
  return true;
}

void CRKForm::OnSize() {
  pf::Ui& ui = pf::ui();
  Relayout();
  pf::Rect client;
  ui.GetClientRect(window_, client);
  pf::HRegion region = ui.CreateRoundRectRgn(0, 0, client.right + 1, client.bottom + 1, 0, 0);
  // The system owns the region once it is set; it is deleted only when that failed.
  if (!ui.SetWindowRgn(window_, region, true)) ui.DeleteRegion(region);
}

void CRKForm::OnMove() {}

void CRKForm::OnActivate() {}

void CRKForm::TrackMouse() {
  if (tracking_ && !hoverSeen_) return;
  pf::ui().TrackMouseEvent(window_, pf::kTME_HOVER | pf::kTME_LEAVE, 300);
  tracking_ = true;
  hoverSeen_ = false;
}

void CRKForm::StartSizing(int edge, pf::HWindow window) {
  pf::Ui& ui = pf::ui();
  if (!window) window = window_;
  const bool full = ui.GetDragFullWindows();
  if (full) ui.SetDragFullWindows(false);
  ui.SendMessage(window, pf::kWM_SYSCOMMAND, pf::kSC_SIZE + static_cast<uint32_t>(edge), 0);
  if (full) ui.SetDragFullWindows(true);
}

bool CRKForm::Create(const std::wstring& className, const std::wstring& title, pf::HWindow parent) {
  if (window_) return true;
  pf::Ui& ui = pf::ui();
  window_ = ui.CreateWindowEx(0, className, title, pf::kWS_POPUP, 0, 0, rect_.right, rect_.bottom,
                              parent);
  if (!window_) return false;
  // Every skinned window carries this text, whatever title it was created with.
  ui.SetWindowText(window_, L"VexaOrvane");
  return true;
}

bool CRKForm::ShowCentered(int showCommand) {
  if (!window_) return false;
  pf::Ui& ui = pf::ui();
  pf::Rect work, client;
  ui.GetWorkArea(work);
  ui.GetClientRect(window_, client);
  const int x = (work.right - client.Width()) / 2;
  const int y = (work.bottom - client.Height()) / 2;
  ui.SetWindowPos(window_, pf::HwndTop(), x, y, 0, 0, pf::kSWP_SHOWWINDOW | pf::kSWP_NOSIZE);
  ui.ShowWindow(window_, showCommand);
  ui.UpdateWindow(window_);
  return true;
}

void CRKForm::Hide() { pf::ui().ShowWindow(window_, pf::kSW_HIDE); }

void CRKForm::Minimize() { pf::ui().ShowWindow(window_, pf::kSW_MINIMIZE); }

void CRKForm::BringToFront() {
  pf::Ui& ui = pf::ui();
  if (ui.IsIconic(window_)) ui.ShowWindow(window_, pf::kSW_RESTORE);
  ui.ShowWindow(window_, pf::kSW_SHOW);
  ui.SetWindowPos(window_, pf::HwndTop(), 0, 0, 0, 0,
                  pf::kSWP_SHOWWINDOW | pf::kSWP_NOMOVE | pf::kSWP_NOSIZE);
  ui.SetForegroundWindow(window_);
}

bool CRKForm::Close() {
  pf::Ui& ui = pf::ui();
  if (ownerWindow_) ui.SetFocus(ownerWindow_);
  if (window_) ui.DestroyWindow(window_);
  return true;
}

void CRKForm::RedrawControls(bool) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->Invalidate();
}

void CRKForm::ReservedHook2(int, int) {}

pf::HWindow CRKForm::GetHWND() const { return window_; }

namespace {
// The messages whose handler takes the mouse flags and the client point.
struct MouseRoute {
  uint32_t message;
  bool (CRKForm::*handler)(uint32_t flags, pf::Point point);
};
constexpr MouseRoute kMouseRoutes[] = {
    {pf::kWM_MOUSEMOVE, &CRKForm::OnMouseMove},     {pf::kWM_LBUTTONDOWN, &CRKForm::OnLButtonDown},
    {pf::kWM_LBUTTONUP, &CRKForm::OnLButtonUp},     {pf::kWM_LBUTTONDBLCLK, &CRKForm::OnLButtonDblClk},
    {pf::kWM_MOUSEHOVER, &CRKForm::OnMouseHover},   {pf::kWM_MOUSELEAVE, &CRKForm::OnMouseLeave},
};
}  // namespace

pf::LResult CRKForm::HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                   pf::LParam lParam) {
  const auto flags = static_cast<uint32_t>(wParam);
  for (const MouseRoute& route : kMouseRoutes) {
    if (route.message != message) continue;
    (this->*route.handler)(flags, PointOf(lParam));
    return 0;
  }
  switch (message) {
    case pf::kWM_MOVE:
      OnMove();
      return 0;
    case pf::kWM_ACTIVATE:
      if ((wParam & 0xFFFF) != static_cast<pf::WParam>(pf::kWA_INACTIVE)) OnActivate();
      return 0;
    case pf::kWM_SIZE:
      OnSize();
      return 0;
    case pf::kWM_PAINT: {
      pf::Ui& ui = pf::ui();
      pf::Rect paint;
      pf::Canvas* dc = ui.BeginPaint(hwnd, paint);
      // Only the invalid rectangle is copied from the composed picture.
      paintRect_ = &paint;
      Draw(dc);
      paintRect_ = nullptr;
      ui.EndPaint(hwnd, dc);
      return 0;
    }
    case pf::kWM_CLOSE:
      Close();
      return 0;
    case pf::kWM_MOUSEWHEEL: {
      pf::Point p = PointOf(lParam);
      // Wheel points are screen coordinates, sign included.
      p.x = static_cast<int16_t>(p.x);
      p.y = static_cast<int16_t>(p.y);
      pf::ui().ScreenToClient(hwnd, p);
      OnMouseWheel(flags, p);
      return 0;
    }
    default:
      return 1;
  }
}

bool CRKForm::PreTranslateMessage(pf::Msg*) { return true; }

void SetSkinnedStyle(pf::HWindow window, uint32_t keep, uint32_t extra) {
  pf::Ui& ui = pf::ui();
  ui.SetWindowLong(window, pf::kGWL_STYLE,
                   (ui.GetWindowLong(window, pf::kGWL_STYLE) & keep) | kTaskbarStyleBits | extra);
}

bool CRKForm::EdgeHitTest(CRKForm* form, pf::Point p, bool start, int* edgeOut) {
  if (!form) return false;
  if (p.x == 0 && p.y == 0) return false;
  if (CRKBaseControl* c = form->ControlAt(p))
    if (c->TakesPresses()) return false;
  pf::Ui& ui = pf::ui();
  pf::Rect client;
  ui.GetClientRect(form->window_, client);
  const int width = client.right, height = client.bottom;
  int cursor = 0, edge = 0;
  if (p.x <= 10 && p.y <= 10) {
    cursor = pf::kIDC_SIZENWSE, edge = pf::kWMSZ_TOPLEFT;
  } else if (p.x >= width - 10 && p.y >= height - 10) {
    cursor = pf::kIDC_SIZENWSE, edge = pf::kWMSZ_BOTTOMRIGHT;
  } else if (p.x >= width - 10 && p.y <= 10) {
    cursor = pf::kIDC_SIZENESW, edge = pf::kWMSZ_TOPRIGHT;
  } else if (p.x <= 10 && p.y >= height - 10) {
    cursor = pf::kIDC_SIZENESW, edge = pf::kWMSZ_BOTTOMLEFT;
  } else if (p.x <= 5) {
    cursor = pf::kIDC_SIZEWE, edge = pf::kWMSZ_LEFT;
  } else if (p.x >= width - 5) {
    cursor = pf::kIDC_SIZEWE, edge = pf::kWMSZ_RIGHT;
  } else if (p.y <= 5) {
    cursor = pf::kIDC_SIZENS, edge = pf::kWMSZ_TOP;
  } else if (p.y >= height - 5) {
    cursor = pf::kIDC_SIZENS, edge = pf::kWMSZ_BOTTOM;
  } else {
    return false;
  }
  ui.SetCursor(ui.LoadCursor(cursor));
  if (edgeOut) *edgeOut = edge;
  if (start) form->StartSizing(edge, form->window_);
  return true;
}

}  // namespace skin
