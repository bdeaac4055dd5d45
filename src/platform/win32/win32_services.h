// The Windows backend's facilities, one file each.  Each file makes its
// facility's object; MakeBackendPlatform (win32_platform.cpp) makes one of
// each on first use and keeps them for the whole process.
// (No <windows.h> here.)
#pragma once

#include <memory>

#include "platform/files.h"
#include "platform/http.h"
#include "platform/ini.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/url_cache.h"

namespace pf {

std::unique_ptr<Files> NewWin32Files();
std::unique_ptr<Ini> NewWin32Ini();
std::unique_ptr<System> NewWin32System();
std::unique_ptr<Ui> NewWin32Ui();
std::unique_ptr<Resources> NewWin32Resources();
std::unique_ptr<Registry> NewWin32Registry();  // win32_machine.cpp
std::unique_ptr<Shell> NewWin32Shell();        // win32_machine.cpp
std::unique_ptr<Machine> NewWin32Machine();
std::unique_ptr<Http> NewWin32Http();
std::unique_ptr<Processes> NewWin32Processes();
std::unique_ptr<UrlCache> NewWin32UrlCache();

}  // namespace pf
