// The Linux machine facts and the (empty) registry of the Linux backend.
#pragma once

#include "platform/machine.h"
#include "platform/registry.h"

namespace pf {

class LinuxMachine : public Machine {
 public:
  std::string ToAnsi(const std::wstring& text) override;
  std::wstring FromAnsi(const std::string& text) override;
  uint32_t NativeProcessorArchitecture() override;
  OsVersion GetOsVersion() override;
  bool ProcessNames(std::vector<std::wstring>& out) override;
  bool GetAffinityMasks(uint64_t& processMask, uint64_t& systemMask) override;
  bool SetProcessAffinity(uint64_t mask) override;
  void YieldThread() override;
  bool Cpuid1(uint32_t (&registers)[4]) override;
  bool SmartIdentify(int drive, uint8_t (&identify)[512]) override;
  bool ScsiIdentify(int port, int drive, uint8_t (&identify)[512]) override;
  bool StorageQuerySerial(int drive, std::string& text) override;
  bool MediaSerial(int drive, std::string& text) override;
  bool ReportedDiskSerial(int drive, std::wstring& text) override;
  bool Adapters(std::vector<AdapterRecord>& out) override;
  bool AdapterPnpInstanceId(const std::wstring& adapterName, std::wstring& out) override;
  bool AdapterMediaSubType(const std::wstring& adapterName, uint32_t& out) override;
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
