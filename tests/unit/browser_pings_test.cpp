// Pages opened in the user's browser while the pings they cause run on the
// download workers against a loopback server, through the real libcurl
// client (the server is reached as the proxy libcurl takes from the
// environment, so the pings keep their real host names).  Run under
// ThreadSanitizer too: the user-interface side and the workers share nothing
// without a lock, and each ping carries the referer of its own page.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "deploy/deployment.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "net/http_downloader.h"
#include "platform/linux/curl_http.h"
#include "platform/portable/utf8.h"
#include "reporting/install_info.h"
#include "support/fake_env.h"
#include "support/http_test_server.h"
#include "support/scoped_env.h"
#include "support/test_components.h"

namespace {

using testsupport::ScopedEnv;

using namespace std::chrono_literals;

// The components of the program as it runs, with the real download queue.
class WorkingComponents : public testsupport::TestComponents {
 public:
  std::unique_ptr<net::DownloadQueue> MakeDownloader() override {
    app::CGlobalModule* context = app::CGlobalModule::Instance();
    net::RefererSource referer;
    referer.macDigest = [context] { return context->installInfo.MacDigestForCookie(); };
    return std::make_unique<net::HTTPDownloader>(std::move(referer));
  }
};

TEST(BrowserPings, PagesOpenWhileTheirPingsRunOverLoopback) {
  testsupport::FakeEnv env;
  pf::CurlHttp curl;
  pf::Platform withCurl = pf::Current();
  withCurl.http = &curl;
  pf::Install(withCurl);  // the fake platform puts its own bundle back when it goes

  testsupport::HttpTestServer server;
  ASSERT_TRUE(server.ok());
  const std::string stats = "http://" + pf::ToUtf8(deploy::kBrowserStatsHost);
  testsupport::HttpReply answer;
  answer.body = "ok";
  answer.pieceSize = 1;  // a little slow, so pings overlap the next opens
  answer.pieceDelayMs = 2;
  server.Route(stats + "/web/ajax70", answer);
  server.Route(stats + "/web/ajax71", answer);
  const ScopedEnv proxy("http_proxy", server.Url(""));
  const ScopedEnv noProxy("no_proxy", "");

  const std::wstring browser = env.Root() + L"VexaExplorer.exe";
  std::ofstream(pf::ToUtf8(browser)) << "x";
  WorkingComponents components;
  components.platformBrowser = browser;
  auto ctx = std::make_unique<app::CGlobalModule>(components);
  ctx->installInfo.Load();

  // Platform pages and other sites in turn, first through the platform's
  // browser, then (once it is gone) through the fallback; a few a second.
  std::map<std::string, std::string> refererOf;  // the ping's r= value -> expected Referer
  const int kPages = 16;
  for (int i = 0; i < kPages; ++i) {
    if (i == kPages / 2) pf::files().DeleteFile(browser);
    const std::wstring page = (i % 2 ? std::wstring(L"http://www.example.com/p")
                                     : L"http://" + std::wstring(deploy::kWebHost) + L"/p") +
                              std::to_wstring(i) + L"?a=1";
    app::ResetOutsideOpensForTest();
    app::OpenInOutsideBrowser(page);
    const std::string encoded = pf::ToUtf8(reporting::PercentEncode(pf::ToUtf8(page)));
    refererOf[encoded] = i < kPages / 2 ? pf::ToUtf8(page) : std::string();
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_TRUE(server.WaitForRequests(kPages, 60s));
  ctx.reset();  // stops and joins the workers

  const std::vector<testsupport::HttpRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), static_cast<size_t>(kPages));
  int platform = 0;
  for (const testsupport::HttpRequest& r : requests) {
    const size_t at = r.target.find("&r=");
    ASSERT_NE(at, std::string::npos) << r.target;
    const std::string value = r.target.substr(at + 3, r.target.find("&lO=") - at - 3);
    ASSERT_EQ(refererOf.count(value), 1u) << r.target;
    const std::string& expected = refererOf[value];
    // Each ping carries its own page as Referer (the platform browser's) or none.
    EXPECT_EQ(r.Header("Referer"), expected) << r.target;
    EXPECT_EQ(r.target.find(expected.empty() ? "/web/ajax71?" : "/web/ajax70?"),
              stats.size())
        << r.target;
    platform += !expected.empty();
    refererOf.erase(value);
  }
  EXPECT_EQ(platform, kPages / 2);
}

}  // namespace
