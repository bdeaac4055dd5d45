// The INI engine over any file: reading never fails, a value written is read
// back, every other key keeps its value, and the file stays readable.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/portable/ini_file.h"
#include "platform/portable/utf8.h"

namespace {

const std::string& Path() {
  static const std::string path = [] {
    char pattern[] = "/dev/shm/vexa-fuzz-ini-XXXXXX";
    char* folder = mkdtemp(pattern);
    if (!folder) {
      char fallback[] = "/tmp/vexa-fuzz-ini-XXXXXX";
      folder = mkdtemp(fallback);
      return std::string(folder) + "/f.ini";
    }
    return std::string(folder) + "/f.ini";
  }();
  return path;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return;
  if (::write(fd, bytes.data(), bytes.size()) < 0) {
  }
  ::close(fd);
}

// Section and key names the input picks from (sections and keys alike, so a
// name may be either); few, because every read parses the whole file.
const wchar_t* const kNames[] = {L"Common", L"install", L"A", L"k", L"RunCount"};
constexpr int kNameCount = 5;

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == L' ' || s[b] == L'\t')) ++b;
  while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t')) --e;
  return s.substr(b, e - b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t pick = in.Byte();
  const std::wstring section = kNames[pick % kNameCount];
  const std::wstring key = kNames[(pick / kNameCount) % kNameCount];
  const std::wstring value = pf::FromUtf8(in.Bytes(200));
  const std::string file = in.Rest();
  const std::wstring path = pf::FromUtf8(Path());
  WriteFile(Path(), file);

  pf::IniFile ini;
  constexpr int kBuffer = 100000;
  // Everything readable before the write.
  std::vector<std::wstring> before;
  for (const wchar_t* s : kNames)
    for (const wchar_t* k : kNames) before.push_back(ini.ReadText(s, k, L"\x1", path, kBuffer));
  ini.ReadInt(section, key, 7, path);

  if (!ini.WriteText(section, key, value, path)) return 0;
  // The value as the engine keeps it: no line breaks, blanks trimmed, one
  // pair of quotes around it dropped.
  std::wstring expected = Trim(pf::WithoutLineBreaks(value));
  if (expected.size() > 1 && (expected.front() == L'"' || expected.front() == L'\'') &&
      expected.back() == expected.front())
    expected = expected.substr(1, expected.size() - 2);
  FUZZ_CHECK(ini.ReadText(section, key, L"\x1", path, kBuffer) == expected);
  size_t i = 0;
  for (const wchar_t* s : kNames) {
    for (const wchar_t* k : kNames) {
      const bool same = wcscasecmp(s, section.c_str()) == 0 && wcscasecmp(k, key.c_str()) == 0;
      if (!same) FUZZ_CHECK(ini.ReadText(s, k, L"\x1", path, kBuffer) == before[i]);
      ++i;
    }
  }
  return 0;
}
