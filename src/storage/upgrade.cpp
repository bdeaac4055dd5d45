#include "storage/upgrade.h"

#include <memory>
#include <mutex>
#include <vector>

#include "deploy/deployment.h"
#include "net/download_queue.h"
#include "net/download_task.h"
#include "platform/platform.h"
#include "storage/settings.h"
#include "storage/upgrade_offer.h"

namespace storage {
namespace {

// Read and written on the user-interface thread only.
bool g_versionCheckStarted = false;

// The offer whose signature was verified, from the version evaluation to the
// upgrader start; both run on download workers.
std::mutex g_offerLock;
std::unique_ptr<UpgradeOffer> g_offer;

void KeepOffer(const UpgradeOffer* offer) {
  std::lock_guard<std::mutex> hold(g_offerLock);
  g_offer.reset(offer ? new UpgradeOffer(*offer) : nullptr);
}

bool VerifiedOffer(UpgradeOffer& out) {
  std::lock_guard<std::mutex> hold(g_offerLock);
  if (!g_offer) return false;
  out = *g_offer;
  return true;
}

// Hashes the held file to its end: true when it is exactly the offered package.
bool IsOfferedPackage(pf::HHeldFile file, const UpgradeOffer& offer) {
  pf::Sha256 hasher;
  std::vector<uint8_t> buffer(64 * 1024);
  uint64_t total = 0;
  for (;;) {
    uint32_t got = 0;
    if (!pf::files().ReadHeld(file, buffer.data(), static_cast<uint32_t>(buffer.size()), got))
      return false;
    if (got == 0) break;
    total += got;
    if (total > offer.size || !hasher.Update(buffer.data(), got)) return false;
  }
  pf::Sha256Digest digest{};
  return total == offer.size && hasher.Finish(digest) && digest == offer.sha256;
}

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

// After the prompt hid the windows, a failed upgrade would leave a process
// without a window: the player gets the login window back instead.
std::wstring FormatPrompt(const std::wstring& version) {
  std::wstring text = kUpgradePrompt;
  const size_t at = text.find(L"%s");
  text.replace(at, 2, version);
  return text;
}

void EvaluateVersionFile(UpgradeHost& c, const net::DownloadTask& t) {
  const std::wstring current = ReadIniText(L"version", L"currentversion", L"", t.filePath);
  const std::wstring range = ReadIniText(L"version", L"upgraderange", L"", t.filePath);
  const std::wstring last = ReadIniText(L"version", L"lastUpgradeVer", L"", GetLastUpgradeFile());
  c.SetLatestVersion(current);
  const int32_t newVer = ParseInt(RemoveAll(current, L"."));
  if (newVer == 0) return;
  const int32_t lastVer = ParseInt(RemoveAll(last, L"."));
  if (!(newVer > deploy::kOwnVersion && lastVer < newVer && InUpgradeRange(range))) return;

  // Only a package the platform signed is offered: without a valid signature
  // over version, range, size and hash there is no prompt and no download.
  UpgradeOffer offer;
  const OfferCheck check =
      CheckOffer(current, range, ReadIniText(L"version", L"packagesize", L"", t.filePath),
                 ReadIniText(L"version", L"packagesha256", L"", t.filePath),
                 ReadIniText(L"version", L"signature", L"", t.filePath), TrustedUpgradeKeys(), offer);
  if (check != OfferCheck::kVerified) return;
  KeepOffer(&offer);
  // The player is asked on the user-interface thread, which owns the windows.
  if (c.LoginWindow()) c.PostUpgradeOffered();
}

// Removes a copy made for the start and its folder.
void RemoveCopy(const std::wstring& copy) {
  pf::files().DeleteFile(copy);
  const size_t cut = copy.find_last_of(pf::files().Separator());
  if (cut != std::wstring::npos) pf::files().RemoveFolder(copy.substr(0, cut));
}

void LaunchUpgrader(UpgradeHost& c, const net::DownloadTask& t) {
  // The file is held against writers from the check until the upgrader has
  // started, so what runs is what was hashed.
  UpgradeOffer offer;
  pf::HHeldFile held = nullptr;
  if (!VerifiedOffer(offer) || !(held = pf::files().OpenHeld(t.filePath)) ||
      !IsOfferedPackage(held, offer)) {
    if (held) pf::files().CloseHeld(held);
    pf::files().DeleteFile(t.filePath);
    c.PostUpgradeNotStarted();
    return;
  }
  // The download folder is open to every program of the user.  What starts,
  // possibly with administrator rights, is a copy in a fresh folder only
  // this user and the system can change, hashed once more while held.
  const size_t nameAt = t.filePath.find_last_of(pf::files().Separator());
  const std::wstring name =
      nameAt == std::wstring::npos ? t.filePath : t.filePath.substr(nameAt + 1);
  std::wstring copy;
  pf::HHeldFile heldCopy = pf::files().CopyToPrivateFolder(held, GetTempFolder(), name, copy);
  pf::files().CloseHeld(held);
  if (heldCopy && !IsOfferedPackage(heldCopy, offer)) {
    pf::files().CloseHeld(heldCopy);
    heldCopy = nullptr;
    RemoveCopy(copy);
  }
  if (!heldCopy) {
    c.PostUpgradeNotStarted();
    return;
  }
  bool started;
  if (IsProcessElevated()) {
    started = pf::proc().CreateProcess(copy, kUpgraderCommandLine,
                                       pf::kCREATE_NEW_PROCESS_GROUP | pf::kNORMAL_PRIORITY_CLASS,
                                       pf::kSW_HIDE);
  } else {
    // The system asks the player for the rights; declining fails the call.
    started = pf::proc().ShellExecute(L"runas", copy, kUpgraderParameters, pf::kSW_SHOWNORMAL);
  }
  pf::files().CloseHeld(heldCopy);
  if (!started) {
    RemoveCopy(copy);
    c.PostUpgradeNotStarted();
    return;
  }
  // The version that was signed, not a text another thread may change.
  WriteIniText(L"version", L"lastUpgradeVer", offer.version, GetLastUpgradeFile());
  if (c.LoginWindow()) c.PostCloseLogin();
}

}  // namespace


void ResetVersionCheckForTest() {
  g_versionCheckStarted = false;
  KeepOffer(nullptr);
}

void AcceptOfferForTest(const UpgradeOffer& offer) { KeepOffer(&offer); }

void OnUpgradeOffered(UpgradeHost& c) {
  UpgradeOffer offer;
  if (!VerifiedOffer(offer)) return;
  // Waits until the player confirms; there is no way to decline.
  pf::ui().MessageBox(c.LoginWindow(), FormatPrompt(offer.version), kUpgradeCaption, pf::kMB_OK);
  if (pf::HWindow login = c.LoginWindow()) pf::ui().ShowWindow(login, pf::kSW_HIDE);
  if (pf::HWindow backdrop = c.BackdropWindow()) pf::ui().ShowWindow(backdrop, pf::kSW_HIDE);
  if (!DownloadUpgradePackage(c)) ShowWindowsAgain(c);
}

void ShowWindowsAgain(UpgradeHost& c) {
  if (pf::HWindow backdrop = c.BackdropWindow()) pf::ui().ShowWindow(backdrop, pf::kSW_SHOWNA);
  if (pf::HWindow login = c.LoginWindow()) pf::ui().ShowWindow(login, pf::kSW_SHOWNA);
}

bool IsProcessElevated() { return pf::proc().IsProcessElevated(); }

bool InUpgradeRange(const std::wstring& range) {
  if (range.empty()) return true;
  for (const std::wstring& element : Split(range, L',')) {
    if (element.find(L'-') == std::wstring::npos) {
      if (ParseInt(element) == deploy::kOwnVersion) return true;
      continue;
    }
    const std::vector<std::wstring> bounds = Split(element, L'-');
    if (bounds.size() != 2) continue;
    if (ParseInt(bounds[0]) <= deploy::kOwnVersion && ParseInt(bounds[1]) >= deploy::kOwnVersion)
      return true;
  }
  return false;
}

void StartVersionCheck() {
  UpgradeHost* c = UpgradeHost::Live();
  net::DownloadQueue* downloader = c ? c->GetDownloader() : nullptr;
  if (g_versionCheckStarted || !downloader) return;
  if (!downloader->IsStarted()) downloader->Start();
  net::DownloadTask task;
  task.url = c->GetVersionCheckUrl();
  task.filePath = GetUpgradeFolder();
  task.callback = &OnDownloadEvent;
  task.userData = c->TaskUserData();
  task.tag = kTagVersionFile;
  task.maxBytes = net::kSmallAnswerMaxBytes;
  task.appendUrlName = true;
  task.deleteOnFailure = true;
  downloader->Submit(task);
  g_versionCheckStarted = true;
}

bool DownloadUpgradePackage(UpgradeHost& c) {
  UpgradeOffer offer;
  net::DownloadQueue* downloader = c.GetDownloader();
  if (!downloader || !VerifiedOffer(offer)) return false;
  if (!downloader->IsStarted()) downloader->Start();
  net::DownloadTask task;
  task.url = c.GetVersionDownloadUrl();
  task.filePath = GetUpgraderPath();
  task.callback = &OnDownloadEvent;
  task.userData = c.TaskUserData();
  task.tag = kTagUpgradePackage;
  task.deleteOnFailure = true;
  // Streamed into a partial file, capped at the signed size, and named only
  // when its digest is the signed one.
  task.maxBytes = offer.size;
  task.checkSha256 = true;
  task.sha256 = offer.sha256;
  return downloader->Submit(task);
}

int32_t OnDownloadEvent(uintptr_t userData, int32_t tag, int32_t event, int32_t value,
                        uintptr_t extra) {
  UpgradeHost* c = UpgradeHost::Live();
  if (event != net::DL_EVENT_FINISHED || userData == 0 || !c || c->TaskUserData() != userData)
    return 0;
  const auto* t = reinterpret_cast<const net::DownloadTask*>(extra);
  switch (tag) {
    case kTagVersionFile:
      if (value == net::DL_OK && t) EvaluateVersionFile(*c, *t);
      break;
    case kTagUpgradePackage:
      if (value == net::DL_OK && t)
        LaunchUpgrader(*c, *t);
      else
        c->PostUpgradeNotStarted();
      break;
    case kTagInstallPing:
    case kTagUninstallPing:
      // Whatever the result: the setup-success or uninstall-success run ends.
      c->PostCloseLogin();
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace storage
