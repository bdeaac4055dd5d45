// What our own INI engine guarantees beyond the shared rules: atomic
// replacement, UTF-8 files and cutting at UTF-16 units.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/portable/ini_file.h"
#include "support/fake_env.h"

namespace {

std::string Slurp(const std::wstring& path) {
  std::ifstream in(pf::ToUtf8(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class IniEngineTest : public ::testing::Test {
 protected:
  testsupport::FakeEnv env;
  pf::IniFile ini;
  std::wstring File() { return env.Root() + L"s.ini"; }
};

TEST_F(IniEngineTest, AWriteThatCannotCompleteLeavesTheOldFileWhole) {
  ASSERT_TRUE(ini.WriteText(L"Common", L"RunCount", L"1", File()));
  const std::string before = Slurp(File());
  // A file-size limit makes every write past it fail, as a full disk would.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tiny = old;
  tiny.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &tiny);
  const bool written = ini.WriteText(L"Common", L"Refer", std::wstring(100, L'x'), File());
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(written);
  EXPECT_EQ(Slurp(File()), before);
  // No temporary file is left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(pf::ToUtf8(env.Root())))
    files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);
  // A folder that does not exist: nothing is written.
  EXPECT_FALSE(ini.WriteText(L"A", L"b", L"c", env.Root() + L"missing/s.ini"));
}

TEST_F(IniEngineTest, Utf8TextAndUtf16Cutting) {
  ASSERT_TRUE(ini.WriteText(L"Error", L"ErrorUrl", L"http://例子.测试/页", File()));
  EXPECT_EQ(ini.ReadText(L"error", L"errorurl", L"", File(), 260), L"http://例子.测试/页");
  EXPECT_NE(Slurp(File()).find("[Error]\r\nErrorUrl=http://\xE4\xBE\x8B"), std::string::npos);
  // A character outside the basic plane takes two units and is never split.
  const std::wstring value = std::wstring(258, L'a') + L"\U0001F600";
  ASSERT_TRUE(ini.WriteText(L"Common", L"Wide", value, File()));
  EXPECT_EQ(ini.ReadText(L"Common", L"Wide", L"", File(), 260), std::wstring(258, L'a'));
  EXPECT_EQ(ini.ReadText(L"Common", L"Wide", L"", File(), 261), value);
}

TEST_F(IniEngineTest, LineFeedFilesAndDuplicateSections) {
  std::ofstream(pf::ToUtf8(File())) << "[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n";
  EXPECT_EQ(ini.ReadInt(L"A", L"x", 0, File()), 1);
  EXPECT_EQ(ini.ReadInt(L"A", L"z", 0, File()), 3);
  ASSERT_TRUE(ini.WriteText(L"A", L"w", L"4", File()));
  EXPECT_EQ(Slurp(File()), "[A]\r\nx=1\r\nw=4\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
  EXPECT_EQ(pf::ParseProfileInt(L"\t-12z"), -12);
}

}  // namespace

namespace {

void Put(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(pf::ToUtf8(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

// Reads reuse the parsed file only while it holds the same bytes: a change
// made in place by another writer (same size, same instant) is read at once,
// whichever of several files was read last.
TEST_F(IniEngineTest, ReadsSeeEveryChangeOfTheFileAndOfOtherFiles) {
  Put(File(), "[A]\r\nk=1\r\n[b]\r\nK=2\r\n[a]\r\nk=3\r\nj=4\r\n");
  EXPECT_EQ(ini.ReadText(L"a", L"K", L"-", File(), 260), L"1");  // the first section wins
  EXPECT_EQ(ini.ReadText(L"a", L"J", L"-", File(), 260), L"4");
  EXPECT_EQ(ini.ReadText(L"B", L"k", L"-", File(), 260), L"2");
  EXPECT_EQ(ini.ReadText(L"c", L"k", L"-", File(), 260), L"-");
  Put(File(), "[A]\r\nk=7\r\n[b]\r\nK=2\r\n[a]\r\nk=3\r\nj=4\r\n");
  EXPECT_EQ(ini.ReadText(L"a", L"K", L"-", File(), 260), L"7");
  // Several files in turn, more than are kept parsed.
  for (int i = 0; i < 6; ++i)
    Put(env.Root() + L"f" + std::to_wstring(i) + L".ini", "[S]\r\nv=" + std::to_string(i) + "\r\n");
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(ini.ReadInt(L"S", L"v", -1, env.Root() + L"f" + std::to_wstring(i) + L".ini"), i);
  ASSERT_TRUE(ini.WriteText(L"A", L"k", L"8", File()));
  EXPECT_EQ(ini.ReadText(L"a", L"K", L"-", File(), 260), L"8");
  std::filesystem::remove(pf::ToUtf8(File()));
  EXPECT_EQ(ini.ReadText(L"a", L"K", L"-", File(), 260), L"-");
  Put(File(), "");
  EXPECT_EQ(ini.ReadInt(L"a", L"K", 5, File()), 5);
}
