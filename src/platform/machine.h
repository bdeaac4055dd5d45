// Facts about the machine that the statistics rely on: the system ANSI code
// page, the processor architecture and system version, running processes,
// processor affinity and CPUID, the disks' identify data and the network
// adapters.  Each source reports failure with false; nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pf {

struct OsVersion {
  bool ntFamily = true;
  uint32_t major = 0;
};

// One adapter of the adapter list (GetAdaptersInfo order).
struct AdapterRecord {
  std::string name;              // ANSI text; on Windows the adapter's GUID text
  uint32_t type = 0;             // kMIB_IF_TYPE_ETHERNET, kIF_TYPE_IEEE80211, ...
  std::vector<uint8_t> address;  // the physical address, as long as the system gives it
};

class Machine {
 public:
  virtual ~Machine() = default;

  // WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS); empty in, empty out.
  virtual std::string ToAnsi(const std::wstring& text) = 0;
  // MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED); empty in, empty out.
  virtual std::wstring FromAnsi(const std::string& text) = 0;

  // wProcessorArchitecture of GetNativeSystemInfo (GetSystemInfo where that
  // is missing): kPROCESSOR_ARCHITECTURE_AMD64, ..._IA64, ..._INTEL, ...
  virtual uint32_t NativeProcessorArchitecture() = 0;
  // GetVersionExW: the platform family and major version.
  virtual OsVersion GetOsVersion() = 0;

  // One snapshot of the running processes: their executable file names
  // (no folder).  False when no snapshot could be taken.
  virtual bool ProcessNames(std::vector<std::wstring>& out) = 0;

  // GetProcessAffinityMask: the process's and the system's processor masks
  // (the first 64 processors).
  virtual bool GetAffinityMasks(uint64_t& processMask, uint64_t& systemMask) = 0;
  // SetProcessAffinityMask.
  virtual bool SetProcessAffinity(uint64_t mask) = 0;
  // Sleep(0): gives up the rest of the time slice, so that a thread moves to
  // a processor its new affinity allows.
  virtual void YieldThread() = 0;
  // CPUID leaf 1 on the calling thread: EAX, EBX, ECX, EDX.  False when the
  // processor has no CPUID instruction.
  virtual bool Cpuid1(uint32_t (&registers)[4]) = 0;

  // Disk identity sources, each for one drive (or port and drive).  The
  // identify data is the 512 bytes of an ATA identify answer, 16-bit words in
  // little-endian order.
  virtual bool SmartIdentify(int drive, uint8_t (&identify)[512]) = 0;
  virtual bool ScsiIdentify(int port, int drive, uint8_t (&identify)[512]) = 0;
  // The serial-number text of the storage device descriptor, undecoded.
  virtual bool StorageQuerySerial(int drive, std::string& text) = 0;
  // The media serial-number text that starts 16 bytes into the answer.
  virtual bool MediaSerial(int drive, std::string& text) = 0;
  // A serial number the system reports for the drive as plain text, where it
  // has no identify data to offer (Linux sysfs); Windows has none.
  virtual bool ReportedDiskSerial(int drive, std::wstring& text) = 0;

  // The adapter list; false when it cannot be read.
  virtual bool Adapters(std::vector<AdapterRecord>& out) = 0;
  // The adapter's plug-and-play instance id ("PCI\VEN_...") and its
  // MediaSubType value, from the adapter's connection key; false when the key
  // or value is missing.
  virtual bool AdapterPnpInstanceId(const std::wstring& adapterName, std::wstring& out) = 0;
  virtual bool AdapterMediaSubType(const std::wstring& adapterName, uint32_t& out) = 0;
};

}  // namespace pf
