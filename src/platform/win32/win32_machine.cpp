// Registry (RegOpenKeyExW, RegQueryValueExW), shell (ShellExecuteW,
// IShellDispatch4::ToggleDesktop), ANSI conversion, GetNativeSystemInfo,
// GetVersionExW, the Toolhelp process snapshot, process affinity and CPUID,
// the NT disk identify methods (SMART, SCSI miniport, storage query) and
// IP Helper's adapter list.  The legacy IDE driver of the non-NT systems
// cannot run on any system this build supports and is left out.
#include <windows.h>

#include <iphlpapi.h>
#include <ntddscsi.h>
#include <objbase.h>
#include <shellapi.h>
#include <shldisp.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include <cpuid.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/win32_services.h"
#include "platform/outside_address.h"

namespace pf {
namespace {

// Not in MinGW's headers: the miniport control code of the disk driver.
constexpr DWORD kIoctlScsiMiniportIdentify = (0x0000001Bu << 16) + 0x0501;  // FILE_DEVICE_SCSI
constexpr size_t kQueryOutput = 8192;
constexpr DWORD kShellClassContext =
    0x17;  // in-process server and handler, local and remote server

const wchar_t kAdapterKey[] =
    L"System\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

class Key {
 public:
  Key(HKEY root, const std::wstring& path, REGSAM access) {
    if (::RegOpenKeyExW(root, path.c_str(), 0, access, &k_) != ERROR_SUCCESS) k_ = nullptr;
  }
  ~Key() {
    if (k_) ::RegCloseKey(k_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY Get() const { return k_; }

  // A string value of at most maxBytes bytes; the text ends at its first terminator.
  bool ReadText(const std::wstring& name, DWORD maxBytes, std::wstring& out) const {
    if (!k_) return false;
    std::vector<wchar_t> buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0, size = maxBytes;
    if (::RegQueryValueExW(k_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS)
      return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    out.assign(buffer.data(), size / sizeof(wchar_t));
    const size_t end = out.find(L'\0');
    if (end != std::wstring::npos) out.resize(end);
    return true;
  }

 private:
  HKEY k_ = nullptr;
};

HANDLE OpenDevice(const wchar_t* format, int number, DWORD access) {
  wchar_t name[40];
  _snwprintf(name, 40, format, number);
  name[39] = L'\0';
  return ::CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

class Win32Registry : public Registry {
 public:
  bool LocalMachineKeyExists(const std::wstring& path, uint32_t access) override {
    Key key(HKEY_LOCAL_MACHINE, path, access);
    return key.Get() != nullptr;
  }
  bool ReadLocalMachineText(const std::wstring& path, const std::wstring& valueName,
                            uint32_t access, uint32_t maxBytes, std::wstring& out) override {
    Key key(HKEY_LOCAL_MACHINE, path, access);
    return key.ReadText(valueName, maxBytes, out);
  }
};

class Win32Shell : public Shell {
 public:
  // A target that names a scheme or a share opens only as a checked web
  // address: no page can reach another URL handler, a file: or UNC path.
  intptr_t Execute(const std::wstring& verb, const std::wstring& file,
                   const std::wstring& parameters, int show) override {
    if (LooksLikeAddressOrShare(file) && !IsSafeOutsideAddress(file)) return SE_ERR_ACCESSDENIED;
    HINSTANCE r = ::ShellExecuteW(nullptr, verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                                  parameters.empty() ? nullptr : parameters.c_str(), nullptr, show);
    return reinterpret_cast<intptr_t>(r);
  }
  bool ToggleDesktop() override {
    const HRESULT init = ::CoInitialize(nullptr);
    IShellDispatch4* shell = nullptr;
    const HRESULT hr = ::CoCreateInstance(CLSID_Shell, nullptr, kShellClassContext,
                                          IID_IShellDispatch4, reinterpret_cast<void**>(&shell));
    const bool created = SUCCEEDED(hr) && shell;
    if (created) {
      shell->ToggleDesktop();
      shell->Release();
    }
    if (SUCCEEDED(init)) ::CoUninitialize();
    return created;
  }
};

class Win32Machine : public Machine {
 public:
  std::string ToAnsi(const std::wstring& text) override {
    if (text.empty()) return std::string();
    const int n =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          &out[0], n, nullptr, nullptr);
    return out;
  }
  std::wstring FromAnsi(const std::string& text) override {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(),
                                        static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), static_cast<int>(text.size()),
                          &out[0], n);
    return out;
  }
  uint32_t NativeProcessorArchitecture() override {
    using NativeInfo = void(WINAPI*)(LPSYSTEM_INFO);
    SYSTEM_INFO info{};
    HMODULE kernel = ::GetModuleHandleW(L"kernel32");
    auto native = kernel ? reinterpret_cast<NativeInfo>(reinterpret_cast<void*>(
                               ::GetProcAddress(kernel, "GetNativeSystemInfo")))
                         : nullptr;
    if (native)
      native(&info);
    else
      ::GetSystemInfo(&info);
    return info.wProcessorArchitecture;
  }
  OsVersion GetOsVersion() override {
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!::GetVersionExW(&v)) return OsVersion{true, 0};
    return OsVersion{v.dwPlatformId == VER_PLATFORM_WIN32_NT, v.dwMajorVersion};
  }
  bool ProcessNames(std::vector<std::wstring>& out) override {
    Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) return false;
    out.clear();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry))
      out.push_back(entry.szExeFile);
    return true;
  }
  bool GetAffinityMasks(uint64_t& processMask, uint64_t& systemMask) override {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return false;
    processMask = process;
    systemMask = system;
    return true;
  }
  bool SetProcessAffinity(uint64_t mask) override {
    if (!::SetProcessAffinityMask(::GetCurrentProcess(), static_cast<DWORD_PTR>(mask))) return false;
    // The calling thread follows at once, so the CPUID that comes next runs
    // on the processor chosen even where the scheduler moves threads lazily.
    ::SetThreadAffinityMask(::GetCurrentThread(), static_cast<DWORD_PTR>(mask));
    return true;
  }
  void YieldThread() override { ::Sleep(0); }
  bool Cpuid1(uint32_t (&registers)[4]) override {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    registers[0] = a;
    registers[1] = b;
    registers[2] = c;
    registers[3] = d;
    return true;
  }

  bool SmartIdentify(int drive, uint8_t (&identify)[512]) override {
    Handle device(OpenDevice(L"\\\\.\\PhysicalDrive%d", drive, GENERIC_READ | GENERIC_WRITE));
    if (!device.Valid()) return false;
    GETVERSIONINPARAMS version{};
    DWORD got = 0;
    if (!::DeviceIoControl(device.Get(), SMART_GET_VERSION, nullptr, 0, &version, sizeof version,
                           &got, nullptr) ||
        version.bIDEDeviceMap == 0)
      return false;
    SENDCMDINPARAMS command{};
    command.cBufferSize = 512;
    command.irDriveRegs.bSectorCountReg = 1;
    command.irDriveRegs.bDriveHeadReg = (drive & 1) ? 0xB0 : 0xA0;
    // Bit 4 of the device map, shifted by the drive number, marks an ATAPI device.
    command.irDriveRegs.bCommandReg = ((version.bIDEDeviceMap >> drive) & 0x10) ? 0xA1 : 0xEC;
    command.bDriveNumber = static_cast<BYTE>(drive);
    constexpr size_t kHeader = offsetof(SENDCMDOUTPARAMS, bBuffer);
    uint8_t answer[kHeader + 512] = {};
    if (!::DeviceIoControl(device.Get(), SMART_RCV_DRIVE_DATA, &command,
                           sizeof(SENDCMDINPARAMS) - 1, answer, sizeof answer, &got, nullptr))
      return false;
    std::memcpy(identify, answer + kHeader, 512);
    return true;
  }

  bool ScsiIdentify(int port, int drive, uint8_t (&identify)[512]) override {
    Handle device(OpenDevice(L"\\\\.\\Scsi%d:", port, GENERIC_READ | GENERIC_WRITE));
    if (!device.Valid()) return false;
    constexpr size_t kSrb = sizeof(SRB_IO_CONTROL);
    constexpr size_t kOutHeader = offsetof(SENDCMDOUTPARAMS, bBuffer);
    uint8_t buffer[kSrb + sizeof(SENDCMDOUTPARAMS) + 512] = {};
    auto* srb = reinterpret_cast<SRB_IO_CONTROL*>(buffer);
    srb->HeaderLength = kSrb;
    std::memcpy(srb->Signature, "SCSIDISK", 8);
    srb->Timeout = 10000;
    srb->ControlCode = kIoctlScsiMiniportIdentify;
    srb->Length = sizeof(SENDCMDOUTPARAMS) + 512;
    auto* command = reinterpret_cast<SENDCMDINPARAMS*>(buffer + kSrb);
    command->irDriveRegs.bCommandReg = 0xEC;
    command->bDriveNumber = static_cast<BYTE>(drive);
    DWORD got = 0;
    if (!::DeviceIoControl(device.Get(), IOCTL_SCSI_MINIPORT, buffer,
                           kSrb + sizeof(SENDCMDINPARAMS) - 1, buffer, sizeof buffer, &got,
                           nullptr))
      return false;
    std::memcpy(identify, buffer + kSrb + kOutHeader, 512);
    return true;
  }

  bool StorageQuerySerial(int drive, std::string& text) override {
    Handle device(OpenDevice(L"\\\\.\\PhysicalDrive%d", drive, 0));
    if (!device.Valid()) return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::unique_ptr<uint64_t[]> answer(new uint64_t[kQueryOutput / 8]());
    DWORD got = 0;
    if (!::DeviceIoControl(device.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                           answer.get(), kQueryOutput, &got, nullptr))
      return false;
    const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(answer.get());
    const DWORD offset =
        got >= sizeof(STORAGE_DEVICE_DESCRIPTOR) ? descriptor->SerialNumberOffset : 0;
    // Offset 0 means the device reports no serial number.
    if (offset == 0 || offset >= got) return false;
    const char* start = reinterpret_cast<const char*>(answer.get()) + offset;
    text.assign(start, strnlen(start, got - offset));
    return true;
  }

  bool MediaSerial(int drive, std::string& text) override {
    Handle device(OpenDevice(L"\\\\.\\PhysicalDrive%d", drive, 0));
    if (!device.Valid()) return false;
    std::unique_ptr<uint64_t[]> answer(new uint64_t[kQueryOutput / 8]());
    DWORD got = 0;
    if (!::DeviceIoControl(device.Get(), IOCTL_STORAGE_GET_MEDIA_SERIAL_NUMBER, nullptr, 0,
                           answer.get(), kQueryOutput, &got, nullptr) ||
        got <= 16)
      return false;
    const char* start = reinterpret_cast<const char*>(answer.get()) + 16;
    text.assign(start, strnlen(start, got - 16));
    return true;
  }

  bool ReportedDiskSerial(int, std::wstring&) override { return false; }

  bool Adapters(std::vector<AdapterRecord>& out) override {
    ULONG size = sizeof(IP_ADAPTER_INFO);
    std::unique_ptr<uint64_t[]> buffer(new uint64_t[size / 8 + 1]());
    DWORD r = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
    if (r == ERROR_BUFFER_OVERFLOW) {
      buffer.reset(new uint64_t[size / 8 + 1]());
      r = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
    }
    if (r != NO_ERROR) return false;
    out.clear();
    for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()); a; a = a->Next) {
      AdapterRecord record;
      record.name = a->AdapterName;
      record.type = a->Type;
      const size_t length =
          a->AddressLength < sizeof a->Address ? a->AddressLength : sizeof a->Address;
      record.address.assign(a->Address, a->Address + length);
      out.push_back(record);
    }
    return true;
  }

  bool AdapterPnpInstanceId(const std::wstring& adapterName, std::wstring& out) override {
    Key key(HKEY_LOCAL_MACHINE, kAdapterKey + adapterName + L"\\Connection", KEY_READ);
    return key.ReadText(L"PnpInstanceID", 1024, out);
  }

  bool AdapterMediaSubType(const std::wstring& adapterName, uint32_t& out) override {
    Key key(HKEY_LOCAL_MACHINE, kAdapterKey + adapterName + L"\\Connection", KEY_READ);
    if (!key.Get()) return false;
    DWORD value = 0, type = 0, size = sizeof value;
    if (::RegQueryValueExW(key.Get(), L"MediaSubType", nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        size < sizeof value)
      return false;
    out = value;
    return true;
  }
};

}  // namespace

std::unique_ptr<Registry> NewWin32Registry() { return std::make_unique<Win32Registry>(); }
std::unique_ptr<Shell> NewWin32Shell() { return std::make_unique<Win32Shell>(); }
std::unique_ptr<Machine> NewWin32Machine() { return std::make_unique<Win32Machine>(); }

}  // namespace pf
