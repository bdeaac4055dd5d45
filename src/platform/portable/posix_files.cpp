#include "platform/portable/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/portable/utf8.h"

namespace pf {
namespace {
std::wstring WithSlash(std::wstring path) {
  if (!path.empty() && path.back() != L'/') path += L'/';
  return path;
}
std::wstring FromEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? FromUtf8(v) : std::wstring();
}
}  // namespace

bool PosixFiles::Exists(const std::wstring& path) {
  struct stat st {};
  return !path.empty() && ::stat(ToUtf8(path).c_str(), &st) == 0;
}

bool PosixFiles::CreateFolder(const std::wstring& path) {
  return ::mkdir(ToUtf8(path).c_str(), 0755) == 0;
}

bool PosixFiles::DeleteFile(const std::wstring& path) { return ::unlink(ToUtf8(path).c_str()) == 0; }

bool PosixFiles::ReplaceFile(const std::wstring& from, const std::wstring& to) {
  return ::rename(ToUtf8(from).c_str(), ToUtf8(to).c_str()) == 0;
}

struct HeldFileData {
  int fd;
};

HHeldFile PosixFiles::OpenHeld(const std::wstring& path) {
  const int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return nullptr;
  return new HeldFileData{fd};
}

bool PosixFiles::ReadHeld(HHeldFile file, uint8_t* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  if (!file) return false;
  for (;;) {
    const ssize_t n = ::read(file->fd, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    read = static_cast<uint32_t>(n);
    return true;
  }
}

void PosixFiles::CloseHeld(HHeldFile file) {
  if (!file) return;
  ::close(file->fd);
  delete file;
}

std::wstring PosixFiles::RoamingAppDataFolder() {
  if (overridden_) return appDataOverride_;
  std::wstring base = FromEnv("XDG_CONFIG_HOME");
  if (base.empty()) {
    const std::wstring home = FromEnv("HOME");
    if (home.empty()) return std::wstring();
    base = WithSlash(home) + L".config";
  }
  return WithSlash(base);
}

std::wstring PosixFiles::TempFolder() {
  if (overridden_) return tempOverride_;
  std::wstring base = FromEnv("TMPDIR");
  if (base.empty()) base = L"/tmp/";
  return WithSlash(base);
}

}  // namespace pf
