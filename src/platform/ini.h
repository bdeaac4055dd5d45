// Private-profile (INI) files: the three operations the settings code uses,
// with the observable rules of GetPrivateProfileStringW, GetPrivateProfileIntW
// and WritePrivateProfileStringW.
#pragma once

#include <cstdint>
#include <string>

namespace pf {

class Ini {
 public:
  virtual ~Ini() = default;

  // Reads [section] key from file into a buffer of bufferUnits UTF-16 units:
  // the value (or the default when the key is missing) cut to bufferUnits - 1.
  // Section and key names are compared without letter case; a present key
  // with an empty value gives the empty text, not the default.
  virtual std::wstring ReadText(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue, const std::wstring& file,
                                int bufferUnits) = 0;
  // Reads [section] key as an integer: leading digits with an optional sign
  // ("1abc" is 1, "abc" is 0); a missing key or an empty value gives the default.
  virtual int32_t ReadInt(const std::wstring& section, const std::wstring& key,
                          int32_t defaultValue, const std::wstring& file) = 0;
  // Writes [section] key=value, creating the file and the section when needed
  // and keeping every other line.  Returns whether the file was written.
  virtual bool WriteText(const std::wstring& section, const std::wstring& key,
                         const std::wstring& value, const std::wstring& file) = 0;
};

}  // namespace pf
