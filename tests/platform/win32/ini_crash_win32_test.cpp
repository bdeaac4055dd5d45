// A settings writer killed at any moment (TerminateProcess) leaves the file
// whole: the old version or the new one, every other key kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/platform.h"

namespace {

std::wstring RoundValue(int n) {
  return std::to_wstring(n) + L":" + std::wstring(3000 + n % 7, static_cast<wchar_t>(L'a' + n % 26));
}

TEST(IniCrash, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"vexa-ini-crash-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring file = folder + L"\\Wayfar.ini";
  pf::Ini& ini = pf::ini();
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(ini.WriteText(L"Common", L"Key" + std::to_wstring(i), L"v" + std::to_wstring(i), file));
  ASSERT_TRUE(ini.WriteText(L"Install", L"Round", RoundValue(0), file));

  std::mt19937 random(4321);
  int lastSeen = 0;
  constexpr int kRuns = 25;
  for (int run = 0; run < kRuns; ++run) {
    std::wstring line = L"\"" VEXA_INI_WRITER L"\" \"" + file + L"\" " + std::to_wstring(lastSeen + 1);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    // Once the writer is under way (a Wine process is slow to start), kill
    // it at a random moment of its rounds.
    for (int wait = 0; wait < 400; ++wait) {
      const std::wstring now = ini.ReadText(L"Install", L"Round", L"", file, 4000);
      if (now.compare(0, now.find(L':'), std::to_wstring(lastSeen)) != 0) break;
      Sleep(25);
    }
    Sleep(random() % 200);
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const std::wstring round = ini.ReadText(L"Install", L"Round", L"", file, 4000);
    const size_t colon = round.find(L':');
    ASSERT_NE(colon, std::wstring::npos) << "run " << run;
    const int n = std::stoi(round.substr(0, colon));
    EXPECT_GE(n, lastSeen);
    EXPECT_TRUE(round == RoundValue(n)) << "run " << run << " round " << n;
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(ini.ReadText(L"Common", L"Key" + std::to_wstring(i), L"", file, 260),
                L"v" + std::to_wstring(i));
    lastSeen = n;
  }
  EXPECT_GT(lastSeen, 0);
}

}  // namespace
