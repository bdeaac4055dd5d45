// MD5, the identity text rules, the hardware sources over the fake machine,
// and net-cafe detection.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32_values.h"
#include "reporting/identity_text.h"
#include "reporting/machine_identity.h"
#include "reporting/md5.h"
#include "reporting/net_cafe.h"
#include "storage/settings.h"
#include "support/fake_env.h"

namespace {

using reporting::Md5Hex;

// ATA identify data whose serial field (words 10 to 19) holds the 20 characters given.
std::vector<uint8_t> IdentifyWithSerial(const std::string& serial20, uint8_t byte54 = 'M') {
  std::vector<uint8_t> data(512, 0);
  for (size_t i = 0; i + 1 < serial20.size() && i < 20; i += 2) {
    data[20 + i] = static_cast<uint8_t>(serial20[i + 1]);  // low byte: the second character
    data[20 + i + 1] = static_cast<uint8_t>(serial20[i]);  // high byte: the first
  }
  data[54] = byte54;
  return data;
}

std::wstring Decode(const std::vector<uint8_t>& data) {
  uint8_t id[512];
  std::copy(data.begin(), data.end(), id);
  return reporting::IdentifyWordsToText(id);
}

TEST(Md5, RfcTestSuite) {
  EXPECT_EQ(Md5Hex(""), L"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), L"0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), L"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), L"f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), L"c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            L"d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890123456"
                   "7890"),
            L"57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecewiseUpdatesGiveTheSameDigestAcrossBlockEdges) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += static_cast<char>('a' + i % 26);
  for (size_t cut : {1u, 55u, 56u, 63u, 64u, 65u, 128u}) {
    reporting::Md5 md5;
    md5.Update(text.data(), cut);
    md5.Update(text.data() + cut, text.size() - cut);
    const auto digest = md5.Final();
    std::wstring hex;
    for (uint8_t b : digest) {
      hex += L"0123456789abcdef"[b >> 4];
      hex += L"0123456789abcdef"[b & 15];
    }
    EXPECT_EQ(hex, Md5Hex(text)) << cut;
  }
}

TEST(IdentityText, IdentifyWordsDropEverySpaceAndEndAtAZeroByte) {
  EXPECT_EQ(Decode(IdentifyWithSerial("      WD-WX1234ABCD ")), L"WD-WX1234ABCD");
  EXPECT_EQ(Decode(IdentifyWithSerial("  S1 2345           ")), L"S12345");
  EXPECT_EQ(Decode(IdentifyWithSerial("ABCDEFGHIJKLMNOPQRST")), L"ABCDEFGHIJKLMNOPQRST");
  std::vector<uint8_t> cut = IdentifyWithSerial("XY12                ");
  cut[24] = 0;  // word 12, low byte (the sixth character)
  cut[25] = 'Z';
  EXPECT_EQ(Decode(cut), L"XY12Z");
  EXPECT_EQ(Decode(std::vector<uint8_t>(512, 0)), L"");
}

TEST(IdentityText, HexPairsDecodeTheSecondPairOfEachGroupFirst) {
  EXPECT_EQ(reporting::DecodeHexPairs("3457424d"), L"W4MB");
  EXPECT_EQ(reporting::DecodeHexPairs("3457424D"), L"W4MB");
  // A short last group: missing digits count as 0, and byte 0 is dropped.
  EXPECT_EQ(reporting::DecodeHexPairs("34574"), L"W4@");
  EXPECT_EQ(reporting::DecodeHexPairs("2020"), L"");   // spaces dropped
  EXPECT_EQ(reporting::DecodeHexPairs("zz41"), L"A");  // non-digits count as 0
  EXPECT_EQ(reporting::DecodeHexPairs(""), L"");
  EXPECT_EQ(reporting::EveryFourthByte("A...B...C.. D"), L"ABCD");
  EXPECT_EQ(reporting::EveryFourthByte("    X"), L"X");
  EXPECT_EQ(reporting::EveryFourthByte(""), L"");
}

TEST(IdentityText, IdentifierFormats) {
  pf::Guid g;
  g.data1 = 0x0012ABCD;
  g.data2 = 0x00EF;
  g.data3 = 0x4A0B;
  const uint8_t tail[8] = {0x01, 0xA2, 0x03, 0xB4, 0x05, 0xC6, 0x07, 0xD8};
  std::copy(tail, tail + 8, g.data4);
  EXPECT_EQ(reporting::FormatInstallGuid(g), L"0012ABCD00EF4A0B01A203B405C607D8");
  const uint32_t regs[4] = {0x306A9, 0x1000800, 0xFFFFFFFF, 0};
  EXPECT_EQ(reporting::FormatCpuText(regs), L"000306A9-01000800-FFFFFFFF-00000000");
  EXPECT_EQ(reporting::FormatAdapterAddress({0x00, 0x1a, 0x2B, 0xc3, 0xd4, 0xe5, 0xff, 0xff}),
            L"001A2BC3D4E5");
  EXPECT_EQ(reporting::FormatAdapterAddress({0xAB}), L"AB0000000000");
}

class IdentitySources : public ::testing::Test {
 protected:
  void SetUp() override { reporting::ResetIdentityCachesForTest(); }
  void TearDown() override { reporting::ResetIdentityCachesForTest(); }
  pf::FakeMachine& M() { return env.P().machine; }
  pf::AdapterRecord Adapter(const std::string& name, uint32_t type, std::vector<uint8_t> address) {
    pf::AdapterRecord a;
    a.name = name;
    a.type = type;
    a.address = std::move(address);
    return a;
  }
  testsupport::FakeEnv env;
};

TEST_F(IdentitySources, ProcessorTextRunsOnTheFirstProcessorAndIsCached) {
  M().processMask = M().systemMask = 0xF;
  std::wstring text;
  ASSERT_TRUE(reporting::GetCpuText(text));
  EXPECT_EQ(text, L"000306A9-00100800-7FBAE3FF-BFEBFBFF");
  EXPECT_EQ(M().maskDuringCpuid, 1u);
  EXPECT_EQ(M().yields, 1);
  EXPECT_EQ(M().affinitySets, (std::vector<uint64_t>{1, 0xF}));  // restricted, then restored
  M().cpuid[0] = 0x12345678;
  ASSERT_TRUE(reporting::GetCpuText(text));
  EXPECT_EQ(text, L"000306A9-00100800-7FBAE3FF-BFEBFBFF");
  EXPECT_EQ(M().cpuidCalls, 1);
}

TEST_F(IdentitySources, ARestrictedProcessGivesNoProcessorText) {
  M().processMask = 0x2;
  M().systemMask = 0x3;
  std::wstring text;
  EXPECT_FALSE(reporting::GetCpuText(text));
  EXPECT_EQ(M().cpuidCalls, 0);
  EXPECT_TRUE(M().affinitySets.empty());
  // The machine id is then made of the other sources alone.
  M().adapters = {Adapter("{A}", 6, {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC})};
  EXPECT_EQ(reporting::ComputeMachineId(), L"0b09e36e82eee36143a8c672b5cc0d90");
}

TEST_F(IdentitySources, DiskMethodsRunInOrderAndTheFirstEntryWins) {
  std::wstring serial;
  EXPECT_FALSE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(M().diskLog.size(), 16u + 32u + 32u + 16u);  // every drive of every method

  // SCSI answers without a model number (byte 54 zero) are not taken.
  M().scsi[2 * 2 + 1] = IdentifyWithSerial("SCSI-1              ", 0);
  M().scsi[3 * 2 + 0] = IdentifyWithSerial("SCSI-2              ");
  M().storageSerial[0] = "3457424d";
  M().diskLog.clear();
  ASSERT_TRUE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(serial, L"SCSI-2");
  EXPECT_EQ(M().diskLog[16], "scsi 0:0");
  EXPECT_EQ(std::count(M().diskLog.begin(), M().diskLog.end(), "query 0"), 0);

  // SMART answers come first, whichever drive gives them.
  M().smart[5] = IdentifyWithSerial("  Z9 X8             ");
  ASSERT_TRUE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(serial, L"Z9X8");
}

TEST_F(IdentitySources, StorageQueryThenMediaSerialThenTheReportedSerial) {
  std::wstring serial;
  M().storageSerial[0] = "2d2d";    // decodes to "--": not a letter or digit first
  M().mediaSerial[0] = "Q...R...";  // taken, since the query added nothing
  M().storageSerial[1] = "3457424d";
  M().mediaSerial[1] = "N...";  // not asked: the query gave an entry
  ASSERT_TRUE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(serial, L"QR");
  EXPECT_EQ(std::count(M().diskLog.begin(), M().diskLog.end(), "media 1"), 0);
  M().mediaSerial.erase(0);
  ASSERT_TRUE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(serial, L"W4MB");

  M().storageSerial.clear();
  M().mediaSerial.clear();
  M().reportedSerial[1] = L" S3Z9 NX0K ";
  ASSERT_TRUE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(serial, L"S3Z9NX0K");
  M().reportedSerial[1] = std::wstring(80, L'7');
  ASSERT_TRUE(reporting::GetDiskSerial(serial));
  EXPECT_EQ(serial, std::wstring(63, L'7'));
}

TEST_F(IdentitySources, PhysicalAdapterTestAndTheFirstAdapterFallback) {
  std::wstring address;
  EXPECT_FALSE(reporting::GetAdapterAddress(address));
  M().adaptersFail = true;
  EXPECT_FALSE(reporting::GetAdapterAddress(address));
  M().adaptersFail = false;

  // The only adapter is a wireless PCI one on a system of major version 6.
  M().osVersion = {true, 6};
  M().adapters = {Adapter("{W}", pf::kIF_TYPE_IEEE80211, {1, 2, 3, 4, 5, 6})};
  M().pnpIds[L"{W}"] = L"PCI\\VEN_8086&DEV_4232";
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{W}", pf::kIF_TYPE_IEEE80211));
  ASSERT_TRUE(reporting::GetAdapterAddress(address));
  EXPECT_EQ(address, L"010203040506");

  // A ROOT (software) adapter never counts; a wired PCI one later in the list wins.
  M().adapters = {Adapter("{R}", 6, {0xAA, 0, 0, 0, 0, 1}), Adapter("{W}", 71, {1, 2, 3, 4, 5, 6}),
                  Adapter("{E}", 6, {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC})};
  M().pnpIds[L"{R}"] = L"ROOT\\NET\\0000";
  M().pnpIds[L"{E}"] = L"pci\\VEN_10EC&DEV_8168";
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{R}", 6));
  EXPECT_TRUE(reporting::IsPhysicalAdapter("{E}", 6));
  ASSERT_TRUE(reporting::GetAdapterAddress(address));
  EXPECT_EQ(address, L"001122AABBCC");
  EXPECT_EQ(reporting::ComputeMacDigest(), L"0b09e36e82eee36143a8c672b5cc0d90");

  // Older systems judge by the connection's MediaSubType instead of the type.
  M().osVersion = {true, 5};
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{E}", 6));
  M().mediaSubTypes[L"{W}"] = 1;
  EXPECT_TRUE(reporting::IsPhysicalAdapter("{W}", 71));
  M().mediaSubTypes[L"{W}"] = 2;
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{W}", 71));
  EXPECT_FALSE(reporting::IsPhysicalAdapter("{missing}", 6));
}

TEST_F(IdentitySources, MachineIdConcatenatesTheSourcesInOrder) {
  M().hasCpuid = false;
  M().affinityFails = true;
  EXPECT_EQ(reporting::ComputeMachineId(), L"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(reporting::ComputeMacDigest(), L"d41d8cd98f00b204e9800998ecf8427e");
  M().hasCpuid = true;
  M().affinityFails = false;
  M().smart[0] = IdentifyWithSerial("WD-WX1234ABCD       ");
  M().adapters = {Adapter("{E}", 6, {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC})};
  const std::wstring id = reporting::ComputeMachineId();
  EXPECT_EQ(id, L"963629dfeb2000bcc5b1ef5783b10f42");
  EXPECT_EQ(reporting::ComputeMachineId(), id);
}

TEST_F(IdentitySources, InstallGuidIsMadeOnceAndKeptWhateverItsForm) {
  const std::wstring made = reporting::LoadInstallGuid();
  EXPECT_EQ(made, L"A0000001123456780102030405060708");
  EXPECT_EQ(storage::ReadIniText(L"Install", L"GUID", L""), made);
  EXPECT_EQ(reporting::LoadInstallGuid(), made);
  storage::WriteIniText(L"Install", L"GUID", L"not-a-guid");
  EXPECT_EQ(reporting::LoadInstallGuid(), L"not-a-guid");

  // Without a GUID from the platform the last one made stands in, else empty.
  env.P().system.guidFails = true;
  storage::WriteIniText(L"Install", L"GUID", L"");
  EXPECT_EQ(reporting::LoadInstallGuid(), made);
  reporting::ResetIdentityCachesForTest();
  storage::WriteIniText(L"Install", L"GUID", L"");
  EXPECT_EQ(reporting::LoadInstallGuid(), L"");
  EXPECT_EQ(storage::ReadIniText(L"Install", L"GUID", L"<missing>"), L"");
}

TEST_F(IdentitySources, NetCafeTableOrder) {
  pf::FakeRegistry& reg = env.P().registry;
  EXPECT_EQ(reporting::DetectNetCafe(), -1);
  EXPECT_EQ(reg.opened.size(), 18u);
  EXPECT_EQ(M().snapshots, 11);
  for (const auto& open : reg.opened) EXPECT_EQ(open.access, pf::kKEY_QUERY_VALUE);

  reg.AddKey(L"SOFTWARE\\Richtech");
  EXPECT_EQ(reporting::DetectNetCafe(), 12);
  reg.AddKey(L"SOFTWARE\\iCafe8");
  EXPECT_EQ(reporting::DetectNetCafe(), 6);

  testsupport::FakeEnv other;
  pf::FakeMachine& m = other.P().machine;
  m.processes = {L"explorer.exe", L"qqmenu.exe"};
  EXPECT_EQ(reporting::DetectNetCafe(), -1);
  m.processes.push_back(L"QQmenu.exe");
  EXPECT_EQ(reporting::DetectNetCafe(), 20);
  m.processes.push_back(L"娱乐中心.exe");
  EXPECT_EQ(reporting::DetectNetCafe(), 17);
  m.snapshotFails = true;
  EXPECT_EQ(reporting::DetectNetCafe(), -1);
  other.P().registry.AddKey(L"\\QvodNetBar\\install");
  EXPECT_EQ(reporting::DetectNetCafe(), 32);
  EXPECT_TRUE(reporting::RegistryKeyExists(L"\\QvodNetBar\\install"));
  EXPECT_FALSE(reporting::ProcessIsRunning(L"QQmenu.exe"));
}

}  // namespace
