// Process entry, run modes and the application window procedure.
#pragma once

#include <string>

#include "platform/ui.h"

namespace app {

// True when the switch text occurs anywhere in the whole command line
// (case-sensitive, program path included, no tokenising).
bool IsRunModeSwitch(const std::wstring& switchText);

// The entry sequence shared by wWinMain and main: UI facilities, strings,
// window class, RunApplication, shutdown.  Returns the exit code.
int AppMain(int showCommand);

// Chooses the run mode, creates its windows, runs the message loop and returns its result.
int RunApplication();

// The class procedure of every skinned window.
pf::LResult ApplicationWindowProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                  pf::LParam lParam);

}  // namespace app
