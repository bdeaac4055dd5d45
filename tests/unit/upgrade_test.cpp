// The version check and the upgrade, through the completion handler with real
// version files on disk, a recording queue and the fake UI and processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "platform/portable/utf8.h"
#include "platform/test_files.h"
#include "storage/settings.h"
#include "storage/upgrade.h"
#include "storage/upgrade_offer.h"
#include "signer.h"
#include "support/fake_env.h"
#include "support/recording_queue.h"
#include "support/test_components.h"

namespace {

// Key pairs made once for the whole suite: the trusted one, the next one of a
// rotation, and one nobody trusts.
signer::SigningKey& TestKey(int which) {
  static std::unique_ptr<signer::SigningKey> keys[3] = {
      signer::SigningKey::Generate(), signer::SigningKey::Generate(),
      signer::SigningKey::Generate()};
  return *keys[which];
}
constexpr int kTrusted = 0, kNext = 1, kStranger = 2;

const std::string kPackage = "MZ the signed upgrader";

pf::Sha256Digest DigestOf(const std::string& bytes) {
  pf::Sha256 hasher;
  pf::Sha256Digest digest{};
  hasher.Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  hasher.Finish(digest);
  return digest;
}

class Upgrade : public ::testing::Test {
 protected:
  Upgrade() {
    storage::ResetVersionCheckForTest();
    trusted = {TestKey(kTrusted).PublicKey()};
    storage::SetTrustedUpgradeKeysForTest(&trusted);
    ctx = std::make_unique<app::CGlobalModule>(components);
    queue = new testsupport::RecordingQueue;
    ctx->downloader.reset(queue);
    ctx->login->Create(ctx->windowClass, ctx->title, nullptr);
    components.backdrop->Init();
    ui().ShowWindow(Login(), pf::kSW_SHOWNORMAL);
    ui().ShowWindow(Backdrop(), pf::kSW_SHOWNA);
  }
  ~Upgrade() override {
    ctx.reset();
    storage::ResetVersionCheckForTest();
    storage::SetTrustedUpgradeKeysForTest(nullptr);
  }
  pf::FakeUi& ui() { return env.P().ui; }
  pf::HWindow Login() { return ctx->login->GetHWND(); }
  pf::HWindow Backdrop() { return ctx->backdrop->GetHWND(); }

  // Writes the version file, signed for kPackage, and runs the finished
  // event of its task.
  void VersionFile(const std::wstring& current, const std::wstring& range,
                   int32_t result = net::DL_OK) {
    std::string text = signer::VersionFileText(TestKey(kTrusted), testsupport::Narrow(current),
                                               testsupport::Narrow(range), kPackage.size(),
                                               DigestOf(kPackage));
    if (current.empty()) text.replace(text.find("currentversion="), 15, "other=");
    RawVersionFile(text, result);
  }
  // Runs the finished event of the version task on a file of that text.
  void RawVersionFile(const std::string& text, int32_t result = net::DL_OK) {
    const std::wstring file = storage::GetUpgradeFolder() + L"app.ini";
    std::ofstream(pf::ToUtf8(file), std::ios::binary | std::ios::trunc) << text;
    net::DownloadTask task;
    task.filePath = file;
    const size_t asked = ui().messageBoxes.size();
    storage::OnDownloadEvent(reinterpret_cast<uintptr_t>(ctx.get()), storage::kTagVersionFile,
                             net::DL_EVENT_FINISHED, result, reinterpret_cast<uintptr_t>(&task));
    // The worker only posts the offer; the application window procedure asks.
    EXPECT_EQ(ui().messageBoxes.size(), asked);
    ui().dispatched.clear();
    ui().RunMessageLoop(nullptr);
    bool offered = false;
    for (const pf::Msg& m : ui().dispatched)
      offered |= m.hwnd == Login() && m.message == app::WM_UPGRADE_OFFERED;
    ui().dispatched.clear();
    if (offered) storage::OnUpgradeOffered(*ctx);
  }
  void LastOffered(const std::wstring& version) {
    storage::WriteIniText(L"version", L"lastUpgradeVer", version, storage::GetLastUpgradeFile());
  }
  bool Prompted() { return !ui().messageBoxes.empty(); }
  // The downloaded package, as the worker leaves it.
  void Downloaded(const std::string& bytes = kPackage) {
    std::ofstream(pf::ToUtf8(storage::GetUpgraderPath()), std::ios::binary | std::ios::trunc)
        << bytes;
  }
  // The finished event of the package task.  The worker shows no window
  // itself: it posts, and the application window procedure shows them.
  void PackageFinished(int32_t result) {
    net::DownloadTask task;
    task.filePath = storage::GetUpgraderPath();
    const bool loginWasVisible = ui().IsWindowVisible(Login());
    storage::OnDownloadEvent(reinterpret_cast<uintptr_t>(ctx.get()), storage::kTagUpgradePackage,
                             net::DL_EVENT_FINISHED, result, reinterpret_cast<uintptr_t>(&task));
    EXPECT_EQ(ui().IsWindowVisible(Login()), loginWasVisible);
    ui().RunMessageLoop(nullptr);
    // The restore request is handled here; every other message stays for Posted().
    std::vector<pf::Msg>& seen = ui().dispatched;
    const auto restore = [&](const pf::Msg& m) {
      return m.hwnd == Login() && m.message == app::WM_UPGRADE_NOT_STARTED;
    };
    const bool notStarted = std::any_of(seen.begin(), seen.end(), restore);
    seen.erase(std::remove_if(seen.begin(), seen.end(), restore), seen.end());
    if (notStarted) app::ApplicationWindowProc(Login(), app::WM_UPGRADE_NOT_STARTED, 0, 0);
  }
  // The started file: the package copied into a fresh folder of its own,
  // beside no other file, that only this user may enter.
  void ExpectPrivateCopy(const std::wstring& started) {
    const std::wstring temp = storage::GetTempFolder();
    ASSERT_EQ(started.compare(0, temp.size(), temp), 0) << testsupport::Narrow(started);
    const std::filesystem::path path(pf::ToUtf8(started));
    EXPECT_EQ(path.filename().string(), "ZuWayfarUpgrade.exe");
    EXPECT_EQ(path.parent_path().parent_path().string() + "/", pf::ToUtf8(temp));
    EXPECT_EQ(path.parent_path().filename().string().rfind("vexa-upgrade-", 0), 0u);
    const auto folderPerms = std::filesystem::status(path.parent_path()).permissions();
    EXPECT_EQ(
        folderPerms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
        std::filesystem::perms::none);
    EXPECT_EQ(testsupport::ReadRaw(started), kPackage);
  }
  std::vector<uint32_t> Posted() {
    std::vector<uint32_t> out;
    ui().RunMessageLoop(nullptr);
    for (const pf::Msg& m : ui().dispatched)
      if (m.hwnd == Login()) out.push_back(m.message);
    return out;
  }

  testsupport::FakeEnv env;
  testsupport::TestComponents components;
  std::unique_ptr<app::CGlobalModule> ctx;
  testsupport::RecordingQueue* queue = nullptr;  // owned by the context
  std::vector<pf::P256PublicKey> trusted;
};

TEST_F(Upgrade, RangeRules) {
  using storage::InUpgradeRange;
  EXPECT_TRUE(InUpgradeRange(L""));
  EXPECT_TRUE(InUpgradeRange(L"2990-3005"));
  EXPECT_TRUE(InUpgradeRange(L"2999,3000"));
  EXPECT_TRUE(InUpgradeRange(L"3000"));
  EXPECT_FALSE(InUpgradeRange(L"3001-3005"));
  EXPECT_FALSE(InUpgradeRange(L"2999"));
  EXPECT_TRUE(InUpgradeRange(L"-3000"));   // an empty lower bound reads as 0
  EXPECT_FALSE(InUpgradeRange(L"3000-"));  // one part only
  EXPECT_FALSE(InUpgradeRange(L"1-2-3"));  // three parts: skipped
  EXPECT_TRUE(InUpgradeRange(L"1-2-3,3000"));
  EXPECT_FALSE(InUpgradeRange(L"3.0.0.0"));  // reads as 3
  EXPECT_TRUE(InUpgradeRange(L",3000"));
  EXPECT_FALSE(InUpgradeRange(L"2999,"));
  EXPECT_FALSE(InUpgradeRange(L","));
  EXPECT_TRUE(InUpgradeRange(L" 3000"));
}

TEST_F(Upgrade, NewerVersionInRangePromptsHidesAndFetchesThePackage) {
  VersionFile(L"3.0.0.10", L"2990-3005");
  EXPECT_EQ(ctx->latestVersion, L"3.0.0.10");
  ASSERT_EQ(ui().messageBoxes.size(), 1u);
  EXPECT_EQ(ui().messageBoxes[0].text, L"检测到最新版本[3.0.0.10]，确认更新！");
  EXPECT_EQ(ui().messageBoxes[0].caption, L"升级提醒");
  EXPECT_EQ(ui().messageBoxes[0].flags, pf::kMB_OK);
  EXPECT_EQ(ui().messageBoxes[0].owner, Login());
  EXPECT_FALSE(ui().IsWindowVisible(Login()));
  EXPECT_FALSE(ui().IsWindowVisible(Backdrop()));
  ASSERT_EQ(queue->tasks.size(), 1u);
  const net::DownloadTask& t = queue->tasks[0];
  EXPECT_EQ(t.url, ctx->versionDownloadUrl);
  EXPECT_EQ(t.filePath, storage::GetUpgraderPath());
  EXPECT_EQ(t.tag, storage::kTagUpgradePackage);
  EXPECT_EQ(t.callback, &storage::OnDownloadEvent);
  EXPECT_EQ(t.userData, reinterpret_cast<uintptr_t>(ctx.get()));
  EXPECT_EQ(t.body, nullptr);
  EXPECT_EQ(t.retryCount, 0);
  EXPECT_FALSE(t.appendUrlName);
  EXPECT_FALSE(t.uniqueName);
  EXPECT_TRUE(t.deleteOnFailure);
  EXPECT_TRUE(t.checkSha256);
  EXPECT_EQ(t.sha256, DigestOf(kPackage));
  EXPECT_EQ(t.maxBytes, kPackage.size());
  EXPECT_EQ(queue->starts, 1);
}

TEST_F(Upgrade, VersionComparisons) {
  struct Case {
    const wchar_t* current;
    const wchar_t* range;
    const wchar_t* last;
    bool prompt;
  };
  const Case cases[] = {
      {L"3.0.0.0", L"", L"", false},         // 3000 is not above 3000
      {L"3.0.1", L"", L"", false},           // reads as 301
      {L"3.0.0.10", L"3000", L"", true},     // 30010
      {L"3.0.0.10", L"2999", L"", false},    // out of range
      {L"3.0.0.2", L"", L"3.0.0.2", false},  // already offered
      {L"3.0.0.2", L"", L"3.0.0.1", true},
      {L"", L"", L"", false},     // no currentversion
      {L"x.y", L"", L"", false},  // digits read as 0
      {L"3.0.0.2", L"-3000", L"", true},
      {L"3.0.0.2", L"3000-", L"", false},
  };
  for (const Case& c : cases) {
    ui().messageBoxes.clear();
    queue->tasks.clear();
    LastOffered(c.last);
    VersionFile(c.current, c.range);
    EXPECT_EQ(Prompted(), c.prompt)
        << testsupport::Narrow(c.current) << " " << testsupport::Narrow(c.range);
    EXPECT_EQ(queue->tasks.size(), c.prompt ? 1u : 0u);
  }
  // A version file that failed to download is not read at all.
  ui().messageBoxes.clear();
  LastOffered(L"");
  VersionFile(L"3.0.0.9", L"", net::DL_BAD_RESPONSE);
  EXPECT_FALSE(Prompted());
  // Progress and started events are ignored.
  net::DownloadTask task;
  task.filePath = storage::GetUpgradeFolder() + L"app.ini";
  storage::OnDownloadEvent(reinterpret_cast<uintptr_t>(ctx.get()), 0, net::DL_EVENT_PROGRESS, 0,
                           reinterpret_cast<uintptr_t>(&task));
  EXPECT_FALSE(Prompted());
}

TEST_F(Upgrade, LaunchElevatedOrThroughRunas) {
  VersionFile(L"3.0.0.7", L"");
  Downloaded();
  env.P().processes.elevated = true;
  PackageFinished(net::DL_OK);
  auto starts = env.P().processes.Starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].how, "CreateProcess");
  ExpectPrivateCopy(starts[0].file);
  EXPECT_EQ(starts[0].arguments, L" /S /RKUPGRADE");
  EXPECT_EQ(starts[0].creationFlags, 0x220u);
  EXPECT_EQ(starts[0].showCommand, pf::kSW_HIDE);
  EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"", storage::GetLastUpgradeFile()),
            L"3.0.0.7");
  EXPECT_EQ(Posted(), std::vector<uint32_t>({app::WM_CLOSE_LOGIN_WINDOW}));

  env.P().processes.elevated = false;
  VersionFile(L"3.0.0.8", L"");
  Downloaded();
  ui().dispatched.clear();
  ctx->login->Create(ctx->windowClass, ctx->title, nullptr);
  PackageFinished(net::DL_OK);
  starts = env.P().processes.Starts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].how, "ShellExecute");
  EXPECT_EQ(starts[1].verb, L"runas");
  ExpectPrivateCopy(starts[1].file);
  EXPECT_NE(starts[1].file, starts[0].file);
  EXPECT_EQ(starts[1].arguments, L"/S /RKUPGRADE");
  EXPECT_EQ(starts[1].showCommand, pf::kSW_SHOWNORMAL);
  EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"", storage::GetLastUpgradeFile()),
            L"3.0.0.8");
}

TEST_F(Upgrade, FailuresAfterThePromptShowTheWindowsAgain) {
  // A refused elevation writes and posts nothing, and the player gets the
  // login window back.
  VersionFile(L"3.0.0.5", L"");
  ASSERT_FALSE(ui().IsWindowVisible(Login()));
  Downloaded();
  env.P().processes.shellFails = true;
  PackageFinished(net::DL_OK);
  EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"", storage::GetLastUpgradeFile()),
            L"");
  EXPECT_TRUE(Posted().empty());
  EXPECT_TRUE(ui().IsWindowVisible(Login()));
  EXPECT_TRUE(ui().IsWindowVisible(Backdrop()));
  // The copy made for the start is gone with its folder.
  EXPECT_TRUE(std::filesystem::is_empty(pf::ToUtf8(storage::GetTempFolder())));

  // A private copy that cannot be made starts nothing.
  env.P().processes.shellFails = false;
  const std::string temp = pf::ToUtf8(storage::GetTempFolder());
  std::filesystem::remove_all(temp);
  LastOffered(L"");
  VersionFile(L"3.0.0.5", L"");
  ASSERT_FALSE(ui().IsWindowVisible(Login()));
  Downloaded();
  PackageFinished(net::DL_OK);
  std::filesystem::create_directory(temp);
  EXPECT_EQ(env.P().processes.Starts().size(), 1u);
  EXPECT_TRUE(ui().IsWindowVisible(Login()));
  EXPECT_TRUE(ui().IsWindowVisible(Backdrop()));

  // A package that failed to download.
  ui().ShowWindow(Login(), pf::kSW_HIDE);
  ui().ShowWindow(Backdrop(), pf::kSW_HIDE);
  PackageFinished(net::DL_READ_FAILED);
  EXPECT_EQ(env.P().processes.Starts().size(), 1u);
  EXPECT_TRUE(ui().IsWindowVisible(Login()));
  EXPECT_TRUE(ui().IsWindowVisible(Backdrop()));

  // A package task that cannot be queued.
  queue->accepts = false;
  ui().messageBoxes.clear();
  LastOffered(L"");
  VersionFile(L"3.0.0.6", L"");
  EXPECT_TRUE(Prompted());
  EXPECT_TRUE(ui().IsWindowVisible(Login()));
}

// Every version file that is not signed as it stands by a trusted key offers
// nothing: no prompt, no download, the windows stay.
TEST_F(Upgrade, OnlyASignedOfferPrompts) {
  const std::string good = signer::VersionFileText(TestKey(kTrusted), "3.0.0.9", "2990-3005",
                                                   kPackage.size(), DigestOf(kPackage));
  auto changed = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  auto without = [&](const std::string& key) {
    std::string text = good;
    const size_t at = text.find(key + "=");
    return text.erase(at, text.find("\r\n", at) + 2 - at);
  };
  const std::string hashLine = "packagesha256=" + storage::HexText(DigestOf(kPackage).data(), 32);
  const std::string otherHash = "packagesha256=" + storage::HexText(DigestOf("other").data(), 32);
  const std::string signatureStart = good.substr(good.find("signature=") + 10, 4);
  const struct {
    const char* what;
    std::string text;
  } refused[] = {
      {"changed version", changed("currentversion=3.0.0.9", "currentversion=3.0.0.19")},
      {"changed range", changed("upgraderange=2990-3005", "upgraderange=2990-3009")},
      {"changed size", changed("packagesize=" + std::to_string(kPackage.size()),
                               "packagesize=" + std::to_string(kPackage.size() + 1))},
      {"changed hash", changed(hashLine, otherHash)},
      {"changed signature", changed("signature=" + signatureStart, "signature=0000")},
      {"no signature", without("signature")},
      {"no size", without("packagesize")},
      {"no hash", without("packagesha256")},
      {"short signature", changed("signature=" + signatureStart, "signature=")},
      {"signed by another key",
       signer::VersionFileText(TestKey(kStranger), "3.0.0.9", "2990-3005", kPackage.size(),
                               DigestOf(kPackage))},
      {"unsigned file", "[version]\r\ncurrentversion=3.0.0.9\r\nupgraderange=\r\n"},
  };
  for (const auto& c : refused) {
    RawVersionFile(c.text);
    EXPECT_FALSE(Prompted()) << c.what;
    EXPECT_TRUE(queue->tasks.empty()) << c.what;
    EXPECT_TRUE(ui().IsWindowVisible(Login())) << c.what;
  }

  // A build that trusts no key offers nothing, even for a good file.
  const std::vector<pf::P256PublicKey> noKeys;
  storage::SetTrustedUpgradeKeysForTest(&noKeys);
  RawVersionFile(good);
  EXPECT_FALSE(Prompted());

  // A rotation: the next key is accepted once the build lists it.
  const std::string next = signer::VersionFileText(TestKey(kNext), "3.0.0.9", "", kPackage.size(),
                                                   DigestOf(kPackage));
  storage::SetTrustedUpgradeKeysForTest(&trusted);
  RawVersionFile(next);
  EXPECT_FALSE(Prompted());
  std::vector<pf::P256PublicKey> rotated = {TestKey(kTrusted).PublicKey(),
                                            TestKey(kNext).PublicKey()};
  storage::SetTrustedUpgradeKeysForTest(&rotated);
  RawVersionFile(next);
  EXPECT_TRUE(Prompted());
  EXPECT_EQ(queue->tasks.size(), 1u);
}

// The package is hashed again, held against writers, just before it starts:
// a file that is not the signed one starts nothing and is removed.
TEST_F(Upgrade, OnlyTheSignedPackageStarts) {
  const struct {
    const char* what;
    std::string bytes;
  } refused[] = {
      {"swapped", std::string(kPackage.size(), 'X')},
      {"truncated", kPackage.substr(0, kPackage.size() - 1)},
      {"over-long", kPackage + "!"},
      {"empty", ""},
  };
  for (bool elevated : {false, true}) {
    env.P().processes.elevated = elevated;
    for (const auto& c : refused) {
      LastOffered(L"");
      VersionFile(L"3.0.0.4", L"");
      ASSERT_TRUE(Prompted());
      ASSERT_FALSE(ui().IsWindowVisible(Login()));
      Downloaded(c.bytes);
      PackageFinished(net::DL_OK);
      EXPECT_TRUE(env.P().processes.Starts().empty()) << c.what;
      EXPECT_FALSE(pf::files().Exists(storage::GetUpgraderPath())) << c.what;
      EXPECT_TRUE(ui().IsWindowVisible(Login())) << c.what;
      EXPECT_TRUE(ui().IsWindowVisible(Backdrop())) << c.what;
      EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"",
                                     storage::GetLastUpgradeFile()),
                L"")
          << c.what;
      ui().messageBoxes.clear();
    }
  }
  // A package task finishing without any verified offer (none was made in
  // this process) starts nothing either.
  storage::ResetVersionCheckForTest();
  Downloaded();
  PackageFinished(net::DL_OK);
  EXPECT_TRUE(env.P().processes.Starts().empty());
  EXPECT_FALSE(storage::DownloadUpgradePackage(*ctx));
}

// The question is asked by the application window procedure when the offer's
// message arrives, and only for an offer that was verified.
TEST_F(Upgrade, ThePromptComesFromTheWindowProcedure) {
  app::ApplicationWindowProc(Login(), app::WM_UPGRADE_OFFERED, 0, 0);
  EXPECT_FALSE(Prompted());
  storage::UpgradeOffer offer;
  offer.version = L"3.0.0.12";
  offer.size = kPackage.size();
  offer.sha256 = DigestOf(kPackage);
  storage::AcceptOfferForTest(offer);
  app::ApplicationWindowProc(Login(), app::WM_UPGRADE_OFFERED, 0, 0);
  ASSERT_TRUE(Prompted());
  EXPECT_EQ(ui().messageBoxes[0].text, L"检测到最新版本[3.0.0.12]，确认更新！");
  EXPECT_FALSE(ui().IsWindowVisible(Login()));
  EXPECT_EQ(queue->tasks.size(), 1u);
}

TEST_F(Upgrade, PingTasksEndTheShortRunsWhateverTheResult) {
  for (int32_t tag : {storage::kTagInstallPing, storage::kTagUninstallPing}) {
    ui().dispatched.clear();
    storage::OnDownloadEvent(reinterpret_cast<uintptr_t>(ctx.get()), tag, net::DL_EVENT_FINISHED,
                             net::DL_NO_CONNECTION, 0);
    EXPECT_EQ(Posted(), std::vector<uint32_t>({app::WM_CLOSE_LOGIN_WINDOW})) << tag;
    ctx->login->Create(ctx->windowClass, ctx->title, nullptr);
  }
  ui().dispatched.clear();
  for (int32_t tag :
       {storage::kTagActivePing, storage::kTagPlatformBrowserPing, storage::kTagOtherBrowserPing})
    storage::OnDownloadEvent(reinterpret_cast<uintptr_t>(ctx.get()), tag, net::DL_EVENT_FINISHED,
                             net::DL_OK, 0);
  EXPECT_TRUE(Posted().empty());
}

TEST_F(Upgrade, VersionCheckStartsOncePerProcess) {
  storage::StartVersionCheck();
  storage::StartVersionCheck();
  ASSERT_EQ(queue->tasks.size(), 1u);
  EXPECT_EQ(queue->starts, 1);
  const net::DownloadTask& t = queue->tasks[0];
  EXPECT_EQ(t.url, ctx->versionCheckUrl);
  EXPECT_EQ(t.filePath, storage::GetUpgradeFolder());
  EXPECT_EQ(t.tag, storage::kTagVersionFile);
  EXPECT_EQ(t.callback, &storage::OnDownloadEvent);
  EXPECT_EQ(t.userData, reinterpret_cast<uintptr_t>(ctx.get()));
  EXPECT_TRUE(t.appendUrlName);
  EXPECT_FALSE(t.uniqueName);
  EXPECT_TRUE(t.deleteOnFailure);
  EXPECT_EQ(t.retryCount, 0);
  EXPECT_EQ(t.bodyLength, 0);

  // Without a downloader nothing is submitted and the check may run later.
  storage::ResetVersionCheckForTest();
  std::unique_ptr<net::DownloadQueue> keep = std::move(ctx->downloader);
  storage::StartVersionCheck();
  ctx->downloader = std::move(keep);
  storage::StartVersionCheck();
  EXPECT_EQ(queue->tasks.size(), 2u);
}

}  // namespace
