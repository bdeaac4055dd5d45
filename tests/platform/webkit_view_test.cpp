// The browser view on WebKitGTK under Xvfb, against pages served on loopback
// by web_test_server.py.  Addresses use the name "localhost": the view's
// rules refuse every pop-up whose address holds the loopback number.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "browser/browser_view.h"
#include "platform/platform.h"
#include "platform/portable/utf8.h"
#include "platform/gtk/gtk_window_access.h"
#include "support/browser_rules_driver.h"
#include "support/page_server.h"

namespace {

using browser::CBrowserView;
using testsupport::PageServer;
using testsupport::RunFor;
using testsupport::RunUntil;

struct Note {
  unsigned code;
  std::wstring url;
  std::wstring title;
};

class Recorder : public pf::WebScriptObject {
 public:
  void OnScriptMessage(const std::wstring& text) override { messages.push_back(text); }
  std::vector<std::wstring> messages;
};

struct Owner {
  CBrowserView view;
  std::vector<Note> notes;
  std::wstring cancelWhenUrlHas;
  pf::WebScriptObject* external = nullptr;
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c) {
    Note note{code, view.GetUrl(), {}};
    if (code == browser::kTitleChange) note.title = reinterpret_cast<const wchar_t*>(c);
    notes.push_back(note);
    if (code == browser::kBeforeNavigate && !cancelWhenUrlHas.empty() &&
        view.GetUrl().find(cancelWhenUrlHas) != std::wstring::npos)
      view.SetCancel(true);
    if (code == browser::kGetExternal && external)
      *reinterpret_cast<void**>(b) = static_cast<pf::WebScriptObject*>(external);
  }
  std::vector<unsigned> Codes() const {
    std::vector<unsigned> codes;
    for (const Note& n : notes) codes.push_back(n.code);
    return codes;
  }
  bool HasTitle(const std::wstring& title) const {
    for (const Note& n : notes)
      if (n.code == browser::kTitleChange && n.title == title) return true;
    return false;
  }
  // The view's URL when code was first raised.
  std::wstring UrlAt(unsigned code) const {
    for (const Note& n : notes)
      if (n.code == code) return n.url;
    return L"(not raised)";
  }
  // Codes other than 9 (titles come and go with every page).
  std::vector<unsigned> Rules() const {
    std::vector<unsigned> codes;
    for (const Note& n : notes)
      if (n.code != browser::kTitleChange) codes.push_back(n.code);
    return codes;
  }
};

pf::LResult FormProc(pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) {
  return pf::ui().DefWindowProc(h, m, w, l);
}

class WebKitView : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pf::ui().Initialize();
    pf::WindowClass wc;
    wc.procedure = &FormProc;
    wc.className = L"VexaWebForm";
    pf::ui().RegisterWindowClass(wc);
    // The pages here are the platform's: served as "localhost".
    pf::SetTrustedPageHosts({L"localhost"});
  }
  void SetUp() override {
    ASSERT_GT(server.Port(), 0);
    form = pf::ui().CreateWindowEx(0, L"VexaWebForm", L"form", pf::kWS_POPUP, 20, 20, 640, 480,
                                   nullptr);
    ASSERT_NE(form, nullptr);
    pf::ui().ShowWindow(form, pf::kSW_SHOW);
  }
  void TearDown() override {
    if (pf::ui().IsWindow(form)) pf::ui().DestroyWindow(form);
    RunFor(50);
  }
  // Creates the view on about:blank, subscribes and blocks pop-ups, then
  // loads path and waits for its first completion.
  void Open(Owner& owner, const std::string& path) {
    ASSERT_NE(owner.view.Create(form, pf::Rect{10, 10, 610, 450}, L"about:blank"), nullptr);
    browser::Subscribe(owner.view.Notify(), &owner);
    owner.view.SetBlockPopups(true);
    RunFor(100);
    ASSERT_TRUE(owner.view.Navigate(server.Url(path)));
    ASSERT_TRUE(RunUntil([&] {
      for (const Note& n : owner.notes)
        if (n.code == browser::kDocumentComplete) return true;
      return false;
    })) << "no completion of "
        << path;
  }

 public:
  static PageServer server;  // shared with the URL-rule suite's driver below

 protected:
  pf::HWindow form = nullptr;
};

PageServer WebKitView::server(WEB_TEST_SERVER);

TEST_F(WebKitView, FirstLoadRaises8Then0AndTheWindowIsAPlacedChild) {
  Owner owner;
  Open(owner, "/plain");
  EXPECT_EQ(owner.Rules(), (std::vector<unsigned>{7, 8, 0}));
  EXPECT_EQ(owner.view.GetUrl(), server.Url("/plain"));
  pf::HWindow view = owner.view.Window();
  EXPECT_EQ(pf::ui().GetWindowLong(view, pf::kGWL_STYLE),
            pf::kWS_CHILD | pf::kWS_VISIBLE | pf::kWS_CLIPCHILDREN);
  EXPECT_TRUE(pf::ui().IsWindowVisible(view));
  // The owner places and hides the view like any child window.
  EXPECT_TRUE(pf::ui().SetWindowPos(view, nullptr, 0, 0, 300, 200, pf::kSWP_NOZORDER));
  EXPECT_TRUE(pf::ui().ShowWindow(view, pf::kSW_HIDE));
  EXPECT_FALSE(pf::ui().IsWindowVisible(view));
  pf::ui().ShowWindow(view, pf::kSW_SHOW);
  // Keyboard and mouse go to WebKit through GTK: nothing is consumed here.
  pf::Msg key{view, pf::kWM_KEYDOWN, 9, 0, 0, {}};
  EXPECT_EQ(owner.view.PreTranslateMessage(&key), 0);
}

TEST_F(WebKitView, WindowOpenIsDivertedWithoutANewWindow) {
  Owner owner;
  Open(owner, "/open");
  owner.notes.clear();
  GList* before = gtk_window_list_toplevels();
  const guint windowsBefore = g_list_length(before);
  g_list_free(before);
  ASSERT_TRUE(
      RunUntil([&] { return owner.HasTitle(L"open done true") && !owner.Rules().empty(); }));
  RunFor(200);
  EXPECT_EQ(owner.Rules(), (std::vector<unsigned>{10}));
  EXPECT_EQ(owner.UrlAt(browser::kDivertedNavigation), server.Url("/popup-target"));
  EXPECT_EQ(owner.view.GetUrl(), server.Url("/popup-target"));
  GList* after = gtk_window_list_toplevels();
  EXPECT_EQ(g_list_length(after), windowsBefore);
  g_list_free(after);
  EXPECT_EQ(server.Log().find("/popup-target"), std::string::npos);
  // A later ordinary navigation is a code 7 again.
  owner.notes.clear();
  ASSERT_TRUE(owner.view.Navigate(server.Url("/plain")));
  ASSERT_TRUE(RunUntil([&] { return !owner.Rules().empty() && owner.Rules().back() == 0; }));
  EXPECT_EQ(owner.Rules(), (std::vector<unsigned>{7, 8, 0}));
}

TEST_F(WebKitView, UnblockedPopupGetsItsOwnWindowAndIsStillDiverted) {
  Owner owner;
  Open(owner, "/plain");
  owner.view.SetBlockPopups(false);
  owner.notes.clear();
  GList* before = gtk_window_list_toplevels();
  ASSERT_TRUE(owner.view.Navigate(server.Url("/open")));
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"open done false"); }));
  ASSERT_TRUE(RunUntil([&] { return server.Log().find("/popup-target") != std::string::npos; }));
  EXPECT_EQ(owner.Rules(), (std::vector<unsigned>{7, 8, 0, 10}));
  EXPECT_EQ(owner.view.GetUrl(), server.Url("/popup-target"));
  // The engine's own window for the page, closed here.
  GList* after = gtk_window_list_toplevels();
  int added = 0;
  for (GList* item = after; item; item = item->next) {
    if (g_list_find(before, item->data) || !GTK_IS_BIN(item->data)) continue;
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(item->data));
    if (!child || !WEBKIT_IS_WEB_VIEW(child)) continue;
    ++added;
    gtk_widget_destroy(GTK_WIDGET(item->data));
  }
  g_list_free(after);
  g_list_free(before);
  EXPECT_EQ(added, 1);
}

TEST_F(WebKitView, RefusedConnectionRaises1WithoutAnErrorPage) {
  // A port nobody listens on.
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), size), 0);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  const int closedPort = ntohs(address.sin_port);
  close(s);

  Owner owner;
  ASSERT_NE(owner.view.Create(form, pf::Rect{0, 0, 400, 300}, L"about:blank"), nullptr);
  browser::Subscribe(owner.view.Notify(), &owner);
  owner.view.SetBlockPopups(true);
  RunFor(100);
  const std::wstring url = pf::FromUtf8("http://localhost:" + std::to_string(closedPort) + "/");
  ASSERT_TRUE(owner.view.Navigate(url));
  ASSERT_TRUE(RunUntil([&] {
    for (const Note& n : owner.notes)
      if (n.code == browser::kNavigateError) return true;
    return false;
  }));
  RunFor(700);
  // No error page arrives: the first-navigation period stays open.
  EXPECT_EQ(owner.Rules(), (std::vector<unsigned>{7, 1}));
  EXPECT_TRUE(owner.view.Pending());
}

TEST_F(WebKitView, TitleChangeCarriesTheText) {
  Owner owner;
  Open(owner, "/title");
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"Changed 标题"); }));
}

TEST_F(WebKitView, SubFrameNavigationRaises7ButNo0AndBodiesLoseScrollBars) {
  Owner owner;
  Open(owner, "/frames");
  // The main document's body got scroll="no" from the completion.
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"top scroll no"); }));
  owner.notes.clear();
  // Navigate the frame from the page itself.
  owner.view.Navigate(L"javascript:later()");
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"inner second no"); }));
  RunFor(300);
  EXPECT_EQ(owner.Rules(), (std::vector<unsigned>{7}));
  EXPECT_EQ(owner.UrlAt(browser::kBeforeNavigate), server.Url("/inner?second"));
  EXPECT_EQ(owner.view.GetUrl(), server.Url("/inner?second"));
}

TEST_F(WebKitView, ExternalMessagesReachTheObjectGivenForCode2) {
  Recorder recorder;
  Owner owner;
  owner.external = &recorder;
  Open(owner, "/external");
  ASSERT_TRUE(RunUntil([&] { return !recorder.messages.empty(); }));
  EXPECT_EQ(recorder.messages[0], L"hello from page");
  bool asked = false;
  for (const Note& n : owner.notes) asked = asked || n.code == browser::kGetExternal;
  EXPECT_TRUE(asked);
}

TEST_F(WebKitView, ExternalIsOnlyForTopPagesOfTrustedHosts) {
  Recorder recorder;
  Owner owner;
  owner.external = &recorder;
  // A frame from another host posts to the handler and calls window.external:
  // neither arrives; the trusted top page's own call does.
  Open(owner, "/external-frame");
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"external frame done"); }));
  RunFor(200);
  EXPECT_EQ(recorder.messages, (std::vector<std::wstring>{L"top after frame"}));
  // The same page served under a host that is not trusted gets nothing.
  recorder.messages.clear();
  owner.view.Navigate(
      pf::FromUtf8("http://127.0.0.1:" + std::to_string(server.Port()) + "/external"), "");
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"external done"); }));
  RunFor(200);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(WebKitView, FormPostCarriesTheFields) {
  Owner owner;
  Open(owner, "/plain");
  owner.notes.clear();
  ASSERT_TRUE(owner.view.Navigate(server.Url("/posted"), "a=1&b=x%20y"));
  ASSERT_TRUE(RunUntil([&] { return owner.HasTitle(L"posted"); }));
  EXPECT_NE(server.Log().find("POST /posted a=1&b=x+y"), std::string::npos) << server.Log();
  EXPECT_EQ(owner.view.GetUrl(), server.Url("/posted"));
}

TEST_F(WebKitView, DestroyingTheFormTearsTheViewDown) {
  Owner owner;
  Open(owner, "/plain");
  pf::HWindow view = owner.view.Window();
  pf::ui().DestroyWindow(form);
  EXPECT_FALSE(pf::ui().IsWindow(view));
  owner.notes.clear();
  owner.view.Refresh();
  RunFor(200);
  EXPECT_TRUE(owner.notes.empty());
}

}  // namespace

// The URL-rule suite (browser_rules_test.cpp) on WebKitGTK: the page itself
// navigates or opens a window (a script run through the view), and whether
// the engine went on shows in the server's log and GTK's windows.
namespace testsupport {
namespace {
class WebKitRulesDriver : public RulesDriver {
 public:
  WebKitRulesDriver() {
    pf::ui().Initialize();
    pf::WindowClass wc;
    wc.procedure = &FormProc;
    wc.className = L"VexaRulesForm";
    pf::ui().RegisterWindowClass(wc);  // once per process; later calls fail harmlessly
    pf::SetTrustedPageHosts({L"localhost"});
    form_ = pf::ui().CreateWindowEx(0, L"VexaRulesForm", L"form", pf::kWS_POPUP, 20, 20, 640,
                                    480, nullptr);
    pf::ui().ShowWindow(form_, pf::kSW_SHOW);
  }
  ~WebKitRulesDriver() override {
    if (pf::ui().IsWindow(form_)) pf::ui().DestroyWindow(form_);
    RunFor(50);
  }
  std::string Unavailable() override {
    return Server().Port() > 0 ? std::string() : "the page server did not start";
  }
  pf::HWindow Form() override { return form_; }
  bool Load(browser::CBrowserView& view, const std::wstring& url) override {
    RunFor(100);
    const std::string path = PathOf(url);
    const int before = Fetched(path);
    if (!view.Navigate(url) || !RunUntil([&] { return Fetched(path) > before; })) return false;
    RunFor(400);  // the page arrives and completes
    return true;
  }
  bool PageNavigates(browser::CBrowserView& view, const std::wstring& url) override {
    const std::string path = PathOf(url);
    const int before = Fetched(path);
    RunScript(view, "location.href='" + pf::ToUtf8(url) + "';");
    RunUntil([&] { return Fetched(path) > before; }, 1000);
    RunFor(200);
    return path.empty() || Fetched(path) == before;
  }
  bool PageOpensWindow(browser::CBrowserView& view, const std::wstring& url) override {
    GList* before = gtk_window_list_toplevels();
    const guint windowsBefore = g_list_length(before);
    g_list_free(before);
    const std::string path = PathOf(url);
    const int fetchedBefore = Fetched(path);
    RunScript(view, "window.open('" + pf::ToUtf8(url) + "','_blank');");
    RunUntil([&] { return view.GetUrl() == url; }, 1000);
    RunFor(300);
    GList* after = gtk_window_list_toplevels();
    const guint windowsAfter = g_list_length(after);
    g_list_free(after);
    return windowsAfter == windowsBefore && (path.empty() || Fetched(path) == fetchedBefore);
  }
  std::wstring PageUrl(const std::string& path) override { return Server().Url(path); }

 private:
  static PageServer& Server() { return WebKitView::server; }
  // Runs a script in the view's page, as the page's own.
  void RunScript(browser::CBrowserView&, const std::string& script) {
    GtkWidget* layer = pf::gtkbackend::ChildLayer(form_);
    GList* children = layer ? gtk_container_get_children(GTK_CONTAINER(layer)) : nullptr;
    for (GList* item = children; item; item = item->next)
      if (WEBKIT_IS_WEB_VIEW(item->data))
        webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(item->data), script.c_str(), -1,
                                            nullptr, nullptr, nullptr, nullptr, nullptr);
    g_list_free(children);
  }
  // The path and query of an address on the page server; empty for others.
  static std::string PathOf(const std::wstring& url) {
    const std::wstring base = Server().Url("");
    return url.rfind(base, 0) == 0 ? pf::ToUtf8(url.substr(base.size())) : std::string();
  }
  // How many times the server was asked for exactly this path.
  static int Fetched(const std::string& path) {
    std::istringstream lines(Server().Log());
    int n = 0;
    for (std::string line; std::getline(lines, line);) n += line == path;
    return n;
  }
  pf::HWindow form_ = nullptr;
};
}  // namespace

std::unique_ptr<RulesDriver> MakeRulesDriver() { return std::make_unique<WebKitRulesDriver>(); }
}  // namespace testsupport
