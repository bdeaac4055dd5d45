// Scripted registry, shell and machine facts for logic tests.  Every field is
// public: a test sets what the machine has and reads back what was asked.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace pf {

// Keys live in the 32-bit view, the 64-bit view or both.  An access mask
// without a view flag reads the process's own view (nativeView).
class FakeRegistry : public Registry {
 public:
  enum View { kBothViews = 0, k32 = 32, k64 = 64 };
  void AddKey(const std::wstring& path, View view = kBothViews);
  void SetText(const std::wstring& path, const std::wstring& name, const std::wstring& value,
               View view = kBothViews);

  bool LocalMachineKeyExists(const std::wstring& path, uint32_t access) override;
  bool ReadLocalMachineText(const std::wstring& path, const std::wstring& valueName,
                            uint32_t access, uint32_t maxBytes, std::wstring& out) override;

  View nativeView = k32;
  struct Open {
    std::wstring path;
    uint32_t access;
  };
  std::vector<Open> opened;  // every open, in order

 private:
  struct Key {
    View view;
    std::wstring path;  // lower case
    std::map<std::wstring, std::wstring> values;
  };
  Key* Find(const std::wstring& path, uint32_t access);
  std::vector<Key> keys_;
};

class FakeShell : public Shell {
 public:
  struct Call {
    std::wstring verb, file, parameters;
    int show;
  };
  intptr_t Execute(const std::wstring& verb, const std::wstring& file,
                   const std::wstring& parameters, int show) override;
  bool ToggleDesktop() override {
    ++toggles;
    return shellAvailable;
  }
  std::vector<Call> calls;
  std::map<std::wstring, intptr_t> results;  // by file; 42 when not listed
  int toggles = 0;
  bool shellAvailable = true;
};

class FakeMachine : public Machine {
 public:
  // The ANSI code page of the fake is UTF-8.
  PF_MACHINE_OPERATIONS(PF_OVERRIDE)

  uint32_t architecture = 0;
  OsVersion osVersion{true, 10};
  bool snapshotFails = false;
  std::vector<std::wstring> processes;
  int snapshots = 0;
  uint64_t processMask = 1, systemMask = 1;
  bool affinityFails = false;
  std::vector<uint64_t> affinitySets;  // every mask set, in order
  int yields = 0;
  bool hasCpuid = true;
  uint32_t cpuid[4] = {0x000306A9, 0x00100800, 0x7FBAE3FF, 0xBFEBFBFF};
  int cpuidCalls = 0;
  uint64_t maskDuringCpuid = 0;
  // Disk sources by drive number (by port * 2 + drive for SCSI).
  std::map<int, std::vector<uint8_t>> smart, scsi;
  std::map<int, std::string> storageSerial, mediaSerial;
  std::map<int, std::wstring> reportedSerial;
  std::vector<std::string> diskLog;  // every disk query, e.g. "smart 3"
  bool adaptersFail = false;
  std::vector<AdapterRecord> adapters;
  std::map<std::wstring, std::wstring> pnpIds;     // by adapter name
  std::map<std::wstring, uint32_t> mediaSubTypes;  // by adapter name

 private:
  uint64_t current_ = 0;
};

}  // namespace pf
