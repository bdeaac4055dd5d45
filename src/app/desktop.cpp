#include "app/desktop.h"

#include <chrono>
#include <deque>

#include "app/deployment.h"
#include "app/global_module.h"
#include "platform/outside_address.h"
#include "platform/platform.h"
#include "platform/win32_values.h"
#include "reporting/install_info.h"
#include "storage/settings.h"
#include "windows/url_text.h"

namespace app {
namespace {

// A page that opens pop-ups in a loop must not start browsers without end:
// at most this many pages leave within any second.
constexpr size_t kOutsideOpensPerSecond = 3;
// The times of the latest opens; user-interface thread only.
std::deque<std::chrono::steady_clock::time_point> g_recentOpens;

bool TakeOpenSlot() {
  const auto now = std::chrono::steady_clock::now();
  while (!g_recentOpens.empty() && now - g_recentOpens.front() >= std::chrono::seconds(1))
    g_recentOpens.pop_front();
  if (g_recentOpens.size() >= kOutsideOpensPerSecond) return false;
  g_recentOpens.push_back(now);
  return true;
}

// One argument on the browser's command line, whatever the address holds
// (the check has already refused quotes and blanks).
std::wstring Quoted(const std::wstring& url) { return L"\"" + url + L"\""; }

}  // namespace

void ResetOutsideOpensForTest() { g_recentOpens.clear(); }

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
  // Only plain web addresses leave, and only a few a second; a refused one
  // starts nothing and sends no ping.
  if (!pf::IsSafeOutsideAddress(url) || !TakeOpenSlot()) return;
  pf::Shell& shell = pf::shell();
  const std::wstring path = ctx->platformBrowserPath;
  if (!path.empty() && pf::files().Exists(path)) {
    // The ping's own task carries the page as its referrer.
    ctx->lastOutsideUrl = url;
    shell.Execute(L"", path, Quoted(url), pf::kSW_SHOWNORMAL);
    reporting::SendPlatformBrowserPing();
    return;
  }
  ctx->lastOutsideUrl = url;
  if (shell.Execute(L"open", L"iexplore", Quoted(url), pf::kSW_SHOW) <= 32)
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
