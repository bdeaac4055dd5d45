// The upgrade package fetched from a loopback server by the real download
// workers and started by the platform's own process start.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
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

std::wstring StubPath() {
  std::wstring stub(VEXA_UPGRADER_STUB, VEXA_UPGRADER_STUB + sizeof(VEXA_UPGRADER_STUB) - 1);
  for (wchar_t& c : stub)
    if (c == L'/') c = pf::files().Separator();
  return stub;
}

// The stand-in records where it is told while this is alive (an ASCII path
// beside the stand-in itself), wherever the program was copied to.
class StubRecord {
 public:
  StubRecord() : path_(StubPath() + L".record") {
    static std::string assignment;
    assignment = "VEXA_UPGRADER_RECORD=" + testsupport::Narrow(path_);
    putenv(assignment.data());
    pf::files().DeleteFile(path_);
  }
  ~StubRecord() {
    static char cleared[] = "VEXA_UPGRADER_RECORD=";
    putenv(cleared);
    pf::files().DeleteFile(path_);
  }
  const std::wstring& Path() const { return path_; }
  // The record's value, waiting for the stand-in to write it.
  std::wstring Wait(const wchar_t* key) const {
    std::wstring value;
    for (int i = 0; i < 600 && value.empty(); ++i) {
      std::this_thread::sleep_for(50ms);
      value = storage::ReadIniText(L"run", key, L"", path_);
    }
    return value;
  }

 private:
  std::wstring path_;
};

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
  StubRecord record;
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
    const std::wstring line = record.Wait(L"args");
    const std::wstring expected = L"/S /RKUPGRADE";
    ASSERT_GE(line.size(), expected.size()) << testsupport::Narrow(line);
    EXPECT_EQ(line.substr(line.size() - expected.size()), expected) << testsupport::Narrow(line);
    EXPECT_TRUE(pf::files().Exists(upgrader));
    // What ran is a copy of the package in a fresh folder of its own under
    // the temporary folder, not the downloaded file.
    const std::wstring self = record.Wait(L"self");
    const std::wstring temp = storage::GetTempFolder();
    EXPECT_NE(self, upgrader);
    ASSERT_EQ(self.compare(0, temp.size(), temp), 0) << testsupport::Narrow(self);
    const std::wstring rest = self.substr(temp.size());
    EXPECT_EQ(rest.rfind(L"vexa-upgrade-", 0), 0u) << testsupport::Narrow(rest);
    const size_t cut = rest.find(pf::files().Separator());
    ASSERT_NE(cut, std::wstring::npos);
    EXPECT_EQ(rest.substr(cut + 1), L"ZuWayfarUpgrade.exe");
    EXPECT_EQ(testsupport::ReadRaw(self), stub);
    pf::files().DeleteFile(self);
    EXPECT_TRUE(pf::files().RemoveFolder(temp + rest.substr(0, cut)));
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
  StubRecord record;
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
    EXPECT_FALSE(pf::files().Exists(record.Path())) << body.size();
    EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"", storage::GetLastUpgradeFile()),
              L"");
  }
  pf::files().DeleteFile(storage::GetSettingsFile());
  storage::ResetVersionCheckForTest();
}

// The elevated start: where the process already has the rights (root here,
// an administrator under Wine) the system starts the program without asking.
TEST(UpgradeLaunch, RunasStartsTheProgramWithItsParameters) {
  const std::wstring stub = StubPath();
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

// The copy an upgrader is started from: made from the held file's first
// byte whatever was read before, held, in a new folder each time; a bad name
// or a parent that does not exist gives nothing and leaves nothing.
TEST(UpgradeLaunch, PrivateCopiesOfAHeldFile) {
  const std::wstring temp = storage::GetTempFolder();
  const std::wstring source = temp + L"copy-source.bin";
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  testsupport::WriteRaw(source, bytes);
  pf::HHeldFile held = pf::files().OpenHeld(source);
  ASSERT_NE(held, nullptr);
  uint8_t first[1000];
  uint32_t got = 0;
  ASSERT_TRUE(pf::files().ReadHeld(held, first, sizeof first, got));
  EXPECT_EQ(got, sizeof first);

  std::wstring copies[2];
  for (std::wstring& copy : copies) {
    pf::HHeldFile heldCopy = pf::files().CopyToPrivateFolder(held, temp, L"Upgrader.exe", copy);
    ASSERT_NE(heldCopy, nullptr);
    EXPECT_EQ(testsupport::ReadRaw(copy), bytes);
    // The copy comes back held, open for reading from its start.
    std::string read;
    uint8_t buffer[65536];
    while (pf::files().ReadHeld(heldCopy, buffer, sizeof buffer, got) && got > 0)
      read.append(reinterpret_cast<const char*>(buffer), got);
    EXPECT_EQ(read, bytes);
    pf::files().CloseHeld(heldCopy);
  }
  EXPECT_NE(copies[0], copies[1]);
  for (const std::wstring& copy : copies) {
    const std::wstring folder = copy.substr(0, copy.find_last_of(pf::files().Separator()));
    EXPECT_EQ(folder.compare(0, temp.size(), temp), 0);
    EXPECT_EQ(copy.substr(folder.size() + 1), L"Upgrader.exe");
    EXPECT_FALSE(pf::files().RemoveFolder(folder));  // not empty
    EXPECT_TRUE(pf::files().DeleteFile(copy));
    EXPECT_TRUE(pf::files().RemoveFolder(folder));
  }

  std::wstring none = L"unchanged";
  for (const wchar_t* bad : {L"", L"a/b"}) {
    EXPECT_EQ(pf::files().CopyToPrivateFolder(held, temp, bad, none), nullptr);
    EXPECT_TRUE(none.empty());
  }
  const std::wstring missing = temp + L"no-such-folder";
  EXPECT_EQ(pf::files().CopyToPrivateFolder(held, missing, L"Upgrader.exe", none), nullptr);
  EXPECT_FALSE(pf::files().Exists(missing));
  EXPECT_EQ(pf::files().CopyToPrivateFolder(nullptr, temp, L"Upgrader.exe", none), nullptr);
  pf::files().CloseHeld(held);
  pf::files().DeleteFile(source);
}

}  // namespace
