#include "windows/form_back.h"

#include "app/global_module.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "skin/skin_image.h"

namespace windows {
namespace {
constexpr int kBackdropImage = res::IDB_BACKDROP;
}  // namespace

bool CFormBack::Init() {
  CreateAppWindow(*this, nullptr);
  skin::SetSkinnedStyle(window_, skin::kBareStyleKeep);
  SetShellExStyle(window_, skin::kEdgeExStyles | pf::kWS_EX_TOOLWINDOW, pf::kWS_EX_LAYERED);
  PaintLayered();
  return true;
}

void CFormBack::PaintLayered() {
  if (!window_) return;
  const pf::Size size{rect_.right - rect_.left, rect_.bottom - rect_.top};
  std::unique_ptr<pf::MemoryCanvas> memory = pf::gfx().CreateMemoryCanvas(size.cx, size.cy);
  if (!memory) return;
  const uint8_t* data = nullptr;
  size_t bytes = 0;
  if (pf::res().FindResource(kBackdropImage, L"PNG", data, bytes)) {
    bool alpha = false;
    skin::CImage image;
    image.Attach(pf::gfx().DecodePng(data, bytes, alpha), alpha);
    if (image.IsLoaded()) {
      skin::PremultiplyAlphaRounded(image);
      if (image.hasAlpha) {
        skin::BlendDraw(image, memory.get(), 0, 0, image.width, image.height, 0, 0, image.width,
                  image.height, 255);
      } else {
        skin::StretchDraw(image, memory.get(), 0, 0, image.width, image.height, 0, 0, image.width,
                    image.height);
      }
    }
  }
  pf::BlendFunction blend;
  blend.blendOp = pf::kAC_SRC_OVER;
  blend.sourceConstantAlpha = 255;
  blend.alphaFormat = pf::kAC_SRC_ALPHA;
  const pf::Point origin{0, 0};
  pf::ui().UpdateLayeredWindow(window_, &origin, size, *memory, origin, 0, blend, pf::kULW_ALPHA);
}

void CFormBack::ShowBackdrop(bool keepPosition) {
  const bool top = SetShellExStyle(window_, pf::kWS_EX_TOOLWINDOW, pf::kWS_EX_APPWINDOW);
  ShowCentred(window_, top, keepPosition);
}

bool CFormBack::OnLButtonDown(uint32_t, pf::Point) {
  pf::ui().SendMessage(window_, pf::kWM_SYSCOMMAND, pf::kSC_MOVE_MOUSE, 0);
  return true;
}

void CFormBack::OnMove() {
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  if (!ctx || !ctx->login) return;
  const pf::HWindow login = ctx->login->GetHWND();
  if (!login) return;
  pf::Ui& ui = pf::ui();
  pf::Point origin{0, 0};
  ui.ClientToScreen(window_, origin);
  ui.SetWindowPos(login, pf::HwndTop(), origin.x, origin.y, 0, 0,
                  pf::kSWP_NOACTIVATE | pf::kSWP_NOSIZE);
}

}  // namespace windows
