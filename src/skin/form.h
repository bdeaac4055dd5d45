// CRKForm: a skinned top-level window made of windowless controls.  It owns
// one borderless pop-up window (not destroyed with the object) and an ordered
// list of controls (not owned: members of the derived form); the first
// control is painted first and lies lowest.
//
// A window-specific form reaches the application shell through the app::
// interface of its role (app/forms.h); windows::CAppForm joins the two and
// forwards the role's window operations to CRKForm once for every window.
// Threads: the user-interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/control.h"

namespace skin {

// The styles a skinned top-level window draws its own frame with:
// (style AND a keep mask) OR kTaskbarStyleBits.
// Keeps no pop-up, caption, sizing frame, system menu or minimise/maximise box
// (the login window, its backdrop and the short runs' bare window).
constexpr uint32_t kBareStyleKeep = 0x7F30FF7Fu;
// Keeps the pop-up style; drops the caption, sizing frame and maximise box
// (the game and quick-login windows).
constexpr uint32_t kFramelessStyleKeep = 0xFF3AFFFFu;
// A system menu and a minimise box, so the taskbar can minimise the window.
constexpr uint32_t kTaskbarStyleBits = 0x000A0000u;
// A class-specific style bit the quick-login window carries besides the
// taskbar styles.
constexpr uint32_t kQuickLoginStyleBit = 0x00000008u;
// The extended styles of a system-drawn edge (window edge, dialog frame).
constexpr uint32_t kEdgeExStyles = 0x00000101u;

// Gives a window the styles of a skinned top-level window:
// (style AND keep) OR kTaskbarStyleBits OR extra.
void SetSkinnedStyle(pf::HWindow window, uint32_t keep, uint32_t extra = 0);

class CRKForm : public CRKBaseControl {
 public:
  bool OnLButtonDown(uint32_t flags, pf::Point point) override;
  bool OnMouseMove(uint32_t flags, pf::Point point) override;
  bool OnMouseWheel(uint32_t flags, pf::Point point) override;
  // Paints the controls in list order.  When the first control paints its
  // whole rectangle regardless of what lies beneath (a window background),
  // the controls that can describe their look (PaintKey) are composed into a
  // picture of that rectangle kept by the form: a paint copies the picture
  // and repaints into it only the rectangles of controls whose look changed.
  // Parts of controls past the first control's rectangle are composed over
  // transparent pixels and blended onto `dc`; controls without a key are
  // painted on `dc` after that.  The pixels are those of painting every
  // control straight onto `dc` (past the first control's rectangle, within
  // one level of rounding).
  void Draw(pf::Canvas* dc) override;
  void Relayout(const pf::Point* offset = nullptr) override;

  virtual bool AddControl(CRKBaseControl* control);
  virtual bool RemoveControl(CRKBaseControl* control);
  virtual bool OnMouseLeave(uint32_t flags, pf::Point point);
  virtual bool OnMouseHover(uint32_t flags, pf::Point point);
  virtual void OnSize();
  virtual void OnMove();
  virtual void OnActivate();
  virtual void TrackMouse();
  // Runs the system's sizing loop on `edge` (kWMSZ_*) of `window` (null: own).
  virtual void StartSizing(int edge, pf::HWindow window = nullptr);
  virtual bool Create(const std::wstring& className, const std::wstring& title, pf::HWindow parent);
  virtual bool ShowCentered(int showCommand);
  virtual void Hide();
  virtual void Minimize();
  virtual void BringToFront();
  virtual bool Close();
  virtual void RedrawControls(bool onlyMarked);
  virtual void ReservedHook2(int a, int b);
  virtual pf::HWindow GetHWND() const;
  // 0 when handled; otherwise the caller hands the message to DefWindowProc.
  virtual pf::LResult HandleMessage(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                    pf::LParam lParam);
  // True when the message is consumed; the base consumes everything.
  virtual bool PreTranslateMessage(pf::Msg* msg);

  // The topmost control under the point (last added first), or null.
  CRKBaseControl* ControlAt(pf::Point point) const;
  // The border hit test of resizable forms: sets the sizing cursor and, with
  // `start`, runs the sizing loop.  `edge` receives the kWMSZ_* value.
  static bool EdgeHitTest(CRKForm* form, pf::Point point, bool start, int* edge = nullptr);
  const std::vector<CRKBaseControl*>& Controls() const { return controls_; }
  bool Tracking() const { return tracking_; }
  bool HoverSeen() const { return hoverSeen_; }

 protected:
  // Draw through the composed picture; false when the form cannot compose.
  bool DrawComposed(pf::Canvas* dc);
  // Copies the picture's part of `area` that is to be painted, then paints
  // the controls that are not in it.
  void CopyComposed(pf::Canvas* dc, const pf::Rect& area);

  bool tracking_ = false;
  bool hoverSeen_ = false;
  pf::HWindow window_ = nullptr;
  std::vector<CRKBaseControl*> controls_;  // not owned

  // The composed picture: client coordinates, as large as the first
  // control's rectangle reaches; owned.
  std::unique_ptr<pf::MemoryCanvas> composed_;
  struct Composed {
    CRKBaseControl* control;  // not owned
    bool keyed;               // it has a paint key
    bool inPicture;           // painted into the picture (else straight onto the target)
    pf::Rect bounds;          // where it painted
    pf::Rect outside;         // the part of bounds past the first control's rectangle
    std::string key;          // its paint key when it was painted
  };
  std::vector<Composed> painted_;        // as of the last composition, in list order
  pf::Rect band_;                        // the picture's part past the first control's rectangle
  const pf::Rect* paintRect_ = nullptr;  // the paint message's rectangle while it is handled
  std::string keyScratch_;
};

}  // namespace skin
