// Secure transfers through libcurl against a loopback TLS server whose
// certificate is signed by a test authority made for this run: refused while
// only the system's authorities count, accepted once the test trusts its own;
// a secure request never follows a redirect to plain http.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/download_worker.h"
#include "platform/linux/curl_http.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "platform/test_files.h"
#include "support/http_test_server.h"

namespace {

class Https : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexa-tls-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    const std::string script =
        "cd " + dir +
        " && printf 'subjectAltName=IP:127.0.0.1\\n' > ext"
        " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key"
        " -out ca.pem -subj /CN=VexaTestAuthority -days 2"
        " && openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout server.key"
        " -out server.csr -subj /CN=127.0.0.1"
        " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
        " -out server.pem -days 2 -extfile ext";
    ASSERT_EQ(std::system(("(" + script + ") >/dev/null 2>&1").c_str()), 0);
    ASSERT_TRUE(plain.ok());
    plain.Route("/page", testsupport::HttpReply{200, {}, "plain page"});
    // The server prints its port and process id, and runs until killed.
    const std::string command = "exec /usr/bin/python3 " TLS_SERVER_SCRIPT " " + dir +
                                "/server.pem " + dir + "/server.key " +
                                std::to_string(plain.port()) + " </dev/null";
    FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fscanf(out, "%d %d", &port, &pid), 2);
    pipe = out;
  }
  void TearDown() override {
    pf::CurlHttp::SetCertificateAuthorityFileForTest("");
    if (pid > 0) ::kill(pid, SIGTERM);
    if (pipe) ::pclose(pipe);
    std::system(("rm -rf " + dir).c_str());
  }
  net::DownloadTask Get(const std::string& path, const std::string& file = "") {
    net::DownloadTask t;
    t.url = pf::FromUtf8("https://127.0.0.1:" + std::to_string(port) + path);
    if (!file.empty()) t.filePath = pf::FromUtf8(dir + "/" + file);
    return t;
  }
  int32_t Attempt(net::DownloadTask& t) {
    auto worker =
        std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(),
                                              net::RefererSource{});
    worker->holder.stopFlag = 0;
    return worker->Transfer(t);
  }

  testsupport::HttpTestServer plain;
  std::string dir;
  FILE* pipe = nullptr;
  int port = 0;
  int pid = 0;
};

TEST_F(Https, PagePingAndDownloadOverVerifiedTls) {
  // Not trusted by the system: refused, nothing written.
  net::DownloadTask t = Get("/page", "refused.html");
  EXPECT_NE(Attempt(t), net::DL_OK);
  EXPECT_FALSE(pf::files().Exists(t.filePath));

  pf::CurlHttp::SetCertificateAuthorityFileForTest(dir + "/ca.pem");
  t = Get("/page", "page.html");
  ASSERT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(testsupport::ReadRaw(t.filePath), "secure page");
  t = Get("/ping");
  EXPECT_EQ(Attempt(t), net::DL_OK);

  std::string package;
  for (int i = 0; i < 100000; ++i) package += static_cast<char>((i * 7) % 256);
  t = Get("/package", "package.exe");
  t.checkSha256 = true;
  t.maxBytes = package.size();
  pf::Sha256 hasher;
  hasher.Update(reinterpret_cast<const uint8_t*>(package.data()), package.size());
  hasher.Finish(t.sha256);
  ASSERT_EQ(Attempt(t), net::DL_OK);
  EXPECT_EQ(testsupport::ReadRaw(t.filePath), package);

  // A secure request is never led to plain http.
  t = Get("/to-plain", "plain.html");
  EXPECT_NE(Attempt(t), net::DL_OK);
  EXPECT_TRUE(plain.Requests().empty());
  EXPECT_FALSE(pf::files().Exists(t.filePath));

  // The name in the certificate must match: "localhost" is not 127.0.0.1's SAN.
  t = Get("/page", "named.html");
  t.url = pf::FromUtf8("https://localhost:" + std::to_string(port) + "/page");
  EXPECT_NE(Attempt(t), net::DL_OK);
}

}  // namespace
