// The folder an upgrader is started from, read back through the security
// functions: a protected DACL that lets in this user, SYSTEM and the
// Administrators and nobody else; the held copy cannot be written, renamed
// or removed.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_files.h"
#include "storage/settings.h"

namespace {

std::vector<BYTE> CurrentUserSid() {
  std::vector<BYTE> out;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return out;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    out.assign(bytes, bytes + GetLengthSid(sid));
  }
  CloseHandle(token);
  return out;
}

std::vector<BYTE> WellKnown(WELL_KNOWN_SID_TYPE type) {
  std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
  sid.resize(size);
  return sid;
}

bool Same(PSID sid, const std::vector<BYTE>& other) {
  return !other.empty() && EqualSid(sid, const_cast<BYTE*>(other.data()));
}

bool OnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A folder made the ordinary way lets others read: the check below can fail.
TEST(PrivateFolderWin32, AnOrdinaryFolderLetsOthersIn) {
  const std::wstring plain = storage::GetTempFolder() + L"ordinary-folder";
  ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(plain.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &dacl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  const std::vector<BYTE> user = CurrentUserSid(), system = WellKnown(WinLocalSystemSid),
                          admins = WellKnown(WinBuiltinAdministratorsSid);
  bool others = dacl == nullptr;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) continue;
    PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
    others |= !(Same(sid, user) || Same(sid, system) || Same(sid, admins));
  }
  EXPECT_TRUE(others);
  LocalFree(descriptor);
  RemoveDirectoryW(plain.c_str());
}

TEST(PrivateFolderWin32, OnlyTheUserAndTheSystemMayEnter) {
  const std::wstring temp = storage::GetTempFolder();
  const std::wstring source = temp + L"private-source.exe";
  testsupport::WriteRaw(source, "MZ private copy");
  pf::HHeldFile held = pf::files().OpenHeld(source);
  ASSERT_NE(held, nullptr);
  std::wstring copy;
  pf::HHeldFile heldCopy = pf::files().CopyToPrivateFolder(held, temp, L"Upgrader.exe", copy);
  pf::files().CloseHeld(held);
  ASSERT_NE(heldCopy, nullptr);
  const std::wstring folder = copy.substr(0, copy.find_last_of(L'\\'));

  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, &dacl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(dacl, nullptr);  // a null DACL would let everyone in
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  // Wine keeps no security descriptors on files: it turns the DACL into the
  // folder's Unix mode and rebuilds a DACL from that mode when asked, so the
  // protection bit and the Administrators' entry do not come back there.
  // Both are checked on Windows; everywhere nobody else may have an entry.
  if (!OnWine()) {
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries would be inherited";
  }
  const std::vector<BYTE> user = CurrentUserSid(), system = WellKnown(WinLocalSystemSid),
                          admins = WellKnown(WinBuiltinAdministratorsSid);
  ASSERT_FALSE(user.empty());
  bool userAllowed = false, adminsAllowed = false;
  ASSERT_GT(dacl->AceCount, 0);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, &entry));
    const auto* header = static_cast<ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = &allowed->SidStart;
    LPWSTR text = nullptr;
    ConvertSidToStringSidW(sid, &text);
    EXPECT_TRUE(Same(sid, user) || Same(sid, system) || Same(sid, admins))
        << "an entry for " << testsupport::Narrow(text ? text : L"?");
    if (text) LocalFree(text);
    userAllowed |= Same(sid, user) && (allowed->Mask & FILE_ADD_FILE) != 0;
    adminsAllowed |= Same(sid, admins);
  }
  EXPECT_TRUE(userAllowed);
  if (!OnWine()) {
    EXPECT_TRUE(adminsAllowed);
  }
  LocalFree(descriptor);

  // Held: no writer, no rename of the file or of its folder.
  HANDLE writer = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_FALSE(MoveFileW(copy.c_str(), (copy + L".moved").c_str()));
  EXPECT_FALSE(DeleteFileW(copy.c_str()));

  pf::files().CloseHeld(heldCopy);
  EXPECT_TRUE(pf::files().DeleteFile(copy));
  EXPECT_TRUE(pf::files().RemoveFolder(folder));
  pf::files().DeleteFile(source);
}

}  // namespace
