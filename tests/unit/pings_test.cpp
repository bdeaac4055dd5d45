// The install-info record, the statistics and browser pings and the desktop
// integration, over the fake platform with a recording download queue.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "app/app_messages.h"
#include "app/components.h"
#include "deploy/deployment.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "platform/outside_address.h"
#include "platform/portable/utf8.h"
#include "platform/win32_values.h"
#include "reporting/install_info.h"
#include "reporting/machine_identity.h"
#include "storage/upgrade.h"
#include "support/fake_env.h"
#include "support/recording_queue.h"
#include "support/test_components.h"

namespace {

const std::wstring kCpuOnlyId = L"0f433d4b1940b7417c784d1891bffd70";  // MD5 of the fake's CPU text
const std::wstring kEmptyDigest = L"d41d8cd98f00b204e9800998ecf8427e";
const std::wstring kFirstGuid = L"A0000001123456780102030405060708";

class Pings : public ::testing::Test {
 protected:
  void SetUp() override { reporting::ResetIdentityCachesForTest(); }
  void TearDown() override {
    ctx.reset();
    reporting::ResetIdentityCachesForTest();
  }
  // A context as the program makes it, with a recording queue as its downloader.
  app::CGlobalModule& Start(bool withQueue = true) {
    ctx = std::make_unique<app::CGlobalModule>(components);
    if (withQueue) {
      auto q = std::make_unique<testsupport::RecordingQueue>();
      queue = q.get();
      ctx->downloader = std::move(q);
    }
    return *ctx;
  }
  std::wstring Stats(const std::wstring& query) {
    return std::wstring(L"http://") + deploy::kStatsHost + L"/ps.gif?" + query;
  }
  testsupport::FakeEnv env;
  testsupport::TestComponents components;
  std::unique_ptr<app::CGlobalModule> ctx;
  testsupport::RecordingQueue* queue = nullptr;
};

TEST_F(Pings, InstallPingOnAFirstRun) {
  app::CGlobalModule& c = Start();
  EXPECT_TRUE(c.installInfo.MacDigestForCookie().empty());
  ASSERT_TRUE(c.installInfo.SendInstallPing());
  ASSERT_EQ(queue->tasks.size(), 1u);
  const net::DownloadTask& t = queue->tasks[0];
  EXPECT_EQ(t.url, Stats(L"id=2&gid=1062&e1=wd&e2=Vexawancom&e3=tavo&e4=" + kFirstGuid + L"&e5=" +
                         kCpuOnlyId + L"&e6=2&e8=3000&e9=2026-01-01 08:00:00&at=2"));
  EXPECT_EQ(t.filePath, env.Root() + L"temp/InstallStat.tmp");
  EXPECT_EQ(t.tag, storage::kTagInstallPing);
  EXPECT_EQ(t.callback, &storage::OnDownloadEvent);
  EXPECT_EQ(t.userData, reinterpret_cast<uintptr_t>(&c));
  EXPECT_EQ(t.retryCount, 0);
  EXPECT_EQ(t.body, nullptr);
  EXPECT_EQ(t.bodyLength, 0);
  EXPECT_FALSE(t.appendUrlName);
  EXPECT_FALSE(t.uniqueName);
  EXPECT_TRUE(t.deleteOnFailure);
  EXPECT_EQ(queue->starts, 1);
  EXPECT_EQ(storage::ReadIniText(L"Install", L"GUID", L""), kFirstGuid);
  EXPECT_EQ(storage::ReadIniText(L"Install", L"InstallTime", L""), L"2026-01-01 08:00:00");
  EXPECT_EQ(c.installInfo.MacDigest(), kEmptyDigest);
  EXPECT_EQ(c.installInfo.MacDigestForCookie(), kEmptyDigest.substr(0, 28));
}

TEST_F(Pings, ValuesFromTheSettingsAndTheMachineReachTheUrl) {
  storage::WriteIniText(L"Common", L"Refer", L"r&1");
  storage::WriteIniText(L"Common", L"UID", L"u 2");
  storage::WriteIniText(L"Install", L"InstallType", L"1");
  storage::WriteIniText(L"Install", L"GUID", L"OLD");
  storage::WriteIniText(L"Install", L"InstallTime", L"2019-12-31 23:59:59");
  env.P().registry.AddKey(L"SOFTWARE\\Sicent\\wx2004Clt");
  app::CGlobalModule& c = Start();
  c.installInfo.SendInstallPing();
  ASSERT_EQ(queue->tasks.size(), 1u);
  EXPECT_EQ(queue->tasks[0].url, Stats(L"id=2&gid=1062&e1=wd&e2=r&1&e3=u 2&e4=OLD&e5=" +
                                       kCpuOnlyId + L"&e6=1&e8=3000&e9=2019-12-31 23:59:59&at=3"));
  EXPECT_EQ(storage::ReadIniText(L"Install", L"GUID", L""), L"OLD");
}

TEST_F(Pings, UninstallPingCarriesE7ByTheDateOfTheInstallTime) {
  app::CGlobalModule& c = Start();
  ASSERT_TRUE(c.installInfo.SendUninstallPing());
  ASSERT_EQ(queue->tasks.size(), 1u);
  EXPECT_EQ(queue->tasks[0].url,
            Stats(L"id=2&gid=1062&e1=wd&e2=Vexawancom&e3=tavo&e4=" + kFirstGuid + L"&e5=" +
                  kCpuOnlyId + L"&e6=2&e7=1&e8=3000&e9=2026-01-01 08:00:00&at=6"));
  EXPECT_EQ(queue->tasks[0].tag, storage::kTagUninstallPing);
  EXPECT_EQ(queue->tasks[0].filePath, env.Root() + L"temp/UninstallStat.tmp");

  // Another day, and a clock that cannot be read, give 2.
  env.P().system.localTime = {2026, 1, 2, 0, 0, 1};
  c.installInfo.SendUninstallPing();
  env.P().system.localTimeFails = true;
  c.installInfo.SendUninstallPing();
  ASSERT_EQ(queue->tasks.size(), 3u);
  EXPECT_NE(queue->tasks[1].url.find(L"&e6=2&e7=2&e8=3000&"), std::wstring::npos);
  EXPECT_NE(queue->tasks[2].url.find(L"&e6=2&e7=2&e8=3000&"), std::wstring::npos);
}

TEST_F(Pings, InstallTimeIsReadOnceAtTheStartAndHandedToTheRecord) {
  app::CGlobalModule& c = Start();
  EXPECT_EQ(c.installInfo.installTime, L"2026-01-01 08:00:00");
  // A later change of the file is not seen: the pings carry the start's value
  // and nothing is written again.
  storage::WriteIniText(L"Install", L"InstallTime", L"2020-02-02 02:02:02");
  env.P().system.localTime = {2026, 1, 2, 0, 0, 1};
  ASSERT_TRUE(c.installInfo.SendInstallPing());
  EXPECT_NE(queue->tasks[0].url.find(L"&e9=2026-01-01 08:00:00&at=2"), std::wstring::npos);
  EXPECT_EQ(storage::ReadIniText(L"Install", L"InstallTime", L""), L"2020-02-02 02:02:02");

  // A record that was handed nothing reads the file itself, and stamps an
  // empty value with the time now.
  reporting::InstallInfo own;
  own.Load();
  EXPECT_EQ(own.installTime, L"2020-02-02 02:02:02");
  storage::WriteIniText(L"Install", L"InstallTime", L"");
  reporting::InstallInfo stamped;
  stamped.Load();
  EXPECT_EQ(stamped.installTime, L"2026-01-02 00:00:01");
  EXPECT_EQ(storage::ReadIniText(L"Install", L"InstallTime", L""), L"2026-01-02 00:00:01");
}

TEST_F(Pings, ActivityPingOncePerProcessAndTheRecordLoadsOnce) {
  env.P().system.commandLine = L"C:\\Vexa\\Vexatavo.exe /autorun";
  app::CGlobalModule& c = Start();
  EXPECT_TRUE(c.installInfo.SendActivePing());
  EXPECT_FALSE(c.installInfo.SendActivePing());
  c.installInfo.SendInstallPing();
  ASSERT_EQ(queue->tasks.size(), 2u);
  EXPECT_EQ(queue->tasks[0].tag, storage::kTagActivePing);
  EXPECT_EQ(queue->tasks[0].filePath, env.Root() + L"temp/ActiveStat.tmp");
  EXPECT_NE(queue->tasks[0].url.find(L"&e6=2&e8=3000&e9=2026-01-01 08:00:00&at=4"),
            std::wstring::npos);
  EXPECT_EQ(env.P().machine.snapshots, 11);  // the net-cafe detection ran once
  EXPECT_EQ(env.P().machine.cpuidCalls, 1);
  EXPECT_EQ(queue->starts, 1);

  testsupport::FakeEnv plain;
  reporting::ResetIdentityCachesForTest();
  Start().installInfo.SendActivePing();
  EXPECT_NE(queue->tasks[0].url.find(L"&at=5"), std::wstring::npos);
}

TEST_F(Pings, NoDownloaderOrOneThatCannotStartSendsNothing) {
  app::CGlobalModule& c = Start(false);
  EXPECT_FALSE(c.installInfo.SendInstallPing());
  EXPECT_TRUE(c.installInfo.loaded);
  Start();
  queue->startSucceeds = false;
  EXPECT_FALSE(ctx->installInfo.SendInstallPing());
  EXPECT_TRUE(queue->tasks.empty());
  queue->startSucceeds = true;
  queue->accepts = false;
  EXPECT_FALSE(ctx->installInfo.SendUninstallPing());
}

TEST_F(Pings, ShortRunEndsByItselfWhenItsPingCannotBeHandedOver) {
  app::CGlobalModule& c = Start(false);
  app::DefaultComponents().SendInstallPing(c);
  EXPECT_EQ(env.P().ui.RunMessageLoop(nullptr), 0);  // the quit message ends the loop
  Start();
  app::DefaultComponents().SendUninstallPing(*ctx);
  EXPECT_EQ(queue->tasks.size(), 1u);
  EXPECT_EQ(env.P().ui.RunMessageLoop(nullptr), pf::FakeUi::kLoopRanDry);
}

TEST_F(Pings, BrowserPingsPercentEncodeThePageInTheAnsiCodePage) {
  EXPECT_EQ(reporting::PercentEncode("aZ09~!*()'-_. /%"), L"aZ09~!*()'%2d%5f%2e%20%2f%25");
  EXPECT_EQ(reporting::PercentEncode("\xe4\xb8\xad\xff"), L"%e4%b8%ad%ff");
  app::CGlobalModule& c = Start();
  c.lastOutsideUrl = L"http://www.v.com/a b.html?x=中";
  ASSERT_TRUE(reporting::SendPlatformBrowserPing());
  ASSERT_TRUE(reporting::SendOtherBrowserPing());
  ASSERT_EQ(queue->tasks.size(), 2u);
  const std::wstring r = L"http%3a%2f%2fwww%2ev%2ecom%2fa%20b%2ehtml%3fx%3d%e4%b8%ad";
  EXPECT_EQ(queue->tasks[0].url, std::wstring(L"http://") + deploy::kBrowserStatsHost +
                                     L"/web/ajax70?uId2=QMVKTRZDWA&r=" + r + L"&lO=Dazede");
  EXPECT_EQ(queue->tasks[0].tag, storage::kTagPlatformBrowserPing);
  EXPECT_EQ(queue->tasks[0].filePath, env.Root() + L"temp/VexaBrowser.tmp");
  EXPECT_EQ(queue->tasks[1].url, std::wstring(L"http://") + deploy::kBrowserStatsHost +
                                     L"/web/ajax71?uId2=QMVKTRZDWA&r=" + r + L"&lO=Dazede");
  EXPECT_EQ(queue->tasks[1].tag, storage::kTagOtherBrowserPing);
  EXPECT_EQ(queue->tasks[1].filePath, env.Root() + L"temp/ElseBrowser.tmp");
  EXPECT_TRUE(queue->tasks[1].deleteOnFailure);
  // An empty file name leaves the name to the URL.
  ASSERT_TRUE(reporting::SubmitPing(L"http://h/x.gif", 9, L""));
  EXPECT_TRUE(queue->tasks[2].appendUrlName);
  EXPECT_EQ(queue->tasks[2].filePath, env.Root() + L"temp/");
}

class Desktop : public Pings {
 protected:
  Desktop() { app::ResetOutsideOpensForTest(); }
  pf::FakeRegistry& Reg() { return env.P().registry; }
  pf::FakeShell& Shell() { return env.P().shell; }
};

TEST_F(Desktop, PlatformBrowserFromTheRegistryViewOfTheSystem) {
  pf::FakeMachine& m = env.P().machine;
  EXPECT_EQ(app::GetSystemBitness(), 32);
  m.architecture = pf::kPROCESSOR_ARCHITECTURE_AMD64;
  EXPECT_EQ(app::GetSystemBitness(), 64);
  m.architecture = pf::kPROCESSOR_ARCHITECTURE_IA64;
  EXPECT_EQ(app::GetSystemBitness(), 64);
  m.architecture = 12;  // ARM64 counts as 32
  EXPECT_EQ(app::GetSystemBitness(), 32);

  m.architecture = pf::kPROCESSOR_ARCHITECTURE_INTEL;
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"), L"");
  Reg().SetText(L"SOFTWARE\\VexaExplorer", L"Path", L"C:\\Program Files\\VexaExplorer",
                pf::FakeRegistry::k32);
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"),
            L"C:\\Program Files\\VexaExplorer\\VexaExplorer.exe");
  EXPECT_EQ(Reg().opened.back().access, 0x20219u);

  // On a 64-bit system only the key under Wow6432Node counts, in the 64-bit view.
  m.architecture = pf::kPROCESSOR_ARCHITECTURE_AMD64;
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"), L"");
  EXPECT_EQ(Reg().opened.back().path, L"SOFTWARE\\Wow6432Node\\VexaExplorer");
  EXPECT_EQ(Reg().opened.back().access, 0x20119u);
  Reg().SetText(L"SOFTWARE\\Wow6432Node\\VexaExplorer", L"Path", L"D:\\VE", pf::FakeRegistry::k64);
  EXPECT_EQ(app::FindPlatformBrowser(L"\\VexaExplorer.exe"), L"D:\\VE\\VexaExplorer.exe");

  // 129 characters and the terminator fit in 260 bytes; 130 do not.
  Reg().SetText(L"SOFTWARE\\Wow6432Node\\VexaExplorer", L"Path", std::wstring(129, L'p'),
                pf::FakeRegistry::k64);
  EXPECT_EQ(app::FindPlatformBrowser(L"\\b.exe"), std::wstring(129, L'p') + L"\\b.exe");
  Reg().SetText(L"SOFTWARE\\Wow6432Node\\VexaExplorer", L"Path", std::wstring(130, L'p'),
                pf::FakeRegistry::k64);
  EXPECT_EQ(app::FindPlatformBrowser(L"\\b.exe"), L"");
}

TEST_F(Desktop, PagesOpenInThePlatformBrowserWhenItIsThere) {
  const std::wstring browser = env.Root() + L"VexaExplorer.exe";
  std::ofstream(pf::ToUtf8(browser)) << "x";
  components.platformBrowser = browser;
  app::CGlobalModule& c = Start();
  app::OpenInOutsideBrowser(L"http://www.v.com/pay");
  ASSERT_EQ(Shell().calls.size(), 1u);
  EXPECT_EQ(Shell().calls[0].verb, L"");
  EXPECT_EQ(Shell().calls[0].file, browser);
  EXPECT_EQ(Shell().calls[0].parameters, L"\"http://www.v.com/pay\"");  // one quoted argument
  EXPECT_EQ(Shell().calls[0].show, pf::kSW_SHOWNORMAL);
  EXPECT_EQ(c.lastOutsideUrl, L"http://www.v.com/pay");
  ASSERT_EQ(queue->tasks.size(), 1u);
  EXPECT_EQ(queue->tasks[0].tag, storage::kTagPlatformBrowserPing);
  // The referer travels in the ping's own task.
  EXPECT_EQ(queue->tasks[0].referer, L"http://www.v.com/pay");

  // Once the browser is gone from the disk, the fallback opens the page.
  env.P().files.DeleteFile(browser);
  app::OpenInOutsideBrowser(L"http://www.v.com/b");
  ASSERT_EQ(Shell().calls.size(), 2u);
  EXPECT_EQ(Shell().calls[1].verb, L"open");
  EXPECT_EQ(Shell().calls[1].file, L"iexplore");
  EXPECT_EQ(Shell().calls[1].parameters, L"\"http://www.v.com/b\"");
  EXPECT_EQ(Shell().calls[1].show, pf::kSW_SHOW);
  EXPECT_EQ(queue->tasks.back().tag, storage::kTagOtherBrowserPing);
  EXPECT_TRUE(queue->tasks.back().referer.empty());
  EXPECT_FALSE(queue->tasks.back().plantCookie);
}

TEST_F(Desktop, WithoutIexploreTheAddressItselfIsOpened) {
  app::CGlobalModule& c = Start();
  Shell().results[L"iexplore"] = 2;
  Shell().results[L"http://x/y"] = 2;  // both failing is not reported
  app::OpenInOutsideBrowser(L"http://x/y");
  ASSERT_EQ(Shell().calls.size(), 2u);
  EXPECT_EQ(Shell().calls[1].verb, L"open");
  EXPECT_EQ(Shell().calls[1].file, L"http://x/y");
  EXPECT_EQ(Shell().calls[1].parameters, L"");
  EXPECT_EQ(Shell().calls[1].show, pf::kSW_SHOW);
  EXPECT_EQ(c.lastOutsideUrl, L"http://x/y");
  ASSERT_EQ(queue->tasks.size(), 1u);
  EXPECT_TRUE(queue->tasks[0].referer.empty());
  EXPECT_NE(queue->tasks[0].url.find(L"/web/ajax71?uId2=QMVKTRZDWA&r=http%3a%2f%2fx%2fy&lO="),
            std::wstring::npos);
}

// Only plain web addresses leave for another program; every other address a
// page may choose starts nothing and sends no ping.
TEST_F(Desktop, HostileAddressesNeverReachTheShell) {
  const std::wstring hostile[] = {
      L"file:///C:/Windows/System32/calc.exe",
      L"FILE://server/share/x.exe",
      L"\\\\attacker\\share\\setup.exe",
      L"//attacker/share/setup.exe",
      L"C:\\Windows\\notepad.exe",
      L"/usr/bin/xterm",
      L"ms-msdt:/id PCWDiagnostic",
      L"steam://run/1",
      L"javascript:alert(1)",
      L"vbscript:msgbox",
      L"mailto:a@b.c",
      L"search-ms:query=x",
      L"http://",
      L"http:///etc/passwd",
      L"http:/x.com",
      L" http://www.v.com/",
      L"http://www.v.com/a b",
      L"http://www.v.com/\"--renderer-cmd-prefix=calc",
      L"http://www.v.com/' x",
      L"http://www.v.com/\\..\\x",
      L"http://www.v.com/\t",
      L"http://www.v.com/\r\nx",
      std::wstring(L"http://www.v.com/") + L'\0' + L"x",
      L"http://www.v.com/\u202Eexe.txt",
      L"http://www.v.com/\u3000x",
      L"http://www.v.com/<x>",
      L"http://www.v.com/" + std::wstring(2100, L'a'),
      L"",
  };
  const std::wstring browser = env.Root() + L"VexaExplorer.exe";
  std::ofstream(pf::ToUtf8(browser)) << "x";
  components.platformBrowser = browser;
  app::CGlobalModule& c = Start();
  for (const std::wstring& url : hostile) {
    EXPECT_FALSE(pf::IsSafeOutsideAddress(url)) << pf::ToUtf8(url);
    app::OpenInOutsideBrowser(url);
  }
  EXPECT_TRUE(Shell().calls.empty());
  EXPECT_TRUE(queue->tasks.empty());
  EXPECT_TRUE(c.lastOutsideUrl.empty());

  // What still opens: both schemes in any case, up to the length limit.
  for (const wchar_t* url :
       {L"http://www.v.com/pay?a=1&b=%20#x", L"HTTPS://www.v.com/", L"hTTp://127.0.0.1:8080/x"})
    EXPECT_TRUE(pf::IsSafeOutsideAddress(url)) << pf::ToUtf8(url);
  const std::wstring longest = L"http://v/" + std::wstring(pf::kOutsideAddressMax - 9, L'a');
  EXPECT_TRUE(pf::IsSafeOutsideAddress(longest));
  EXPECT_FALSE(pf::IsSafeOutsideAddress(longest + L"a"));
  app::OpenInOutsideBrowser(L"https://www.v.com/x");
  ASSERT_EQ(Shell().calls.size(), 1u);
  EXPECT_EQ(Shell().calls[0].parameters, L"\"https://www.v.com/x\"");
  EXPECT_EQ(queue->tasks.size(), 1u);
}

// The platform-browser ping carries its page as the referer; the cookie is
// planted only for the platform's own hosts.
TEST_F(Desktop, RefererHandOverTravelsInThePingTask) {
  const std::wstring browser = env.Root() + L"VexaExplorer.exe";
  std::ofstream(pf::ToUtf8(browser)) << "x";
  components.platformBrowser = browser;
  Start();
  const std::wstring own = std::wstring(L"http://") + deploy::kWebHost + L"/pay.html?x=1";
  app::OpenInOutsideBrowser(own);
  app::OpenInOutsideBrowser(L"http://elsewhere.example/page");
  ASSERT_EQ(queue->tasks.size(), 2u);
  EXPECT_EQ(queue->tasks[0].referer, own);
  EXPECT_TRUE(queue->tasks[0].plantCookie);
  EXPECT_EQ(queue->tasks[1].referer, L"http://elsewhere.example/page");
  EXPECT_FALSE(queue->tasks[1].plantCookie);
  EXPECT_TRUE(reporting::IsPlatformAddress(L"HTTP://user@" + std::wstring(deploy::kGameHost) +
                                           L"/x"));
  EXPECT_FALSE(reporting::IsPlatformAddress(std::wstring(L"http://") + deploy::kWebHost +
                                            L".evil.example/"));
  // The other-browser ping carries no referer.
  env.P().files.DeleteFile(browser);
  app::ResetOutsideOpensForTest();
  app::OpenInOutsideBrowser(own);
  ASSERT_EQ(queue->tasks.size(), 3u);
  EXPECT_EQ(queue->tasks[2].referer, L"");
}

// A page that opens pop-ups in a loop starts at most three browsers a second.
TEST_F(Desktop, OpensAreLimitedToAFewASecond) {
  Start();
  for (int i = 0; i < 20; ++i) app::OpenInOutsideBrowser(L"http://www.v.com/" + std::to_wstring(i));
  EXPECT_LE(Shell().calls.size(), 6u);  // iexplore and the address itself for each
  EXPECT_EQ(queue->tasks.size(), 3u);
  std::this_thread::sleep_for(std::chrono::milliseconds(1050));
  app::OpenInOutsideBrowser(L"http://www.v.com/later");
  EXPECT_EQ(queue->tasks.size(), 4u);
}

TEST_F(Desktop, PayPageIconAnimationAndToggle) {
  app::CGlobalModule& c = Start();
  EXPECT_EQ(app::BuildPayPageUrl(),
            std::wstring(L"http://") + deploy::kWebHost + L"/pay.html?gid=1062&sid=&uid=");
  c.serverId = L"s12";
  c.userName = L"a&b=c";
  // The values are percent-encoded (UTF-8): an account text cannot add parameters.
  EXPECT_EQ(app::BuildPayPageUrl(),
            std::wstring(L"http://") + deploy::kWebHost + L"/pay.html?gid=1062&sid=s12&uid=a%26b%3Dc");
  c.serverId = L"s 1+2";
  c.userName = L"玩家_1.x~";
  EXPECT_EQ(app::BuildPayPageUrl(), std::wstring(L"http://") + deploy::kWebHost +
                                        L"/pay.html?gid=1062&sid=s%201%2B2&uid=%E7%8E%A9%E5%AE%B6_1.x~");

  app::LaunchIconAnimation();
  EXPECT_TRUE(Shell().calls.empty());
  const std::wstring program = storage::GetDataFolder() + L"iconAnimate.exe";
  std::ofstream(pf::ToUtf8(program)) << "x";
  app::LaunchIconAnimation();
  ASSERT_EQ(Shell().calls.size(), 1u);
  EXPECT_EQ(Shell().calls[0].file, program);
  EXPECT_EQ(Shell().calls[0].verb, L"");
  EXPECT_EQ(Shell().calls[0].parameters, L"");
  EXPECT_EQ(Shell().calls[0].show, pf::kSW_SHOWNORMAL);

  app::ToggleDesktop();
  Shell().shellAvailable = false;
  app::ToggleDesktop();
  EXPECT_EQ(Shell().toggles, 2);
}

}  // namespace
