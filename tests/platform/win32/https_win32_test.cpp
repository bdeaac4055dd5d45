// Secure requests through WinINet (INTERNET_FLAG_SECURE) against loopback TLS
// servers started by https_wine.sh: one whose certificate a test authority
// signed, one with a certificate nobody vouches for.  The authority is put in
// the prefix's Root store for one run and taken out again, so the Wine prefix
// is left as it was.  Refused while the authority is not trusted, accepted
// once it is; a stranger's certificate and a name the certificate does not
// carry stay refused.
//
// Environment: VEXA_TLS_CA (the authority, DER), VEXA_TLS_PORT,
// VEXA_TLS_STRANGER_PORT.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct Answer {
  bool sent = false;
  uint32_t status = 0;
  std::string body;
};

// One GET through the platform's HTTP operations, as a download attempt makes it.
Answer Get(const std::wstring& url) {
  Answer answer;
  pf::Http& http = pf::http();
  pf::UrlParts parts;
  if (!http.CrackUrl(url, parts)) return answer;
  pf::HInternet internet = http.Open(L"VexaHttpsTest");
  pf::HInternet connection =
      internet ? http.Connect(internet, parts.host, parts.port, parts.userName, parts.password)
               : nullptr;
  pf::HInternet request =
      connection ? http.OpenRequest(connection, L"GET", parts.path, parts.secure) : nullptr;
  if (request && http.SendRequest(request, nullptr, 0)) {
    answer.sent = true;
    http.QueryStatusCode(request, answer.status);
    uint8_t buffer[16384];
    uint32_t got = 0;
    while (http.ReadFile(request, buffer, sizeof buffer, got) && got > 0)
      answer.body.append(reinterpret_cast<const char*>(buffer), got);
  }
  if (request) http.CloseHandle(request);
  if (connection) http.CloseHandle(connection);
  if (internet) http.CloseHandle(internet);
  return answer;
}

std::wstring Url(const std::string& host, const std::string& port, const std::string& path) {
  const std::string text = "https://" + host + ":" + port + path;
  return std::wstring(text.begin(), text.end());
}

// The test authority in the machine's Root store as the registry keeps it
// (Wine builds each process's trusted roots from there when it starts), or
// taken out of it again.
bool SetAuthorityTrusted(const std::string& derFile, bool trusted) {
  std::ifstream in(derFile, std::ios::binary);
  const std::vector<char> der((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
  if (der.empty()) return false;
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                   CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!store) return false;
  PCCERT_CONTEXT cert = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
  bool ok = false;
  if (cert && trusted) {
    ok = CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  } else if (cert) {
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr);
    ok = !found || CertDeleteCertificateFromStore(found);  // frees found
  }
  if (cert) CertFreeCertificateContext(cert);
  CertCloseStore(store, 0);
  return ok;
}

bool Configured(std::string& ca, std::string& port, std::string& stranger) {
  ca = Env("VEXA_TLS_CA");
  port = Env("VEXA_TLS_PORT");
  stranger = Env("VEXA_TLS_STRANGER_PORT");
  return !ca.empty() && !port.empty() && !stranger.empty();
}

// Each test runs in a process of its own (https_wine.sh): the trusted roots
// are read once per process, so trust is given and taken back between runs.
TEST(HttpsWin32Trust, Give) {
  std::string ca, port, stranger;
  if (!Configured(ca, port, stranger)) GTEST_SKIP() << "run by https_wine.sh";
  EXPECT_TRUE(SetAuthorityTrusted(ca, true));
}

TEST(HttpsWin32Trust, TakeBack) {
  std::string ca, port, stranger;
  if (!Configured(ca, port, stranger)) GTEST_SKIP() << "run by https_wine.sh";
  EXPECT_TRUE(SetAuthorityTrusted(ca, false));
}

TEST(HttpsWin32, RefusedWhileNobodyVouches) {
  std::string ca, port, stranger;
  if (!Configured(ca, port, stranger)) GTEST_SKIP() << "run by https_wine.sh";
  for (const std::string& which : {port, stranger}) {
    Answer refused = Get(Url("localhost", which, "/page"));
    EXPECT_FALSE(refused.sent) << which << ": " << refused.status << " " << refused.body;
    EXPECT_EQ(refused.body, "");
  }
}

TEST(HttpsWin32, PageAndPackageOverVerifiedTls) {
  std::string ca, port, stranger;
  if (!Configured(ca, port, stranger)) GTEST_SKIP() << "run by https_wine.sh";
  Answer page = Get(Url("localhost", port, "/page"));
  EXPECT_TRUE(page.sent);
  EXPECT_EQ(page.status, 200u);
  EXPECT_EQ(page.body, "secure page");
  Answer ping = Get(Url("localhost", port, "/ping"));
  EXPECT_EQ(ping.status, 200u);
  EXPECT_EQ(ping.body, "");
  Answer package = Get(Url("localhost", port, "/package"));
  ASSERT_EQ(package.body.size(), 100000u);
  bool same = true;
  for (size_t i = 0; i < package.body.size(); ++i)
    same &= static_cast<uint8_t>(package.body[i]) == (i * 7) % 256;
  EXPECT_TRUE(same);

  // A certificate no trusted authority signed.
  Answer other = Get(Url("localhost", stranger, "/page"));
  EXPECT_FALSE(other.sent) << other.status << " " << other.body;
  // A name the certificate does not carry.
  Answer named = Get(Url("127.0.0.1", port, "/page"));
  EXPECT_FALSE(named.sent) << named.status << " " << named.body;
}

}  // namespace
