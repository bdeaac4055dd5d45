// The registry's local-machine hive, read only.  Access masks are Win32's
// (kKEY_READ, kKEY_QUERY_VALUE, with kKEY_WOW64_32KEY or kKEY_WOW64_64KEY to
// pick a view).  A platform without a registry has no keys at all.
#pragma once

#include <cstdint>
#include <string>

namespace pf {

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, access): whether the key opens;
  // it is closed again at once.
  virtual bool LocalMachineKeyExists(const std::wstring& path, uint32_t access) = 0;
  // Opens the key with the access given and reads a string value of at most
  // maxBytes bytes of data (terminator included); the key is closed again.
  // False when the key or value is missing, is not a string, or is larger.
  virtual bool ReadLocalMachineText(const std::wstring& path, const std::wstring& valueName,
                                    uint32_t access, uint32_t maxBytes, std::wstring& out) = 0;
};

}  // namespace pf
