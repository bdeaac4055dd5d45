// Facts about the machine that the statistics rely on: the system ANSI code
// page, the processor architecture and system version, running processes,
// processor affinity and CPUID, the disks' identify data and the network
// adapters.  Each source reports failure with false; nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/operations.h"

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

// The operations of the machine facts (see operations.h).
#define PF_MACHINE_OPERATIONS(X)                                                      \
  /* WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS); empty in, empty out. */       \
  X(std::string, ToAnsi, (const std::wstring& text))                                  \
  /* MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED); empty in, empty out. */             \
  X(std::wstring, FromAnsi, (const std::string& text))                                \
  /* wProcessorArchitecture of GetNativeSystemInfo (GetSystemInfo where that */       \
  /* is missing): kPROCESSOR_ARCHITECTURE_AMD64, ..._IA64, ..._INTEL, ... */          \
  X(uint32_t, NativeProcessorArchitecture, ())                                        \
  /* GetVersionExW: the platform family and major version. */                         \
  X(OsVersion, GetOsVersion, ())                                                      \
  /* One snapshot of the running processes: their executable file names */            \
  /* (no folder).  False when no snapshot could be taken. */                          \
  X(bool, ProcessNames, (std::vector<std::wstring> & out))                            \
  /* GetProcessAffinityMask: the process's and the system's processor masks */        \
  /* (the first 64 processors). */                                                    \
  X(bool, GetAffinityMasks, (uint64_t & processMask, uint64_t & systemMask))          \
  /* SetProcessAffinityMask. */                                                       \
  X(bool, SetProcessAffinity, (uint64_t mask))                                        \
  /* Sleep(0): gives up the rest of the time slice, so that a thread moves to */      \
  /* a processor its new affinity allows. */                                          \
  X(void, YieldThread, ())                                                            \
  /* CPUID leaf 1 on the calling thread: EAX, EBX, ECX, EDX.  False when the */       \
  /* processor has no CPUID instruction. */                                           \
  X(bool, Cpuid1, (uint32_t(&registers)[4]))                                          \
  /* Disk identity sources, each for one drive (or port and drive).  The */           \
  /* identify data is the 512 bytes of an ATA identify answer, 16-bit words in */     \
  /* little-endian order. */                                                          \
  X(bool, SmartIdentify, (int drive, uint8_t(&identify)[512]))                        \
  X(bool, ScsiIdentify, (int port, int drive, uint8_t(&identify)[512]))               \
  /* The serial-number text of the storage device descriptor, undecoded. */           \
  X(bool, StorageQuerySerial, (int drive, std::string& text))                         \
  /* The media serial-number text that starts 16 bytes into the answer. */            \
  X(bool, MediaSerial, (int drive, std::string& text))                                \
  /* A serial number the system reports for the drive as plain text, where it */      \
  /* has no identify data to offer (Linux sysfs); Windows has none. */                \
  X(bool, ReportedDiskSerial, (int drive, std::wstring& text))                        \
  /* The adapter list; false when it cannot be read. */                               \
  X(bool, Adapters, (std::vector<AdapterRecord> & out))                               \
  /* The adapter's plug-and-play instance id ("PCI\VEN_...") and its */               \
  /* MediaSubType value, from the adapter's connection key; false when the key */     \
  /* or value is missing. */                                                          \
  X(bool, AdapterPnpInstanceId, (const std::wstring& adapterName, std::wstring& out)) \
  X(bool, AdapterMediaSubType, (const std::wstring& adapterName, uint32_t& out))

class Machine {
 public:
  virtual ~Machine() = default;
  PF_MACHINE_OPERATIONS(PF_PURE_VIRTUAL)
};

}  // namespace pf
