// HTTP attempts and the download workers against a real server on loopback,
// through whichever HTTP client the platform in use has (libcurl on Linux,
// WinINet under Wine).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "net/download_worker.h"
#include "net/http_downloader.h"
#include "platform/platform.h"
#include "platform/test_files.h"
#include "storage/upgrade_offer.h"
#include "support/http_test_server.h"

namespace {

using namespace std::chrono_literals;
using testsupport::HttpReply;
using testsupport::HttpRequest;

// What the callback saw, for one or more tasks.
struct Journal {
  std::mutex lock;
  std::vector<int32_t> progress;
  std::vector<std::pair<int32_t, int32_t>> finished;  // tag, result
  std::vector<int32_t> started;                       // tags
  std::vector<std::wstring> finishedPaths;
  std::atomic<int> finishedCount{0};

  static int32_t Callback(uintptr_t user, int32_t tag, int32_t event, int32_t value,
                          uintptr_t extra) {
    auto* j = reinterpret_cast<Journal*>(user);
    std::lock_guard<std::mutex> hold(j->lock);
    if (event == net::DL_EVENT_STARTED) j->started.push_back(tag);
    if (event == net::DL_EVENT_PROGRESS) j->progress.push_back(static_cast<int32_t>(extra));
    if (event == net::DL_EVENT_FINISHED) {
      j->finished.emplace_back(tag, value);
      j->finishedPaths.push_back(reinterpret_cast<net::DownloadTask*>(extra)->filePath);
      ++j->finishedCount;
    }
    return 0;
  }
  bool WaitFinished(int n, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (finishedCount.load() < n) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
};

class Transfer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok());
    static int counter = 0;
    folder = pf::files().TempFolder() + L"vexa-transfer-" + std::to_wstring(++counter) + L"-" +
             std::to_wstring(pf::sys().Now() % 100000);
    pf::files().CreateFolder(folder);
    folder += pf::files().Separator();
  }

  std::shared_ptr<net::DownloadWorker> Worker(net::RefererSource referer = {}) {
    auto w = std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(), referer);
    w->holder.stopFlag = 0;
    return w;
  }
  int32_t Attempt(net::DownloadTask& task, net::RefererSource referer = {}) {
    return Worker(referer)->Transfer(task);
  }
  net::DownloadTask Get(const std::string& path, const std::wstring& file = L"") {
    net::DownloadTask task;
    task.url = server.WUrl(path);
    task.filePath = file;
    task.callback = &Journal::Callback;
    task.userData = reinterpret_cast<uintptr_t>(&journal);
    return task;
  }
  std::string Read(const std::wstring& path) { return testsupport::ReadRaw(path); }
  bool Exists(const std::wstring& path) { return pf::files().Exists(path); }

  testsupport::HttpTestServer server;
  Journal journal;
  std::wstring folder;  // with its trailing separator
};

TEST_F(Transfer, BodiesWithAndWithoutLength) {
  HttpReply plain;
  plain.body = "hello, file";
  server.Route("/plain", plain);
  net::DownloadTask t = Get("/plain", folder + L"plain.bin");
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(Read(folder + L"plain.bin"), "hello, file");
  EXPECT_EQ(journal.progress, std::vector<int32_t>({100}));

  // Without Content-Length: no file can be delivered and none is created;
  // without a file path the status alone decides.
  HttpReply noLength;
  noLength.body = "unknown size";
  noLength.sendLength = false;
  server.Route("/nolength", noLength);
  t = Get("/nolength", folder + L"nolength.bin");
  EXPECT_EQ(Attempt(t), net::DL_BAD_RESPONSE);
  EXPECT_FALSE(Exists(folder + L"nolength.bin"));
  t = Get("/nolength");
  EXPECT_EQ(Attempt(t), net::DL_OK);

  HttpReply chunked;
  chunked.body = std::string(30000, 'c');
  chunked.chunked = true;
  chunked.pieceSize = 7000;
  server.Route("/chunked", chunked);
  t = Get("/chunked", folder + L"chunked.bin");
  EXPECT_EQ(Attempt(t), net::DL_BAD_RESPONSE);
  EXPECT_FALSE(Exists(folder + L"chunked.bin"));

  // An existing file is replaced by an empty one.
  testsupport::WriteRaw(folder + L"empty.bin", "old contents");
  server.Route("/empty", HttpReply());
  t = Get("/empty", folder + L"empty.bin");
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_TRUE(Exists(folder + L"empty.bin"));
  EXPECT_EQ(Read(folder + L"empty.bin"), "");

  // A rejected request leaves an existing file alone.
  HttpReply missing;
  missing.status = 404;
  missing.body = "no";
  server.Route("/missing", missing);
  testsupport::WriteRaw(folder + L"kept.bin", "keep me");
  t = Get("/missing", folder + L"kept.bin");
  EXPECT_EQ(Attempt(t), net::DL_BAD_RESPONSE);
  EXPECT_EQ(Read(folder + L"kept.bin"), "keep me");
  t = Get("/missing");
  EXPECT_EQ(Attempt(t), net::DL_BAD_RESPONSE);
}

TEST_F(Transfer, StatusBoundaryAndRedirect) {
  HttpReply s399;
  s399.status = 399;
  s399.body = "odd but fine";
  server.Route("/399", s399);
  HttpReply s400;
  s400.status = 400;
  s400.body = "bad";
  server.Route("/400", s400);
  net::DownloadTask t = Get("/399");
  EXPECT_EQ(Attempt(t), net::DL_OK);
  t = Get("/399", folder + L"399.bin");
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(Read(folder + L"399.bin"), "odd but fine");
  t = Get("/400");
  EXPECT_EQ(Attempt(t), net::DL_BAD_RESPONSE);

  // The client follows redirects by itself; the file holds the final body.
  HttpReply moved;
  moved.status = 302;
  moved.headers = {{"Location", server.Url("/final")}};
  moved.body = "moved";
  server.Route("/moved", moved);
  HttpReply final;
  final.body = "the final body";
  server.Route("/final", final);
  t = Get("/moved", folder + L"final.bin");
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(Read(folder + L"final.bin"), "the final body");
}

TEST_F(Transfer, ChunksProgressAndCutShortBody) {
  HttpReply big;
  for (int i = 0; i < 25000; ++i) big.body += static_cast<char>('0' + i % 10);
  big.pieceSize = 3000;  // arrives in pieces; each read still waits for a full chunk
  big.pieceDelayMs = 5;
  server.Route("/big", big);
  net::DownloadTask t = Get("/big", folder + L"big.bin");
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(journal.progress, std::vector<int32_t>({40, 81, 100}));
  EXPECT_EQ(Read(folder + L"big.bin"), big.body);

  // The server promises more than it sends and closes: a failure, never a
  // success and never a wait.
  HttpReply cut;
  cut.body = std::string(15000, 'x');
  cut.declaredLength = 40000;
  server.Route("/cut", cut);
  t = Get("/cut", folder + L"cut.bin");
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(Attempt(t), net::DL_READ_FAILED);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 20s);
}

TEST_F(Transfer, TargetPathRules) {
  HttpReply exe;
  exe.body = "MZ package";
  server.Route("/get", exe);
  server.Route("/dir/app.ini", HttpReply{200, {}, "[version]\r\ncurrentversion=3.0.0.1\r\n"});

  net::DownloadTask t = Get("/get?f=a/b.exe", folder);
  t.appendUrlName = true;
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(t.filePath, folder + L"b.exe");
  EXPECT_EQ(Read(folder + L"b.exe"), "MZ package");

  // The folder with or without its trailing separator gives the same file.
  std::wstring bare = folder.substr(0, folder.size() - 1);
  t = Get("/dir/app.ini", bare);
  t.appendUrlName = true;
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(t.filePath, folder + L"app.ini");
  pf::files().DeleteFile(folder + L"app.ini");
  t = Get("/dir/app.ini", folder);
  t.appendUrlName = true;
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(t.filePath, folder + L"app.ini");
  EXPECT_TRUE(Exists(folder + L"app.ini"));

  // A unique name: GUID, "_" and the last segment.
  t = Get("/dir/app.ini", folder);
  t.uniqueName = true;
  EXPECT_EQ(Attempt(t), net::DL_OK);
  const std::wstring name = t.filePath.substr(folder.size());
  ASSERT_EQ(name.size(), 36u + 1 + 7) << testsupport::Narrow(name);
  EXPECT_EQ(name.substr(36), L"_app.ini");
  EXPECT_EQ(name[8], L'-');
  EXPECT_TRUE(Exists(t.filePath));
}

TEST_F(Transfer, PostAndRequestTarget) {
  server.Route("/web/ajax70", HttpReply{200, {}, "ok"});
  const std::string body = "a=1&b=%E4%B8%AD&c=3";
  net::DownloadTask t = Get("/web/ajax70");
  t.body = reinterpret_cast<const uint8_t*>(body.data());
  t.bodyLength = static_cast<int32_t>(body.size());
  EXPECT_EQ(Attempt(t), net::DL_OK);

  // A space in the query goes out as %20, so the value arrives intact.
  server.Route("/ps.gif", HttpReply{200, {}, "GIF"});
  t = Get("/ps.gif?e9=Windows 7&x=1");
  EXPECT_EQ(Attempt(t), net::DL_OK);

  const std::vector<HttpRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/web/ajax70");
  EXPECT_EQ(requests[0].body, body);
  EXPECT_EQ(requests[0].Header("Content-Type"),
            "application/x-www-form-urlencoded; charset=UTF-8;");
  EXPECT_EQ(requests[0].Header("User-Agent"), "HTTPDownloader");
  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_EQ(requests[1].target, "/ps.gif?e9=Windows%207&x=1");
  EXPECT_EQ(requests[1].body, "");
}

TEST_F(Transfer, RefererAndCookieTravelInTheirTask) {
  server.Route("/first", HttpReply{200, {}, "1"});
  server.Route("/second", HttpReply{200, {}, "2"});
  server.Route("/outside/next", HttpReply{200, {}, "3"});
  const std::string outside = server.Url("/outside/page.html");
  net::RefererSource referer;
  referer.macDigest = [] { return std::wstring(L"0123456789abcdef0123456789abcdef"); };
  auto worker = Worker(referer);

  // A POST never carries it.
  const std::string body = "x=1";
  net::DownloadTask post = Get("/first");
  post.body = reinterpret_cast<const uint8_t*>(body.data());
  post.bodyLength = 3;
  post.referer = std::wstring(outside.begin(), outside.end());
  EXPECT_EQ(worker->Transfer(post), net::DL_OK);

  net::DownloadTask t = Get("/first");
  t.referer = std::wstring(outside.begin(), outside.end());
  t.plantCookie = true;
  EXPECT_EQ(worker->Transfer(t), net::DL_OK);
  t = Get("/second");
  EXPECT_EQ(worker->Transfer(t), net::DL_OK);
  t = Get("/outside/next");
  EXPECT_EQ(worker->Transfer(t), net::DL_OK);

  const std::vector<HttpRequest> r = server.Requests();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_FALSE(r[0].HasHeader("Referer"));
  EXPECT_EQ(r[1].Header("Referer"), outside);
  EXPECT_FALSE(r[2].HasHeader("Referer"));
  // The cookie stored for the outside page goes back to that folder.
  EXPECT_NE(r[3].Header("Cookie").find("0123456789abcdef0123456789ab"), std::string::npos)
      << r[3].Header("Cookie");
  EXPECT_EQ(r[3].Header("Cookie").find("0123456789abcdef0123456789abc"), std::string::npos);
}

// Exceptions thrown inside the worker cross its own frames (the attempt with
// its open handles, the queue loop) and are caught where the worker expects
// them: a throwing cookie source fails its attempt, throwing receivers are
// ignored, and the worker goes on with the next task.  The Windows build
// unwinds through its DWARF tables here, so this runs under Wine too.
TEST_F(Transfer, ExceptionsStayInsideTheWorker) {
  server.Route("/page", HttpReply{200, {}, "page"});
  std::atomic<bool> armed{true};
  net::RefererSource referer;
  referer.macDigest = [&armed]() -> std::wstring {
    if (armed.exchange(false)) throw std::bad_alloc();
    return L"0123456789abcdef0123456789abcdef";
  };
  struct Thrower {
    static int32_t Callback(uintptr_t user, int32_t tag, int32_t event, int32_t value,
                            uintptr_t extra) {
      Journal::Callback(user, tag, event, value, extra);
      if (tag == 2 && event == net::DL_EVENT_STARTED) throw std::runtime_error("receiver failed");
      if (tag == 3 && event == net::DL_EVENT_FINISHED) throw std::bad_alloc();
      return 0;
    }
  };
  const std::string outside = server.Url("/outside/page.html");
  net::HTTPDownloader downloader(referer);
  ASSERT_TRUE(downloader.Start());
  for (int32_t tag = 1; tag <= 4; ++tag) {
    net::DownloadTask t = Get("/page", folder + std::to_wstring(tag) + L".bin");
    t.callback = &Thrower::Callback;
    t.tag = tag;
    t.deleteOnFailure = true;
    if (tag == 1) {
      t.referer = std::wstring(outside.begin(), outside.end());
      t.plantCookie = true;
    }
    ASSERT_TRUE(downloader.Submit(t));
  }
  ASSERT_TRUE(journal.WaitFinished(4, 30s));
  downloader.Stop();
  std::lock_guard<std::mutex> hold(journal.lock);
  ASSERT_EQ(journal.finished.size(), 4u);
  for (const auto& f : journal.finished) {
    if (f.first == 1) {
      EXPECT_EQ(f.second, net::DL_READ_FAILED);
      EXPECT_FALSE(Exists(folder + L"1.bin"));
    } else {
      EXPECT_EQ(f.second, net::DL_OK) << "tag " << f.first;
      EXPECT_EQ(Read(folder + std::to_wstring(f.first) + L".bin"), "page") << "tag " << f.first;
    }
  }
  EXPECT_FALSE(armed.load());
}

TEST_F(Transfer, RetriesAboutASecondApart) {
  server.Route("/fail", HttpReply{500, {}, "boom"});
  net::HTTPDownloader downloader;
  net::DownloadTask t = Get("/fail", folder + L"fail.bin");
  t.retryCount = 2;
  t.tag = 9;
  t.deleteOnFailure = true;
  testsupport::WriteRaw(folder + L"fail.bin", "stale");
  ASSERT_TRUE(downloader.Start());
  ASSERT_TRUE(downloader.Submit(t));
  ASSERT_TRUE(journal.WaitFinished(1, 20s));
  downloader.Stop();
  const std::vector<HttpRequest> r = server.Requests();
  ASSERT_EQ(r.size(), 3u);
  for (int i = 1; i < 3; ++i) {
    const auto gap = r[i].received - r[i - 1].received;
    EXPECT_GT(gap, 900ms);
    EXPECT_LT(gap, 5000ms);
  }
  std::lock_guard<std::mutex> hold(journal.lock);
  EXPECT_EQ(journal.started, std::vector<int32_t>({9}));
  ASSERT_EQ(journal.finished.size(), 1u);
  EXPECT_EQ(journal.finished[0].second, net::DL_BAD_RESPONSE);
  // The failed task's file is deleted (after the finished event), even a file
  // that was there before.
  EXPECT_FALSE(Exists(folder + L"fail.bin"));
}

TEST_F(Transfer, StopDuringSlowBody) {
  HttpReply slow;
  slow.body = std::string(200000, 's');
  slow.pieceSize = 2000;
  slow.pieceDelayMs = 50;
  server.Route("/slow", slow);

  // One attempt whose stop flag is raised mid-body ends with -1 and leaves
  // the partial file for the loop to judge.
  auto worker = Worker();
  net::DownloadTask t = Get("/slow", folder + L"partial.bin");
  std::thread stopper([&] {
    std::this_thread::sleep_for(700ms);
    worker->holder.stopFlag = 1;
  });
  EXPECT_EQ(worker->Transfer(t), net::DL_CANCELLED);
  stopper.join();
  EXPECT_TRUE(Exists(folder + L"partial.bin"));

  // Through the downloader: Stop ends the worker within the bound, raises no
  // finished event and deletes the file.
  net::HTTPDownloader downloader;
  t = Get("/slow", folder + L"slow.bin");
  t.deleteOnFailure = true;
  ASSERT_TRUE(downloader.Start());
  ASSERT_TRUE(downloader.Submit(t));
  ASSERT_TRUE(server.WaitForRequests(2, 10s));
  std::this_thread::sleep_for(600ms);
  EXPECT_TRUE(Exists(folder + L"slow.bin"));
  const auto begin = std::chrono::steady_clock::now();
  downloader.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 6s);
  EXPECT_FALSE(downloader.IsStarted());
  EXPECT_EQ(journal.finishedCount.load(), 0);
  EXPECT_FALSE(Exists(folder + L"slow.bin"));
}

TEST_F(Transfer, QueuedTasksRunInOrderTwoAtATime) {
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  server.Route("/task", [&](const HttpRequest&) {
    const int now = ++running;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    std::this_thread::sleep_for(400ms);
    --running;
    return HttpReply{200, {}, "done"};
  });
  net::HTTPDownloader downloader;
  for (int i = 1; i <= 3; ++i) {
    net::DownloadTask t = Get("/task?n=" + std::to_string(i));
    t.tag = i;
    ASSERT_TRUE(downloader.Submit(t));
  }
  EXPECT_EQ(downloader.PendingCount(), 3u);
  ASSERT_TRUE(downloader.Start());
  ASSERT_TRUE(downloader.Start());
  EXPECT_EQ(downloader.WorkerCount(), 2u);
  ASSERT_TRUE(journal.WaitFinished(3, 20s));
  EXPECT_EQ(most.load(), 2);
  const std::vector<HttpRequest> r = server.Requests();
  ASSERT_EQ(r.size(), 3u);
  // The first two run together; the third waits for one of them.
  EXPECT_EQ(r[2].target, "/task?n=3");
  EXPECT_GT(r[2].received - r[0].received, 300ms);
  EXPECT_LT(r[1].received - r[0].received, 300ms);
  std::lock_guard<std::mutex> hold(journal.lock);
  for (const auto& f : journal.finished) EXPECT_EQ(f.second, net::DL_OK);
}

}  // namespace

namespace {

pf::Sha256Digest DigestOf(const std::string& bytes) {
  pf::Sha256 hasher;
  pf::Sha256Digest digest{};
  hasher.Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  hasher.Finish(digest);
  return digest;
}

}  // namespace

// SHA-256 of the backend against the published test vectors, fed whole and
// in uneven pieces.
TEST(Crypto, Sha256Vectors) {
  const pf::Sha256Digest abc = DigestOf("abc");
  EXPECT_EQ(storage::HexText(abc.data(), abc.size()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const pf::Sha256Digest empty = DigestOf("");
  EXPECT_EQ(storage::HexText(empty.data(), empty.size()),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  pf::Sha256 pieces;
  const std::string million(1000000, 'a');
  for (size_t at = 0; at < million.size(); at += 9973)
    pieces.Update(reinterpret_cast<const uint8_t*>(million.data()) + at,
                  std::min<size_t>(9973, million.size() - at));
  pf::Sha256Digest a{};
  ASSERT_TRUE(pieces.Finish(a));
  EXPECT_EQ(storage::HexText(a.data(), a.size()),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// ECDSA P-256 verification of the backend (CNG under Wine, libcrypto on
// Linux) with a key pair and version file made once by vexa-sign.
TEST(Crypto, P256VerificationAndOfferCheck) {
  pf::P256PublicKey key{};
  ASSERT_TRUE(storage::ParsePublicKey(
      "04a22e7cb82152e7e34199a62efcbec55ab22d374b1c1f85bb4b7b50bc30f9537db70cbd84c0d758e12401392bc9"
      "4bb712949c370c96f6aab7a040ba4801c07f13",
      key));
  const std::wstring size = L"14";
  const std::wstring hash = L"94eade7cdf651a07ab64f6b27713afc0545f9ffd219f3d4335d573063e62549e";
  const std::wstring signature =
      L"f75cf2061950cfa1a55977634ba0dcf857e52f7015e89b98464fbabee5497bd668ec5c8d67d568a8e0920a6edfcc"
      L"803855652823309c3831608d7c2f0ccc1be1";
  storage::UpgradeOffer offer;
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3005", size, hash, signature, {key}, offer),
            storage::OfferCheck::kVerified);
  EXPECT_EQ(offer.size, 14u);
  EXPECT_EQ(offer.sha256, DigestOf("vector message"));

  // Any changed element of the signed text, the signature or the key fails.
  storage::UpgradeOffer none;
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.2", L"2990-3005", size, hash, signature, {key}, none),
            storage::OfferCheck::kBadSignature);
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3006", size, hash, signature, {key}, none),
            storage::OfferCheck::kBadSignature);
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3005", L"15", hash, signature, {key}, none),
            storage::OfferCheck::kBadSignature);
  std::wstring otherHash = hash;
  otherHash[0] = L'8';
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3005", size, otherHash, signature, {key}, none),
            storage::OfferCheck::kBadSignature);
  std::wstring otherSignature = signature;
  otherSignature[70] = otherSignature[70] == L'0' ? L'1' : L'0';
  EXPECT_EQ(
      storage::CheckOffer(L"3.0.0.1", L"2990-3005", size, hash, otherSignature, {key}, none),
      storage::OfferCheck::kBadSignature);
  // r = 0 and s = 0 are never valid.
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3005", size, hash, std::wstring(128, L'0'),
                                {key}, none),
            storage::OfferCheck::kBadSignature);
  pf::P256PublicKey otherKey = key;
  otherKey[64] ^= 1;  // no longer a point of the curve
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3005", size, hash, signature, {otherKey}, none),
            storage::OfferCheck::kBadSignature);
  EXPECT_EQ(none.size, 0u);  // nothing handed out for the refused ones
  // A rotation: the signing key second in the list of trusted keys.
  EXPECT_EQ(storage::CheckOffer(L"3.0.0.1", L"2990-3005", size, hash, signature,
                                {otherKey, key}, none),
            storage::OfferCheck::kVerified);
}

// A checked download: streamed into a partial file, capped at the expected
// size and named only when the digest matches.
TEST_F(Transfer, CheckedBodyTakesItsNameOnlyWithTheExpectedDigest) {
  HttpReply package;
  for (int i = 0; i < 30000; ++i) package.body += static_cast<char>(i * 7);
  package.pieceSize = 4000;
  server.Route("/package.exe", package);
  const std::wstring target = folder + L"package.exe";
  const std::wstring partial = target + L".partial";

  net::DownloadTask t = Get("/package.exe", target);
  t.checkSha256 = true;
  t.sha256 = DigestOf(package.body);
  t.maxBytes = package.body.size();
  EXPECT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(Read(target), package.body);
  EXPECT_FALSE(Exists(partial));

  // A body with another digest never gets the name and leaves nothing behind;
  // an older file of that name is not touched by the attempt.
  testsupport::WriteRaw(target, "older");
  t = Get("/package.exe", target);
  t.checkSha256 = true;
  t.sha256 = DigestOf(package.body + "x");
  EXPECT_EQ(Attempt(t), net::DL_DIGEST_MISMATCH);
  EXPECT_EQ(Read(target), "older");
  EXPECT_FALSE(Exists(partial));

  // Longer than the cap: refused before anything is written.
  t = Get("/package.exe", target);
  t.checkSha256 = true;
  t.sha256 = DigestOf(package.body);
  t.maxBytes = package.body.size() - 1;
  EXPECT_EQ(Attempt(t), net::DL_BAD_RESPONSE);
  EXPECT_FALSE(Exists(partial));

  // Cut short by the server: a read failure, and the partial file is gone.
  HttpReply cut;
  cut.body = package.body.substr(0, 12000);
  cut.declaredLength = static_cast<int64_t>(package.body.size());
  server.Route("/cut.exe", cut);
  t = Get("/cut.exe", target);
  t.checkSha256 = true;
  t.sha256 = DigestOf(package.body);
  t.maxBytes = package.body.size();
  EXPECT_EQ(Attempt(t), net::DL_READ_FAILED);
  EXPECT_FALSE(Exists(partial));
  EXPECT_EQ(Read(target), "older");

  // The whole worker: a mismatch with delete-on-failure leaves no file at all.
  net::HTTPDownloader downloader;
  ASSERT_TRUE(downloader.Start());
  t = Get("/package.exe", target);
  t.checkSha256 = true;
  t.sha256 = DigestOf("something else");
  t.deleteOnFailure = true;
  ASSERT_TRUE(downloader.Submit(t));
  ASSERT_TRUE(journal.WaitFinished(1, 20s));
  downloader.Stop();
  EXPECT_EQ(journal.finished.back().second, net::DL_DIGEST_MISMATCH);
  EXPECT_FALSE(Exists(target));
  EXPECT_FALSE(Exists(partial));
}
