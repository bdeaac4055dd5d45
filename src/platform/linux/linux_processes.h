// Starting programs on Linux: a direct start with posix_spawn, and an
// elevated start through the desktop's elevation helper (pkexec), which asks
// the user.  A started child is reaped by a small detached thread.
#pragma once

#include <string>

#include "platform/process.h"

namespace pf {

class LinuxProcesses : public Processes {
 public:
  // elevationHelper: the program that runs a command with the superuser's
  // rights after asking the user.  By its absolute path: a PATH the user's
  // other programs can change must not choose what gets the rights.
  // copyFolder: the mktemp template of the folder, made by the privileged
  // side and writable by it alone, that the program is copied into.
  explicit LinuxProcesses(std::string elevationHelper = "/usr/bin/pkexec",
                          std::string copyFolder = "/tmp/vexa-upgrade.XXXXXX")
      : elevationHelper_(std::move(elevationHelper)), copyFolder_(std::move(copyFolder)) {}

  // IsProcessElevated: true when the effective user is the superuser.
  // CreateProcess runs application with the command line split at blanks, in
  // a new process group; the file is made executable for its owner first (a
  // downloaded file is not).  The show command has no meaning here.
  // ShellExecute with "runas": when not elevated, runs the file through the
  // elevation helper and waits until the helper has either started it (true)
  // or given up because the user declined or could not be asked (false).
  // The file's SHA-256 is taken before the helper asks; with the rights, the
  // file is copied into a fresh folder only the superuser can write, and the
  // copy runs only when its SHA-256 is still that one, so the file cannot be
  // swapped while the user is asked.  Other verbs, or when already elevated:
  // a direct start.
  PF_PROCESS_OPERATIONS(PF_OVERRIDE)

 private:
  std::string elevationHelper_;
  std::string copyFolder_;
};

}  // namespace pf
