// Process entry of the Windows build (Unicode, GUI subsystem).
#include <windows.h>

#include <cstdlib>

#include "app/run_modes.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int nCmdShow) { return app::AppMain(nCmdShow); }

// The C++ runtime's default handler for an exception nobody caught prints the
// exception's demangled type to stderr before aborting.  A GUI program has no
// stderr, and that handler links in the whole symbol demangler (about 50 KB of
// the program); this one aborts the same way without it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
