#include "storage/settings.h"

#include <climits>
#include <cwctype>

#include "platform/platform.h"

namespace storage {
namespace {

std::wstring& DataFolderCache() {
  static std::wstring cache;
  return cache;
}
std::wstring& TempFolderCache() {
  static std::wstring cache;
  return cache;
}

std::wstring& PrivateTempFolderCache() {
  static std::wstring cache;
  return cache;
}

std::wstring Sep() { return std::wstring(1, pf::files().Separator()); }

std::wstring FileOrSettings(const std::wstring& file) {
  return file.empty() ? GetSettingsFile() : file;
}

}  // namespace

std::wstring EnsureTrailingBackslash(const std::wstring& text) {
  const wchar_t sep = pf::files().Separator();
  if (text.empty() || text.back() == sep) return text;
  return text + sep;
}

bool CreateFolderTree(const std::wstring& path) {
  pf::Files& fs = pf::files();
  const wchar_t sep = fs.Separator();
  size_t pos = path.find(sep);
  if (pos == std::wstring::npos) {
    if (!fs.Exists(path) && !fs.CreateFolder(path)) return false;
    return true;
  }
  for (; pos != std::wstring::npos; pos = path.find(sep, pos + 1)) {
    const std::wstring prefix = path.substr(0, pos + 1);
    if (!fs.Exists(prefix) && !fs.CreateFolder(prefix)) return false;
  }
  if (!fs.Exists(path) && !fs.CreateFolder(path)) return false;
  return true;
}

std::wstring GetDataFolder() {
  std::wstring& cache = DataFolderCache();
  if (!cache.empty()) return cache;
  // An undeterminable roaming folder leaves the base empty, which makes the
  // data folder relative to the current folder.
  const std::wstring roaming = pf::files().RoamingAppDataFolder();
  cache = EnsureTrailingBackslash(roaming) + L"Vexa游戏" + Sep() + L"tavo" + Sep();
  CreateFolderTree(cache);
  return cache;
}

std::wstring GetSettingsFile() { return GetDataFolder() + L"Wayfar.ini"; }

std::wstring GetUpgradeFolder() {
  const std::wstring folder = GetDataFolder() + Sep() + L"Upgrade" + Sep();
  CreateFolderTree(folder);
  return folder;
}

std::wstring GetLastUpgradeFile() { return GetUpgradeFolder() + L"LastUpgrade.ini"; }

std::wstring GetUpgraderPath() { return GetUpgradeFolder() + L"ZuWayfarUpgrade.exe"; }

std::wstring GetTempFolder() {
  std::wstring& cache = TempFolderCache();
  if (cache.empty()) cache = pf::files().TempFolder();
  return cache;
}

std::wstring GetPrivateTempFolder() {
  std::wstring& c = PrivateTempFolderCache();
  if (c.empty()) c = pf::files().PrivateTempFolder();
  return c;
}

void ResetFolderCachesForTest() {
  DataFolderCache().clear();
  TempFolderCache().clear();
  PrivateTempFolderCache().clear();
}

std::wstring ReadIniText(const std::wstring& section, const std::wstring& key,
                         const std::wstring& defaultValue, const std::wstring& file) {
  return pf::ini().ReadText(section, key, defaultValue, FileOrSettings(file), 260);
}

int32_t ReadIniInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue,
                   const std::wstring& file) {
  return pf::ini().ReadInt(section, key, defaultValue, FileOrSettings(file));
}

void WriteIniText(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                  const std::wstring& file) {
  // A value stays on its line: a line break would start a key of its own.
  std::wstring clean;
  clean.reserve(value.size());
  for (const wchar_t c : value)
    if (c != L'\r' && c != L'\n' && c != L'\0') clean += c;
  pf::ini().WriteText(section, key, clean, FileOrSettings(file));
}

std::wstring RemoveAll(const std::wstring& text, const std::wstring& part) {
  if (part.empty()) return text;
  std::wstring out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t hit = text.find(part); hit != std::wstring::npos; hit = text.find(part, pos)) {
    out.append(text, pos, hit - pos);
    pos = hit + part.size();
  }
  out.append(text, pos, std::wstring::npos);
  return out;
}

int32_t ParseInt(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (i >= text.size() || text[i] < L'0' || text[i] > L'9') return 0;
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    // A number that does not fit makes the extraction fail, which reads as 0.
    if (value > static_cast<long long>(INT_MAX) + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return 0;
  return static_cast<int32_t>(value);
}

}  // namespace storage
