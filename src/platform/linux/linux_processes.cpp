#include "platform/linux/linux_processes.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/crypto.h"
#include "platform/portable/utf8.h"

extern char** environ;

namespace pf {
namespace {

std::vector<std::string> SplitArguments(const std::wstring& line) {
  std::vector<std::string> args;
  std::string current;
  for (const char c : ToUtf8(line)) {
    if (c == ' ' || c == '\t') {
      if (!current.empty()) args.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) args.push_back(current);
  return args;
}

void MakeExecutable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IXUSR))
    ::chmod(path.c_str(), st.st_mode | S_IXUSR);
}

void ReapLater(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

// Spawns argv[0] (searched on PATH when search is set) with stdout given.
bool Spawn(const std::vector<std::string>& args, bool search, bool newGroup, int stdoutFd,
           pid_t& pid) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  if (newGroup) {
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  const int rc = search ? posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                        : posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

// The file's SHA-256 in hexadecimal, or empty when it cannot be read.
std::string FileSha256(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string();
  Sha256 hasher;
  std::vector<uint8_t> buffer(64 * 1024);
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    ok = hasher.Update(buffer.data(), static_cast<size_t>(n));
    if (!ok) break;
  }
  ::close(fd);
  Sha256Digest digest{};
  if (!ok || !hasher.Finish(digest)) return std::string();
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : digest) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  return text;
}

}  // namespace

bool LinuxProcesses::IsProcessElevated() { return ::geteuid() == 0; }

bool LinuxProcesses::CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                                   uint32_t creationFlags, int /*showCommand*/) {
  std::vector<std::string> args{ToUtf8(application)};
  for (auto& a : SplitArguments(commandLine)) args.push_back(a);
  MakeExecutable(args[0]);
  pid_t pid = 0;
  // CREATE_NEW_PROCESS_GROUP: the child leads a group of its own.
  if (!Spawn(args, false, (creationFlags & 0x200u) != 0, -1, pid)) return false;
  ReapLater(pid);
  return true;
}

bool LinuxProcesses::ShellExecute(const std::wstring& verb, const std::wstring& file,
                                  const std::wstring& parameters, int showCommand) {
  if (verb != L"runas" || IsProcessElevated())
    return CreateProcess(file, parameters, 0, showCommand);
  const std::string path = ToUtf8(file);
  const std::string digest = FileSha256(path);
  if (digest.empty()) return false;
  // The helper runs a shell that reports on the pipe once it has the rights,
  // then becomes the program.  The helper's early end without that report
  // means the user declined or could not be asked.
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  // With the rights: $0 the file, $1 its digest, $2 the folder template.
  static const char kPrivilegedSide[] =
      "umask 077; d=$(mktemp -d \"$2\") || exit 127; f=\"$d/${0##*/}\"; "
      "cat -- \"$0\" > \"$f\" || exit 127; "
      "printf '%s  %s\\n' \"$1\" \"$f\" | sha256sum -c --status - || exit 127; "
      "chmod 700 \"$f\"; shift 2; printf started; exec \"$f\" \"$@\" >/dev/null";
  std::vector<std::string> args{elevationHelper_, "/bin/sh", "-c", kPrivilegedSide, path,
                                digest, copyFolder_};
  for (auto& a : SplitArguments(parameters)) args.push_back(a);
  pid_t pid = 0;
  const bool spawned = Spawn(args, true, false, pipeFds[1], pid);
  ::close(pipeFds[1]);
  if (!spawned) {
    ::close(pipeFds[0]);
    return false;
  }
  std::string report;
  char buffer[16];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    report.append(buffer, static_cast<size_t>(n));
    if (report.size() >= 7) break;
  }
  ::close(pipeFds[0]);
  if (report == "started") {
    ReapLater(pid);
    return true;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return false;
}

}  // namespace pf
