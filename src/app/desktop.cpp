#include "app/desktop.h"

#include "app/deployment.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "platform/win32_values.h"
#include "reporting/install_info.h"
#include "storage/settings.h"
#include "windows/url_text.h"

namespace app {

void LaunchIconAnimation() {
  const std::wstring path = storage::GetDataFolder() + L"iconAnimate.exe";
  if (pf::files().Exists(path)) pf::shell().Execute(L"", path, L"", pf::kSW_SHOWNORMAL);
}

void ToggleDesktop() { pf::shell().ToggleDesktop(); }

int GetSystemBitness() {
  const uint32_t arch = pf::machine().NativeProcessorArchitecture();
  return arch == pf::kPROCESSOR_ARCHITECTURE_AMD64 || arch == pf::kPROCESSOR_ARCHITECTURE_IA64 ? 64
                                                                                               : 32;
}

std::wstring FindPlatformBrowser(const std::wstring& fileName) {
  const bool is32 = GetSystemBitness() == 32;
  const std::wstring key =
      is32 ? L"SOFTWARE\\VexaExplorer" : L"SOFTWARE\\Wow6432Node\\VexaExplorer";
  const uint32_t access = pf::kKEY_READ | (is32 ? pf::kKEY_WOW64_32KEY : pf::kKEY_WOW64_64KEY);
  std::wstring folder;
  if (!pf::registry().ReadLocalMachineText(key, L"Path", access, 260, folder))
    return std::wstring();
  return folder + fileName;
}

void OpenInOutsideBrowser(const std::wstring& url) {
  CGlobalModule* ctx = CGlobalModule::Instance();
  if (!ctx) return;
  pf::Shell& shell = pf::shell();
  const std::wstring path = ctx->platformBrowserPath;
  if (!path.empty() && pf::files().Exists(path)) {
    // Written before the ping is submitted: its request carries the referrer.
    ctx->refererPending = true;
    ctx->lastOutsideUrl = url;
    shell.Execute(L"", path, url, pf::kSW_SHOWNORMAL);
    reporting::SendPlatformBrowserPing();
    return;
  }
  ctx->refererPending = false;
  ctx->lastOutsideUrl = url;
  if (shell.Execute(L"open", L"iexplore", url, pf::kSW_SHOW) <= 32)
    shell.Execute(L"open", url, L"", pf::kSW_SHOW);
  reporting::SendOtherBrowserPing();
}

std::wstring BuildPayPageUrl() {
  CGlobalModule* ctx = CGlobalModule::Instance();
  // Both values are encoded: an account or server text cannot add parameters.
  return std::wstring(L"http://") + deploy::kWebHost + L"/pay.html?gid=1062&sid=" +
         windows::EncodeQueryValue(ctx ? ctx->serverId : L"") +
         L"&uid=" + windows::EncodeQueryValue(ctx ? ctx->userName : L"");
}

}  // namespace app
