// Starting outside programs and asking about this process's rights.
// Callable from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/operations.h"

namespace pf {

// The operations of process starting (see operations.h).
#define PF_PROCESS_OPERATIONS(X)                                                               \
  /* OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY) and */                                 \
  /* GetTokenInformation(TokenElevation): false when either call fails, */                     \
  /* otherwise the value.  Elsewhere: whether the process runs with the rights */              \
  /* of the superuser. */                                                                      \
  X(bool, IsProcessElevated, ())                                                               \
  /* CreateProcessW(application, a writable copy of commandLine (at least 64 */                \
  /* units), no attributes, no inheritance, creationFlags, no environment, no */               \
  /* folder, STARTUPINFOW with STARTF_USESHOWWINDOW and showCommand).  The */                  \
  /* command line holds the arguments only (Windows passes it as given, other */               \
  /* systems split it at blanks).  True when the program was started; the */                   \
  /* process and thread handles are closed at once. */                                         \
  X(bool, CreateProcess,                                                                       \
    (const std::wstring& application, const std::wstring& commandLine, uint32_t creationFlags, \
     int showCommand))                                                                         \
  /* ShellExecuteExW with a record of 60 bytes (on 32-bit), no mask, no owner, */              \
  /* verb, file, parameters, no folder, showCommand.  With the verb "runas" the */             \
  /* system asks the user for the rights and the call returns once the program */              \
  /* was started (true) or the user declined or the start failed (false). */                   \
  X(bool, ShellExecute,                                                                        \
    (const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,       \
     int showCommand))

class Processes {
 public:
  virtual ~Processes() = default;
  PF_PROCESS_OPERATIONS(PF_PURE_VIRTUAL)
};

}  // namespace pf
