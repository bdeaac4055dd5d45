#include <gtest/gtest.h>

#include "app/deployment.h"
#include "app/global_module.h"
#include "support/fake_env.h"
#include "support/test_components.h"

namespace {

class GlobalModuleTest : public ::testing::Test {
 protected:
  testsupport::FakeEnv env;
  testsupport::TestComponents components;
  std::wstring Setting(const std::wstring& section, const std::wstring& key) {
    return storage::ReadIniText(section, key, L"<missing>");
  }
};

TEST_F(GlobalModuleTest, FirstStartBuildsTheStartPageAndStampsTheSettings) {
  env.P().system.localTime = {2026, 3, 4, 5, 6, 7};
  components.platformBrowser = L"/opt/VexaExplorer/VexaExplorer.exe";
  app::CGlobalModule ctx(components);
  EXPECT_EQ(ctx.startPageUrl,
            std::wstring(L"http://") + deploy::kWebHost +
                L"/tavo/wd/index.html?referer=Vexawancom&frm=tavo&version=3000"
                L"&installtime=20260304&runcount=1&curtime=20260304050607&showlogintype=3"
                L"&regtimes=1");
  EXPECT_EQ(Setting(L"Install", L"InstallTime"), L"2026-03-04 05:06:07");
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"1");
  EXPECT_EQ(ctx.GetRunCount(), 1);
  EXPECT_EQ(components.lookedUpBrowser, L"\\VexaExplorer.exe");
  EXPECT_EQ(ctx.platformBrowserPath, L"/opt/VexaExplorer/VexaExplorer.exe");
  EXPECT_EQ(ctx.versionCheckUrl,
            std::wstring(L"http://") + deploy::kDownloadHost + L"/Vexa/tavo/official/app.ini");
  EXPECT_EQ(ctx.refer, L"Vexawancom");
  EXPECT_EQ(ctx.uid, L"tavo");
  EXPECT_EQ(ctx.topMost, 0);
  EXPECT_TRUE(ctx.lastOutsideUrl.empty());
  EXPECT_EQ(app::CGlobalModule::Instance(), &ctx);
}

TEST_F(GlobalModuleTest, SettingsReplaceTheDefaultsAndTheQueryTakesThem) {
  storage::WriteIniText(L"Common", L"Refer", L"");
  storage::WriteIniText(L"Common", L"UID", L"u9");
  storage::WriteIniText(L"Common", L"TopMost", L"1abc");
  storage::WriteIniText(L"Common", L"AutoRun", L"abc");
  storage::WriteIniText(L"Common", L"RunCount", L"41");
  storage::WriteIniText(L"Common", L"VersionDownLoad", L"http://d/x.exe");
  storage::WriteIniText(L"Install", L"InstallTime", L"2018-05-06 10:00:00");
  app::CGlobalModule ctx(components);
  EXPECT_EQ(ctx.refer, L"");
  EXPECT_EQ(ctx.topMost, 1);
  EXPECT_EQ(ctx.autoRun, 0);
  EXPECT_EQ(ctx.versionDownloadUrl, L"http://d/x.exe");
  EXPECT_NE(ctx.startPageUrl.find(L"?referer=&frm=u9&version=3000&installtime=20180506&runcount=42&"),
            std::wstring::npos);
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"42");
}

TEST_F(GlobalModuleTest, RunCountRules) {
  env.P().system.commandLine = L"\"C:\\Vexa\\vexa.exe\" /setupsucc";
  {
    app::CGlobalModule ctx(components);
    EXPECT_EQ(ctx.GetRunCount(), 0);
    EXPECT_EQ(ctx.GetRunCount(), 0);
    EXPECT_NE(ctx.startPageUrl.find(L"&runcount=0&"), std::wstring::npos);
    EXPECT_EQ(ctx.startPageUrl.find(L"regtimes"), std::wstring::npos);
  }
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"<missing>");
  // The install time is stamped in every run mode.
  EXPECT_NE(Setting(L"Install", L"InstallTime"), L"<missing>");

  env.P().system.commandLine = L"vexa.exe /uninstallsucc";
  { app::CGlobalModule ctx(components); }
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"1");
  env.P().system.commandLine = L"vexa.exe";
  {
    app::CGlobalModule ctx(components);
    EXPECT_EQ(ctx.GetRunCount(), 2);  // counted once per process
    EXPECT_EQ(ctx.GetRunCount(), 2);
  }
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"2");
}

TEST_F(GlobalModuleTest, AFailingClockGivesEmptyTimeTexts) {
  env.P().system.localTimeFails = true;
  app::CGlobalModule ctx(components);
  EXPECT_NE(ctx.startPageUrl.find(L"&installtime=&runcount=1&curtime=&showlogintype=3"),
            std::wstring::npos);
  EXPECT_EQ(Setting(L"Install", L"InstallTime"), L"");
}

}  // namespace
