// What our own INI engine guarantees beyond the shared rules: atomic
// replacement, UTF-8 files and cutting at UTF-16 units.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>
#include <vector>

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
  // As with the profile functions, only the first section of a name counts.
  EXPECT_EQ(ini.ReadInt(L"A", L"z", -1, File()), -1);
  ASSERT_TRUE(ini.WriteText(L"A", L"w", L"4", File()));
  EXPECT_EQ(Slurp(File()), "[A]\r\nx=1\r\nw=4\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
  EXPECT_EQ(pf::ParseProfileInt(L"\t-12z"), -12);
}

TEST_F(IniEngineTest, FilesOverOneMebibyteAreNeitherReadNorRewritten) {
  std::string big = "[Common]\r\nRefer=big\r\n";
  big += std::string(pf::kMaxIniFileBytes, ';');
  std::ofstream(pf::ToUtf8(File()), std::ios::binary) << big;
  EXPECT_EQ(ini.ReadText(L"Common", L"Refer", L"Vexawancom  ", File(), 260), L"Vexawancom");
  EXPECT_EQ(ini.ReadInt(L"Common", L"Refer", 7, File()), 7);
  EXPECT_FALSE(ini.WriteText(L"Common", L"RunCount", L"1", File()));
  EXPECT_EQ(Slurp(File()), big);
  // One byte less than the cap is an ordinary file.
  big.resize(pf::kMaxIniFileBytes);
  std::ofstream(pf::ToUtf8(File()), std::ios::binary | std::ios::trunc) << big;
  EXPECT_EQ(ini.ReadText(L"Common", L"Refer", L"", File(), 260), L"big");
}

TEST_F(IniEngineTest, ValuesStayOnTheirLineAndFilesArePrivate) {
  ASSERT_TRUE(ini.WriteText(L"Error", L"ErrorUrl",
                            std::wstring(L"http://a/\r\n[Install]\r\nGUID=evil") + L'\0' + L"x",
                            File()));
  EXPECT_EQ(ini.ReadText(L"Install", L"GUID", L"none", File(), 260), L"none");
  EXPECT_EQ(ini.ReadText(L"Error", L"ErrorUrl", L"", File(), 260),
            L"http://a/[Install]GUID=evilx");
  EXPECT_EQ(Slurp(File()), "[Error]\r\nErrorUrl=http://a/[Install]GUID=evilx\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(pf::ToUtf8(File()).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniEngineTest, ThreadsWritingOneFileLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kWrites = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      pf::IniFile own;  // each thread its own engine object, one file
      for (int i = 0; i < kWrites; ++i)
        own.WriteText(L"T" + std::to_wstring(t), L"k" + std::to_wstring(i), std::to_wstring(i),
                      File());
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(ini.ReadInt(L"T" + std::to_wstring(t), L"k" + std::to_wstring(i), -1, File()), i);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(pf::ToUtf8(env.Root())))
    files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);  // no temporary file left behind
}

// The value a writer stores in round n: long enough that a torn file shows.
std::wstring RoundValue(int n) {
  return std::to_wstring(n) + L":" + std::wstring(3000 + n % 7, static_cast<wchar_t>(L'a' + n % 26));
}

TEST_F(IniEngineTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  // The settings every round keeps, then rounds that each rewrite one key.
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(ini.WriteText(L"Common", L"Key" + std::to_wstring(i), L"v" + std::to_wstring(i),
                              File()));
  ASSERT_TRUE(ini.WriteText(L"Install", L"Round", RoundValue(0), File()));
  std::mt19937 random(12345);
  int lastSeen = 0;
  constexpr int kRuns = 60;
  for (int run = 0; run < kRuns; ++run) {
    const int first = lastSeen + 1;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      pf::IniFile writer;
      for (int n = first;; ++n) writer.WriteText(L"Install", L"Round", RoundValue(n), File());
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // Whatever moment the kill came at, the file is one whole version.
    const std::wstring round = ini.ReadText(L"Install", L"Round", L"", File(), 4000);
    const size_t colon = round.find(L':');
    ASSERT_NE(colon, std::wstring::npos) << "run " << run;
    const int n = std::stoi(round.substr(0, colon));
    EXPECT_GE(n, lastSeen);
    EXPECT_EQ(round, RoundValue(n)) << "run " << run;
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(ini.ReadText(L"Common", L"Key" + std::to_wstring(i), L"", File(), 260),
                L"v" + std::to_wstring(i));
    lastSeen = n;
  }
  // Temporary files of killed writers may remain beside it; the file itself is whole.
  EXPECT_GT(lastSeen, 0);
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
  // Only the first section of a name is read, as the profile functions do.
  EXPECT_EQ(ini.ReadText(L"a", L"J", L"-", File(), 260), L"-");
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
