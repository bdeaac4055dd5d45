// The platform contract: the small interfaces through which the shared code
// reaches the machine.  Exactly one backend folder (win32/, gtk/ or fake/) is
// compiled into each program and provides MakeBackendPlatform().
//
// Ownership: the Platform bundle holds non-owning pointers; the backend keeps
// its objects alive for the whole process.  Tests install their own bundle
// with Install() and restore the previous one afterwards.
#pragma once

#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/http.h"
#include "platform/ini.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/url_cache.h"
#include "platform/web_engine.h"

namespace pf {

struct Platform {
  Files* files = nullptr;          // not owned
  Ini* ini = nullptr;              // not owned
  System* system = nullptr;        // not owned
  Ui* ui = nullptr;                // not owned
  Resources* resources = nullptr;  // not owned
  Registry* registry = nullptr;    // not owned
  Shell* shell = nullptr;          // not owned
  Machine* machine = nullptr;      // not owned
  WebEngine* web = nullptr;        // not owned
  Graphics* graphics = nullptr;    // not owned
  Http* http = nullptr;            // not owned
  Processes* processes = nullptr;  // not owned
  UrlCache* urlCache = nullptr;    // not owned; null: no cache to clean
};

// Provided by the backend compiled into the program.
Platform MakeBackendPlatform();

// The bundle in use; created from the backend on first use, so it is usable
// during static construction (the application context runs before main).
Platform& Current();

// Replaces the bundle in use and returns the previous one.
Platform Install(const Platform& platform);

inline Files& files() { return *Current().files; }
inline Ini& ini() { return *Current().ini; }
inline System& sys() { return *Current().system; }
inline Ui& ui() { return *Current().ui; }
inline Resources& res() { return *Current().resources; }
inline Registry& registry() { return *Current().registry; }
inline Shell& shell() { return *Current().shell; }
inline Machine& machine() { return *Current().machine; }
inline WebEngine& web() { return *Current().web; }
inline Graphics& gfx() { return *Current().graphics; }
inline Http& http() { return *Current().http; }
inline Processes& proc() { return *Current().processes; }
// The URL cache, or null when the platform has none.
inline UrlCache* urlCache() { return Current().urlCache; }

}  // namespace pf
