// The Windows backend's HTTP client, process starter and URL cache, for MakeBackendPlatform.
// (No <windows.h> here.)
#pragma once

#include "platform/http.h"
#include "platform/process.h"
#include "platform/url_cache.h"

namespace pf {

Http& Win32Http();
Processes& Win32Processes();
UrlCache* Win32UrlCache();

}  // namespace pf
