// The Windows backend's facilities, one file each, for MakeBackendPlatform.
// (No <windows.h> here.)
#pragma once

#include "platform/files.h"
#include "platform/http.h"
#include "platform/ini.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/url_cache.h"

namespace pf {

Files& Win32FilesInstance();
Ini& Win32IniInstance();
System& Win32SystemInstance();
Ui& Win32UiInstance();
Resources& Win32ResourcesInstance();
Http& Win32Http();
Processes& Win32Processes();
UrlCache* Win32UrlCache();

}  // namespace pf
