// Our own private-profile engine for platforms without GetPrivateProfileStringW.
//
// It keeps the observable rules the settings code relies on: section and key
// names compared without letter case, surrounding blanks and one pair of
// matching quotes stripped from values, a missing key gives the default (with
// its trailing blanks removed) while "key=" gives the empty text, values cut
// to the caller's buffer, integers read as leading digits with an optional
// sign.  A write keeps every other line of the file, creates the file and the
// section when needed, and replaces the file atomically (a unique temporary
// file, flush, rename, flush of the folder), so a crash or a full disk never
// leaves a torn settings file.  Files are private to the user (0600); writers
// in one process take turns.  Files over 1 MiB are neither read nor written.
//
// Files are UTF-8 with CRLF line ends (LF alone is read as well).
#pragma once

#include <string>

#include "platform/ini.h"

namespace pf {

class IniFile final : public Ini {
 public:
  std::wstring ReadText(const std::wstring& section, const std::wstring& key,
                        const std::wstring& defaultValue, const std::wstring& file,
                        int bufferUnits) override;
  int32_t ReadInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue,
                  const std::wstring& file) override;
  // CR, LF and NUL are dropped from the section, key and value.
  bool WriteText(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                 const std::wstring& file) override;
};

// Settings files larger than this are not read (the defaults apply) and not
// rewritten: a huge file must not fill the memory of every start.
constexpr size_t kMaxIniFileBytes = 1024 * 1024;

// The text with every CR, LF and NUL removed: a value stays on its line.
std::wstring WithoutLineBreaks(const std::wstring& text);

// Reads an integer the way the profile functions do: optional leading blanks,
// an optional sign, then decimal digits up to the first other character.
int32_t ParseProfileInt(const std::wstring& text);

}  // namespace pf
