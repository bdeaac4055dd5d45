#include "windows/app_form.h"

#include "app/desktop.h"
#include "app/global_module.h"
#include "platform/platform.h"

namespace windows {

template class CAppForm<app::IBackdropForm>;
template class CAppForm<app::ILoginForm>;
template class CAppForm<app::IGameForm>;
template class CAppForm<app::IQuickLoginForm>;

bool CreateAppWindow(skin::CRKForm& form, pf::HWindow parent) {
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  return form.Create(ctx ? ctx->windowClass : std::wstring(), ctx ? ctx->title : std::wstring(),
                     parent);
}

bool TopMostWanted() {
  app::CGlobalModule* ctx = app::CGlobalModule::Instance();
  return ctx && ctx->topMost == 1;
}

bool SetShellExStyle(pf::HWindow window, uint32_t remove, uint32_t add) {
  pf::Ui& ui = pf::ui();
  const bool top = TopMostWanted();
  ui.SetWindowLong(window, pf::kGWL_EXSTYLE,
                   (ui.GetWindowLong(window, pf::kGWL_EXSTYLE) & ~remove) | add |
                       (top ? pf::kWS_EX_TOPMOST : 0u));
  return top;
}

pf::Point CentreOnWorkArea(const pf::Rect& work, int width, int height) {
  // The work area's origin is added, so a taskbar at the left or top is not covered.
  return pf::Point{work.left + (work.Width() - width) / 2, work.top + (work.Height() - height) / 2};
}

pf::Point CentreOnWorkArea(int width, int height) {
  pf::Rect work;
  pf::ui().GetWorkArea(work);
  return CentreOnWorkArea(work, width, height);
}

void ShowCentred(pf::HWindow window, bool topMost, bool keepPosition) {
  pf::Ui& ui = pf::ui();
  pf::Rect client;
  ui.GetClientRect(window, client);
  const pf::Point at = CentreOnWorkArea(client.Width(), client.Height());
  const uint32_t flags = pf::kSWP_SHOWWINDOW | pf::kSWP_NOREDRAW | pf::kSWP_NOSIZE |
                         (keepPosition ? pf::kSWP_NOMOVE : 0u);
  ui.SetWindowPos(window, topMost ? pf::HwndTopmost() : pf::HwndTop(), at.x, at.y, 0, 0, flags);
  ui.ShowWindow(window, pf::kSW_SHOWNORMAL);
}

bool OpenLinkPage(const skin::CRKBaseControl* control, const skin::CRKButton& official,
                  const skin::CRKButton& pay, const skin::CRKButton& service,
                  const skin::CRKButton& forum) {
  const struct {
    const skin::CRKButton* button;
    std::wstring (*page)();
  } links[] = {{&official, app::OfficialPageUrl},
               {&pay, app::BuildPayPageUrl},
               {&service, app::ServicePageUrl},
               {&forum, app::ForumPageUrl}};
  for (const auto& link : links) {
    if (control != link.button) continue;
    app::OpenInOutsideBrowser(link.page());
    return true;
  }
  return false;
}

}  // namespace windows
