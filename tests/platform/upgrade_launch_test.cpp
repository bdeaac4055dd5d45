// The upgrade package fetched from a loopback server by the real download
// workers and started by the platform's own process start.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/global_module.h"
#include "net/http_downloader.h"
#include "platform/platform.h"
#include "platform/test_files.h"
#include "storage/settings.h"
#include "storage/upgrade.h"
#include "support/http_test_server.h"
#include "support/test_components.h"

namespace {

using namespace std::chrono_literals;

TEST(UpgradeLaunch, PackageIsFetchedStartedAndRemembered) {
  const std::string stub = testsupport::ReadRaw(
      std::wstring(VEXA_UPGRADER_STUB, VEXA_UPGRADER_STUB + sizeof(VEXA_UPGRADER_STUB) - 1));
  ASSERT_FALSE(stub.empty());
  testsupport::HttpTestServer server;
  ASSERT_TRUE(server.ok());
  testsupport::HttpReply package;
  package.body = stub;
  server.Route("/Vexa/tavo/official/Vexatavo.exe", package);

  const std::wstring upgrader = storage::GetUpgraderPath();
  const std::wstring ran = upgrader + L".ran";
  pf::files().DeleteFile(ran);
  pf::files().DeleteFile(upgrader);
  pf::files().DeleteFile(storage::GetLastUpgradeFile());
  {
    testsupport::TestComponents components;
    app::CGlobalModule ctx(components);
    ctx.versionDownloadUrl = server.WUrl("/Vexa/tavo/official/Vexatavo.exe");
    ctx.latestVersion = L"3.0.0.9";
    ctx.downloader = std::make_unique<net::HTTPDownloader>();
    ASSERT_TRUE(storage::DownloadUpgradePackage(ctx));
    std::wstring remembered;
    for (int i = 0; i < 600 && remembered.empty(); ++i) {
      std::this_thread::sleep_for(50ms);
      remembered =
          storage::ReadIniText(L"version", L"lastUpgradeVer", L"", storage::GetLastUpgradeFile());
    }
    EXPECT_EQ(remembered, L"3.0.0.9");
    // The stand-in records its command line in an INI file beside itself.
    std::wstring line;
    for (int i = 0; i < 600 && line.empty(); ++i) {
      std::this_thread::sleep_for(50ms);
      line = storage::ReadIniText(L"run", L"args", L"", ran);
    }
    const std::wstring expected = L"/S /RKUPGRADE";
    ASSERT_GE(line.size(), expected.size()) << testsupport::Narrow(line);
    EXPECT_EQ(line.substr(line.size() - expected.size()), expected) << testsupport::Narrow(line);
    EXPECT_TRUE(pf::files().Exists(upgrader));
  }
  pf::files().DeleteFile(storage::GetSettingsFile());
}

// The elevated start: where the process already has the rights (root here,
// an administrator under Wine) the system starts the program without asking.
TEST(UpgradeLaunch, RunasStartsTheProgramWithItsParameters) {
  std::wstring stub(VEXA_UPGRADER_STUB, VEXA_UPGRADER_STUB + sizeof(VEXA_UPGRADER_STUB) - 1);
  for (wchar_t& c : stub)
    if (c == L'/') c = pf::files().Separator();
  const std::wstring ran = stub + L".ran";
  pf::files().DeleteFile(ran);
  ASSERT_TRUE(pf::proc().ShellExecute(L"runas", stub, L"/S /RKUPGRADE", pf::kSW_SHOWNORMAL));
  std::wstring line;
  for (int i = 0; i < 600 && line.empty(); ++i) {
    std::this_thread::sleep_for(50ms);
    line = storage::ReadIniText(L"run", L"args", L"", ran);
  }
  const std::wstring expected = L"/S /RKUPGRADE";
  ASSERT_GE(line.size(), expected.size()) << testsupport::Narrow(line);
  EXPECT_EQ(line.substr(line.size() - expected.size()), expected) << testsupport::Narrow(line);
  pf::files().DeleteFile(ran);
}

}  // namespace
