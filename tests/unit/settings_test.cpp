#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_env.h"

using storage::CreateFolderTree;
using storage::EnsureTrailingBackslash;
using storage::GetDataFolder;
using storage::ParseInt;
using storage::RemoveAll;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  testsupport::FakeEnv env;
};

// A PosixFiles whose roaming folder is reported as the test chooses.
class ReportedRoaming : public pf::PosixFiles {
 public:
  explicit ReportedRoaming(std::wstring reported) : reported_(std::move(reported)) {}
  std::wstring RoamingAppDataFolder() override { return reported_; }

 private:
  std::wstring reported_;
};

TEST_F(SettingsTest, DataFolderIsBuiltOnceWithOneSeparatorAndCreated) {
  const std::wstring roaming = env.Roaming();  // reported with a trailing separator
  const std::wstring expected = roaming + L"Vexa游戏/tavo/";
  EXPECT_EQ(GetDataFolder(), expected);
  EXPECT_TRUE(env.P().files.Exists(expected));
  EXPECT_EQ(storage::GetSettingsFile(), expected + L"Wayfar.ini");

  // Reported without the trailing separator: the same folder.
  storage::ResetFolderCachesForTest();
  ReportedRoaming bare(roaming.substr(0, roaming.size() - 1));
  pf::Platform p = pf::Current();
  p.files = &bare;
  const pf::Platform previous = pf::Install(p);
  EXPECT_EQ(GetDataFolder(), expected);
  // Cached: a different report later in the process changes nothing.
  ReportedRoaming other(env.Root() + L"elsewhere");
  pf::Current().files = &other;
  EXPECT_EQ(GetDataFolder(), expected);
  pf::Install(previous);
}

TEST_F(SettingsTest, UpgradePathsHoldTheDoubledSeparatorAndAreRecreated) {
  const std::wstring data = GetDataFolder();
  EXPECT_EQ(storage::GetUpgradeFolder(), data + L"/Upgrade/");
  std::filesystem::remove_all(pf::ToUtf8(data));
  EXPECT_FALSE(env.P().files.Exists(data));
  EXPECT_EQ(storage::GetLastUpgradeFile(), data + L"/Upgrade/LastUpgrade.ini");
  EXPECT_TRUE(env.P().files.Exists(data + L"Upgrade"));
  EXPECT_EQ(storage::GetUpgraderPath(), data + L"/Upgrade/ZuWayfarUpgrade.exe");
  EXPECT_EQ(storage::GetTempFolder(), env.Root() + L"temp/");
}

TEST_F(SettingsTest, FolderTreeAndTrailingSeparator) {
  EXPECT_EQ(EnsureTrailingBackslash(L""), L"");
  EXPECT_EQ(EnsureTrailingBackslash(L"a/"), L"a/");
  EXPECT_EQ(EnsureTrailingBackslash(L"a"), L"a/");
  EXPECT_TRUE(CreateFolderTree(env.Root() + L"x/y//z"));
  EXPECT_TRUE(env.P().files.Exists(env.Root() + L"x/y/z"));
  // A file in the way: the tree cannot be made.
  std::FILE* f = std::fopen(pf::ToUtf8(env.Root() + L"file").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_FALSE(CreateFolderTree(env.Root() + L"file/sub"));
}

TEST_F(SettingsTest, RemoveAllAndParseInt) {
  EXPECT_EQ(RemoveAll(L"3.0.0.1", L"."), L"3001");
  EXPECT_EQ(RemoveAll(L"2018-05-06", L"-"), L"20180506");
  EXPECT_EQ(RemoveAll(L"aaa", L"aa"), L"a");
  EXPECT_EQ(RemoveAll(L"abc", L""), L"abc");
  EXPECT_EQ(ParseInt(L"3001"), 3001);
  EXPECT_EQ(ParseInt(L"3.0.0.1"), 3);
  EXPECT_EQ(ParseInt(L""), 0);
  EXPECT_EQ(ParseInt(L"abc"), 0);
  EXPECT_EQ(ParseInt(L"  -42x"), -42);
  EXPECT_EQ(ParseInt(L"+7"), 7);
  EXPECT_EQ(ParseInt(L"-"), 0);
  EXPECT_EQ(ParseInt(L"2147483647"), 2147483647);
  EXPECT_EQ(ParseInt(L"-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInt(L"2147483648"), 0);  // does not fit
  EXPECT_EQ(ParseInt(L"99999999999999999999"), 0);
}

TEST_F(SettingsTest, SettingsOperationsDefaultToTheSettingsFile) {
  storage::WriteIniText(L"Common", L"Refer", L"abc");
  EXPECT_TRUE(env.P().files.Exists(storage::GetSettingsFile()));
  EXPECT_EQ(storage::ReadIniText(L"common", L"REFER", L"d"), L"abc");
  EXPECT_EQ(storage::ReadIniText(L"Common", L"Refer", L"d", storage::GetSettingsFile()), L"abc");
  EXPECT_EQ(storage::ReadIniText(L"Common", L"UID", L"tavo"), L"tavo");
  storage::WriteIniText(L"Common", L"TopMost", L"1abc");
  EXPECT_EQ(storage::ReadIniInt(L"Common", L"TopMost", 0), 1);
  const std::wstring other = env.Root() + L"other.ini";
  storage::WriteIniText(L"version", L"lastUpgradeVer", L"3.0.0.1", other);
  EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"", other), L"3.0.0.1");
  EXPECT_EQ(storage::ReadIniText(L"version", L"lastUpgradeVer", L"none"), L"none");
}

}  // namespace
