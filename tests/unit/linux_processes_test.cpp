// Starting the upgrader on Linux for real: directly, and through a stand-in
// for the elevation helper that either grants or refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/linux/linux_processes.h"
#include "platform/portable/utf8.h"
#include "platform/test_files.h"

namespace {

using namespace std::chrono_literals;

class NotElevated : public pf::LinuxProcesses {
 public:
  using LinuxProcesses::LinuxProcesses;
  bool IsProcessElevated() override { return false; }
};

class LinuxProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexa-proc-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    // A downloaded copy of the stand-in upgrader, without its execute bits.
    upgrader = dir + "/ZuWayfarUpgrade.exe";
    std::filesystem::copy_file(VEXA_UPGRADER_STUB, upgrader);
    ::chmod(upgrader.c_str(), 0644);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Ran() {
    const std::wstring ran = pf::FromUtf8(upgrader + ".ran");
    for (int i = 0; i < 500 && testsupport::ReadRaw(ran).empty(); ++i)
      std::this_thread::sleep_for(10ms);
    return testsupport::ReadRaw(ran);
  }
  std::string Helper(const std::string& name, const std::string& body) {
    const std::string path = dir + "/" + name;
    testsupport::WriteRaw(pf::FromUtf8(path), "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }
  std::string dir;
  std::string upgrader;
};

TEST_F(LinuxProcessesTest, DirectStartPassesTheArguments) {
  pf::LinuxProcesses processes;
  EXPECT_TRUE(processes.CreateProcess(pf::FromUtf8(upgrader), L" /S /RKUPGRADE", 0x220, 0));
  EXPECT_EQ(Ran(), "[run]\r\nargs=/S /RKUPGRADE\r\nself=" + upgrader + "\r\n");
  EXPECT_FALSE(processes.CreateProcess(pf::FromUtf8(dir + "/missing.exe"), L" /S", 0, 0));
  EXPECT_EQ(processes.IsProcessElevated(), ::geteuid() == 0);
}

TEST_F(LinuxProcessesTest, ElevatedStartWaitsForTheHelpersAnswer) {
  NotElevated refused(Helper("refuse", "sleep 0.3; exit 126"));
  EXPECT_FALSE(refused.ShellExecute(L"runas", pf::FromUtf8(upgrader), L"/S /RKUPGRADE", 1));
  EXPECT_FALSE(std::filesystem::exists(upgrader + ".ran"));

  // With the rights the copy in a fresh private folder runs, not the file.
  NotElevated granted(Helper("grant", "exec \"$@\""), dir + "/copy.XXXXXX");
  EXPECT_TRUE(granted.ShellExecute(L"runas", pf::FromUtf8(upgrader), L"/S /RKUPGRADE", 1));
  std::string copyRan, copy;
  for (int i = 0; i < 500 && copyRan.empty(); ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().filename().string().rfind("copy.", 0) != 0) continue;
      EXPECT_EQ(std::filesystem::status(entry.path()).permissions() & std::filesystem::perms::all,
                std::filesystem::perms::owner_all);
      copy = entry.path().string() + "/ZuWayfarUpgrade.exe";
      copyRan = testsupport::ReadRaw(pf::FromUtf8(copy + ".ran"));
    }
    if (copyRan.empty()) std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(copyRan, "[run]\r\nargs=/S /RKUPGRADE\r\nself=" + copy + "\r\n");
  EXPECT_FALSE(std::filesystem::exists(upgrader + ".ran"));

  // A file changed while the user is asked: nothing runs.
  NotElevated swapped(
      Helper("swap", "printf 'changed' >> \"" + upgrader + "\"; exec \"$@\""),
      dir + "/swapped.XXXXXX");
  EXPECT_FALSE(swapped.ShellExecute(L"runas", pf::FromUtf8(upgrader), L"/S /RKUPGRADE", 1));
  std::this_thread::sleep_for(200ms);
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename().string().rfind("swapped.", 0) == 0) {
      EXPECT_FALSE(std::filesystem::exists(entry.path() / "ZuWayfarUpgrade.exe.ran"));
    }
  }

  NotElevated missingHelper(dir + "/no-such-helper");
  EXPECT_FALSE(missingHelper.ShellExecute(L"runas", pf::FromUtf8(upgrader), L"/S", 1));
}

}  // namespace
