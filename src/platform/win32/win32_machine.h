// The Windows registry, shell and machine facts of the win32 backend.
#pragma once

#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace pf {

// Process-wide instances.
Registry* Win32RegistryInstance();
Shell* Win32ShellInstance();
Machine* Win32MachineInstance();

}  // namespace pf
