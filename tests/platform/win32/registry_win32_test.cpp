// The registry lookups against Wine's (or Windows') own registry: the test
// creates its keys with the registry functions and removes them afterwards.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "app/desktop.h"
#include "platform/platform.h"
#include "reporting/machine_identity.h"
#include "reporting/net_cafe.h"

namespace {

const wchar_t kAdapterBase[] =
    L"System\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";

bool CreateKey(const std::wstring& path, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value,
             REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG r = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

bool SetDword(const std::wstring& path, const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG r =
      RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

void DeleteTree(const std::wstring& path, REGSAM view = 0) {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
}

TEST(RegistryWin32, NetCafeKeysCreatedForTheTestAreFoundInTableOrder) {
  ASSERT_EQ(reporting::DetectNetCafe(), -1);
  ASSERT_TRUE(CreateKey(L"SOFTWARE\\Richtech"));
  EXPECT_TRUE(reporting::RegistryKeyExists(L"SOFTWARE\\Richtech"));
  EXPECT_EQ(reporting::DetectNetCafe(), 12);
  ASSERT_TRUE(CreateKey(L"SOFTWARE\\iCafe8"));
  EXPECT_EQ(reporting::DetectNetCafe(), 6);
  ASSERT_TRUE(CreateKey(L"SOFTWARE\\杭州顺网信息技术有限公司\\网维大师蝌蚪娱乐平台"));
  EXPECT_EQ(reporting::DetectNetCafe(), 6);
  DeleteTree(L"SOFTWARE\\iCafe8");
  DeleteTree(L"SOFTWARE\\Richtech");
  EXPECT_EQ(reporting::DetectNetCafe(), 14);
  DeleteTree(L"SOFTWARE\\杭州顺网信息技术有限公司\\网维大师蝌蚪娱乐平台");
  DeleteTree(L"SOFTWARE\\杭州顺网信息技术有限公司");
  EXPECT_EQ(reporting::DetectNetCafe(), -1);
}

TEST(RegistryWin32, PlatformBrowserInTheViewOfTheSystemsBitness) {
  // wine64 (and 64-bit Windows) is a 64-bit system: the key under
  // Wow6432Node, read through the 64-bit view.
  ASSERT_EQ(app::GetSystemBitness(), 64);
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"), L"");
  const std::wstring key = L"SOFTWARE\\Wow6432Node\\VexaExplorer";
  ASSERT_TRUE(SetText(key, L"Path", L"C:\\Program Files\\VexaExplorer", KEY_WOW64_64KEY));
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"),
            L"C:\\Program Files\\VexaExplorer\\VexaExplorer.exe");
  // A value longer than 260 bytes is not taken.
  ASSERT_TRUE(SetText(key, L"Path", std::wstring(130, L'p'), KEY_WOW64_64KEY));
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"), L"");
  ASSERT_TRUE(SetText(key, L"Path", std::wstring(129, L'p'), KEY_WOW64_64KEY));
  EXPECT_EQ(app::FindPlatformBrowser(L"\\x"), std::wstring(129, L'p') + L"\\x");
  DeleteTree(key, KEY_WOW64_64KEY);
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"), L"");

  // The 32-bit view flag reaches the 32-bit registry of a 64-bit system.
  ASSERT_TRUE(SetText(L"SOFTWARE\\VexaExplorer", L"Path", L"C:\\VE32", KEY_WOW64_32KEY));
  std::wstring value;
  EXPECT_TRUE(pf::registry().ReadLocalMachineText(L"SOFTWARE\\VexaExplorer", L"Path",
                                                  KEY_READ | KEY_WOW64_32KEY, 260, value));
  EXPECT_EQ(value, L"C:\\VE32");
  DeleteTree(L"SOFTWARE\\VexaExplorer", KEY_WOW64_32KEY);
}

TEST(RegistryWin32, AdapterConnectionKeysDecideThePhysicalTest) {
  const std::wstring connection =
      std::wstring(kAdapterBase) + L"{0D0E0A0D-1111-2222-3333-VEXATEST0001}\\Connection";
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{0D0E0A0D-1111-2222-3333-VEXATEST0001}", 6));
  ASSERT_TRUE(SetText(connection, L"PnpInstanceID", L"PCI\\VEN_10EC&DEV_8168\\4&1"));
  ASSERT_TRUE(SetDword(connection, L"MediaSubType", 1));
  EXPECT_TRUE(reporting::IsPhysicalAdapter("{0D0E0A0D-1111-2222-3333-VEXATEST0001}", 6));
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{0D0E0A0D-1111-2222-3333-VEXATEST0001}", 71));
  uint32_t subType = 0;
  EXPECT_TRUE(
      pf::machine().AdapterMediaSubType(L"{0D0E0A0D-1111-2222-3333-VEXATEST0001}", subType));
  EXPECT_EQ(subType, 1u);
  ASSERT_TRUE(SetText(connection, L"PnpInstanceID", L"ROOT\\NET\\0000"));
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{0D0E0A0D-1111-2222-3333-VEXATEST0001}", 6));
  DeleteTree(connection);
  DeleteTree(std::wstring(kAdapterBase) + L"{0D0E0A0D-1111-2222-3333-VEXATEST0001}");
}

TEST(RegistryWin32, DesktopToggleReachesTheShellObjectAndLeavesComAsItWas) {
  // The thread's COM state before (S_OK: it was not initialised, S_FALSE: it was).
  const HRESULT before = CoInitialize(nullptr);
  if (SUCCEEDED(before)) CoUninitialize();
  // The Shell object is made and takes the call (Wine's may do nothing with
  // it); a second toggle brings the windows back.
  EXPECT_TRUE(pf::shell().ToggleDesktop());
  EXPECT_TRUE(pf::shell().ToggleDesktop());
  const HRESULT after = CoInitialize(nullptr);
  if (SUCCEEDED(after)) CoUninitialize();
  EXPECT_EQ(after, before);
}

}  // namespace
