#include "reporting/install_info.h"

#include "deploy/host_url.h"
#include "net/download_queue.h"
#include "net/url_escape.h"
#include "platform/platform.h"
#include "platform/portable/number_text.h"
#include "reporting/machine_identity.h"
#include "reporting/net_cafe.h"
#include "reporting/time_text.h"
#include "storage/settings.h"
#include "storage/upgrade.h"

namespace reporting {
namespace {

std::wstring LastOutsideUrl() {
  const PingHost* host = PingHost::Live();
  return host ? host->GetLastOutsideUrl() : std::wstring();
}

std::wstring BrowserPingUrl(const wchar_t* path) {
  return deploy::Url(deploy::HostRole::kBrowserStats,
                     path + std::wstring(L"?uId2=QMVKTRZDWA&r=") +
                         PercentEncode(pf::machine().ToAnsi(LastOutsideUrl())) + L"&lO=Dazede");
}

}  // namespace

void InstallInfo::Load() {
  if (loaded) return;
  loaded = true;
  installGuid = LoadInstallGuid();
  // The application context hands on what it read at its start.
  if (installTime.empty()) installTime = LoadInstallTime();
  installType = storage::ReadIniInt(L"Install", L"InstallType", 0);
  const PingHost* host = PingHost::Live();
  autorun = host && host->IsAutorunStart();
  netCafe = DetectNetCafe() >= 0;
  if (machineId.empty()) machineId = ComputeMachineId();
  if (MacDigest().empty()) {
    const std::wstring digest = ComputeMacDigest();
    std::lock_guard<std::mutex> lock(macLock_);
    macDigest_ = digest;
  }
}

std::wstring LoadInstallTime() {
  std::wstring installTime = storage::ReadIniText(L"Install", L"InstallTime", L"");
  if (installTime.empty()) {
    installTime = FormatLocalNow("%Y-%m-%d %H:%M:%S");
    // A failing write is not reported: the value read is used anyway.
    storage::WriteIniText(L"Install", L"InstallTime", installTime);
  }
  return installTime;
}

std::wstring InstallInfo::MacDigest() const {
  std::lock_guard<std::mutex> lock(macLock_);
  return macDigest_;
}

std::wstring InstallInfo::MacDigestForCookie() const {
  std::lock_guard<std::mutex> lock(macLock_);
  return macDigest_.substr(0, 28);
}

std::wstring InstallInfo::StatsUrl(int32_t e7, int32_t at) const {
  const PingHost* host = PingHost::Live();
  std::wstring query = std::wstring(L"/ps.gif?id=2&gid=") + deploy::kGameId + L"&e1=" + e1Value +
                       L"&e2=" + (host ? host->GetRefer() : L"") + L"&e3=" +
                       (host ? host->GetUid() : L"") + L"&e4=" + installGuid + L"&e5=" +
                       machineId + L"&e6=" + (netCafe ? L"1" : L"2");
  if (e7 >= 0) query += L"&e7=" + pf::DecimalText(e7);
  query += L"&e8=" + pf::DecimalText(deploy::kOwnVersion) + L"&e9=" + installTime + L"&at=" +
           pf::DecimalText(at);
  return deploy::Url(deploy::HostRole::kStats, query);
}

bool InstallInfo::SendInstallPing() {
  Load();
  const int32_t at = installType == 1 ? 3 : 2;
  return SubmitPing(StatsUrl(-1, at), storage::kTagInstallPing, L"InstallStat.tmp");
}

bool InstallInfo::SendActivePing() {
  if (activeSent) return false;
  Load();
  activeSent = true;
  return SubmitPing(StatsUrl(-1, autorun ? 4 : 5), storage::kTagActivePing, L"ActiveStat.tmp");
}

bool InstallInfo::SendUninstallPing() {
  Load();
  const std::wstring today = FormatLocalNow("%Y-%m-%d");
  // A plain text search; an unreadable clock gives no date, which is not today.
  const int32_t e7 = !today.empty() && installTime.find(today) != std::wstring::npos ? 1 : 2;
  return SubmitPing(StatsUrl(e7, 6), storage::kTagUninstallPing, L"UninstallStat.tmp");
}

std::wstring PercentEncode(const std::string& bytes) {
  return net::PercentEncodeBytes(bytes, "~!*()'", false);
}

bool SendPlatformBrowserPing() {
  const std::wstring page = LastOutsideUrl();
  return SubmitPing(BrowserPingUrl(L"/web/ajax70"), storage::kTagPlatformBrowserPing,
                    L"VexaBrowser.tmp", page, IsPlatformAddress(page));
}

namespace {
std::wstring HostOf(const std::wstring& address) {
  const size_t scheme = address.find(L"://");
  size_t start = scheme == std::wstring::npos ? 0 : scheme + 3;
  const size_t end = address.find_first_of(L"/?#", start);
  std::wstring host = address.substr(start, end == std::wstring::npos ? end : end - start);
  const size_t at = host.rfind(L'@');
  if (at != std::wstring::npos) host.erase(0, at + 1);
  const size_t colon = host.find(L':');
  if (colon != std::wstring::npos) host.erase(colon);
  for (wchar_t& c : host)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  return host;
}
}  // namespace

bool IsPlatformAddress(const std::wstring& url) {
  const std::wstring host = HostOf(url);
  if (host.empty()) return false;
  using deploy::HostRole;
  // Every role but the WeChat open platform, which is not the platform's own.
  for (HostRole role : {HostRole::kWeb, HostRole::kLogin, HostRole::kGame, HostRole::kStats,
                        HostRole::kBrowserStats, HostRole::kDownload})
    if (HostOf(deploy::Url(role, L"")) == host) return true;
  return false;
}

bool SendOtherBrowserPing() {
  return SubmitPing(BrowserPingUrl(L"/web/ajax71"), storage::kTagOtherBrowserPing,
                    L"ElseBrowser.tmp");
}

bool SubmitPing(const std::wstring& url, int32_t tag, const std::wstring& fileName,
                const std::wstring& referer, bool plantCookie) {
  PingHost* host = PingHost::Live();
  net::DownloadQueue* downloader = host ? host->GetDownloader() : nullptr;
  if (!downloader) return false;
  net::DownloadQueue& queue = *downloader;
  // Workers that cannot start would never run the task (and never end a short run).
  if (!queue.IsStarted() && !queue.Start()) return false;
  net::DownloadTask task;
  task.url = url;
  task.filePath = storage::GetPrivateTempFolder() + fileName;
  task.retryCount = 0;
  task.callback = &storage::OnDownloadEvent;
  task.userData = host->TaskUserData();
  task.tag = tag;
  task.appendUrlName = fileName.empty();
  task.uniqueName = false;
  task.deleteOnFailure = true;
  task.referer = referer;
  task.plantCookie = plantCookie && !referer.empty();
  task.maxBytes = net::kSmallAnswerMaxBytes;
  return queue.Submit(task);
}

}  // namespace reporting
