// The download queue and its workers over the scripted HTTP client: events,
// retries, deletion of failed files, stop and submission from many threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/http_downloader.h"
#include "platform/test_files.h"
#include "support/fake_env.h"

namespace {

using namespace std::chrono_literals;

struct Events {
  std::mutex lock;
  std::vector<std::string> log;  // "tag:event:value"
  std::atomic<int> finished{0};
  static int32_t Callback(uintptr_t user, int32_t tag, int32_t event, int32_t value, uintptr_t) {
    auto* e = reinterpret_cast<Events*>(user);
    {
      std::lock_guard<std::mutex> hold(e->lock);
      e->log.push_back(std::to_string(tag) + ":" + std::to_string(event) + ":" +
                       std::to_string(value));
    }
    if (event == net::DL_EVENT_FINISHED) ++e->finished;
    return 0;
  }
  bool Wait(int n) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (finished.load() < n)
      if (std::chrono::steady_clock::now() > end)
        return false;
      else
        std::this_thread::sleep_for(5ms);
    return true;
  }
  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> hold(lock);
    return log;
  }
};

class Downloader : public ::testing::Test {
 protected:
  net::DownloadTask Task(const std::wstring& path, int32_t tag, const std::wstring& file = L"") {
    net::DownloadTask t;
    t.url = L"http://h" + path;
    t.filePath = file;
    t.callback = &Events::Callback;
    t.userData = reinterpret_cast<uintptr_t>(&events);
    t.tag = tag;
    t.deleteOnFailure = true;
    return t;
  }
  testsupport::FakeEnv env;
  Events events;
};

TEST_F(Downloader, FailedTaskGetsOneAttemptAndItsFileDeleted) {
  pf::FakeHttp::Answer cut;
  cut.body = std::string(20000, 'c');
  cut.contentLength = 30000;
  env.P().http.answers[L"/cut"] = cut;
  pf::FakeHttp::Answer good;
  good.body = "fine";
  env.P().http.answers[L"/good"] = good;
  net::HTTPDownloader d;
  const std::wstring cutFile = env.Root() + L"cut.bin";
  const std::wstring goodFile = env.Root() + L"good.bin";
  ASSERT_TRUE(d.Submit(Task(L"/cut", 4, cutFile)));
  ASSERT_TRUE(d.Submit(Task(L"/good", 5, goodFile)));
  net::DownloadTask negative = Task(L"/cut", 6);
  negative.retryCount = -3;  // still one attempt, never a success unseen
  ASSERT_TRUE(d.Submit(negative));
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(d.Start());
  ASSERT_TRUE(events.Wait(3));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 900ms);  // no pause without retries
  d.Stop();  // the file is deleted after the finished event
  const auto log = events.Log();
  auto has = [&](const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
  };
  EXPECT_TRUE(has("4:1:0"));
  EXPECT_TRUE(has("4:3:-6"));
  EXPECT_TRUE(has("5:3:0"));
  EXPECT_TRUE(has("6:3:0"));  // the status-only request succeeds on its status
  EXPECT_FALSE(pf::files().Exists(cutFile));
  EXPECT_EQ(testsupport::ReadRaw(goodFile), "fine");
  size_t sends = 0;
  for (const auto& c : env.P().http.Calls()) sends += c == "Send";
  EXPECT_EQ(sends, 3u);
}

TEST_F(Downloader, StartTwiceMakesTwoWorkersAndStopIsRepeatable) {
  net::HTTPDownloader d;
  EXPECT_FALSE(d.IsStarted());
  EXPECT_TRUE(d.Start());
  EXPECT_TRUE(d.Start());
  EXPECT_EQ(d.WorkerCount(), 2u);
  d.Stop();
  EXPECT_FALSE(d.IsStarted());
  EXPECT_EQ(d.WorkerCount(), 0u);
  d.Stop();
  EXPECT_TRUE(d.Start());
  EXPECT_EQ(d.WorkerCount(), 2u);
}

// Idle workers sleep on their event with no time limit: a task submitted to
// workers that already wait, one after another, must wake one of them each
// time, and a stop must end them while they wait.
TEST_F(Downloader, IdleWorkersWakeForEachTaskAndForTheStop) {
  env.P().http.answers[L"*"] = pf::FakeHttp::Answer{};
  net::HTTPDownloader d;
  ASSERT_TRUE(d.Start());
  for (int i = 1; i <= 3; ++i) {
    std::this_thread::sleep_for(20ms);  // both workers are back in their wait
    ASSERT_TRUE(d.Submit(Task(L"/late", i)));
    ASSERT_TRUE(events.Wait(i));
  }
  d.Stop();
  EXPECT_EQ(d.WorkerCount(), 0u);

  net::AutoResetEvent event;
  event.Set();
  event.Wait();  // a set before the wait is kept for it
  EXPECT_FALSE(event.Wait(0ms));  // and used up by it
}

TEST_F(Downloader, SubmitCopiesTheBodyOnlyWhenItHasALength) {
  env.P().http.answers[L"*"] = pf::FakeHttp::Answer{};
  net::HTTPDownloader d;
  {
    std::string body = "p=1&q=2";
    net::DownloadTask t = Task(L"/post", 1);
    t.body = reinterpret_cast<const uint8_t*>(body.data());
    t.bodyLength = static_cast<int32_t>(body.size());
    ASSERT_TRUE(d.Submit(t));
    body.assign(body.size(), '#');  // the caller's copy changes at once
    net::DownloadTask zero = Task(L"/zero", 2);
    zero.body = reinterpret_cast<const uint8_t*>(body.data());
    zero.bodyLength = 0;
    ASSERT_TRUE(d.Submit(zero));
  }
  ASSERT_TRUE(d.Start());
  ASSERT_TRUE(events.Wait(2));
  auto requests = env.P().http.Requests();
  ASSERT_EQ(requests.size(), 2u);
  if (requests[0].path != L"/post") std::swap(requests[0], requests[1]);
  EXPECT_EQ(requests[0].verb, L"POST");
  EXPECT_EQ(requests[0].body, "p=1&q=2");
  EXPECT_EQ(requests[1].verb, L"GET");
}

TEST_F(Downloader, StopSkipsTheFinishedEventAndLeavesPendingTasks) {
  pf::FakeHttp::Answer a;
  a.body = std::string(100 * 10240, 'a');
  env.P().http.answers[L"*"] = a;
  std::atomic<int> reading{0};
  // Every chunk takes 20 ms, so a task would run for two seconds.
  env.P().http.onCall = [&](const std::string& call) {
    if (call != "Read") return;
    ++reading;
    std::this_thread::sleep_for(20ms);
  };
  net::HTTPDownloader d;
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(
        d.Submit(Task(L"/f" + std::to_wstring(i), i, env.Root() + L"f" + std::to_wstring(i))));
  ASSERT_TRUE(d.Start());
  while (reading.load() < 4) std::this_thread::sleep_for(1ms);
  const auto begin = std::chrono::steady_clock::now();
  d.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
  EXPECT_EQ(events.finished.load(), 0);
  EXPECT_EQ(d.PendingCount(), 2u);
  for (int i = 0; i < 4; ++i)
    EXPECT_FALSE(pf::files().Exists(env.Root() + L"f" + std::to_wstring(i)));
  size_t started = 0;
  for (const std::string& e : events.Log()) {
    EXPECT_EQ(e.find(":3:"), std::string::npos) << e;
    started += e.find(":1:") != std::string::npos;
  }
  EXPECT_EQ(started, 2u);
}

// Two workers blocked for good, one in its send and one in a body read: the
// stop cancels both requests, joins both workers (each has closed every
// handle and deleted its file before Stop returns) and reports nothing.
TEST_F(Downloader, StopCancelsStalledRequestsAndJoinsTheWorkers) {
  pf::FakeHttp::Answer silent;
  silent.sendStalls = true;
  env.P().http.answers[L"/silent"] = silent;
  pf::FakeHttp::Answer half;
  half.body = std::string(30000, 'h');
  half.readStallsAt = 20000;
  env.P().http.answers[L"/half"] = half;
  net::HTTPDownloader d;
  ASSERT_TRUE(d.Submit(Task(L"/silent", 1, env.Root() + L"silent.bin")));
  ASSERT_TRUE(d.Submit(Task(L"/half", 2, env.Root() + L"half.bin")));
  ASSERT_TRUE(d.Start());
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (env.P().http.Stalled() < 2 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(1ms);
  ASSERT_EQ(env.P().http.Stalled(), 2);
  EXPECT_TRUE(pf::files().Exists(env.Root() + L"half.bin"));

  d.Stop();
  EXPECT_EQ(env.P().http.Stalled(), 0);
  EXPECT_EQ(env.P().http.OpenHandles(), 0);
  EXPECT_EQ(d.WorkerCount(), 0u);
  EXPECT_FALSE(d.IsStarted());
  EXPECT_FALSE(pf::files().Exists(env.Root() + L"half.bin"));
  EXPECT_EQ(events.finished.load(), 0);
  const std::vector<std::string> calls = env.P().http.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "CancelRequest"), 2);
  // Nothing is used after its cancel but the close.
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i] != "CancelRequest") continue;
    for (size_t j = i + 1; j < calls.size(); ++j)
      EXPECT_TRUE(calls[j] == "Send" || calls[j] == "Read" || calls[j].compare(0, 5, "Close") == 0 ||
                  calls[j] == "CancelRequest")
          << calls[j];
  }

  // A stop with no request open cancels nothing; the idle workers are joined.
  net::HTTPDownloader idle;
  ASSERT_TRUE(idle.Start());
  idle.Stop();
  EXPECT_EQ(idle.WorkerCount(), 0u);
  const std::vector<std::string> after = env.P().http.Calls();
  EXPECT_EQ(std::count(after.begin(), after.end(), "CancelRequest"), 2);
}

TEST_F(Downloader, RetriesPauseAndAStopEndsThePause) {
  pf::FakeHttp::Answer fail;
  fail.status = 500;
  env.P().http.answers[L"*"] = fail;
  net::HTTPDownloader d;
  net::DownloadTask t = Task(L"/fail", 7);
  t.retryCount = 1000;
  ASSERT_TRUE(d.Submit(t));
  ASSERT_TRUE(d.Start());
  std::this_thread::sleep_for(1500ms);  // two attempts, one pause of a second between
  const auto begin = std::chrono::steady_clock::now();
  d.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 500ms);
  size_t sends = 0;
  for (const auto& c : env.P().http.Calls()) sends += c == "Send";
  EXPECT_EQ(sends, 2u);
  EXPECT_EQ(events.finished.load(), 0);
}

TEST_F(Downloader, ManySubmittersEveryTaskReportedOnce) {
  env.P().http.answers[L"*"] = pf::FakeHttp::Answer{};
  net::HTTPDownloader d;
  ASSERT_TRUE(d.Start());
  std::vector<std::thread> submitters;
  for (int s = 0; s < 4; ++s)
    submitters.emplace_back([&, s] {
      for (int i = 0; i < 25; ++i) d.Submit(Task(L"/n", s * 100 + i));
    });
  for (auto& t : submitters) t.join();
  ASSERT_TRUE(events.Wait(100));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(events.finished.load(), 100);
  auto log = events.Log();
  std::sort(log.begin(), log.end());
  EXPECT_EQ(std::unique(log.begin(), log.end()), log.end());
}

}  // namespace
