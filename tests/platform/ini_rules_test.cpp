// The INI rules the settings code relies on, run unchanged against our own
// engine (Linux) and the private-profile functions (Windows, under Wine).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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

namespace {

// Hand-edited files in shapes the settings code never writes itself.  The
// expected reads are what the Windows profile functions give (under Wine);
// our own engine gives the same.  After a write every value reads as before
// and the new key is there (the layout of the other lines may differ: Wine
// rewrites the file from what it parsed).
struct Shape {
  const char* name;
  std::string file;
  std::vector<std::pair<const wchar_t*, const wchar_t*>> reads;  // section, key
  std::string expected;
};

std::string Narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

class IniShapes : public IniRules {
 protected:
  std::string Reads(const Shape& shape) {
    std::string out;
    for (const auto& r : shape.reads)
      out += Narrow(r.first) + "." + Narrow(r.second) + "=" + Narrow(Read(r.first, r.second)) + "|";
    return out;
  }
};

TEST_F(IniShapes, HandEditedFilesReadAndWriteAsOnWindows) {
  const std::string longValue(5000, 'v');
  const std::vector<Shape> shapes = {
      {"duplicate sections and keys", "[A]\r\nx=1\r\nx=2\r\n[B]\r\ny=1\r\n[A]\r\nx=3\r\nz=4\r\n",
       {{L"A", L"x"}, {L"A", L"z"}, {L"B", L"y"}},
       "A.x=1|A.z=DEF|B.y=1|"},
      {"blanks inside brackets", "[ A ]\r\nx=1\r\n[\tB\t]\r\ny=2\r\n",
       {{L"A", L"x"}, {L"B", L"y"}, {L" A ", L"x"}},
       "A.x=1|B.y=2| A .x=1|"},
      {"blanks around names and values", "[A]\r\n\t x \t=\t 1 \t\r\n", {{L"A", L"x"}, {L"A", L" x "}},
       "A.x=1|A. x =1|"},
      {"quotes", "[A]\r\nq1=\"a\"\r\nq2='b'\r\nq3=\"c\r\nq4=\"d\"e\"\r\nq5=\" s \"\r\nq6=\"\"\r\n",
       {{L"A", L"q1"}, {L"A", L"q2"}, {L"A", L"q3"}, {L"A", L"q4"}, {L"A", L"q5"}, {L"A", L"q6"}},
       "A.q1=a|A.q2=b|A.q3=\"c|A.q4=d\"e|A.q5= s |A.q6=|"},
      {"comments", "[A]\r\n;x=1\r\nx=2 ; kept\r\n#y=3\r\n", {{L"A", L"x"}, {L"A", L";x"}, {L"A", L"#y"}},
       "A.x=2 ; kept|A.;x=1|A.#y=3|"},
      {"lines without =", "[A]\r\nnoequals\r\nx=1\r\n", {{L"A", L"noequals"}, {L"A", L"x"}},
       "A.noequals=DEF|A.x=1|"},
      {"keys before any section", "x=0\r\n[A]\r\nx=1\r\n", {{L"A", L"x"}, {L"", L"x"}}, "A.x=1|.x=0|"},
      {"a very long line", "[A]\r\nx=" + longValue + "\r\ny=2\r\n", {{L"A", L"y"}, {L"A", L"x"}},
       "A.y=2|A.x=" + std::string(259, 'v') + "|"},
      {"LF and no final newline", "[A]\nx=1\ny=2", {{L"A", L"x"}, {L"A", L"y"}}, "A.x=1|A.y=2|"},
      {"an empty file", "", {{L"A", L"x"}}, "A.x=DEF|"},
      // The first mark is the file's encoding; the second is text of the
      // first line, which is then no header.  A write must keep both, or the
      // line turns into a header of its own.
      {"a byte-order mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF[A]\r\nx=1\r\n[A]\r\ny=2\r\n",
       {{L"A", L"x"}, {L"A", L"y"}, {L"", L"x"}},
       "A.x=DEF|A.y=2|.x=1|"},
  };
  for (const Shape& shape : shapes) {
    WriteRaw(file_, shape.file);
    EXPECT_EQ(Reads(shape), shape.expected) << shape.name;
    EXPECT_TRUE(pf::ini().WriteText(L"A", L"w", L"5", file_)) << shape.name;
    EXPECT_EQ(Reads(shape), shape.expected) << shape.name << ", after a write";
    EXPECT_EQ(Read(L"A", L"w"), L"5") << shape.name;
  }
}

}  // namespace
