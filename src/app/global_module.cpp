#include "app/global_module.h"

#include <cassert>
#include <string>

#include "app/app_messages.h"
#include "deploy/host_url.h"
#include "platform/web_engine.h"
#include "app/run_modes.h"
#include "reporting/time_text.h"
#include "platform/platform.h"
#include "platform/portable/number_text.h"
#include "storage/settings.h"

namespace app {
namespace {
CGlobalModule* g_instance = nullptr;
}  // namespace

CGlobalModule* CGlobalModule::Instance() { return g_instance; }

CGlobalModule& Ctx() {
  assert(g_instance != nullptr);
  return *g_instance;
}

CGlobalModule::CGlobalModule(AppComponents& components) : components_(components) {
  g_instance = this;
  storage::UpgradeHost::SetLive(this);
  reporting::PingHost::SetLive(this);
  backdrop = components_.MakeBackdrop();
  login = components_.MakeLogin();
  game = nullptr;
  InitializeContext();
  downloader = components_.MakeDownloader();
}

CGlobalModule::~CGlobalModule() {
  // The workers go first: they may still read the context's fields.
  if (downloader) {
    downloader->Stop();
    downloader.reset();
  }
  if (g_instance == this) {
    g_instance = nullptr;
    storage::UpgradeHost::SetLive(nullptr);
    reporting::PingHost::SetLive(nullptr);
  }
  // The strings, then the login window, then the backdrop are destroyed in
  // reverse declaration order.
}

void CGlobalModule::InitializeContext() {
  using storage::ReadIniInt;
  using storage::ReadIniText;
  startPageUrl = deploy::Url(deploy::HostRole::kWeb, L"/tavo/wd/index.html");
  // Only the platform's own pages may reach window.external.
  pf::SetTrustedPageHosts({deploy::kWebHost, deploy::kLoginHost, deploy::kGameHost});
  runCount = 0;
  versionCheckUrl = ReadIniText(L"Common", L"VersionCheck",
                                deploy::Url(deploy::HostRole::kDownload,
                                            L"/Vexa/tavo/official/app.ini"));
  versionDownloadUrl = ReadIniText(L"Common", L"VersionDownLoad",
                                   deploy::Url(deploy::HostRole::kDownload,
                                               L"/Vexa/tavo/official/Vexatavo.exe"));
  refer = ReadIniText(L"Common", L"Refer", L"Vexawancom");
  uid = ReadIniText(L"Common", L"UID", L"tavo");
  topMost = ReadIniInt(L"Common", L"TopMost", 0);
  autoRun = ReadIniInt(L"Common", L"AutoRun", 0);
  platformBrowserPath = components_.FindPlatformBrowser(L"\\VexaExplorer.exe");
  lastOutsideUrl.clear();

  // Read (or stamped) once; the install-info record takes it from here.
  installInfo.installTime = reporting::LoadInstallTime();
  const std::wstring& installTime = installInfo.installTime;
  const std::wstring installDate = storage::RemoveAll(installTime.substr(0, 10), L"-");
  const std::wstring curTime = reporting::FormatLocalNow("%Y%m%d%H%M%S");

  std::wstring query = L"referer=" + refer + L"&frm=" + uid +
                       L"&version=" + pf::DecimalText(kOwnVersion) +
                       L"&installtime=" + installDate +
                       L"&runcount=" + pf::DecimalText(GetRunCount()) +
                       L"&curtime=" + curTime + L"&showlogintype=3";
  if (GetRunCount() == 1) query += L"&regtimes=1";
  startPageUrl += (startPageUrl.find(L'?') != std::wstring::npos ? L"&" : L"?") + query;
}

int32_t CGlobalModule::GetRunCount() {
  if (runCount != 0) return runCount;
  // The setup-success and show-desktop runs are no player's start.
  if (HasRunModeSwitch(RunMode::kSetupSuccess) || HasRunModeSwitch(RunMode::kShowDesktop)) return 0;
  // Wraps instead of overflowing on an absurd stored count.
  runCount = static_cast<int32_t>(
      static_cast<uint32_t>(storage::ReadIniInt(L"Common", L"RunCount", 0)) + 1u);
  storage::WriteIniText(L"Common", L"RunCount", pf::DecimalText(runCount));
  return runCount;
}

bool CGlobalModule::PreTranslateMessage(pf::Msg* msg) {
  pf::Ui& ui = pf::ui();
  const pf::HWindow foreground = ui.GetForegroundWindow();
  if (!foreground) return false;
  if (quickLogin && quickLogin->GetHWND() == foreground && quickLogin->PreTranslateMessage(msg))
    return true;
  if (login && login->GetHWND() && ui.IsWindowVisible(login->GetHWND()) &&
      login->GetHWND() == foreground && login->PreTranslateMessage(msg))
    return true;
  if (game && game->GetHWND() == foreground && game->PreTranslateMessage(msg)) return true;
  return false;
}

void CGlobalModule::PostUpgradeOffered() {
  if (pf::HWindow window = LoginWindow()) pf::ui().PostMessage(window, WM_UPGRADE_OFFERED, 0, 0);
}

void CGlobalModule::PostUpgradeNotStarted() {
  if (pf::HWindow window = LoginWindow())
    pf::ui().PostMessage(window, WM_UPGRADE_NOT_STARTED, 0, 0);
}

void CGlobalModule::PostCloseLogin() {
  if (login) pf::ui().PostMessage(login->GetHWND(), WM_CLOSE_LOGIN_WINDOW, 0, 0);
}

bool CGlobalModule::IsAutorunStart() const { return HasRunModeSwitch(RunMode::kAutorun); }

}  // namespace app
