// Files and folders.  Paths are wide text with the platform's separator.
#pragma once

#include <string>

namespace pf {

class Files {
 public:
  virtual ~Files() = default;

  // The character that separates folders: '\\' on Windows, '/' elsewhere.
  virtual wchar_t Separator() const = 0;
  // PathFileExistsW: a file or folder exists at the path.
  virtual bool Exists(const std::wstring& path) = 0;
  // CreateDirectoryW: creates one folder; false when it could not be created.
  virtual bool CreateFolder(const std::wstring& path) = 0;
  // DeleteFileW.
  virtual bool DeleteFile(const std::wstring& path) = 0;
  // The roaming application-data folder as the platform reports it (with or
  // without a trailing separator); empty when it cannot be determined.
  virtual std::wstring RoamingAppDataFolder() = 0;
  // The user's temporary folder with its trailing separator; empty on failure.
  virtual std::wstring TempFolder() = 0;
  // A folder for short-lived answer files that no other user can enter or
  // plant links in, with its trailing separator.  The Windows temporary
  // folder already is the user's own; other systems override this.
  virtual std::wstring PrivateTempFolder() { return TempFolder(); }
};

}  // namespace pf
