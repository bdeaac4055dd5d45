// The desktop shell on Linux: programs are started with GLib, documents and
// addresses go to the desktop's default handler (GIO), and the desktop toggle
// is the window manager's show-desktop state (X11 only).
#pragma once

#include "platform/shell.h"

namespace pf {

class GtkShell : public Shell {
 public:
  intptr_t Execute(const std::wstring& verb, const std::wstring& file,
                   const std::wstring& parameters, int show) override;
  bool ToggleDesktop() override;
};

}  // namespace pf
