// The Windows backend: one file per facility (win32_files, win32_ini,
// win32_system, win32_ui, win32_resources, win32_graphics, win32_machine,
// win32_web_engine, win32_http, win32_processes, win32_url_cache,
// win32_crypto); this one puts them together.
#include <windows.h>

#include <memory>

#include "platform/platform.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_web_engine.h"

namespace pf {
namespace {

// The process's one object of each facility, made in this order the first
// time the bundle is asked for and kept until the process ends.
struct Win32Facilities {
  std::unique_ptr<Files> files = NewWin32Files();
  std::unique_ptr<Ini> ini = NewWin32Ini();
  std::unique_ptr<System> system = NewWin32System();
  std::unique_ptr<Ui> ui = NewWin32Ui();
  std::unique_ptr<Resources> resources = NewWin32Resources();
  Win32Graphics graphics;
  std::unique_ptr<Registry> registry = NewWin32Registry();
  std::unique_ptr<Shell> shell = NewWin32Shell();
  std::unique_ptr<Machine> machine = NewWin32Machine();
  WebEngine* web = win32web::Engine();
  std::unique_ptr<Http> http = NewWin32Http();
  std::unique_ptr<Processes> processes = NewWin32Processes();
  std::unique_ptr<UrlCache> urlCache = NewWin32UrlCache();
};

}  // namespace

Platform MakeBackendPlatform() {
  static Win32Facilities made;
  Platform p{made.files.get(), made.ini.get(), made.system.get(), made.ui.get(),
             made.resources.get()};
  p.registry = made.registry.get();
  p.shell = made.shell.get();
  p.machine = made.machine.get();
  p.web = made.web;
  p.graphics = &made.graphics;
  p.http = made.http.get();
  p.processes = made.processes.get();
  p.urlCache = made.urlCache.get();
  return p;
}

}  // namespace pf
