// The Linux machine facts and the (empty) registry of the Linux backend.
#pragma once

#include "platform/machine.h"
#include "platform/registry.h"

namespace pf {

class LinuxMachine : public Machine {
 public:
  PF_MACHINE_OPERATIONS(PF_OVERRIDE)
};

// Linux has no registry: no key opens, no value reads.
class NoRegistry : public Registry {
 public:
  bool LocalMachineKeyExists(const std::wstring&, uint32_t) override { return false; }
  bool ReadLocalMachineText(const std::wstring&, const std::wstring&, uint32_t, uint32_t,
                            std::wstring&) override {
    return false;
  }
};

}  // namespace pf
