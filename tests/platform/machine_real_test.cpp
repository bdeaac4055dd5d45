// The registry, shell and machine facilities of the real backend, and the
// identifiers and net-cafe detection computed from them on this machine.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "platform/win32_values.h"
#include "reporting/machine_identity.h"
#include "reporting/net_cafe.h"

namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

bool IsWindows() { return pf::files().Separator() == L'\\'; }

TEST(MachineReal, IdentifiersAreLowerHexDigestsAndStable) {
  reporting::ResetIdentityCachesForTest();
  const std::wstring id = reporting::ComputeMachineId();
  const std::wstring mac = reporting::ComputeMacDigest();
  const std::regex digest("[0-9a-f]{32}");
  EXPECT_TRUE(std::regex_match(Narrow(id), digest)) << Narrow(id);
  EXPECT_TRUE(std::regex_match(Narrow(mac), digest)) << Narrow(mac);
  reporting::ResetIdentityCachesForTest();
  EXPECT_EQ(reporting::ComputeMachineId(), id);
  EXPECT_EQ(reporting::ComputeMacDigest(), mac);

  std::wstring part;
  if (reporting::GetCpuText(part)) {
    EXPECT_TRUE(part.empty() ||
                std::regex_match(Narrow(part), std::regex("[0-9A-F]{8}(-[0-9A-F]{8}){3}")))
        << Narrow(part);
  }
  uint64_t process = 0, system = 0;
  ASSERT_TRUE(pf::machine().GetAffinityMasks(process, system));
  EXPECT_NE(system, 0u);
  if (reporting::GetAdapterAddress(part)) {
    EXPECT_TRUE(std::regex_match(Narrow(part), std::regex("[0-9A-F]{12}"))) << Narrow(part);
  }
  std::wstring serial;
  if (reporting::GetDiskSerial(serial)) {
    EXPECT_FALSE(serial.empty());
    EXPECT_LE(serial.size(), 63u);
  }
  // The affinity of the process is the same as before.
  uint64_t after = 0;
  ASSERT_TRUE(pf::machine().GetAffinityMasks(after, system));
  EXPECT_EQ(after, process);
}

TEST(MachineReal, NetCafeDetectionFindsNothingHere) {
  EXPECT_EQ(reporting::DetectNetCafe(), -1);
  const std::wstring self = IsWindows() ? L"platform_tests.exe" : L"platform_tests";
  EXPECT_TRUE(reporting::ProcessIsRunning(self));
  EXPECT_FALSE(
      reporting::ProcessIsRunning(IsWindows() ? L"PLATFORM_TESTS.exe" : L"PLATFORM_TESTS"));
  EXPECT_FALSE(reporting::ProcessIsRunning(L"platform_test"));
}

TEST(MachineReal, AnsiConversionAndSystemFacts) {
  pf::Machine& m = pf::machine();
  EXPECT_EQ(m.ToAnsi(L""), "");
  EXPECT_EQ(m.FromAnsi(""), L"");
  EXPECT_EQ(m.ToAnsi(L"http://a b/~x"), "http://a b/~x");
  EXPECT_EQ(m.FromAnsi("Path=C:\\x"), L"Path=C:\\x");
  // Both builds here run on x86-64 systems.
  EXPECT_EQ(m.NativeProcessorArchitecture(), pf::kPROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_TRUE(m.GetOsVersion().ntFamily);
  EXPECT_GE(m.GetOsVersion().major, 5u);
}

TEST(MachineReal, ShellStartsProgramsAndReportsMissingOnes) {
  pf::Shell& shell = pf::shell();
  EXPECT_LE(shell.Execute(L"open", L"no-such-program-vexa", L"x", pf::kSW_SHOW), 32);
  const std::wstring program = IsWindows() ? L"cmd.exe" : L"true";
  const std::wstring args = IsWindows() ? L"/c exit 0" : L"x";
  EXPECT_GT(shell.Execute(L"", program, args, pf::kSW_SHOWNORMAL), 32);
}

}  // namespace
