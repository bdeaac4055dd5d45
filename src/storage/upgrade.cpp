#include "storage/upgrade.h"

#include "app/app_messages.h"
#include "app/global_module.h"
#include "net/download_task.h"
#include "platform/platform.h"

namespace storage {

int32_t OnDownloadEvent(uintptr_t userData, int32_t tag, int32_t event, int32_t /*value*/,
                        uintptr_t /*extra*/) {
  if (event != net::DL_EVENT_FINISHED || userData == 0) return 0;
  auto* ctx = reinterpret_cast<app::CGlobalModule*>(userData);
  switch (tag) {
    case kTagInstallPing:
    case kTagUninstallPing:
      // Whatever the result: the setup-success or uninstall-success run ends.
      if (ctx->login) pf::ui().PostMessage(ctx->login->GetHWND(), app::WM_CLOSE_LOGIN_WINDOW, 0, 0);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace storage
