// The desktop shell: starting programs and opening documents or addresses,
// and the desktop toggle.
#pragma once

#include <cstdint>
#include <string>

namespace pf {

class Shell {
 public:
  virtual ~Shell() = default;

  // ShellExecuteW(no window, verb (empty: the default verb), file, parameters
  // (empty: none), no folder, show).  file is a program, a document or an
  // address.  Returns ShellExecuteW's value: above 32 on success.
  virtual intptr_t Execute(const std::wstring& verb, const std::wstring& file,
                           const std::wstring& parameters, int show) = 0;
  // Asks the shell to toggle between the desktop and the open windows; false
  // when the shell could not be reached.
  virtual bool ToggleDesktop() = 0;
};

}  // namespace pf
