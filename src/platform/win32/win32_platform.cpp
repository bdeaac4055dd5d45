// The Windows backend: one file per facility (win32_files, win32_ini,
// win32_system, win32_ui, win32_resources, win32_graphics, win32_machine,
// win32_web_engine, win32_http, win32_processes, win32_url_cache,
// win32_crypto); this one puts them together.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_web_engine.h"

namespace pf {

Platform MakeBackendPlatform() {
  Platform p{&Win32FilesInstance(), &Win32IniInstance(), &Win32SystemInstance(),
             &Win32UiInstance(), &Win32ResourcesInstance()};
  static Win32Graphics graphics;
  p.registry = Win32RegistryInstance();
  p.shell = Win32ShellInstance();
  p.machine = Win32MachineInstance();
  p.web = win32web::Engine();
  p.graphics = &graphics;
  p.http = &Win32Http();
  p.processes = &Win32Processes();
  p.urlCache = Win32UrlCache();
  return p;
}

}  // namespace pf
