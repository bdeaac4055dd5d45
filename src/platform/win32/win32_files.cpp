// Files on Windows: the roaming folder through the shell, the file functions,
// files held against writers.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {

namespace {

class Win32Files : public Files {
 public:
  wchar_t Separator() const override { return L'\\'; }
  bool Exists(const std::wstring& path) override { return PathFileExistsW(path.c_str()) != FALSE; }
  bool CreateFolder(const std::wstring& path) override {
    return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
  }
  bool DeleteFile(const std::wstring& path) override { return ::DeleteFileW(path.c_str()) != FALSE; }
  std::wstring RoamingAppDataFolder() override {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) return std::wstring();
    return buffer;
  }
  std::wstring TempFolder() override {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH, buffer);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return std::wstring(buffer, n);
  }
  bool ReplaceFile(const std::wstring& from, const std::wstring& to) override {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  // Read access, shared for reading only: writers, renames and deletes fail
  // while the handle is open.
  HHeldFile OpenHeld(const std::wstring& path) override {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<HHeldFile>(file);
  }
  bool ReadHeld(HHeldFile file, uint8_t* buffer, uint32_t size, uint32_t& read) override {
    DWORD got = 0;
    const BOOL ok = ::ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &got, nullptr);
    read = got;
    return ok != FALSE;
  }
  void CloseHeld(HHeldFile file) override {
    if (file) ::CloseHandle(reinterpret_cast<HANDLE>(file));
  }
  HHeldFile CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                const std::wstring& name, std::wstring& copyPath) override;
  bool RemoveFolder(const std::wstring& path) override {
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
  }
};

// A protected DACL (nothing inherited from the parent) that gives full access
// to this process's user, to SYSTEM and to the Administrators group and to
// nobody else; files made inside inherit it.
class PrivateFolderSecurity {
 public:
  PrivateFolderSecurity() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool gotUser =
        size > 0 && ::GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    ::CloseHandle(token);
    if (!gotUser) return;
    PSID userSid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    DWORD systemSize = sizeof system_, adminsSize = sizeof admins_;
    if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) ||
        !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins_, &adminsSize))
      return;
    const PSID sids[] = {userSid, system_, admins_};
    DWORD aclSize = sizeof(ACL);
    for (PSID sid : sids) aclSize += sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid);
    acl_.resize(aclSize);
    PACL acl = reinterpret_cast<PACL>(acl_.data());
    if (!::InitializeAcl(acl, aclSize, ACL_REVISION)) return;
    for (PSID sid : sids)
      if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   FILE_ALL_ACCESS, sid))
        return;
    if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
      return;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
  }
  // Null when the descriptor could not be made: no folder is made then.
  SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<BYTE> user_;  // TOKEN_USER and the SID it points into
  BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  BYTE admins_[SECURITY_MAX_SID_SIZE] = {};
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

// Copies from the start of from to the end into to.
bool CopyHandle(HANDLE from, HANDLE to) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) return false;
  std::vector<BYTE> buffer(64 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
      return false;
    if (got == 0) return true;
    DWORD written = 0;
    if (!::WriteFile(to, buffer.data(), got, &written, nullptr) || written != got) return false;
  }
}

HHeldFile Win32Files::CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                          const std::wstring& name, std::wstring& copyPath) {
  copyPath.clear();
  if (!source || name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos) return nullptr;
  PrivateFolderSecurity security;
  if (!security.Attributes()) return nullptr;
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  // CreateDirectoryW fails on a name that exists, so the folder is always
  // one made here with this descriptor; a taken name only costs a retry.
  static LONG counter = 0;
  std::wstring folder;
  for (int attempt = 0; attempt < 16 && folder.empty(); ++attempt) {
    wchar_t suffix[32];
    wsprintfW(suffix, L"vexa-upgrade-%08lx%04lx", ::GetTickCount() ^ ::GetCurrentProcessId(),
              static_cast<unsigned long>(::InterlockedIncrement(&counter) & 0xFFFF));
    const std::wstring candidate = base + suffix;
    if (::CreateDirectoryW(candidate.c_str(), security.Attributes()))
      folder = candidate;
    else if (::GetLastError() != ERROR_ALREADY_EXISTS)
      return nullptr;
  }
  if (folder.empty()) return nullptr;
  const std::wstring file = folder + L"\\" + name;
  HANDLE out = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  bool copied = out != INVALID_HANDLE_VALUE && CopyHandle(reinterpret_cast<HANDLE>(source), out);
  if (out != INVALID_HANDLE_VALUE) copied = ::CloseHandle(out) && copied;
  // Held again for reading only: the loader may open it, nobody may change it.
  HHeldFile held = copied ? OpenHeld(file) : nullptr;
  if (!held) {
    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return nullptr;
  }
  copyPath = file;
  return held;
}

}  // namespace

std::unique_ptr<Files> NewWin32Files() { return std::make_unique<Win32Files>(); }

}  // namespace pf
