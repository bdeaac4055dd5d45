// Files and folders.  Paths are wide text with the platform's separator.
#pragma once

#include <cstdint>
#include <string>

namespace pf {

struct HeldFileData;  // defined (or cast to) by the backend
using HHeldFile = HeldFileData*;

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
  // MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING): renames a file,
  // replacing what was at the target.
  virtual bool ReplaceFile(const std::wstring& from, const std::wstring& to) = 0;
  // Opens an existing file for reading and holds it: while it is open nobody
  // may write, rename or delete it (Windows: share read only; systems without
  // mandatory locks open it read-only).  Null on failure.
  virtual HHeldFile OpenHeld(const std::wstring& path) = 0;
  // Reads up to size bytes; read = 0 with true at the end of the file.
  virtual bool ReadHeld(HHeldFile file, uint8_t* buffer, uint32_t size, uint32_t& read) = 0;
  virtual void CloseHeld(HHeldFile file) = 0;
  // Copies the held file, from its first byte, into a new folder under parent
  // that only this user (and the system's own accounts) may enter or change:
  // the folder is created for this call, never one that already existed.  The
  // copy is named name and returned held as OpenHeld holds it; copyPath
  // receives its full path.  Null on failure, with nothing left behind.
  virtual HHeldFile CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                        const std::wstring& name, std::wstring& copyPath) = 0;
  // RemoveDirectoryW: removes an empty folder.
  virtual bool RemoveFolder(const std::wstring& path) = 0;
  // A folder for short-lived answer files that no other user can enter or
  // plant links in, with its trailing separator.  The Windows temporary
  // folder already is the user's own; other systems override this.
  virtual std::wstring PrivateTempFolder() { return TempFolder(); }
};

}  // namespace pf
