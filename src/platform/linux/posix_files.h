// Files on a POSIX system.  The roaming application-data folder follows the
// XDG rule ($XDG_CONFIG_HOME, default ~/.config) and the temporary folder is
// $TMPDIR or /tmp/, both with a trailing separator.  Folders are made 0700.  A test may give other
// roots through the constructor.
#pragma once

#include <mutex>
#include <string>

#include "platform/files.h"

namespace pf {

class PosixFiles : public Files {
 public:
  PosixFiles() = default;
  PosixFiles(std::wstring appDataRoot, std::wstring tempRoot)
      : appDataOverride_(std::move(appDataRoot)), tempOverride_(std::move(tempRoot)), overridden_(true) {}

  wchar_t Separator() const override { return L'/'; }
  bool Exists(const std::wstring& path) override;
  bool CreateFolder(const std::wstring& path) override;
  bool DeleteFile(const std::wstring& path) override;
  std::wstring RoamingAppDataFolder() override;
  std::wstring TempFolder() override;
  bool ReplaceFile(const std::wstring& from, const std::wstring& to) override;
  HHeldFile OpenHeld(const std::wstring& path) override;
  bool ReadHeld(HHeldFile file, uint8_t* buffer, uint32_t size, uint32_t& read) override;
  void CloseHeld(HHeldFile file) override;
  // A mkdtemp folder (0700) under parent; the copy is made 0700 too.
  HHeldFile CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                const std::wstring& name, std::wstring& copyPath) override;
  bool RemoveFolder(const std::wstring& path) override;
  // $XDG_RUNTIME_DIR/vexatavo/ when the runtime folder is the user's own
  // (0700), else TempFolder() + "vexatavo-UID/" when that is a folder of this
  // user that nobody else may enter, else a fresh mkdtemp folder; TempFolder()
  // itself when none can be had.  Roots given to the constructor are used as
  // they are.
  std::wstring PrivateTempFolder() override;

 private:
  std::wstring appDataOverride_;
  std::wstring tempOverride_;
  bool overridden_ = false;
  std::mutex privateLock_;
  std::wstring private_;  // the made folder, once made
};

}  // namespace pf
