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
#include "storage/upgrade_offer.h"
#include "support/http_test_server.h"
#include "support/test_components.h"

namespace {

using namespace std::chrono_literals;

storage::UpgradeOffer OfferFor(const std::string& package) {
  storage::UpgradeOffer offer;
  offer.version = L"3.0.0.9";
  offer.size = package.size();
  pf::Sha256 hasher;
  hasher.Update(reinterpret_cast<const uint8_t*>(package.data()), package.size());
  hasher.Finish(offer.sha256);
  return offer;
}

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
    storage::AcceptOfferForTest(OfferFor(stub));
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
  storage::ResetVersionCheckForTest();
}

// A package that is not the offered one (a changed byte, one byte more, one
// byte less) never gets the upgrader's name and never starts.
TEST(UpgradeLaunch, APackageOtherThanTheSignedOneNeverStarts) {
  const std::string stub = testsupport::ReadRaw(
      std::wstring(VEXA_UPGRADER_STUB, VEXA_UPGRADER_STUB + sizeof(VEXA_UPGRADER_STUB) - 1));
  ASSERT_FALSE(stub.empty());
  std::string changed = stub;
  changed[changed.size() / 2] ^= 0x55;
  const std::string bodies[] = {changed, stub + "x", stub.substr(0, stub.size() - 1)};
  testsupport::HttpTestServer server;
  ASSERT_TRUE(server.ok());
  const std::wstring upgrader = storage::GetUpgraderPath();
  const std::wstring ran = upgrader + L".ran";
  for (const std::string& body : bodies) {
    testsupport::HttpReply package;
    package.body = body;
    server.Route("/Vexa/tavo/official/Vexatavo.exe", package);
    pf::files().DeleteFile(ran);
    pf::files().DeleteFile(upgrader);
    pf::files().DeleteFile(storage::GetLastUpgradeFile());
    {
      testsupport::TestComponents components;
      app::CGlobalModule ctx(components);
      ctx.versionDownloadUrl = server.WUrl("/Vexa/tavo/official/Vexatavo.exe");
      ctx.latestVersion = L"3.0.0.9";
      ctx.downloader = std::make_unique<net::HTTPDownloader>();
      storage::AcceptOfferForTest(OfferFor(stub));
      const size_t before = server.Requests().size();
      ASSERT_TRUE(storage::DownloadUpgradePackage(ctx));
      ASSERT_TRUE(server.WaitForRequests(before + 1, 20s));
      // The reply is sent; the worker checks the digest right after it.
      for (int i = 0; i < 200 && server.ActiveReplies() > 0; ++i) std::this_thread::sleep_for(20ms);
      std::this_thread::sleep_for(500ms);
      ctx.downloader->Stop();
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(pf::files().Exists(upgrader)) << body.size();
    EXPECT_FALSE(pf::files().Exists(upgrader + L".partial")) << body.size();
    EXPECT_FALSE(pf::files().Exists(ran)) << body.size();
    EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"", storage::GetLastUpgradeFile()),
              L"");
  }
  pf::files().DeleteFile(storage::GetSettingsFile());
  storage::ResetVersionCheckForTest();
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
