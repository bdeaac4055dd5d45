// The platform contract: the small interfaces through which the shared code
// reaches the machine.  Exactly one backend folder (win32/, gtk/ or fake/) is
// compiled into each program and provides MakeBackendPlatform().
//
// Ownership: the Platform bundle holds non-owning pointers; the backend keeps
// its objects alive for the whole process.  Tests install their own bundle
// with Install() and restore the previous one afterwards.
#pragma once

#include "platform/files.h"
#include "platform/http.h"
#include "platform/ini.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace pf {

struct Platform {
  Files* files = nullptr;          // not owned
  Ini* ini = nullptr;              // not owned
  System* system = nullptr;        // not owned
  Ui* ui = nullptr;                // not owned
  Resources* resources = nullptr;  // not owned
  Http* http = nullptr;            // not owned
  Processes* processes = nullptr;  // not owned
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
inline Http& http() { return *Current().http; }
inline Processes& proc() { return *Current().processes; }

}  // namespace pf
