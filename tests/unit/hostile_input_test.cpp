// What a hostile server or a damaged file can do to the logic: body caps
// checked before a file exists, file names from URLs kept inside their folder,
// exceptions kept inside the worker loop.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "net/download_worker.h"
#include "net/http_downloader.h"
#include "platform/test_files.h"
#include "platform/web_engine.h"
#include "platform/portable/http_common.h"
#include "platform/linux/posix_files.h"
#include "platform/portable/utf8.h"
#include "support/fake_env.h"
#include "support/scoped_env.h"

namespace {

using testsupport::ScopedEnv;

using namespace std::chrono_literals;

class HostileInput : public ::testing::Test {
 protected:
  HostileInput() : http(env.P().http) {
    worker = std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(),
                                                   net::RefererSource{});
    worker->holder.stopFlag = 0;
  }
  // Whether the operation was called after the first `from` calls.
  bool Called(const std::string& name, size_t from = 0) {
    const std::vector<std::string> calls = http.Calls();
    for (size_t i = from; i < calls.size(); ++i)
      if (calls[i] == name) return true;
    return false;
  }

  testsupport::FakeEnv env;
  pf::FakeHttp& http;
  std::shared_ptr<net::DownloadWorker> worker;
};

TEST_F(HostileInput, BodyCapIsCheckedBeforeAnyFileIsCreated) {
  const std::wstring file = env.Root() + L"capped.bin";
  pf::FakeHttp::Answer exact;
  exact.body = std::string(100, 'x');
  http.answers[L"/exact"] = exact;
  pf::FakeHttp::Answer over = exact;
  over.contentLength = 101;  // announced one byte over the cap
  http.answers[L"/over"] = over;
  pf::FakeHttp::Answer huge;
  huge.contentLength = static_cast<int64_t>(net::kDefaultMaxBytes) + 1;
  huge.body = "tiny";
  http.answers[L"/huge"] = huge;
  pf::FakeHttp::Answer big;
  big.contentLength = 0xFFFFFFFFll;
  http.answers[L"/4gib"] = big;

  net::DownloadTask t;
  t.url = L"http://example.com/exact";
  t.filePath = file;
  t.maxBytes = 100;
  EXPECT_EQ(worker->Transfer(t), net::DL_OK);  // exactly the cap is allowed
  EXPECT_EQ(testsupport::ReadRaw(file), exact.body);
  pf::files().DeleteFile(file);
  const size_t mark = http.Calls().size();

  t.url = L"http://example.com/over";
  EXPECT_EQ(worker->Transfer(t), net::DL_BAD_RESPONSE);
  EXPECT_FALSE(pf::files().Exists(file));

  // No cap named: the generous default applies.
  t.maxBytes = 0;
  t.url = L"http://example.com/huge";
  EXPECT_EQ(worker->Transfer(t), net::DL_BAD_RESPONSE);
  t.url = L"http://example.com/4gib";
  EXPECT_EQ(worker->Transfer(t), net::DL_BAD_RESPONSE);
  EXPECT_FALSE(Called("CreateFile", mark));
  EXPECT_FALSE(pf::files().Exists(file));
  EXPECT_EQ(http.OpenHandles(), 0);
}

TEST_F(HostileInput, FileNamesFromUrlsStayInsideTheirFolder) {
  for (const wchar_t* good : {L"app.ini", L"Vexatavo.exe", L"a b.txt", L"x.y.z", L"icon.ini",
                              L"COM10", L"version-2.ini", L"游戏.ini"})
    EXPECT_TRUE(net::IsSafeFileName(good)) << testsupport::Narrow(good);
  for (const wchar_t* bad :
       {L"", L".", L"..", L"..\\evil.exe", L"a\\b", L"a/b", L"c:evil", L"a*b", L"a?b", L"a\"b",
        L"a<b", L"a>b", L"a|b", L"tab\there", L"new\nline", L"dots..", L"trail.", L"trail ",
        L"CON", L"con.ini", L"Nul", L"aux.txt", L"PRN", L"com1", L"LPT9.ini", L"COM\u00B9",
        L"conin$", L"app.ini?x=1"})
    EXPECT_FALSE(net::IsSafeFileName(bad)) << testsupport::Narrow(bad);

  http.answers[L"*"] = pf::FakeHttp::Answer{};
  http.answers[L"*"].body = "payload";
  const std::wstring folder = env.Root() + L"Upgrade/";
  pf::files().CreateFolder(folder);
  net::DownloadTask t;
  t.url = L"http://example.com/Vexa/..\\..\\evil.ini";
  t.filePath = folder;
  t.appendUrlName = true;
  EXPECT_EQ(worker->Transfer(t), net::DL_FILE_CREATE_FAILED);
  worker->BeginTask();
  t.filePath = folder;
  t.appendUrlName = false;
  t.uniqueName = true;
  t.url = L"http://example.com/CON";
  EXPECT_EQ(worker->Transfer(t), net::DL_FILE_CREATE_FAILED);
  EXPECT_FALSE(Called("CreateFile"));
  worker->BeginTask();
  t.filePath = folder;
  t.uniqueName = false;
  t.appendUrlName = true;
  t.url = L"http://example.com/Vexa/app.ini";
  EXPECT_EQ(worker->Transfer(t), net::DL_OK);
  EXPECT_EQ(t.filePath, folder + L"app.ini");
  EXPECT_EQ(http.OpenHandles(), 0);
}

struct Journal {
  std::mutex lock;
  std::vector<std::pair<int32_t, int32_t>> finished;  // tag, result
  std::atomic<int> count{0};
  static int32_t Callback(uintptr_t user, int32_t tag, int32_t event, int32_t value, uintptr_t) {
    auto* j = reinterpret_cast<Journal*>(user);
    if (event == net::DL_EVENT_STARTED && tag == 1) throw std::runtime_error("receiver failed");
    if (event == net::DL_EVENT_FINISHED) {
      {
        std::lock_guard<std::mutex> hold(j->lock);
        j->finished.emplace_back(tag, value);
      }
      ++j->count;
      if (tag == 2) throw std::bad_alloc();
    }
    return 0;
  }
};

TEST_F(HostileInput, NoExceptionLeavesTheWorkerLoop) {
  pf::FakeHttp::Answer a;
  a.body = std::string(30000, 'q');
  http.answers[L"*"] = a;
  // The first read of the transfer for /throws raises, as an allocation would.
  std::atomic<bool> armed{true};
  http.onCall = [&](const std::string& name) {
    if (name == "Read" && armed.exchange(false)) throw std::bad_alloc();
  };
  Journal journal;
  net::HTTPDownloader downloader;
  ASSERT_TRUE(downloader.Start());
  auto submit = [&](int32_t tag, const std::wstring& name) {
    net::DownloadTask t;
    t.url = L"http://example.com/" + name;
    t.filePath = env.Root() + name;
    t.callback = &Journal::Callback;
    t.userData = reinterpret_cast<uintptr_t>(&journal);
    t.tag = tag;
    t.deleteOnFailure = true;
    ASSERT_TRUE(downloader.Submit(t));
  };
  submit(0, L"throws");  // the transfer throws: a failed attempt
  // Let the first task take the armed read before the others start.
  for (int i = 0; i < 500 && armed.load(); ++i) std::this_thread::sleep_for(10ms);
  submit(1, L"started-throws");  // the started event throws
  submit(2, L"finished-throws");  // the finished event throws
  submit(3, L"after");
  for (int i = 0; i < 500 && journal.count.load() < 4; ++i) std::this_thread::sleep_for(10ms);
  downloader.Stop();
  std::lock_guard<std::mutex> hold(journal.lock);
  ASSERT_EQ(journal.finished.size(), 4u);
  for (const auto& f : journal.finished) {
    if (f.first == 0)
      EXPECT_EQ(f.second, net::DL_READ_FAILED);
    else
      EXPECT_EQ(f.second, net::DL_OK) << "tag " << f.first;
  }
  EXPECT_FALSE(pf::files().Exists(env.Root() + L"throws"));  // deleted as a failure
  EXPECT_EQ(testsupport::ReadRaw(env.Root() + L"after"), a.body);
  EXPECT_EQ(http.OpenHandles(), 0);
}

TEST(TrustedPages, OnlyTheListedHostsOverHttpOrHttps) {
  pf::SetTrustedPageHosts({});
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://www.example.com/"));
  pf::SetTrustedPageHosts({L"www.Example.com", L"login.example.com:8080"});
  EXPECT_TRUE(pf::IsTrustedPageUrl(L"http://www.example.com/tavo/wd/index.html"));
  EXPECT_TRUE(pf::IsTrustedPageUrl(L"HTTPS://WWW.EXAMPLE.COM:444?x=1"));
  EXPECT_TRUE(pf::IsTrustedPageUrl(L"http://login.example.com:8080/in"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://login.example.com/in"));  // another port
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://login.example.com:80/in"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://www.example.com.evil.net/"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://www.example.com@evil.net/"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://evil.net/www.example.com"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"http://evil.net\\@www.example.com/"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"ftp://www.example.com/"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"javascript:'http://www.example.com/'"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L"about:blank"));
  EXPECT_FALSE(pf::IsTrustedPageUrl(L""));
  pf::SetTrustedPageHosts({});
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(HostileInput, AnswerFilesLiveInAPrivateFolderAndNeverFollowLinks) {
  const std::string root = pf::ToUtf8(env.Root());
  const std::string runtime = root + "runtime";
  ::mkdir(runtime.c_str(), 0700);
  const std::string temp = root + "tmp";
  ::mkdir(temp.c_str(), 0777);
  ScopedEnv tmpdir("TMPDIR", temp);
  {
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime);
    pf::PosixFiles files;
    EXPECT_EQ(files.PrivateTempFolder(), pf::FromUtf8(runtime + "/vexatavo/"));
    EXPECT_EQ(Mode(runtime + "/vexatavo"), 0700u);
  }
  const std::string own = temp + "/vexatavo-" + std::to_string(::geteuid());
  {
    // A runtime folder others may enter is not used.
    ::chmod(runtime.c_str(), 0755);
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime);
    pf::PosixFiles files;
    EXPECT_EQ(files.PrivateTempFolder(), pf::FromUtf8(own + "/"));
    EXPECT_EQ(Mode(own), 0700u);
  }
  ::rmdir(own.c_str());
  {
    // A link planted where the user's folder goes: a fresh folder instead.
    ASSERT_EQ(::symlink(runtime.c_str(), own.c_str()), 0);
    ScopedEnv xdg("XDG_RUNTIME_DIR", "");
    pf::PosixFiles files;
    const std::string chosen = pf::ToUtf8(files.PrivateTempFolder());
    EXPECT_EQ(chosen.rfind(temp + "/vexatavo-", 0), 0u) << chosen;
    EXPECT_NE(chosen, own + "/");
    EXPECT_EQ(Mode(chosen.substr(0, chosen.size() - 1)), 0700u);
  }

  // A link at the answer file's path is replaced, its target left alone.
  const std::string victim = root + "victim.txt";
  testsupport::WriteRaw(pf::FromUtf8(victim), "precious");
  const std::string answer = root + "ActiveStat.tmp";
  ASSERT_EQ(::symlink(victim.c_str(), answer.c_str()), 0);
  pf::HTargetFile file = pf::PosixCreateTargetFile(pf::FromUtf8(answer));
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(pf::PosixWriteTargetFile(file, reinterpret_cast<const uint8_t*>("gif"), 3));
  pf::PosixCloseTargetFile(file);
  EXPECT_EQ(testsupport::ReadRaw(pf::FromUtf8(victim)), "precious");
  EXPECT_EQ(testsupport::ReadRaw(pf::FromUtf8(answer)), "gif");
  EXPECT_EQ(Mode(answer), 0600u);
}

}  // namespace
