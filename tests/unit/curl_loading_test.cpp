// The Linux HTTP client maps libcurl (and the chain of libraries it pulls in)
// only when the first request is sent, so a run that sends none never pays
// for it.  Checked in a fresh process of its own, where nothing else of the
// test program has sent a request yet.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/linux/curl_http.h"

namespace {

bool CurlMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("/libcurl") != std::string::npos) return true;
  return false;
}

// A loopback port nobody listens on: the request is refused at once.
uint16_t ClosedPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0)
    return 0;
  close(s);
  return ntohs(a.sin_port);
}

// Exit codes: 0 all held; 1 mapped at start; 2 mapped before the request was
// sent; 3 the refused request was reported sent; 4 not mapped after sending.
void LoadOnFirstRequest() {
  if (CurlMapped()) std::_Exit(1);
  pf::CurlHttp http;
  pf::UrlParts parts;
  const uint16_t port = ClosedPort();
  if (!http.CrackUrl(L"http://127.0.0.1:" + std::to_wstring(port) + L"/v.txt", parts))
    std::_Exit(5);
  pf::HInternet internet = http.Open(L"agent");
  pf::HInternet connection = http.Connect(internet, parts.host, parts.port, L"", L"");
  pf::HInternet request = http.OpenRequest(connection, L"GET", parts.path, false);
  if (!request || !http.AddRequestHeaders(request, L"Referer: http://a.example/\r\n") ||
      !http.SetCookie(L"http://127.0.0.1/", L"a=1"))
    std::_Exit(5);
  if (CurlMapped()) std::_Exit(2);
  if (http.SendRequest(request, nullptr, 0)) std::_Exit(3);
  if (!CurlMapped()) std::_Exit(4);
  // A second request goes through the library already loaded.
  pf::HInternet again = http.OpenRequest(connection, L"GET", parts.path, false);
  const bool sent = http.SendRequest(again, nullptr, 0);
  http.CloseHandle(again);
  http.CloseHandle(request);
  http.CloseHandle(connection);
  http.CloseHandle(internet);
  std::_Exit(sent ? 3 : 0);
}

TEST(CurlLoading, LibcurlIsMappedAtTheFirstRequestNotBefore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(LoadOnFirstRequest(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
