// Process entry of the Linux build.
#include <malloc.h>

#include "app/run_modes.h"
#include "platform/win32_values.h"

int main() {
  // Pixel buffers (window pictures, decoded skin art, shape masks) get pages
  // of their own, handed back to the system when freed: otherwise the
  // allocator raises its threshold after the first large free and the
  // start-up's short-lived full-window buffers stay resident in the heap.
  mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
  return app::AppMain(pf::kSW_SHOWNORMAL);
}
