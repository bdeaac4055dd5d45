// Process entry, run modes and the application window procedure.
#pragma once

#include <string>

#include "platform/ui.h"

namespace app {

// The run modes that command-line switches select.  To add one: a value
// here, its row in kRunModeSwitches, its case in RunApplication, a test.
enum class RunMode {
  kSetupSuccess,      // the installer's success ping, then the run ends
  kUninstallSuccess,  // the uninstaller's success ping, then the run ends
  kShowDesktop,       // the "show desktop" shortcut: toggles the desktop and ends
  kAutorun,           // a normal start from the system's autorun entry
  kNormal,            // no switch: the login window
};

struct RunModeSwitch {
  RunMode mode;
  const wchar_t* text;
};

// The switches in the order they are tested: the first one present wins.
constexpr RunModeSwitch kRunModeSwitches[] = {
    {RunMode::kSetupSuccess, L"/setupsucc"},
    {RunMode::kUninstallSuccess, L"/uninstallsucc"},
    {RunMode::kShowDesktop, L"/ShowDeskTop"},
    {RunMode::kAutorun, L"/autorun"},
};

// True when the switch text occurs anywhere in the whole command line
// (case-sensitive, program path included, no tokenising).
bool IsRunModeSwitch(const std::wstring& switchText);
// Whether the mode's switch occurs in the command line, whatever else does
// (false for kNormal).
bool HasRunModeSwitch(RunMode mode);
// This start's mode: the first row of kRunModeSwitches whose switch occurs in
// the command line, else kNormal.
RunMode CurrentRunMode();

// The entry sequence shared by wWinMain and main: UI facilities, strings,
// window class, RunApplication, shutdown.  Returns the exit code.
int AppMain(int showCommand);

// Chooses the run mode, creates its windows, runs the message loop and returns its result.
int RunApplication();

// The class procedure of every skinned window.
pf::LResult ApplicationWindowProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam,
                                  pf::LParam lParam);

}  // namespace app
