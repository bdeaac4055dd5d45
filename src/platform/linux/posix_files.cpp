#include "platform/linux/posix_files.h"

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
// A real folder (not a link) owned by this user that nobody else may enter.
bool OwnPrivateFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}
}  // namespace

bool PosixFiles::Exists(const std::wstring& path) {
  struct stat st {};
  return !path.empty() && ::stat(ToUtf8(path).c_str(), &st) == 0;
}

bool PosixFiles::CreateFolder(const std::wstring& path) {
  return ::mkdir(ToUtf8(path).c_str(), 0700) == 0;
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

namespace {
bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies the rest of from into to; false on any read or write failure.
bool CopyFd(int from, int to) {
  uint8_t buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer, static_cast<size_t>(n))) return false;
  }
}
}  // namespace

HHeldFile PosixFiles::CopyToPrivateFolder(HHeldFile source, const std::wstring& parent,
                                          const std::wstring& name, std::wstring& copyPath) {
  copyPath.clear();
  if (!source || name.empty() || name.find(L'/') != std::wstring::npos) return nullptr;
  if (::lseek(source->fd, 0, SEEK_SET) != 0) return nullptr;
  std::string folder = ToUtf8(WithSlash(parent)) + "vexa-upgrade-XXXXXX";
  if (!::mkdtemp(folder.data())) return nullptr;
  const std::string file = folder + "/" + ToUtf8(name);
  const int out = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
  bool copied = out >= 0 && CopyFd(source->fd, out);
  if (out >= 0) copied = (::close(out) == 0) && copied;
  HHeldFile held = copied ? OpenHeld(FromUtf8(file)) : nullptr;
  if (!held) {
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
    return nullptr;
  }
  copyPath = FromUtf8(file);
  return held;
}

bool PosixFiles::RemoveFolder(const std::wstring& path) {
  return ::rmdir(ToUtf8(path).c_str()) == 0;
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

std::wstring PosixFiles::PrivateTempFolder() {
  if (overridden_) return tempOverride_;
  std::lock_guard<std::mutex> hold(privateLock_);
  if (!private_.empty()) return private_;
  const std::string runtime = ToUtf8(FromEnv("XDG_RUNTIME_DIR"));
  if (!runtime.empty() && runtime[0] == '/' && OwnPrivateFolder(runtime)) {
    const std::string folder = runtime + (runtime.back() == '/' ? "" : "/") + "vexatavo";
    ::mkdir(folder.c_str(), 0700);
    if (OwnPrivateFolder(folder)) return private_ = FromUtf8(folder) + L"/";
  }
  // The user's own folder in the shared temporary folder, kept from run to
  // run; one that someone else made (or a link) is not used.
  const std::string temp = ToUtf8(TempFolder());
  const std::string own = temp + "vexatavo-" + std::to_string(::geteuid());
  ::mkdir(own.c_str(), 0700);
  if (OwnPrivateFolder(own)) return private_ = FromUtf8(own) + L"/";
  std::string pattern = temp + "vexatavo-XXXXXX";
  if (::mkdtemp(pattern.data())) return private_ = FromUtf8(pattern) + L"/";
  return TempFolder();
}

}  // namespace pf
