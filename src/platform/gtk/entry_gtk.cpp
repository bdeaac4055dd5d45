// Process entry of the Linux build.
#include "app/run_modes.h"
#include "platform/win32_values.h"

int main() { return app::AppMain(pf::kSW_SHOWNORMAL); }
