#include "reporting/machine_identity.h"

#include <vector>

#include "platform/platform.h"
#include "platform/win32_values.h"
#include "reporting/identity_text.h"
#include "reporting/md5.h"
#include "storage/settings.h"

namespace reporting {
namespace {

constexpr size_t kMaxEntries = 32;
constexpr size_t kMaxSerial = 63;
constexpr size_t kMaxSource = 127;  // a buffer of 128 wide characters
constexpr int kDrives = 16;

bool g_cpuCached = false;
std::wstring g_cpuText;
std::wstring g_lastGuid;

bool IsAsciiAlnum(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Collects disk serial entries; an empty text is no entry.
class SerialList {
 public:
  void Add(std::wstring text, bool mustStartAlnum) {
    if (entries_.size() >= kMaxEntries || text.empty()) return;
    if (mustStartAlnum && !IsAsciiAlnum(text[0])) return;
    if (text.size() > kMaxSerial) text.resize(kMaxSerial);
    entries_.push_back(std::move(text));
  }
  bool Empty() const { return entries_.empty(); }
  size_t Size() const { return entries_.size(); }
  const std::wstring& First() const { return entries_.front(); }

 private:
  std::vector<std::wstring> entries_;
};

std::wstring WithoutSpaces(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text)
    if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') out += c;
  return out;
}

}  // namespace

std::wstring DigestText(const std::wstring& source) { return Md5Hex(pf::machine().ToAnsi(source)); }

std::wstring LoadInstallGuid() {
  std::wstring guid = storage::ReadIniText(L"Install", L"GUID", L"");
  if (!guid.empty()) return guid;
  pf::Guid made;
  if (pf::sys().NewGuid(made)) g_lastGuid = FormatInstallGuid(made);
  guid = g_lastGuid;
  storage::WriteIniText(L"Install", L"GUID", guid);
  return guid;
}

bool GetCpuText(std::wstring& out) {
  if (g_cpuCached) {
    out = g_cpuText;
    return true;
  }
  pf::Machine& m = pf::machine();
  uint64_t processMask = 0, systemMask = 0;
  if (!m.GetAffinityMasks(processMask, systemMask)) return false;
  // A process already restricted to some processors gives no processor text.
  if (processMask != systemMask) return false;
  const uint64_t candidate = 1;
  if (candidate > processMask) {
    m.SetProcessAffinity(processMask);
    out.clear();
    return true;
  }
  if ((candidate & processMask) && m.SetProcessAffinity(candidate)) m.YieldThread();
  uint32_t registers[4] = {};
  const bool have = m.Cpuid1(registers);
  m.SetProcessAffinity(processMask);
  if (!have) return false;
  g_cpuText = FormatCpuText(registers);
  g_cpuCached = true;
  out = g_cpuText;
  return true;
}

bool GetDiskSerial(std::wstring& out) {
  pf::Machine& m = pf::machine();
  SerialList list;
  uint8_t identify[512];
  for (int drive = 0; drive < kDrives; ++drive)
    if (m.SmartIdentify(drive, identify)) list.Add(IdentifyWordsToText(identify), false);
  if (list.Empty()) {
    for (int port = 0; port < kDrives; ++port)
      for (int drive = 0; drive < 2; ++drive)
        // Byte 54 lies in the model-number field: an empty model is no answer.
        if (m.ScsiIdentify(port, drive, identify) && identify[54] != 0)
          list.Add(IdentifyWordsToText(identify), false);
  }
  if (list.Empty()) {
    for (int drive = 0; drive < kDrives; ++drive) {
      const size_t before = list.Size();
      std::string text;
      if (m.StorageQuerySerial(drive, text)) list.Add(DecodeHexPairs(text), true);
      if (list.Size() == before && m.MediaSerial(drive, text))
        list.Add(EveryFourthByte(text), true);
    }
  }
  if (list.Empty()) {
    for (int drive = 0; drive < kDrives; ++drive) {
      std::wstring text;
      if (m.ReportedDiskSerial(drive, text)) list.Add(WithoutSpaces(text), true);
    }
  }
  if (list.Empty()) return false;
  out = list.First();
  return true;
}

bool IsPhysicalAdapter(const std::string& adapterName, uint32_t type) {
  pf::Machine& m = pf::machine();
  const std::wstring name = m.FromAnsi(adapterName);
  std::wstring pnp;
  if (!m.AdapterPnpInstanceId(name, pnp)) return false;
  if (pnp.size() < 3) return false;
  for (size_t i = 0; i < 3; ++i) {
    const wchar_t c = pnp[i];
    const wchar_t upper = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    if (upper != L"PCI"[i]) return false;
  }
  const pf::OsVersion os = m.GetOsVersion();
  if (os.ntFamily && os.major >= 6) return type == pf::kMIB_IF_TYPE_ETHERNET;
  uint32_t subType = 0;
  return m.AdapterMediaSubType(name, subType) && subType == 1;
}

bool GetAdapterAddress(std::wstring& out) {
  std::vector<pf::AdapterRecord> adapters;
  if (!pf::machine().Adapters(adapters) || adapters.empty()) return false;
  for (const pf::AdapterRecord& a : adapters) {
    if (IsPhysicalAdapter(a.name, a.type)) {
      out = FormatAdapterAddress(a.address);
      return true;
    }
  }
  out = FormatAdapterAddress(adapters.front().address);
  return true;
}

std::wstring ComputeMachineId() {
  std::wstring source, part;
  if (GetCpuText(part)) source += part;
  if (GetDiskSerial(part)) source += part;
  if (GetAdapterAddress(part)) source += part;
  if (source.size() > kMaxSource) source.resize(kMaxSource);
  return DigestText(source);
}

std::wstring ComputeMacDigest() {
  std::wstring source;
  GetAdapterAddress(source);
  return DigestText(source);
}

void ResetIdentityCachesForTest() {
  g_cpuCached = false;
  g_cpuText.clear();
  g_lastGuid.clear();
}

}  // namespace reporting
