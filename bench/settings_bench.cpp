// How reading settings grows with the settings file: a file of N keys in the
// settings section, every key read once through the settings helpers (the
// way start-up reads its settings, one profile read per key), for 100 and
// 1,000 keys.  Prints the median time per key for each size and their ratio;
// a read that walks the whole file per key shows a ratio near 10 (the walk
// over all keys is then quadratic), a read that does not stays near 1.
// Times are the thread's CPU time (system calls included), so other programs
// sharing the machine do not count against it.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "storage/settings.h"

namespace {

double CpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::wstring Key(int i) { return L"Key" + std::to_wstring(i); }

// Seconds per key of one pass that reads every key, median of several passes.
double PerKey(const std::wstring& file, int keys) {
  std::vector<double> passes;
  for (int pass = 0; pass < 9; ++pass) {
    const double t0 = CpuSeconds();
    int64_t sum = 0;
    for (int i = 0; i < keys; ++i)
      sum += storage::ReadIniText(L"Setting", Key(i), L"", file).size();
    const double t = CpuSeconds() - t0;
    if (sum == 0) std::abort();  // every key has a value
    passes.push_back(t / keys);
  }
  std::sort(passes.begin(), passes.end());
  return passes[passes.size() / 2];
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/vexa-settings-bench-" +
                           std::to_string(::getpid()) + ".ini";
  const int sizes[] = {100, 1000};
  double perKey[2] = {};
  for (int s = 0; s < 2; ++s) {
    std::string text = "[Setting]\r\n";
    for (int i = 0; i < sizes[s]; ++i)
      text += "Key" + std::to_string(i) + "=value of setting " + std::to_string(i) + "\r\n";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) return 1;
    std::fclose(f);
    perKey[s] = PerKey(pf::FromUtf8(path), sizes[s]);
    std::printf("settings read per key at %d keys: %.2f us\n", sizes[s], perKey[s] * 1e6);
  }
  std::remove(path.c_str());
  std::printf("settings per-key growth 100 to 1000 keys: %.2f\n", perKey[1] / perKey[0]);
  return 0;
}
