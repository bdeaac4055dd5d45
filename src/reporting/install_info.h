// Usage reporting: the install-info record of the statistics and the pings.
//
// Threads: Load and the pings run on the user-interface thread; a download
// worker reads the MAC digest through MacDigestForCookie (locked, since a
// version-check request may run before the first Load).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "net/task_host.h"

namespace reporting {

// What the pings need from the application; the application context
// implements it and registers itself while it lives.
class PingHost : public net::LiveHost<PingHost> {
 public:
  // Whether this start came from the system's autorun entry.
  virtual bool IsAutorunStart() const = 0;
  // The "Refer" and "UID" settings, the e2 and e3 of the statistics.
  virtual std::wstring GetRefer() const = 0;
  virtual std::wstring GetUid() const = 0;
  // The page the player last opened in an outside browser.
  virtual std::wstring GetLastOutsideUrl() const = 0;

 protected:
  ~PingHost() = default;
};

class InstallInfo {
 public:
  InstallInfo() = default;
  InstallInfo(const InstallInfo&) = delete;
  InstallInfo& operator=(const InstallInfo&) = delete;

  // Fills the record once per process; later calls return at once.  An
  // installTime set before is kept (the settings are not read again).
  void Load();
  // Each returns whether its ping task was handed to the downloader.
  bool SendInstallPing();
  bool SendActivePing();  // once per process; false when it was already sent
  bool SendUninstallPing();

  // The first 28 characters of the MAC digest; empty before the first Load.
  std::wstring MacDigestForCookie() const;
  std::wstring MacDigest() const;

  // Fields in order.
  bool loaded = false;
  std::wstring installGuid;
  bool netCafe = false;
  bool autorun = false;
  std::wstring machineId;
  std::wstring installTime;
  std::wstring e1Value = L"wd";
  int32_t installType = 0;
  bool activeSent = false;

 private:
  // The statistics URL; e7 < 0 leaves e7 out.
  std::wstring StatsUrl(int32_t e7, int32_t at) const;

  mutable std::mutex macLock_;
  std::wstring macDigest_;  // guarded by macLock_
};

// [Install] "InstallTime"; when it is empty, the local time now
// ("%Y-%m-%d %H:%M:%S"), written there.
std::wstring LoadInstallTime();

// Percent-encodes bytes: ASCII letters, digits and ~ ! * ( ) ' stay, every
// other byte becomes "%" and two lower-case hexadecimal digits.
std::wstring PercentEncode(const std::string& bytes);

// The browser pings for the context's lastOutsideUrl, which the caller sets
// first.  The platform-browser ping carries that page as its Referer, and
// plants the MAC-digest cookie for it only when it is one of the platform's
// own hosts.
bool SendPlatformBrowserPing();
// Whether the address's host (without port, case ignored) is one of the
// platform's own host roles.
bool IsPlatformAddress(const std::wstring& url);
bool SendOtherBrowserPing();

// Hands one ping to the context's downloader (starting it when needed); the
// response goes to the named file in the temporary folder.  False when there
// is no downloader or it refused the task.
bool SubmitPing(const std::wstring& url, int32_t tag, const std::wstring& fileName,
                const std::wstring& referer = std::wstring(), bool plantCookie = false);

}  // namespace reporting
