// Throughput of one HTTP attempt (Transfer into a file) against the curl
// command-line tool fetching the same 200 MB file from the same loopback
// server.  Prints both times and "transfer/curl ratio: R", R being our
// throughput over curl's (best of five runs each, alternating).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/download_worker.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "support/http_test_server.h"

namespace {

constexpr uint64_t kSize = 200ull * 1000 * 1000;

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

int main() {
  testsupport::HttpTestServer server;
  if (!server.ok()) {
    std::fprintf(stderr, "no loopback server\n");
    return 1;
  }
  testsupport::HttpReply big;
  big.generatedSize = kSize;
  server.Route("/big.bin", big);
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder =
      std::string(tmp && *tmp ? tmp : "/tmp") + "/vexa-bench-" + std::to_string(::getpid());
  ::mkdir(folder.c_str(), 0755);
  const std::string ours = folder + "/transfer.bin";
  const std::string theirs = folder + "/curl.bin";

  double best = 1e9;
  double bestCurl = 1e9;
  for (int run = 0; run < 5; ++run) {
    auto worker = std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(),
                                                        net::RefererSource());
    worker->holder.stopFlag = 0;
    net::DownloadTask task;
    task.url = server.WUrl("/big.bin");
    task.filePath = pf::FromUtf8(ours);
    auto begin = std::chrono::steady_clock::now();
    const int32_t result = worker->Transfer(task);
    const double t = Seconds(std::chrono::steady_clock::now() - begin);
    if (result != net::DL_OK || FileSize(ours) != kSize) {
      std::fprintf(stderr, "transfer failed: %d\n", result);
      return 1;
    }
    best = std::min(best, t);

    const std::string command = "curl -s -f -o '" + theirs + "' '" + server.Url("/big.bin") + "'";
    begin = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const double c = Seconds(std::chrono::steady_clock::now() - begin);
    if (rc != 0 || FileSize(theirs) != kSize) {
      std::fprintf(stderr, "curl failed: %d\n", rc);
      return 1;
    }
    bestCurl = std::min(bestCurl, c);
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
  }
  ::rmdir(folder.c_str());
  std::printf("transfer: %.3f s (%.0f MB/s), curl: %.3f s (%.0f MB/s) for %llu bytes\n", best,
              kSize / best / 1e6, bestCurl, kSize / bestCurl / 1e6,
              static_cast<unsigned long long>(kSize));
  std::printf("transfer/curl ratio: %.2f\n", bestCurl / best);
  return 0;
}
