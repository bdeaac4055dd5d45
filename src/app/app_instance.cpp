// The one application context of the program, constructed during static
// initialisation (before main or wWinMain) and destroyed after it returns.
#include "app/global_module.h"

namespace app {
namespace {
CGlobalModule g_module;
}  // namespace
}  // namespace app
