#include "storage/upgrade.h"

#include <vector>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "net/download_task.h"
#include "platform/platform.h"
#include "storage/settings.h"

namespace storage {
namespace {

// Read and written on the user-interface thread only.
bool g_versionCheckStarted = false;

// Splits at every separator; keeps empty elements before a leading and
// between adjacent separators, drops the empty remainder after a trailing one.
std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    if (at == std::wstring::npos) {
      if (start < text.size()) parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

pf::HWindow LoginWindow(app::CGlobalModule& c) { return c.login ? c.login->GetHWND() : nullptr; }
pf::HWindow BackdropWindow(app::CGlobalModule& c) {
  return c.backdrop ? c.backdrop->GetHWND() : nullptr;
}

// After the prompt hid the windows, a failed upgrade would leave a process
// without a window: the player gets the login window back instead.
void ShowWindowsAgain(app::CGlobalModule& c) {
  if (pf::HWindow backdrop = BackdropWindow(c)) pf::ui().ShowWindow(backdrop, pf::kSW_SHOWNA);
  if (pf::HWindow login = LoginWindow(c)) pf::ui().ShowWindow(login, pf::kSW_SHOWNA);
}

std::wstring FormatPrompt(const std::wstring& version) {
  std::wstring text = kUpgradePrompt;
  const size_t at = text.find(L"%s");
  text.replace(at, 2, version);
  return text;
}

void EvaluateVersionFile(app::CGlobalModule& c, const net::DownloadTask& t) {
  const std::wstring current = ReadIniText(L"version", L"currentversion", L"", t.filePath);
  const std::wstring range = ReadIniText(L"version", L"upgraderange", L"", t.filePath);
  const std::wstring last = ReadIniText(L"version", L"lastUpgradeVer", L"", GetLastUpgradeFile());
  c.latestVersion = current;
  const int32_t newVer = ParseInt(RemoveAll(current, L"."));
  if (newVer == 0) return;
  const int32_t lastVer = ParseInt(RemoveAll(last, L"."));
  if (!(newVer > app::kOwnVersion && lastVer < newVer && InUpgradeRange(range))) return;

  // Blocks this worker until the player confirms; there is no way to decline.
  pf::ui().MessageBox(LoginWindow(c), FormatPrompt(c.latestVersion), kUpgradeCaption, pf::kMB_OK);
  if (pf::HWindow login = LoginWindow(c)) pf::ui().ShowWindow(login, pf::kSW_HIDE);
  if (pf::HWindow backdrop = BackdropWindow(c)) pf::ui().ShowWindow(backdrop, pf::kSW_HIDE);
  if (!DownloadUpgradePackage(c)) ShowWindowsAgain(c);
}

void LaunchUpgrader(app::CGlobalModule& c, const net::DownloadTask& t) {
  bool started;
  if (IsProcessElevated()) {
    started = pf::proc().CreateProcess(t.filePath, kUpgraderCommandLine,
                                       pf::kCREATE_NEW_PROCESS_GROUP | pf::kNORMAL_PRIORITY_CLASS,
                                       pf::kSW_HIDE);
  } else {
    // The system asks the player for the rights; declining fails the call.
    started =
        pf::proc().ShellExecute(L"runas", t.filePath, kUpgraderParameters, pf::kSW_SHOWNORMAL);
  }
  if (!started) {
    ShowWindowsAgain(c);
    return;
  }
  WriteIniText(L"version", L"lastUpgradeVer", c.latestVersion, GetLastUpgradeFile());
  if (pf::HWindow login = LoginWindow(c))
    pf::ui().PostMessage(login, app::WM_CLOSE_LOGIN_WINDOW, 0, 0);
}

}  // namespace

void ResetVersionCheckForTest() { g_versionCheckStarted = false; }

bool IsProcessElevated() { return pf::proc().IsProcessElevated(); }

bool InUpgradeRange(const std::wstring& range) {
  if (range.empty()) return true;
  for (const std::wstring& element : Split(range, L',')) {
    if (element.find(L'-') == std::wstring::npos) {
      if (ParseInt(element) == app::kOwnVersion) return true;
      continue;
    }
    const std::vector<std::wstring> bounds = Split(element, L'-');
    if (bounds.size() != 2) continue;
    if (ParseInt(bounds[0]) <= app::kOwnVersion && ParseInt(bounds[1]) >= app::kOwnVersion)
      return true;
  }
  return false;
}

void StartVersionCheck() {
  app::CGlobalModule* c = app::CGlobalModule::Instance();
  if (g_versionCheckStarted || !c || !c->downloader) return;
  if (!c->downloader->IsStarted()) c->downloader->Start();
  net::DownloadTask task;
  task.url = c->versionCheckUrl;
  task.filePath = GetUpgradeFolder();
  task.callback = &OnDownloadEvent;
  task.userData = reinterpret_cast<uintptr_t>(c);
  task.tag = kTagVersionFile;
  task.maxBytes = net::kSmallAnswerMaxBytes;
  task.appendUrlName = true;
  task.deleteOnFailure = true;
  c->downloader->Submit(task);
  g_versionCheckStarted = true;
}

bool DownloadUpgradePackage(app::CGlobalModule& c) {
  if (!c.downloader) return false;
  if (!c.downloader->IsStarted()) c.downloader->Start();
  net::DownloadTask task;
  task.url = c.versionDownloadUrl;
  task.filePath = GetUpgraderPath();
  task.callback = &OnDownloadEvent;
  task.userData = reinterpret_cast<uintptr_t>(&c);
  task.tag = kTagUpgradePackage;
  task.deleteOnFailure = true;
  return c.downloader->Submit(task);
}

int32_t OnDownloadEvent(uintptr_t userData, int32_t tag, int32_t event, int32_t value,
                        uintptr_t extra) {
  if (event != net::DL_EVENT_FINISHED || userData == 0) return 0;
  auto* c = reinterpret_cast<app::CGlobalModule*>(userData);
  const auto* t = reinterpret_cast<const net::DownloadTask*>(extra);
  switch (tag) {
    case kTagVersionFile:
      if (value == net::DL_OK && t) EvaluateVersionFile(*c, *t);
      break;
    case kTagUpgradePackage:
      if (value == net::DL_OK && t)
        LaunchUpgrader(*c, *t);
      else
        ShowWindowsAgain(*c);
      break;
    case kTagInstallPing:
    case kTagUninstallPing:
      // Whatever the result: the setup-success or uninstall-success run ends.
      if (c->login) pf::ui().PostMessage(c->login->GetHWND(), app::WM_CLOSE_LOGIN_WINDOW, 0, 0);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace storage
