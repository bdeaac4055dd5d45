// Process entry of the Windows build (Unicode, GUI subsystem).
#include <windows.h>

#include "app/run_modes.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int nCmdShow) { return app::AppMain(nCmdShow); }
