// Raw file access for the platform suites (ASCII paths only, which is what
// the temporary folders of the test machines give).
#pragma once

#include <cstdio>
#include <string>

namespace testsupport {

inline std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);
  return out;
}

inline void WriteRaw(const std::wstring& path, const std::string& bytes) {
  std::FILE* f = std::fopen(Narrow(path).c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline std::string ReadRaw(const std::wstring& path) {
  std::string bytes;
  std::FILE* f = std::fopen(Narrow(path).c_str(), "rb");
  if (!f) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

}  // namespace testsupport
