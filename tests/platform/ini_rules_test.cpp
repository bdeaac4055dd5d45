// The INI rules the settings code relies on, run unchanged against our own
// engine (Linux) and the private-profile functions (Windows, under Wine).
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/test_files.h"

using testsupport::ReadRaw;
using testsupport::WriteRaw;

namespace {

class IniRules : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = pf::files().TempFolder() + L"vexa-ini-rules-" +
            std::to_wstring(::testing::UnitTest::GetInstance()->random_seed()) + L"-" +
            std::wstring(name_.begin(), name_.end()) + L".ini";
    pf::files().DeleteFile(file_);
  }
  void TearDown() override { pf::files().DeleteFile(file_); }
  std::wstring Read(const std::wstring& s, const std::wstring& k, const std::wstring& d = L"DEF") {
    return pf::ini().ReadText(s, k, d, file_, 260);
  }
  int32_t Int(const std::wstring& s, const std::wstring& k, int32_t d = -7) {
    return pf::ini().ReadInt(s, k, d, file_);
  }
  std::string name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::wstring file_;
};

TEST_F(IniRules, MissingFileSectionOrKeyGiveTheDefault) {
  EXPECT_EQ(Read(L"Common", L"Refer", L"Vexawancom"), L"Vexawancom");
  EXPECT_EQ(Int(L"Common", L"TopMost", 0), 0);
  EXPECT_EQ(Int(L"Common", L"TopMost", 5), 5);
  WriteRaw(file_, "[Common]\r\nUID=x\r\n");
  EXPECT_EQ(Read(L"Common", L"Refer", L"Vexawancom"), L"Vexawancom");
  EXPECT_EQ(Read(L"Other", L"UID"), L"DEF");
  // Trailing blanks of the default are dropped.
  EXPECT_EQ(Read(L"Common", L"Refer", L"abc  "), L"abc");
}

TEST_F(IniRules, EmptyValueIsEmptyNotTheDefault) {
  WriteRaw(file_, "[Common]\r\nRefer=\r\nTopMost=\r\n");
  EXPECT_EQ(Read(L"Common", L"Refer", L"Vexawancom"), L"");
  // An empty integer value reads as the default.
  EXPECT_EQ(Int(L"Common", L"TopMost", 3), 3);
}

TEST_F(IniRules, NamesIgnoreLetterCaseAndValuesAreTrimmed) {
  WriteRaw(file_, "[common]\r\n  refer  =  spaced out  \r\nQuoted=\"in quotes\"\r\n");
  EXPECT_EQ(Read(L"COMMON", L"Refer"), L"spaced out");
  EXPECT_EQ(Read(L"Common", L"REFER"), L"spaced out");
  EXPECT_EQ(Read(L"Common", L"quoted"), L"in quotes");
}

TEST_F(IniRules, ValuesAreCutToTheBuffer) {
  const std::string longValue(300, 'v');
  WriteRaw(file_, "[Common]\r\nLong=" + longValue + "\r\n");
  EXPECT_EQ(Read(L"Common", L"Long"), std::wstring(259, L'v'));
  EXPECT_EQ(pf::ini().ReadText(L"Common", L"Long", L"", file_, 10), std::wstring(9, L'v'));
  EXPECT_EQ(Read(L"Common", L"Missing", std::wstring(300, L'd')), std::wstring(259, L'd'));
}

TEST_F(IniRules, IntegersReadLikeTheProfileFunctions) {
  WriteRaw(file_,
           "[Common]\r\nA=1abc\r\nB=abc\r\nC= 12\r\nD=-5\r\nE=+8\r\nF=2147483647\r\nG=0042\r\n");
  EXPECT_EQ(Int(L"Common", L"A"), 1);
  EXPECT_EQ(Int(L"Common", L"B"), 0);
  EXPECT_EQ(Int(L"Common", L"C"), 12);
  EXPECT_EQ(Int(L"Common", L"D"), -5);
  EXPECT_EQ(Int(L"Common", L"E"), 8);
  EXPECT_EQ(Int(L"Common", L"F"), 2147483647);
  EXPECT_EQ(Int(L"Common", L"G"), 42);
  EXPECT_EQ(Int(L"Common", L"Missing", 9), 9);
}

TEST_F(IniRules, WriteCreatesTheFileAndTheSection) {
  EXPECT_TRUE(pf::ini().WriteText(L"Install", L"InstallTime", L"2026-01-02 03:04:05", file_));
  EXPECT_TRUE(pf::files().Exists(file_));
  EXPECT_EQ(Read(L"Install", L"InstallTime"), L"2026-01-02 03:04:05");
  EXPECT_TRUE(pf::ini().WriteText(L"Common", L"RunCount", L"1", file_));
  EXPECT_EQ(Int(L"Common", L"RunCount"), 1);
  EXPECT_EQ(Read(L"Install", L"InstallTime"), L"2026-01-02 03:04:05");
  const std::string raw = ReadRaw(file_);
  EXPECT_NE(raw.find("[Install]"), std::string::npos);
  EXPECT_NE(raw.find("InstallTime=2026-01-02 03:04:05"), std::string::npos);
  EXPECT_NE(raw.find("[Common]"), std::string::npos);
  EXPECT_NE(raw.find("RunCount=1"), std::string::npos);
}

TEST_F(IniRules, WriteKeepsEveryOtherLine) {
  WriteRaw(file_,
           "; settings\r\n[Common]\r\nRefer=abc\r\nRunCount=4\r\n\r\n[Other]\r\nKeep=me\r\n"
           "[Install]\r\nGUID=ABC\r\n");
  EXPECT_TRUE(pf::ini().WriteText(L"common", L"runcount", L"5", file_));
  EXPECT_TRUE(pf::ini().WriteText(L"Common", L"ActiveCount", L"1", file_));
  EXPECT_TRUE(pf::ini().WriteText(L"Install", L"InstallTime", L"t", file_));
  EXPECT_EQ(Int(L"Common", L"RunCount"), 5);
  EXPECT_EQ(Int(L"Common", L"ActiveCount"), 1);
  EXPECT_EQ(Read(L"Common", L"Refer"), L"abc");
  EXPECT_EQ(Read(L"Other", L"Keep"), L"me");
  EXPECT_EQ(Read(L"Install", L"GUID"), L"ABC");
  EXPECT_EQ(Read(L"Install", L"InstallTime"), L"t");
  const std::string raw = ReadRaw(file_);
  EXPECT_NE(raw.find("; settings"), std::string::npos);
  // The new key lands in its own section, before the next one.
  EXPECT_LT(raw.find("ActiveCount=1"), raw.find("[Other]"));
  EXPECT_EQ(raw.find("RunCount=4"), std::string::npos);
  // One section each: nothing was appended twice.
  EXPECT_EQ(raw.find("[Common]"), raw.rfind("[Common]"));
}

}  // namespace
