// Machine facts on Linux, from /proc and /sys, and the empty registry.
//
// Supports: UTF-8 as the ANSI code page; the architecture from uname; process
// executable names from /proc; affinity with sched_getaffinity and
// sched_setaffinity (on the calling thread, which is the one that runs CPUID);
// CPUID on x86; ATA identify data through HDIO_GET_IDENTITY (usually needs
// root) and the serial the kernel reports for a disk; network adapters from
// /sys/class/net with a plug-and-play id made from their bus.
// There is no registry: no key ever opens.
#include <dirent.h>
#include <fcntl.h>
#include <linux/hdreg.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "platform/linux/linux_machine.h"
#include "platform/portable/utf8.h"
#include "platform/win32_values.h"

namespace pf {
namespace {

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadLink(const std::string& path) {
  char buffer[4096];
  const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
  if (!dir) return names;
  while (dirent* e = ::readdir(dir.get())) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Whole disks backed by a device (no loop, RAM, compressed-RAM or mapper
// devices), in name order: drive n is the n-th of them.
std::vector<std::string> Disks() {
  std::vector<std::string> disks;
  for (const std::string& name : ListFolder("/sys/block")) {
    if (!Exists("/sys/block/" + name + "/device")) continue;
    if (name.rfind("sr", 0) == 0 || name.rfind("fd", 0) == 0) continue;  // removable media
    disks.push_back(name);
  }
  return disks;
}

bool DiskName(int drive, std::string& name) {
  const std::vector<std::string> disks = Disks();
  if (drive < 0 || static_cast<size_t>(drive) >= disks.size()) return false;
  name = disks[static_cast<size_t>(drive)];
  return true;
}

// "0-3,6" -> bits 0, 1, 2, 3 and 6 (processors 0 to 63).
uint64_t ParseCpuList(const std::string& list) {
  uint64_t mask = 0;
  std::stringstream in(list);
  std::string part;
  while (std::getline(in, part, ',')) {
    int from = -1, to = -1;
    if (std::sscanf(part.c_str(), "%d-%d", &from, &to) == 2) {
    } else if (std::sscanf(part.c_str(), "%d", &from) == 1) {
      to = from;
    } else {
      continue;
    }
    for (int cpu = std::max(0, from); cpu <= to && cpu < 64; ++cpu) mask |= uint64_t{1} << cpu;
  }
  return mask;
}

// The bus an adapter's device sits on: its own subsystem, or for a virtio
// device the bus of the virtio transport (a PCI function on PCI machines).
std::string AdapterBus(const std::string& device) {
  std::string bus = BaseName(ReadLink(device + "/subsystem"));
  if (bus == "virtio") bus = BaseName(ReadLink(device + "/../subsystem"));
  return bus;
}

// "initial apicid" of the processor in /proc/cpuinfo; -1 when not listed.
long InitialApicId(int cpu) {
  std::istringstream info(ReadSmallFile("/proc/cpuinfo"));
  std::string line;
  int current = -1;
  while (std::getline(info, line)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    const std::string value = Trim(line.substr(colon + 1));
    if (key == "processor") current = std::atoi(value.c_str());
    if (key == "initial apicid" && current == cpu) return std::atol(value.c_str());
  }
  return -1;
}

}  // namespace

std::string LinuxMachine::ToAnsi(const std::wstring& text) { return ToUtf8(text); }
std::wstring LinuxMachine::FromAnsi(const std::string& text) { return FromUtf8(text); }

uint32_t LinuxMachine::NativeProcessorArchitecture() {
  utsname names{};
  if (::uname(&names) != 0) return kPROCESSOR_ARCHITECTURE_INTEL;
  const std::string machine = names.machine;
  if (machine == "x86_64" || machine == "amd64") return kPROCESSOR_ARCHITECTURE_AMD64;
  if (machine == "ia64") return kPROCESSOR_ARCHITECTURE_IA64;
  if (machine == "aarch64" || machine == "arm64") return 12;  // PROCESSOR_ARCHITECTURE_ARM64
  return kPROCESSOR_ARCHITECTURE_INTEL;
}

// The version rules of the logic were written for Windows; Linux answers as a
// current system of the NT family, so adapters are judged by their type.
OsVersion LinuxMachine::GetOsVersion() { return OsVersion{true, 10}; }

bool LinuxMachine::ProcessNames(std::vector<std::wstring>& out) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir("/proc"), &::closedir);
  if (!dir) return false;
  out.clear();
  while (dirent* e = ::readdir(dir.get())) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    const std::string base = std::string("/proc/") + e->d_name;
    // The executable's file name; the link cannot be read for other users'
    // processes, whose first argument (or short name) stands in for it.
    std::string name = ReadLink(base + "/exe");
    const std::string deleted = " (deleted)";
    if (name.size() > deleted.size() &&
        name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
      name.resize(name.size() - deleted.size());
    if (name.empty()) {
      const std::string cmdline = ReadSmallFile(base + "/cmdline");
      name = cmdline.substr(0, cmdline.find('\0'));
    }
    name = BaseName(name);
    if (name.empty()) name = Trim(ReadSmallFile(base + "/comm"));
    if (!name.empty()) out.push_back(FromUtf8(name));
  }
  return true;
}

bool LinuxMachine::GetAffinityMasks(uint64_t& processMask, uint64_t& systemMask) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return false;
  processMask = 0;
  for (int cpu = 0; cpu < 64; ++cpu)
    if (CPU_ISSET(cpu, &set)) processMask |= uint64_t{1} << cpu;
  systemMask = ParseCpuList(ReadSmallFile("/sys/devices/system/cpu/online"));
  if (systemMask == 0) {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (n <= 0) return false;
    systemMask = n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
  }
  return true;
}

bool LinuxMachine::SetProcessAffinity(uint64_t mask) {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int cpu = 0; cpu < 64; ++cpu)
    if (mask & (uint64_t{1} << cpu)) CPU_SET(cpu, &set);
  return ::sched_setaffinity(0, sizeof set, &set) == 0;
}

void LinuxMachine::YieldThread() { ::sched_yield(); }

bool LinuxMachine::Cpuid1(uint32_t (&registers)[4]) {
#if defined(__i386__) || defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  // Bits 24 to 31 of EBX: the initial APIC id of the executing processor.
  // Some hypervisors and sandboxes pass the host's through, which changes
  // from run to run; the kernel's record of the processor is what the
  // hardware reports on a real machine, so it is preferred.
  const int cpu = ::sched_getcpu();
  long apic = -1;
  if (cpu >= 0) apic = InitialApicId(cpu);
  if (apic >= 0) b = (b & 0x00FFFFFFu) | (static_cast<unsigned>(apic & 0xFF) << 24);
  registers[0] = a;
  registers[1] = b;
  registers[2] = c;
  registers[3] = d;
  return true;
#else
  (void)registers;
  return false;
#endif
}

bool LinuxMachine::SmartIdentify(int drive, uint8_t (&identify)[512]) {
  std::string name;
  if (!DiskName(drive, name)) return false;
  const int fd = ::open(("/dev/" + name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  std::memset(identify, 0, sizeof identify);
  const bool ok = ::ioctl(fd, HDIO_GET_IDENTITY, identify) == 0;
  ::close(fd);
  return ok;
}

bool LinuxMachine::ScsiIdentify(int, int, uint8_t (&)[512]) { return false; }
bool LinuxMachine::StorageQuerySerial(int, std::string&) { return false; }
bool LinuxMachine::MediaSerial(int, std::string&) { return false; }

bool LinuxMachine::ReportedDiskSerial(int drive, std::wstring& text) {
  std::string name;
  if (!DiskName(drive, name)) return false;
  const std::string base = "/sys/block/" + name;
  for (const char* file : {"/device/serial", "/serial"}) {
    const std::string serial = Trim(ReadSmallFile(base + file));
    if (!serial.empty()) {
      text = FromUtf8(serial);
      return true;
    }
  }
  // udev's record of the disk, where udev runs.
  const std::string dev = Trim(ReadSmallFile(base + "/dev"));
  std::istringstream record(ReadSmallFile("/run/udev/data/b" + dev));
  std::string line;
  const std::string key = "E:ID_SERIAL_SHORT=";
  while (std::getline(record, line)) {
    if (line.rfind(key, 0) == 0 && !Trim(line.substr(key.size())).empty()) {
      text = FromUtf8(Trim(line.substr(key.size())));
      return true;
    }
  }
  return false;
}

bool LinuxMachine::Adapters(std::vector<AdapterRecord>& out) {
  std::vector<std::string> names = ListFolder("/sys/class/net");
  if (names.empty()) return false;
  std::vector<std::pair<long, AdapterRecord>> found;
  for (const std::string& name : names) {
    const std::string base = "/sys/class/net/" + name;
    const long arpType = std::atol(ReadSmallFile(base + "/type").c_str());
    if (arpType == 772) continue;  // loopback: no hardware address
    const std::string text = Trim(ReadSmallFile(base + "/address"));
    std::vector<uint8_t> address;
    std::stringstream in(text);
    std::string byte;
    while (std::getline(in, byte, ':'))
      address.push_back(static_cast<uint8_t>(std::strtoul(byte.c_str(), nullptr, 16)));
    if (address.size() < 6 ||
        std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; }))
      continue;
    AdapterRecord record;
    record.name = name;
    record.address = address;
    const bool wireless = Exists(base + "/wireless") || Exists(base + "/phy80211");
    record.type = wireless ? kIF_TYPE_IEEE80211 : arpType == 1 ? kMIB_IF_TYPE_ETHERNET : 1;
    found.emplace_back(std::atol(ReadSmallFile(base + "/ifindex").c_str()), record);
  }
  // In interface-index order, as the Windows adapter list comes.
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  out.clear();
  for (auto& f : found) out.push_back(std::move(f.second));
  return true;
}

bool LinuxMachine::AdapterPnpInstanceId(const std::wstring& adapterName, std::wstring& out) {
  const std::string device = "/sys/class/net/" + ToUtf8(adapterName) + "/device";
  if (!Exists(device)) return false;  // a virtual adapter
  const std::string bus = AdapterBus(device);
  if (bus.empty()) return false;
  std::string id = bus;
  for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (bus == "pci") {
    std::string pci = Exists(device + "/vendor") ? device : device + "/..";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "PCI\\VEN_%04lX&DEV_%04lX",
                  std::strtoul(ReadSmallFile(pci + "/vendor").c_str(), nullptr, 16),
                  std::strtoul(ReadSmallFile(pci + "/device").c_str(), nullptr, 16));
    id = buffer;
  } else {
    id += "\\" + BaseName(ReadLink(device));
  }
  out = FromUtf8(id);
  return true;
}

bool LinuxMachine::AdapterMediaSubType(const std::wstring&, uint32_t&) { return false; }

}  // namespace pf
