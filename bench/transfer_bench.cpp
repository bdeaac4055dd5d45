// Throughput of one HTTP attempt (Transfer into a file) against the curl
// command-line tool fetching the same file from the same loopback server, for
// a 1 MB, a 20 MB and a 200 MB file.  The curl tool's time is the one it
// reports itself (%{time_total}: from its first connect to the last byte
// written), so its process start does not count against it and the fixed cost
// of one attempt (handles, connection, headers, file creation) shows at 1 MB.
// Runs alternate between the two, and so does which of them goes first in a
// pair; a ratio is the median of the ratios of back-to-back pairs (so both
// sides of one see the same load), printed with each side's median time.
// Before each side the page cache's dirty pages are written out (not timed),
// so neither side pays for the writeback of the other's file or of whatever
// else the machine wrote.
// Prints per size "transfer/curl ratio <size>: R" and, for 200 MB, the
// headline "transfer/curl ratio: R", R being our throughput over curl's.
// Last, the time a downloader's stop takes while both its workers are blocked
// on servers that stopped sending (one mid-headers, one mid-body): "stop time
// ms: N", the median of several stops.  With the argument "stop" only the
// stop is measured.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/download_worker.h"
#include "net/http_downloader.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "support/http_test_server.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// CPU time of the calling thread, in seconds (the server runs on its own threads).
double ThreadCpu() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One attempt of the download worker; seconds, or a negative value on failure.
double OurTime(const std::wstring& url, const std::string& file, uint64_t size, double& cpu) {
  auto worker = std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(),
                                                      net::RefererSource());
  worker->holder.stopFlag = 0;
  net::DownloadTask task;
  task.url = url;
  task.filePath = pf::FromUtf8(file);
  const double cpuBegin = ThreadCpu();
  const auto begin = std::chrono::steady_clock::now();
  const int32_t result = worker->Transfer(task);
  const double t = Seconds(std::chrono::steady_clock::now() - begin);
  cpu = ThreadCpu() - cpuBegin;
  const bool ok = result == net::DL_OK && FileSize(file) == size;
  std::remove(file.c_str());
  if (!ok) std::fprintf(stderr, "transfer failed: %d\n", result);
  return ok ? t : -1;
}

// The curl tool's own total time; negative on failure.
double CurlTime(const std::string& url, const std::string& file, uint64_t size) {
  const std::string command = "curl -s -f -o '" + file + "' -w '%{time_total}' '" + url + "'";
  FILE* out = ::popen(command.c_str(), "r");
  if (!out) return -1;
  double t = -1;
  if (std::fscanf(out, "%lf", &t) != 1) t = -1;
  const int rc = ::pclose(out);
  const bool ok = rc == 0 && t > 0 && FileSize(file) == size;
  std::remove(file.c_str());
  if (!ok) std::fprintf(stderr, "curl failed: %d\n", rc);
  return ok ? t : -1;
}

// One stop of a downloader whose two workers wait on stalled servers, in
// milliseconds; negative when the workers never reached the servers.
double StopTime(testsupport::HttpTestServer& server, size_t requestsBefore) {
  net::HTTPDownloader downloader;
  net::DownloadTask task;
  task.url = server.WUrl("/stall-headers");
  downloader.Submit(task);
  task.url = server.WUrl("/stall-body");
  downloader.Submit(task);
  if (!downloader.Start() ||
      !server.WaitForRequests(requestsBefore + 2, std::chrono::seconds(10)))
    return -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // both now blocked
  const auto begin = std::chrono::steady_clock::now();
  downloader.Stop();
  return Seconds(std::chrono::steady_clock::now() - begin) * 1e3;
}

}  // namespace

int main(int argc, char** argv) {
  const bool stopOnly = argc > 1 && std::string(argv[1]) == "stop";
  testsupport::HttpTestServer server;
  if (!server.ok()) {
    std::fprintf(stderr, "no loopback server\n");
    return 1;
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder =
      std::string(tmp && *tmp ? tmp : "/tmp") + "/vexa-bench-" + std::to_string(::getpid());
  ::mkdir(folder.c_str(), 0755);
  const std::string ours = folder + "/transfer.bin";
  const std::string theirs = folder + "/curl.bin";

  struct Case {
    const char* name;
    uint64_t size;
    int runs;
  };
  const Case cases[] = {{"1 MB", 1000ull * 1000, 31},
                        {"20 MB", 20ull * 1000 * 1000, 11},
                        {"200 MB", 200ull * 1000 * 1000, 9}};
  int status = 0;
  for (const Case& c : cases) {
    if (stopOnly) break;
    testsupport::HttpReply reply;
    reply.generatedSize = c.size;
    const std::string path = "/file-" + std::to_string(c.size) + ".bin";
    server.Route(path, reply);
    std::vector<double> us, them, ratios, cpus;
    for (int run = 0; run < c.runs; ++run) {
      double t = 0, k = 0, cpu = 0;
      for (int side = 0; side < 2; ++side) {
        ::sync();
        if ((side == 0) == (run % 2 == 0))
          t = OurTime(server.WUrl(path), ours, c.size, cpu);
        else
          k = CurlTime(server.Url(path), theirs, c.size);
      }
      if (t <= 0 || k <= 0) {
        status = 1;
        break;
      }
      us.push_back(t);
      them.push_back(k);
      ratios.push_back(k / t);
      cpus.push_back(cpu);
    }
    if (us.empty()) continue;
    const double t = Median(us), k = Median(them), ratio = Median(ratios);
    std::printf(
        "%s: transfer %.2f ms (%.0f MB/s, its thread's CPU %.2f ms), curl %.2f ms (%.0f MB/s), "
        "medians of %zu\n",
        c.name, t * 1e3, c.size / t / 1e6, Median(cpus) * 1e3, k * 1e3, c.size / k / 1e6,
        us.size());
    std::printf("transfer/curl ratio %s: %.2f\n", c.name, ratio);
    if (c.size == cases[2].size) std::printf("transfer/curl ratio: %.2f\n", ratio);
  }
  ::rmdir(folder.c_str());

  testsupport::HttpReply stallHeaders;
  stallHeaders.raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n";
  stallHeaders.holdOpenMs = 600000;
  server.Route("/stall-headers", stallHeaders);
  testsupport::HttpReply stallBody;
  stallBody.raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab";
  stallBody.holdOpenMs = 600000;
  server.Route("/stall-body", stallBody);
  std::vector<double> stops;
  for (int run = 0; run < 5; ++run) {
    const double ms = StopTime(server, server.Requests().size());
    if (ms < 0) {
      status = 1;
      break;
    }
    stops.push_back(ms);
  }
  if (!stops.empty()) {
    std::printf("stop time ms: %.1f (median of %zu, longest %.1f)\n", Median(stops), stops.size(),
                *std::max_element(stops.begin(), stops.end()));
  }
  return status;
}
