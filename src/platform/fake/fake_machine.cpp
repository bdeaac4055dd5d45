#include "platform/fake/fake_machine.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "platform/portable/utf8.h"
#include "platform/win32_values.h"

namespace pf {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

bool CopyIdentify(const std::map<int, std::vector<uint8_t>>& from, int key,
                  uint8_t (&identify)[512]) {
  auto it = from.find(key);
  if (it == from.end()) return false;
  std::memset(identify, 0, sizeof identify);
  std::memcpy(identify, it->second.data(), std::min<size_t>(512, it->second.size()));
  return true;
}

// The scripted answer for `key`, if there is one.
template <typename Answers, typename Value>
bool Scripted(const Answers& answers, const typename Answers::key_type& key, Value& out) {
  auto it = answers.find(key);
  if (it == answers.end()) return false;
  out = it->second;
  return true;
}

}  // namespace

void FakeRegistry::AddKey(const std::wstring& path, View view) {
  for (Key& k : keys_)
    if (k.view == view && k.path == Lower(path)) return;
  keys_.push_back(Key{view, Lower(path), {}});
}

void FakeRegistry::SetText(const std::wstring& path, const std::wstring& name,
                           const std::wstring& value, View view) {
  AddKey(path, view);
  for (Key& k : keys_)
    if (k.view == view && k.path == Lower(path)) k.values[Lower(name)] = value;
}

FakeRegistry::Key* FakeRegistry::Find(const std::wstring& path, uint32_t access) {
  opened.push_back(Open{path, access});
  View wanted = nativeView;
  if (access & kKEY_WOW64_32KEY) wanted = k32;
  if (access & kKEY_WOW64_64KEY) wanted = k64;
  for (Key& k : keys_)
    if ((k.view == kBothViews || k.view == wanted) && k.path == Lower(path)) return &k;
  return nullptr;
}

bool FakeRegistry::LocalMachineKeyExists(const std::wstring& path, uint32_t access) {
  return Find(path, access) != nullptr;
}

bool FakeRegistry::ReadLocalMachineText(const std::wstring& path, const std::wstring& valueName,
                                        uint32_t access, uint32_t maxBytes, std::wstring& out) {
  Key* key = Find(path, access);
  if (!key) return false;
  auto it = key->values.find(Lower(valueName));
  if (it == key->values.end()) return false;
  // Two bytes per unit and the terminator, as the Windows registry stores it.
  if ((it->second.size() + 1) * 2 > maxBytes) return false;
  out = it->second;
  return true;
}

intptr_t FakeShell::Execute(const std::wstring& verb, const std::wstring& file,
                            const std::wstring& parameters, int show) {
  calls.push_back(Call{verb, file, parameters, show});
  auto it = results.find(file);
  return it == results.end() ? 42 : it->second;
}

std::string FakeMachine::ToAnsi(const std::wstring& text) { return ToUtf8(text); }
std::wstring FakeMachine::FromAnsi(const std::string& text) { return FromUtf8(text); }
uint32_t FakeMachine::NativeProcessorArchitecture() { return architecture; }
OsVersion FakeMachine::GetOsVersion() { return osVersion; }

bool FakeMachine::ProcessNames(std::vector<std::wstring>& out) {
  ++snapshots;
  if (snapshotFails) return false;
  out = processes;
  return true;
}

bool FakeMachine::GetAffinityMasks(uint64_t& process, uint64_t& system) {
  if (affinityFails) return false;
  process = processMask;
  system = systemMask;
  current_ = processMask;
  return true;
}

bool FakeMachine::SetProcessAffinity(uint64_t mask) {
  affinitySets.push_back(mask);
  if ((mask & systemMask) != mask || mask == 0) return false;
  current_ = mask;
  return true;
}

void FakeMachine::YieldThread() { ++yields; }

bool FakeMachine::Cpuid1(uint32_t (&registers)[4]) {
  ++cpuidCalls;
  maskDuringCpuid = current_;
  if (!hasCpuid) return false;
  for (int i = 0; i < 4; ++i) registers[i] = cpuid[i];
  return true;
}

bool FakeMachine::SmartIdentify(int drive, uint8_t (&identify)[512]) {
  diskLog.push_back("smart " + std::to_string(drive));
  return CopyIdentify(smart, drive, identify);
}

bool FakeMachine::ScsiIdentify(int port, int drive, uint8_t (&identify)[512]) {
  diskLog.push_back("scsi " + std::to_string(port) + ":" + std::to_string(drive));
  return CopyIdentify(scsi, port * 2 + drive, identify);
}

bool FakeMachine::StorageQuerySerial(int drive, std::string& text) {
  diskLog.push_back("query " + std::to_string(drive));
  return Scripted(storageSerial, drive, text);
}

bool FakeMachine::MediaSerial(int drive, std::string& text) {
  diskLog.push_back("media " + std::to_string(drive));
  return Scripted(mediaSerial, drive, text);
}

bool FakeMachine::ReportedDiskSerial(int drive, std::wstring& text) {
  diskLog.push_back("reported " + std::to_string(drive));
  return Scripted(reportedSerial, drive, text);
}

bool FakeMachine::Adapters(std::vector<AdapterRecord>& out) {
  if (adaptersFail) return false;
  out = adapters;
  return true;
}

bool FakeMachine::AdapterPnpInstanceId(const std::wstring& name, std::wstring& out) {
  return Scripted(pnpIds, name, out);
}

bool FakeMachine::AdapterMediaSubType(const std::wstring& name, uint32_t& out) {
  return Scripted(mediaSubTypes, name, out);
}

}  // namespace pf
