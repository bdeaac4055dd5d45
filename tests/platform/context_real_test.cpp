// The application context over the real settings backend: the file it leaves
// behind and the start page it computes, with the command line scripted.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "deploy/deployment.h"
#include "app/global_module.h"
#include "platform/platform.h"
#include "platform/test_files.h"
#include "storage/settings.h"
#include "support/test_components.h"

namespace {

// The real system, with the command line replaced.
class ScriptedCommandLine : public pf::System {
 public:
  ScriptedCommandLine(pf::System& real, std::wstring line) : real_(real), line_(std::move(line)) {}
  std::wstring CommandLine() override { return line_; }
  int64_t Now() override { return real_.Now(); }
  bool ToLocalTime(int64_t s, pf::LocalTime& out) override { return real_.ToLocalTime(s, out); }
  bool NewGuid(pf::Guid& out) override { return real_.NewGuid(out); }

 private:
  pf::System& real_;
  std::wstring line_;
};

class ContextOnRealSettings : public ::testing::Test {
 protected:
  void SetUp() override { pf::files().DeleteFile(storage::GetSettingsFile()); }
  void TearDown() override { pf::files().DeleteFile(storage::GetSettingsFile()); }

  // Constructs a context as the program would with this command line and
  // returns its start page.
  std::wstring Start(const std::wstring& commandLine) {
    ScriptedCommandLine system(*pf::Current().system, L"C:\\Vexa\\Vexatavo.exe " + commandLine);
    pf::Platform p = pf::Current();
    p.system = &system;
    const pf::Platform previous = pf::Install(p);
    std::wstring page;
    {
      testsupport::TestComponents components;
      app::CGlobalModule context(components);
      page = context.startPageUrl;
    }
    pf::Install(previous);
    return page;
  }
  std::wstring Setting(const std::wstring& section, const std::wstring& key) {
    return storage::ReadIniText(section, key, L"<missing>");
  }
  std::string Narrow(const std::wstring& w) { return testsupport::Narrow(w); }
};

TEST_F(ContextOnRealSettings, FirstAndSecondStart) {
  const std::wstring first = Start(L"");
  const std::wstring installTime = Setting(L"Install", L"InstallTime");
  EXPECT_TRUE(std::regex_match(Narrow(installTime),
                               std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")))
      << Narrow(installTime);
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"1");
  const std::wstring date = storage::RemoveAll(installTime.substr(0, 10), L"-");
  const std::string expected = "http://" + Narrow(deploy::kWebHost) +
                               "/tavo/wd/index.html\\?referer=Vexawancom&frm=tavo&version=3000"
                               "&installtime=" +
                               Narrow(date) +
                               "&runcount=1&curtime=\\d{14}&showlogintype=3&regtimes=1";
  EXPECT_TRUE(std::regex_match(Narrow(first), std::regex(expected))) << Narrow(first);

  const std::wstring second = Start(L"");
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"2");
  EXPECT_EQ(Setting(L"Install", L"InstallTime"), installTime);
  EXPECT_NE(second.find(L"&runcount=2&"), std::wstring::npos);
  EXPECT_EQ(second.find(L"regtimes"), std::wstring::npos);
  EXPECT_EQ(second.substr(second.size() - 16), L"&showlogintype=3");
}

TEST_F(ContextOnRealSettings, ShortRunsAndStoredValues) {
  storage::WriteIniText(L"Common", L"RunCount", L"7");
  const std::wstring setup = Start(L"/setupsucc");
  EXPECT_NE(setup.find(L"&runcount=0&"), std::wstring::npos);
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"7");
  Start(L"/ShowDeskTop");
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"7");
  Start(L"/uninstallsucc");
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"8");

  storage::WriteIniText(L"Common", L"RunCount", L"many");
  const std::wstring page = Start(L"");
  EXPECT_EQ(Setting(L"Common", L"RunCount"), L"1");
  EXPECT_NE(page.find(L"&regtimes=1"), std::wstring::npos);
}

TEST_F(ContextOnRealSettings, InstallTimeShapesAndVersionCheckOverride) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"2018/05/06 10:00:00", L"2018/05/06"},
      {L"2018-5-6 1:2:3", L"201856 1"},
      {L"2018", L"2018"},
  };
  for (const auto& [stored, date] : cases) {
    storage::WriteIniText(L"Install", L"InstallTime", stored);
    const std::wstring page = Start(L"");
    EXPECT_NE(page.find(std::wstring(L"&installtime=") + date + L"&runcount="), std::wstring::npos)
        << Narrow(page);
    EXPECT_EQ(Setting(L"Install", L"InstallTime"), stored);
  }

  storage::WriteIniText(L"Common", L"VersionCheck", L"http://example.test/v/app.ini");
  testsupport::TestComponents components;
  app::CGlobalModule context(components);
  EXPECT_EQ(context.versionCheckUrl, L"http://example.test/v/app.ini");
  EXPECT_EQ(context.versionDownloadUrl,
            std::wstring(L"http://") + deploy::kDownloadHost + L"/Vexa/tavo/official/Vexatavo.exe");
}

}  // namespace
