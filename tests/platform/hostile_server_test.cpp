// Hostile servers on loopback, through the platform's own HTTP client
// (libcurl on Linux, WinINet under Wine): every reply ends in a result code
// within bounded time, nothing crashes, and a failed download leaves no file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "net/download_worker.h"
#include "net/http_downloader.h"
#include "platform/platform.h"
#include "platform/test_files.h"
#include "support/http_test_server.h"

namespace {

using namespace std::chrono_literals;
using testsupport::HttpReply;

struct Outcome {
  std::atomic<int> finished{0};
  std::atomic<int32_t> result{1};
  static int32_t Callback(uintptr_t user, int32_t, int32_t event, int32_t value, uintptr_t) {
    auto* o = reinterpret_cast<Outcome*>(user);
    if (event == net::DL_EVENT_FINISHED) {
      o->result = value;
      ++o->finished;
    }
    return 0;
  }
};

class HostileServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok());
    static int counter = 0;
    folder = pf::files().TempFolder() + L"vexa-hostile-" + std::to_wstring(++counter) + L"-" +
             std::to_wstring(pf::sys().Now() % 100000);
    pf::files().CreateFolder(folder);
    folder += pf::files().Separator();
  }
  static HttpReply Raw(const std::string& bytes, int holdOpenMs = 0) {
    HttpReply r;
    r.raw = bytes;
    r.holdOpenMs = holdOpenMs;
    return r;
  }
  // Runs the route as a download into a file through the workers, which
  // delete the file of a failed task; returns the finished event's result.
  // Returns kNotFinished when the task did not end within the time (it is
  // then stopped, and a stopped task is never reported).
  static constexpr int32_t kNotFinished = 100;
  int32_t Download(const std::string& path, const std::wstring& name,
                   std::chrono::milliseconds timeout = 90s) {
    Outcome outcome;
    net::HTTPDownloader downloader;
    net::DownloadTask t;
    t.url = server.WUrl(path);
    t.filePath = folder + name;
    t.callback = &Outcome::Callback;
    t.userData = reinterpret_cast<uintptr_t>(&outcome);
    t.deleteOnFailure = true;
    t.maxBytes = 1024 * 1024;
    EXPECT_TRUE(downloader.Start());
    EXPECT_TRUE(downloader.Submit(t));
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (outcome.finished.load() == 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(10ms);
    downloader.Stop();
    if (outcome.finished.load() == 0) return kNotFinished;
    EXPECT_EQ(outcome.finished.load(), 1) << path;
    return outcome.result.load();
  }
  bool Exists(const std::wstring& name) { return pf::files().Exists(folder + name); }

  testsupport::HttpTestServer server;
  std::wstring folder;
};

const std::set<int32_t> kFailures = {net::DL_NO_CONNECTION, net::DL_REQUEST_FAILED,
                                     net::DL_BAD_RESPONSE, net::DL_READ_FAILED};

TEST_F(HostileServer, BrokenStatusLinesAndHeadersFailWithoutAFile) {
  server.Route("/no-status", Raw("this is not http\r\n\r\nat all"));
  server.Route("/status-alone", Raw("HTTP/1.1 200 OK\r\n"));
  server.Route("/no-header-end", Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", 1500));
  server.Route("/garbage-headers", Raw("HTTP/1.1 200 OK\r\n\x01\x02\xff: \xfe\r\nContent-Length: "
                                       "abc\r\nConnection: close\r\n\r\nhello"));
  server.Route("/negative", Raw("HTTP/1.1 200 OK\r\nContent-Length: -5\r\nConnection: "
                                "close\r\n\r\nhello"));
  for (const char* path :
       {"/no-status", "/status-alone", "/no-header-end", "/garbage-headers", "/negative"}) {
    const int32_t result = Download(path, L"broken.bin");
    EXPECT_EQ(kFailures.count(result), 1u) << path << " gave " << result;
    EXPECT_FALSE(Exists(L"broken.bin")) << path;
  }
}

TEST_F(HostileServer, LengthsOverTheCapAreRefusedBeforeTheFileExists) {
  server.Route("/huge", Raw("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\nConnection: "
                            "close\r\n\r\nxx"));
  server.Route("/4gib", Raw("HTTP/1.1 200 OK\r\nContent-Length: 4294967295\r\nConnection: "
                            "close\r\n\r\nxx"));
  HttpReply overCap;
  overCap.generatedSize = 1024 * 1024 + 1;
  server.Route("/over-cap", overCap);
  for (const char* path : {"/huge", "/4gib", "/over-cap"}) {
    auto worker = std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(),
                                                        net::RefererSource{});
    worker->holder.stopFlag = 0;
    net::DownloadTask t;
    t.url = server.WUrl(path);
    t.filePath = folder + L"capped.bin";
    t.maxBytes = 1024 * 1024;
    const int32_t result = worker->Transfer(t);
    EXPECT_EQ(kFailures.count(result), 1u) << path << " gave " << result;
    EXPECT_FALSE(Exists(L"capped.bin")) << path;  // never created
  }
}

TEST_F(HostileServer, BodiesThatDisagreeWithTheirLength) {
  // Longer than announced: exactly the announced bytes are kept.
  server.Route("/longer", Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: "
                              "close\r\n\r\nhelloEXTRA-BYTES"));
  EXPECT_EQ(Download("/longer", L"longer.bin"), net::DL_OK);
  EXPECT_EQ(testsupport::ReadRaw(folder + L"longer.bin"), "hello");
  // Shorter than announced: a read failure, and no partial file.
  server.Route("/shorter", Raw("HTTP/1.1 200 OK\r\nContent-Length: 50\r\nConnection: "
                               "close\r\n\r\nonly ten b"));
  EXPECT_EQ(Download("/shorter", L"shorter.bin"), net::DL_READ_FAILED);
  EXPECT_FALSE(Exists(L"shorter.bin"));
  // Two different lengths: refused, or one of them honoured exactly.
  server.Route("/twice", Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: "
                             "7\r\nConnection: close\r\n\r\nabcdefg"));
  const int32_t twice = Download("/twice", L"twice.bin");
  if (twice == net::DL_OK) {
    const std::string got = testsupport::ReadRaw(folder + L"twice.bin");
    EXPECT_TRUE(got == "abcde" || got == "abcdefg") << got;
  } else {
    EXPECT_EQ(kFailures.count(twice), 1u) << twice;
    EXPECT_FALSE(Exists(L"twice.bin"));
  }
  // Chunked: no length, so no file.
  HttpReply chunked;
  chunked.chunked = true;
  chunked.body = "chunked body";
  server.Route("/chunked", chunked);
  EXPECT_EQ(Download("/chunked", L"chunked.bin"), net::DL_BAD_RESPONSE);
  EXPECT_FALSE(Exists(L"chunked.bin"));
}

TEST_F(HostileServer, RedirectLoopsAndOtherSchemes) {
  HttpReply loop;
  loop.status = 302;
  loop.headers = {{"Location", server.Url("/loop")}};
  loop.body = "again";
  server.Route("/loop", loop);
  const int32_t looped = Download("/loop", L"loop.bin", 20s);
  // Either the client gives up, or it hands back the last redirect itself.
  if (looped == net::DL_OK) {
    EXPECT_EQ(testsupport::ReadRaw(folder + L"loop.bin"), "again");
  } else if (looped == kNotFinished) {
#ifdef _WIN32
    // Wine's WinINet follows a redirect loop without a limit; the stop
    // still ends the task without a report, and no file is left.
    EXPECT_FALSE(Exists(L"loop.bin"));
#else
    ADD_FAILURE() << "libcurl must give up on a redirect loop";
#endif
  } else {
    EXPECT_EQ(kFailures.count(looped), 1u) << looped;
  }

  HttpReply elsewhere;
  elsewhere.status = 302;
  elsewhere.headers = {{"Location", "file:///etc/passwd"}};
  elsewhere.body = "moved";
  server.Route("/file-scheme", elsewhere);
  const int32_t moved = Download("/file-scheme", L"scheme.bin");
  if (moved == net::DL_OK)
    EXPECT_EQ(testsupport::ReadRaw(folder + L"scheme.bin"), "moved");  // never the local file
  else
    EXPECT_FALSE(Exists(L"scheme.bin"));
}

// Two servers that stop sending for good, one inside its header block and
// one after the headers and two body bytes: a stop cancels both transfers and
// joins both workers, which have closed their requests and deleted the
// partial file before Stop returns.  The time is printed; the bound only
// tells a cancelled transfer from one the client's own time-out ended.
TEST_F(HostileServer, AStopDuringStalledTransfersJoinsTheWorkers) {
  server.Route("/stall-headers", Raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n", 600000));
  server.Route("/stall-body",
               Raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nab",
                   600000));
  Outcome outcome;
  auto downloader = std::make_unique<net::HTTPDownloader>();
  net::DownloadTask t;
  t.callback = &Outcome::Callback;
  t.userData = reinterpret_cast<uintptr_t>(&outcome);
  t.deleteOnFailure = true;
  t.url = server.WUrl("/stall-headers");
  t.filePath = folder + L"headers.bin";
  ASSERT_TRUE(downloader->Submit(t));
  t.url = server.WUrl("/stall-body");
  t.filePath = folder + L"body.bin";
  ASSERT_TRUE(downloader->Submit(t));
  ASSERT_TRUE(downloader->Start());
  ASSERT_TRUE(server.WaitForRequests(2, 20s));
  // The body's file appears once its two bytes were written.
  const auto until = std::chrono::steady_clock::now() + 20s;
  while (!Exists(L"body.bin") && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(Exists(L"body.bin"));
  std::this_thread::sleep_for(200ms);  // both workers are now blocked on their servers

  const auto before = std::chrono::steady_clock::now();
  downloader->Stop();
  const auto stopMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                            before)
          .count();
  std::printf("stop time ms: %lld\n", static_cast<long long>(stopMs));
  RecordProperty("stop_time_ms", static_cast<int>(stopMs));
  EXPECT_LT(stopMs, 30000);
  EXPECT_EQ(downloader->WorkerCount(), 0u);
  EXPECT_FALSE(downloader->IsStarted());
  EXPECT_FALSE(Exists(L"body.bin"));
  EXPECT_FALSE(Exists(L"headers.bin"));
  EXPECT_EQ(outcome.finished.load(), 0);  // a stopped task is never reported
  EXPECT_EQ(server.ActiveReplies(), 2);   // the servers never gave up: the client did

  // The downloader starts again after the stop and serves a new task.
  server.Route("/after", Raw("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  t.url = server.WUrl("/after");
  t.filePath = folder + L"after.bin";
  ASSERT_TRUE(downloader->Start());
  ASSERT_TRUE(downloader->Submit(t));
  const auto done = std::chrono::steady_clock::now() + 20s;
  while (outcome.finished.load() == 0 && std::chrono::steady_clock::now() < done)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(outcome.result.load(), net::DL_OK);
  EXPECT_EQ(testsupport::ReadRaw(folder + L"after.bin"), "ok");
  downloader.reset();
}

}  // namespace
