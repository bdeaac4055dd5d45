// The Windows backend's HTTP client and process starter, for MakeBackendPlatform.
// (No <windows.h> here.)
#pragma once

#include "platform/http.h"
#include "platform/process.h"

namespace pf {

Http& Win32Http();
Processes& Win32Processes();

}  // namespace pf
