#include "platform/portable/http_common.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cwctype>

#include "platform/portable/utf8.h"

namespace pf {

bool SplitUrl(const std::wstring& url, UrlParts& out) {
  out = UrlParts{};
  const size_t schemeEnd = url.find(L"://");
  if (schemeEnd == std::wstring::npos || schemeEnd == 0) return false;
  std::wstring scheme = url.substr(0, schemeEnd);
  for (wchar_t& c : scheme) {
    if (!std::iswalnum(c) && c != L'+' && c != L'-' && c != L'.') return false;
    c = static_cast<wchar_t>(std::towlower(c));
  }
  const size_t authorityStart = schemeEnd + 3;
  size_t authorityEnd = url.find_first_of(L"/?#", authorityStart);
  if (authorityEnd == std::wstring::npos) authorityEnd = url.size();
  std::wstring authority = url.substr(authorityStart, authorityEnd - authorityStart);
  out.path = url.substr(authorityEnd);

  const size_t at = authority.rfind(L'@');
  if (at != std::wstring::npos) {
    const std::wstring userInfo = authority.substr(0, at);
    authority = authority.substr(at + 1);
    const size_t colon = userInfo.find(L':');
    out.userName = userInfo.substr(0, colon);
    if (colon != std::wstring::npos) out.password = userInfo.substr(colon + 1);
  }
  std::wstring portText;
  if (!authority.empty() && authority[0] == L'[') {
    const size_t close = authority.find(L']');
    if (close == std::wstring::npos) return false;
    out.host = authority.substr(0, close + 1);
    const std::wstring rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != L':') return false;
      portText = rest.substr(1);
    }
  } else {
    const size_t colon = authority.rfind(L':');
    out.host = authority.substr(0, colon);
    if (colon != std::wstring::npos) portText = authority.substr(colon + 1);
  }
  if (out.host.empty()) return false;
  if (!portText.empty()) {
    uint32_t port = 0;
    for (wchar_t c : portText) {
      if (c < L'0' || c > L'9') return false;
      port = port * 10 + static_cast<uint32_t>(c - L'0');
      if (port > 65535) return false;
    }
    if (port == 0) return false;
    out.port = static_cast<uint16_t>(port);
  } else {
    out.port = scheme == L"https" ? 443 : 80;
  }
  out.secure = scheme == L"https";
  return out.host.size() <= kUrlHostMax && out.userName.size() <= kUrlUserMax &&
         out.password.size() <= kUrlPasswordMax && out.path.size() <= kUrlPathMax;
}

std::string EncodeRequestTarget(const std::wstring& path) {
  static const char kHex[] = "0123456789ABCDEF";
  const std::string raw = ToUtf8(path);
  std::string target;
  target.reserve(raw.size() + 1);
  if (raw.empty() || raw[0] != '/') target += '/';
  for (unsigned char c : raw) {
    const bool escape = c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' ||
                        c == '^' || c == '`' || c == '{' || c == '|' || c == '}';
    if (escape) {
      target += '%';
      target += kHex[c >> 4];
      target += kHex[c & 15];
    } else {
      target += static_cast<char>(c);
    }
  }
  return target;
}

HTargetFile PosixCreateTargetFile(const std::wstring& path) {
  // The old file goes first, and the new one is made fresh: a link planted
  // at the path is removed, never followed, and the file is the user's own.
  const std::string name = ToUtf8(path);
  if (::unlink(name.c_str()) != 0 && errno != ENOENT) return nullptr;
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  auto* file = new TargetFile{fd, {}};
  file->held.reserve(kTargetFileHold);
  return file;
}

namespace {

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Passes what the file holds to the system; nothing stays held either way,
// so a failed file is never written to again out of order.
bool WriteHeld(TargetFile& file) {
  const bool ok = WriteAll(file.fd, file.held.data(), file.held.size());
  file.held.clear();
  return ok;
}

}  // namespace

bool PosixWriteTargetFile(HTargetFile file, const uint8_t* bytes, uint32_t size) {
  if (!file || file->fd < 0) return false;
  if (file->held.size() + size > kTargetFileHold && !WriteHeld(*file)) {
    ::close(file->fd);
    file->fd = -1;
    return false;
  }
  if (size >= kTargetFileHold) return WriteAll(file->fd, bytes, size);
  file->held.insert(file->held.end(), bytes, bytes + size);
  return true;
}

bool PosixCloseTargetFile(HTargetFile file) {
  if (!file) return false;
  bool ok = file->fd >= 0;
  if (ok) {
    ok = WriteHeld(*file);
    ok = ::close(file->fd) == 0 && ok;
  }
  delete file;
  return ok;
}

}  // namespace pf
