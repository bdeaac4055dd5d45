// The per-user data folder, the settings files and the text helpers used with them.
//
// All paths use the platform's separator.  The data folder and the temporary
// folder are computed once per process and cached; settings values are never
// cached here.
#pragma once

#include <cstdint>
#include <string>

namespace storage {

// Roaming application-data folder + "Vexa游戏" + sep + "tavo" + sep, created
// (with its parents) the first time it is computed in a process.
std::wstring GetDataFolder();
// GetDataFolder() + "Wayfar.ini".
std::wstring GetSettingsFile();
// GetDataFolder() + sep + "Upgrade" + sep; created on every call.
std::wstring GetUpgradeFolder();
// GetUpgradeFolder() + "LastUpgrade.ini".
std::wstring GetLastUpgradeFile();
// GetUpgradeFolder() + "ZuWayfarUpgrade.exe".
std::wstring GetUpgraderPath();
// The user's temporary folder with its trailing separator (cached).
std::wstring GetTempFolder();
// The folder of the ping answer files: the platform's private temporary
// folder (a folder only this user can enter), looked up once per process.
std::wstring GetPrivateTempFolder();

// Creates every missing folder of the path; false when one could not be created.
bool CreateFolderTree(const std::wstring& path);
// Appends the separator to a non-empty text that does not end in one.
std::wstring EnsureTrailingBackslash(const std::wstring& text);

// Settings operations; an empty file means the settings file.  Text values
// are read through a 260-unit buffer, so they are cut to 259 characters.
std::wstring ReadIniText(const std::wstring& section, const std::wstring& key,
                         const std::wstring& defaultValue, const std::wstring& file = L"");
int32_t ReadIniInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue,
                   const std::wstring& file = L"");
void WriteIniText(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                  const std::wstring& file = L"");

// Every occurrence of part removed, scanning left to right.
std::wstring RemoveAll(const std::wstring& text, const std::wstring& part);
// Optional leading white space, an optional sign and decimal digits, like a
// stream extraction of an int; 0 when there is no number or it does not fit.
int32_t ParseInt(const std::wstring& text);

// Forgets the cached folders, so a test can point the platform elsewhere.
void ResetFolderCachesForTest();

}  // namespace storage
