// The login and quick-login windows over the fake platform: the normal start,
// the page states, the sign-in markers, the hand-overs and the URL helpers.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_messages.h"
#include "deploy/deployment.h"
#include "app/desktop.h"
#include "app/global_module.h"
#include "app/run_modes.h"
#include "net/url_escape.h"
#include "reporting/machine_identity.h"
#include "storage/settings.h"
#include "storage/upgrade.h"
#include "support/fake_env.h"
#include "support/recording_queue.h"
#include "support/test_components.h"
#include "windows/form_login.h"
#include "windows/form_quick_login.h"
#include "windows/url_text.h"

namespace {

using pf::FakeUi;
using pf::FakeWebBrowser;
using windows::CFormLogin;
using windows::CFormQQLogin;

pf::LParam Pack(int x, int y) {
  return static_cast<pf::LParam>((static_cast<uint32_t>(x) & 0xFFFF) |
                                 ((static_cast<uint32_t>(y) & 0xFFFF) << 16));
}

std::wstring Http(const wchar_t* host, const std::wstring& rest) {
  return std::wstring(L"http://") + host + rest;
}

TEST(UrlText, ParametersDecodingEncodingAndSchemes) {
  using windows::GetUrlParam;
  EXPECT_EQ(GetUrlParam(L"http://h/p?a=1&wd_server=s12&b=2", L"wd_server"), L"s12");
  EXPECT_EQ(GetUrlParam(L"http://h/p?wd_server=s12", L"wd_server"), L"s12");
  EXPECT_EQ(GetUrlParam(L"http://h/p?x=1", L"wd_server"), L"");
  EXPECT_EQ(GetUrlParam(L"http://h/p?wd_server=&x=1", L"wd_server"), L"");
  // A plain substring search: it also matches inside a longer name.
  EXPECT_EQ(GetUrlParam(L"http://h/p?old_wd_server=7&wd_server=8", L"wd_server"), L"7");

  using windows::UrlDecode;
  EXPECT_EQ(UrlDecode("http%3A%2F%2Fg%2Fp%3Fa%3d1%26b%3D2+x"), "http://g/p?a=1&b=2 x");
  EXPECT_EQ(UrlDecode("100%"), "100%");
  EXPECT_EQ(UrlDecode("%4"), "%4");
  EXPECT_EQ(UrlDecode("%zz%4g"), "%zz%4g");
  EXPECT_EQ(UrlDecode("%%41"), "%A");
  EXPECT_EQ(UrlDecode("a%00b"), "a");
  EXPECT_EQ(UrlDecode(std::string("a\0b", 3)), "a");
  EXPECT_EQ(UrlDecode("%E7%8E%A9"), "\xE7\x8E\xA9");
  EXPECT_EQ(UrlDecode(""), "");

  using windows::EncodeQueryValue;
  EXPECT_EQ(EncodeQueryValue(L"bob&wd_server=s12"), L"bob%26wd_server%3Ds12");
  EXPECT_EQ(EncodeQueryValue(L"A-z_0.9~ +/"), L"A-z_0.9~%20%2B%2F");
  EXPECT_EQ(EncodeQueryValue(L"玩"), L"%E7%8E%A9");
  EXPECT_EQ(EncodeQueryValue(L""), L"");

  using windows::IsHttpUrl;
  EXPECT_TRUE(IsHttpUrl(L"http://g/p"));
  EXPECT_TRUE(IsHttpUrl(L"HTTPS://g/p"));
  EXPECT_FALSE(IsHttpUrl(L"javascript:alert(1)"));
  EXPECT_FALSE(IsHttpUrl(L"file:///etc/passwd"));
  EXPECT_FALSE(IsHttpUrl(L"vexa://x"));
  EXPECT_FALSE(IsHttpUrl(L"http:/g"));
  EXPECT_FALSE(IsHttpUrl(L" http://g"));
  EXPECT_FALSE(IsHttpUrl(L""));

  EXPECT_EQ(windows::OneLine(std::wstring(L"a\r\nb\0c", 6)), L"abc");
}

TEST(UrlText, PercentEncodingKeepsOnlyWhatItIsToldAndEveryByteOfNul) {
  EXPECT_EQ(net::HexDigitValue('0'), 0);
  EXPECT_EQ(net::HexDigitValue('f'), 15);
  EXPECT_EQ(net::HexDigitValue('F'), 15);
  EXPECT_EQ(net::HexDigitValue('g'), -1);
  EXPECT_EQ(net::HexDigitValue('\0'), -1);
  // The kept set's end is no kept byte: a NUL byte is always encoded.
  const std::string bytes("a\0~\xFF'", 5);
  EXPECT_EQ(net::PercentEncodeBytes(bytes, "~'", false), L"a%00~%ff'");
  EXPECT_EQ(net::PercentEncodeBytes(bytes, "", true), L"a%00%7E%FF%27");
  EXPECT_EQ(net::PercentEncodeBytes("", "", true), L"");
}

// Components whose quick-login window is the real one.
class RealQuickComponents : public testsupport::TestComponents {
 public:
  std::unique_ptr<app::IQuickLoginForm> MakeQuickLogin() override {
    auto form = std::make_unique<CFormQQLogin>();
    made.push_back(form.get());
    return form;
  }
  std::vector<CFormQQLogin*> made;  // owned by the context
};

class ClientWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    storage::ResetVersionCheckForTest();
    reporting::ResetIdentityCachesForTest();
    app::ResetOutsideOpensForTest();
  }
  void TearDown() override {
    ctx.reset();
    storage::ResetVersionCheckForTest();
  }
  // A normal start up to the idle message loop; the login page is loading.
  CFormLogin& Start(bool realQuick = false) {
    ctx = std::make_unique<app::CGlobalModule>(realQuick ? static_cast<testsupport::TestComponents&>(
                                                               quickParts)
                                                         : components);
    auto q = std::make_unique<testsupport::RecordingQueue>();
    queue = q.get();
    ctx->downloader = std::move(q);
    EXPECT_EQ(app::AppMain(pf::kSW_SHOWNORMAL), FakeUi::kLoopRanDry);
    loginEngine = env.P().web.last;
    return static_cast<CFormLogin&>(*ctx->login);
  }
  FakeUi& ui() { return env.P().ui; }
  pf::HWindow LoginWindow() { return ctx->login->GetHWND(); }
  void Loop() { ui().RunMessageLoop(ctx.get()); }
  int Tasks(int32_t tag) {
    return static_cast<int>(std::count_if(queue->tasks.begin(), queue->tasks.end(),
                                          [tag](const net::DownloadTask& t) { return t.tag == tag; }));
  }
  std::vector<std::wstring> Opened() {
    std::vector<std::wstring> urls;
    for (const auto& call : env.P().shell.calls) urls.push_back(testsupport::Unquoted(call.parameters));
    return urls;
  }
  // Each click is the player's own: the few-a-second limit on opened pages
  // is not what these tests are about.
  void Click(pf::HWindow hwnd, int x, int y) {
    app::ResetOutsideOpensForTest();
    ui().SendMessage(hwnd, pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, Pack(x, y));
    ui().SendMessage(hwnd, pf::kWM_LBUTTONUP, 0, Pack(x, y));
  }

  testsupport::FakeEnv env;
  testsupport::TestComponents components;
  RealQuickComponents quickParts;
  std::unique_ptr<app::CGlobalModule> ctx;
  testsupport::RecordingQueue* queue = nullptr;
  FakeWebBrowser* loginEngine = nullptr;
};

TEST_F(ClientWindows, NormalStartBuildsTheSkinnedLoginWindowAndLoadsTheStartPage) {
  CFormLogin& login = Start();
  pf::WindowHandle* w = LoginWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->className, L"ZuWayfar");
  EXPECT_EQ(w->parent, components.backdrop->GetHWND());  // owned by the backdrop
  EXPECT_EQ(w->style, (pf::kWS_POPUP & 0x7F30FF7Fu) | 0x000A0000u);
  EXPECT_TRUE(w->exStyle & pf::kWS_EX_LAYERED);
  EXPECT_EQ(w->colorKey, 0x00FF80FFu);
  // Shown off-screen as a tool window until the page arrives.
  EXPECT_TRUE(w->visible);
  EXPECT_EQ(w->rect.left, -2000);
  EXPECT_EQ(w->rect.Width(), app::kLoginWidth);
  EXPECT_TRUE(w->exStyle & pf::kWS_EX_TOOLWINDOW);
  EXPECT_NE(std::find(components.journal.begin(), components.journal.end(), "LaunchIconAnimation"),
            components.journal.end());

  // Controls in their order and places.
  const std::vector<skin::CRKBaseControl*> expected = {
      &login.Background(),   &login.MinimizeButton(), &login.CloseButton(),
      &login.OfficialSiteButton(), &login.RechargeButton(), &login.ServiceButton(),
      &login.ForumButton(),  &login.StatusLabel()};
  EXPECT_EQ(login.Controls(), expected);
  EXPECT_EQ(login.Background().GetRect(), (pf::Rect{0, 0, 1287, 732}));
  EXPECT_FALSE(login.Background().blended);
  EXPECT_EQ(login.Background().marginLeft + login.Background().marginBottom, 10);
  EXPECT_TRUE(login.Background().image.IsLoaded());
  EXPECT_EQ(login.CloseButton().GetRect(), (pf::Rect{1151, 69, 1179, 97}));
  EXPECT_EQ(login.MinimizeButton().GetRect(), (pf::Rect{1116, 69, 1144, 97}));
  EXPECT_EQ(login.OfficialSiteButton().GetRect(), (pf::Rect{424, 64, 557, 102}));
  EXPECT_EQ(login.ServiceButton().GetRect(), (pf::Rect{740, 64, 873, 102}));
  EXPECT_EQ(login.RechargeButton().GetRect(), (pf::Rect{582, 64, 715, 102}));
  EXPECT_EQ(login.ForumButton().GetRect(), (pf::Rect{899, 64, 1032, 102}));
  EXPECT_EQ(login.ForumButton().Cursor(), ui().LoadCursor(pf::kIDC_HAND));
  EXPECT_EQ(login.StatusLabel().GetRect().left, 623);
  EXPECT_EQ(login.StatusLabel().TextColor(), 0x0000FFFFu);
  EXPECT_EQ(login.StatusLabel().Underline(), 1);
  EXPECT_EQ(login.StatusLabel().FontHeight(), 26);
  EXPECT_EQ(login.StatusLabel().FontQuality(), pf::kNONANTIALIASED_QUALITY);
  EXPECT_EQ(login.StatusLabel().GetText(), L"");

  // The view: off-screen, created on about:blank, pop-ups blocked, the start page requested.
  ASSERT_NE(loginEngine, nullptr);
  pf::WindowHandle* view = login.View().Window();
  EXPECT_EQ(view->parent, w);
  EXPECT_EQ(view->rect, (pf::Rect{-1000, -1000, 0, 0}));
  EXPECT_EQ(loginEngine->initialUrl, L"about:blank");
  EXPECT_TRUE(login.View().BlockPopups());
  ASSERT_EQ(loginEngine->navigations.size(), 1u);
  EXPECT_EQ(loginEngine->navigations[0].url, ctx->startPageUrl);
  EXPECT_GE(loginEngine->focuses, 1);
  EXPECT_EQ(Tasks(storage::kTagVersionFile), 0);

  // The page arrives: the view is placed, the window and the backdrop centred.
  components.journal.clear();
  loginEngine->CompleteNavigation();
  EXPECT_EQ(view->rect, (pf::Rect{395, 115, 395 + 776, 115 + 540}));
  EXPECT_EQ(w->rect.left, (1920 - 1287) / 2);
  EXPECT_EQ(w->rect.top, (1040 - 732) / 2);
  EXPECT_TRUE(w->visible);
  EXPECT_EQ(components.journal, std::vector<std::string>{"backdrop: ShowBackdrop"});
  EXPECT_EQ(Tasks(storage::kTagVersionFile), 1);
  // It completed: one activity ping, and ActiveCount is 1.
  EXPECT_EQ(Tasks(storage::kTagActivePing), 1);
  EXPECT_EQ(storage::ReadIniText(L"Common", L"ActiveCount", L""), L"1");
  // Later pages start neither again.
  loginEngine->RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), Http(deploy::kWebHost, L"/x"));
  loginEngine->CompleteNavigation();
  login.NavigateView(Http(deploy::kWebHost, L"/y"));
  loginEngine->CompleteNavigation();
  EXPECT_EQ(Tasks(storage::kTagVersionFile), 1);
  EXPECT_EQ(Tasks(storage::kTagActivePing), 1);
  EXPECT_EQ(loginEngine->navigations.back().url, Http(deploy::kWebHost, L"/y"));
}

TEST_F(ClientWindows, TheWorkAreaOriginIsAddedWhenCentring) {
  ui().workArea = pf::Rect{100, 40, 1920, 1080};
  Start();
  loginEngine->CompleteNavigation();
  EXPECT_EQ(LoginWindow()->rect.left, 100 + (1820 - 1287) / 2);
  EXPECT_EQ(LoginWindow()->rect.top, 40 + (1040 - 732) / 2);
}

TEST_F(ClientWindows, ALoadErrorShowsTheRetryTextAndARetryKeepsTheWindowInPlace) {
  CFormLogin& login = Start();
  pf::WindowHandle* w = LoginWindow();
  pf::WindowHandle* view = login.View().Window();
  // The failing address carries a line break: it stays one line of the file.
  loginEngine->RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(),
                                    Http(deploy::kWebHost, L"/a\r\n[Common]\nb"));
  components.journal.clear();
  loginEngine->RaiseNavigateError(FakeWebBrowser::MainFrame(), L"x", -2146697208);
  EXPECT_EQ(storage::ReadIniText(L"Error", L"ErrorUrl", L""),
            Http(deploy::kWebHost, L"/a[Common]b"));
  EXPECT_EQ(login.StatusLabel().GetText(), windows::kNetworkErrorText);
  EXPECT_EQ(view->rect, (pf::Rect{-1000, -1000, -1000, -1000}));
  EXPECT_EQ(w->rect.left, (1920 - 1287) / 2);
  EXPECT_TRUE(w->visible);
  EXPECT_EQ(components.journal, std::vector<std::string>{"backdrop: ShowBackdrop"});
  EXPECT_EQ(Tasks(storage::kTagVersionFile), 0);

  // The player moves the window, then clicks the text: a new attempt.
  ui().SetWindowPos(w, pf::HwndTop(), 30, 20, 0, 0, pf::kSWP_NOSIZE);
  const size_t before = loginEngine->navigations.size();
  Click(w, 640, 385);
  EXPECT_TRUE(login.Retrying());
  ASSERT_EQ(loginEngine->navigations.size(), before + 1);
  EXPECT_EQ(loginEngine->navigations.back().url, ctx->startPageUrl);
  EXPECT_EQ(login.StatusLabel().GetText(), windows::kRetryingText);
  EXPECT_EQ(login.StatusLabel().Cursor(), ui().LoadCursor(pf::kIDC_ARROW));
  // A click while the text is not the error text does nothing.
  Click(w, 640, 385);
  EXPECT_EQ(loginEngine->navigations.size(), before + 1);

  // It fails again: the window stays where the player put it.
  components.journal.clear();
  loginEngine->RaiseNavigateError(FakeWebBrowser::MainFrame(), L"x", -2146697208);
  EXPECT_EQ(w->rect.left, 30);
  EXPECT_EQ(w->rect.top, 20);
  EXPECT_EQ(components.journal, std::vector<std::string>{"backdrop: ShowBackdrop keep"});
  const std::wstring move = L"SetWindowPos " + std::to_wstring(w->id) + L" " +
                            std::to_wstring((1920 - 1287) / 2) + L"," +
                            std::to_wstring((1040 - 732) / 2) + L" 75";
  EXPECT_NE(std::find(ui().log.begin(), ui().log.end(), move), ui().log.end());
  // A cancelled load is no error.
  loginEngine->RaiseNavigateError(FakeWebBrowser::MainFrame(), L"x", pf::kE_ABORT);
  Click(w, 640, 385);
  // The host is back: the page appears where the window already is.
  loginEngine->CompleteNavigation();
  EXPECT_EQ(view->rect, (pf::Rect{395, 115, 395 + 776, 115 + 540}));
  EXPECT_EQ(w->rect.left, 30);
  EXPECT_EQ(Tasks(storage::kTagVersionFile), 1);
}

TEST_F(ClientWindows, SignInMarkersRecordTheAccountAndOpenTheGame) {
  CFormLogin& login = Start();
  loginEngine->CompleteNavigation();
  const pf::WebFrame main = FakeWebBrowser::MainFrame();
  const std::wstring enter = Http(deploy::kWebHost, L"/go?wd_entergame=1&wd_server=s12&wd_username=bob");
  EXPECT_TRUE(loginEngine->RaiseBeforeNavigate2(main, enter));  // cancelled
  EXPECT_EQ(ctx->userName, L"bob");
  EXPECT_EQ(ctx->serverId, L"s12");
  EXPECT_EQ(login.GetEnterGameUrl(), enter);
  Loop();
  ASSERT_EQ(components.games.size(), 1u);
  EXPECT_EQ(components.games[0]->gameUrl, enter);

  // The other order: the account is cut at the next parameter.
  EXPECT_TRUE(loginEngine->RaiseBeforeNavigate2(
      main, Http(deploy::kWebHost, L"/go?wd_username=ann&wd_server=s7&wd_entergame=1")));
  EXPECT_EQ(ctx->userName, L"ann");
  EXPECT_EQ(ctx->serverId, L"s7");
  // Every ordinary navigation clears the server; the account stays.
  EXPECT_FALSE(loginEngine->RaiseBeforeNavigate2(main, Http(deploy::kWebHost, L"/news")));
  EXPECT_EQ(ctx->serverId, L"");
  EXPECT_EQ(ctx->userName, L"ann");
  // Entering without a server leaves it empty.
  EXPECT_TRUE(loginEngine->RaiseBeforeNavigate2(main, Http(deploy::kWebHost, L"/go?wd_entergame=1")));
  EXPECT_EQ(ctx->serverId, L"");
  EXPECT_TRUE(env.P().shell.calls.empty());
}

TEST_F(ClientWindows, QuickLoginHandOversByKind) {
  CFormLogin& login = Start();
  loginEngine->CompleteNavigation();
  const pf::WebFrame main = FakeWebBrowser::MainFrame();
  // WeChat: the QR page opens kind 1 and also loads in the login view.
  const std::wstring wechat = Http(deploy::kWeChatHost, L"/connect/qrconnect?appid=9");
  EXPECT_FALSE(loginEngine->RaiseBeforeNavigate2(main, wechat));
  EXPECT_EQ(login.GetQuickLoginUrl(), wechat);
  Loop();
  ASSERT_EQ(components.quickLogins.size(), 1u);
  EXPECT_EQ(components.quickLogins[0]->kind, 1);
  EXPECT_EQ(components.quickLogins[0]->url, wechat);

  // QQ and Weibo pop-ups: kind 0, never the user's browser.
  for (const wchar_t* path : {L"/qq?from=1", L"/weibo?from=1"}) {
    const std::wstring url = Http(deploy::kLoginHost, path);
    EXPECT_TRUE(loginEngine->RaiseNewWindow3(url));
    EXPECT_EQ(login.GetQuickLoginUrl(), url);
    Loop();
    EXPECT_EQ(components.quickLogins.back()->kind, 0);
    EXPECT_EQ(components.quickLogins.back()->url, url);
  }
  EXPECT_EQ(components.quickLogins.size(), 3u);
  EXPECT_TRUE(env.P().shell.calls.empty());
  // Any other pop-up, and a download, open in the user's browser.
  EXPECT_TRUE(loginEngine->RaiseNewWindow3(L"http://elsewhere/page"));
  EXPECT_TRUE(loginEngine->RaiseBeforeNavigate2(main, Http(deploy::kWebHost, L"/setup.exe")));
  EXPECT_EQ(Opened(), (std::vector<std::wstring>{L"http://elsewhere/page",
                                                 Http(deploy::kWebHost, L"/setup.exe")}));
  Loop();
  EXPECT_EQ(components.quickLogins.size(), 3u);
}

TEST_F(ClientWindows, AfterTheGameTheReloadedPageMovesNothing) {
  CFormLogin& login = Start();
  loginEngine->CompleteNavigation();
  pf::WindowHandle* w = LoginWindow();
  pf::WindowHandle* view = login.View().Window();
  ui().SetWindowPos(w, pf::HwndTop(), 5, 6, 0, 0, pf::kSWP_NOSIZE);
  storage::WriteIniText(L"Error", L"ErrorUrl", L"before");
  login.ReloadAfterGame();
  EXPECT_TRUE(login.Reloaded());
  EXPECT_EQ(loginEngine->navigations.back().url, ctx->startPageUrl);
  loginEngine->RaiseNavigateError(FakeWebBrowser::MainFrame(), L"x", -2146697208);
  EXPECT_EQ(storage::ReadIniText(L"Error", L"ErrorUrl", L""), L"before");
  EXPECT_EQ(login.StatusLabel().GetText(), L"");
  EXPECT_EQ(view->rect, (pf::Rect{395, 115, 395 + 776, 115 + 540}));
  login.ReloadAfterGame();
  loginEngine->CompleteNavigation();
  EXPECT_EQ(w->rect.left, 5);
  EXPECT_EQ(w->rect.top, 6);
  // Markers still work.
  EXPECT_TRUE(loginEngine->RaiseBeforeNavigate2(
      FakeWebBrowser::MainFrame(), Http(deploy::kWebHost, L"/?wd_entergame=1&wd_server=s3")));
  EXPECT_EQ(ctx->serverId, L"s3");
}

TEST_F(ClientWindows, ButtonsDragAndKeys) {
  CFormLogin& login = Start();
  loginEngine->CompleteNavigation();
  pf::HWindow w = LoginWindow();
  // Links open in the user's browser; the pay page carries the encoded account.
  ctx->serverId = L"s1";
  ctx->userName = L"a b";
  Click(w, 450, 80);
  Click(w, 600, 80);
  Click(w, 760, 80);
  Click(w, 920, 80);
  EXPECT_EQ(Opened(), (std::vector<std::wstring>{
                          Http(deploy::kWebHost, L"/tavo.html?frm=pkgs-wd-tavo&referer=pkgs"),
                          Http(deploy::kWebHost, L"/pay.html?gid=1062&sid=s1&uid=a%20b"),
                          Http(deploy::kWebHost, L"/kefu.html?gid=1062"),
                          Http(deploy::kWebHost, L"/bbs.html?gid=1062")}));
  // Dragging the background is a system move; the backdrop follows on button-down.
  ui().sysCommands.clear();
  ui().SendMessage(w, pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, Pack(20, 300));
  EXPECT_EQ(ui().sysCommands, std::vector<uint32_t>{0xF011u});
  ui().SetWindowPos(w, pf::HwndTop(), 70, 80, 0, 0, pf::kSWP_NOSIZE);
  pf::Msg down{w, pf::kWM_LBUTTONDOWN, 0, Pack(1, 1), 0, {}};
  EXPECT_FALSE(login.PreTranslateMessage(&down));
  EXPECT_EQ(components.backdrop->GetHWND()->rect.left, 70);
  EXPECT_EQ(components.backdrop->GetHWND()->rect.top, 80);

  // Keys for the page.
  pf::HWindow viewWindow = login.View().Window();
  auto offered = [&](uint32_t message, int key) {
    const size_t n = loginEngine->forwarded.size();
    pf::Msg msg{viewWindow, message, static_cast<pf::WParam>(key), 0, 0, {}};
    const bool taken = login.PreTranslateMessage(&msg);
    EXPECT_EQ(taken, loginEngine->forwarded.size() > n);
    return taken;
  };
  EXPECT_TRUE(offered(pf::kWM_KEYUP, 'A'));
  EXPECT_FALSE(offered(pf::kWM_KEYDOWN, 'A'));
  EXPECT_FALSE(offered(pf::kWM_KEYDOWN, 'C'));
  EXPECT_TRUE(offered(pf::kWM_KEYDOWN, pf::kVK_TAB));
  EXPECT_TRUE(offered(pf::kWM_KEYDOWN, pf::kVK_RETURN));
  EXPECT_TRUE(offered(pf::kWM_KEYDOWN, pf::kVK_DELETE));
  ui().keyStates[pf::kVK_CONTROL] = static_cast<int16_t>(0x8000);
  for (int key : {'C', 'V', 'X', 'Z'}) EXPECT_TRUE(offered(pf::kWM_KEYDOWN, key));
  EXPECT_FALSE(offered(pf::kWM_KEYDOWN, 'A'));

  // Minimise takes the backdrop (and the quick-login window) down.
  ui().PostMessage(w, app::WM_OPEN_QUICK_LOGIN, 0, 0);
  Loop();
  Click(w, 1130, 80);
  EXPECT_TRUE(ui().IsIconic(components.backdrop->GetHWND()));
  EXPECT_TRUE(ui().IsIconic(components.quickLogins[0]->GetHWND()));

  // Close asks first; No keeps everything.
  ui().messageBoxAnswers = {pf::kIDNO};
  Click(w, 1165, 80);
  ASSERT_EQ(ui().messageBoxes.size(), 1u);
  EXPECT_EQ(ui().messageBoxes[0].text, L"此操作将退出游戏，是否继续？");
  EXPECT_TRUE(ui().IsWindow(w));
  ui().messageBoxAnswers = {pf::kIDYES};
  Click(w, 1165, 80);
  EXPECT_FALSE(ui().IsWindow(w));
  EXPECT_EQ(ui().RunMessageLoop(ctx.get()), 0);  // WM_QUIT
}

TEST_F(ClientWindows, QuickLoginWindowLayoutTitleAndForward) {
  Start(true);
  loginEngine->CompleteNavigation();
  const std::wstring qq = Http(deploy::kLoginHost, L"/qq?x=1");
  EXPECT_TRUE(loginEngine->RaiseNewWindow3(qq));
  Loop();
  ASSERT_EQ(quickParts.made.size(), 1u);
  CFormQQLogin& quick = *quickParts.made[0];
  EXPECT_EQ(ctx->quickLogin, &quick);
  FakeWebBrowser* quickEngine = env.P().web.last;
  pf::WindowHandle* q = quick.GetHWND();
  EXPECT_EQ(q->parent, LoginWindow());
  EXPECT_EQ(q->style, (pf::kWS_POPUP & 0xFF3AFFFFu) | 0x000A0008u);
  EXPECT_EQ(quick.TitleLabel().GetText(), windows::kAccountTitle);
  EXPECT_EQ(quick.TitleLabel().TextColor(), 0x0000FFFFu);
  EXPECT_TRUE(quick.View().BlockPopups());
  EXPECT_EQ(quickEngine->navigations.back().url, qq);
  EXPECT_EQ(q->rect, (pf::Rect{(1920 - 880) / 2, (1040 - 420) / 2, (1920 - 880) / 2 + 880,
                               (1040 - 420) / 2 + 420}));
  EXPECT_TRUE(q->visible);
  const std::vector<skin::CRKBaseControl*> order = {&quick.TitleBar(),   &quick.LeftEdge(),
                                                    &quick.RightEdge(),  &quick.BottomEdge(),
                                                    &quick.CloseButton(), &quick.TitleLabel()};
  EXPECT_EQ(quick.Controls(), order);
  // The edges are 3, 3 and 4 pixels at any size, the view between them.
  for (pf::Size size : {pf::Size{880, 420}, pf::Size{500, 300}, pf::Size{1400, 900}}) {
    ui().SetWindowPos(q, pf::HwndTop(), 0, 0, size.cx, size.cy, pf::kSWP_NOMOVE);
    ui().SendMessage(q, pf::kWM_MOUSEMOVE, 0, Pack(size.cx / 2, size.cy / 2));
    const int titleH = quick.TitleBar().GetImageHeight();
    ASSERT_GT(titleH, 0);
    EXPECT_EQ(quick.TitleBar().GetRect(), (pf::Rect{0, 0, size.cx, titleH}));
    EXPECT_EQ(quick.LeftEdge().GetRect(), (pf::Rect{0, 27, 3, size.cy}));
    EXPECT_EQ(quick.RightEdge().GetRect(), (pf::Rect{size.cx - 3, 27, size.cx, size.cy}));
    EXPECT_EQ(quick.BottomEdge().GetRect(), (pf::Rect{0, size.cy - 4, size.cx, size.cy}));
    EXPECT_EQ(quick.CloseButton().GetRect().right, size.cx);
    EXPECT_EQ(quick.View().Window()->rect,
              (pf::Rect{3, titleH, size.cx - 3, size.cy - 4}));
  }
  // Dragging by the title; sizing from an edge.
  ui().sysCommands.clear();
  ui().SendMessage(q, pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, Pack(300, 12));
  ui().SendMessage(q, pf::kWM_LBUTTONDOWN, pf::kMK_LBUTTON, Pack(1, 200));
  EXPECT_EQ(ui().sysCommands, (std::vector<uint32_t>{0xF011u, pf::kSC_SIZE + pf::kWMSZ_LEFT}));

  // The server list with a forward value: the login view goes there once
  // decoded; the window closes through a posted message, once.
  const size_t loginNavigations = loginEngine->navigations.size();
  const std::wstring serverList =
      Http(deploy::kGameHost,
           L"/server/wan/?forward=http%3A%2F%2Fg%2Fplay%3Fa%3D1%26b%3D2+x&wd_returnlogin=1");
  EXPECT_FALSE(quickEngine->RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), serverList));
  ASSERT_EQ(loginEngine->navigations.size(), loginNavigations + 1);
  EXPECT_EQ(loginEngine->navigations.back().url, L"http://g/play?a=1&b=2 x");
  EXPECT_TRUE(ui().IsWindow(q));  // not inside the engine's event
  EXPECT_EQ(ui().QueuedMessages(), 1u);
  Loop();
  EXPECT_FALSE(ui().IsWindow(q));
  EXPECT_EQ(ctx->quickLogin, nullptr);
  EXPECT_EQ(ctx->quickLoginOwner, nullptr);  // freed
}

TEST_F(ClientWindows, QuickLoginForwardRulesAndClosing) {
  Start(true);
  loginEngine->CompleteNavigation();
  auto open = [&](int kind) {
    ui().PostMessage(LoginWindow(), app::WM_OPEN_QUICK_LOGIN, 0, kind);
    Loop();
    return env.P().web.last;
  };
  FakeWebBrowser* engine = open(1);
  EXPECT_EQ(quickParts.made.back()->TitleLabel().GetText(), windows::kWeChatTitle);
  // A second 1231 destroys the first window before making the new one.
  pf::HWindow first = ctx->quickLogin->GetHWND();
  engine = open(2);
  EXPECT_FALSE(ui().IsWindow(first));
  EXPECT_EQ(quickParts.made.back()->TitleLabel().GetText(), windows::kQQTitle);

  const size_t before = loginEngine->navigations.size();
  // A raw "&" cuts the forward value.
  engine->RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(),
                               Http(deploy::kGameHost, L"/server/wan/?forward=http://g/p?a=1&b=2"));
  EXPECT_EQ(loginEngine->navigations.back().url, L"http://g/p?a=1");
  Loop();
  EXPECT_EQ(ctx->quickLogin, nullptr);

  // Not a web address, or none: closed without navigating.
  for (const wchar_t* forward : {L"javascript%3Aalert(1)", L"file%3A%2F%2F%2Fetc", L""}) {
    engine = open(0);
    pf::HWindow hwnd = ctx->quickLogin->GetHWND();
    engine->RaiseBeforeNavigate2(
        FakeWebBrowser::MainFrame(),
        Http(deploy::kGameHost, std::wstring(L"/server/wan/?forward=") + forward));
    Loop();
    EXPECT_FALSE(ui().IsWindow(hwnd));
  }
  EXPECT_EQ(loginEngine->navigations.size(), before + 1);

  // wd_returnlogin=1 alone closes it; other pages leave it; pop-ups go to the browser.
  engine = open(0);
  pf::HWindow hwnd = ctx->quickLogin->GetHWND();
  engine->RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://sso/step2");
  EXPECT_TRUE(engine->RaiseNewWindow3(L"http://sso/help"));
  EXPECT_EQ(Opened(), std::vector<std::wstring>{L"http://sso/help"});
  Loop();
  EXPECT_TRUE(ui().IsWindow(hwnd));
  engine->RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://sso/done?wd_returnlogin=1");
  Loop();
  EXPECT_FALSE(ui().IsWindow(hwnd));

  // The close button closes it from inside its own click; the object goes after.
  engine = open(0);
  CFormQQLogin* quick = quickParts.made.back();
  hwnd = quick->GetHWND();
  const pf::Rect close = quick->CloseButton().GetRect();
  Click(hwnd, close.left + 3, close.top + 3);
  EXPECT_FALSE(ui().IsWindow(hwnd));
  EXPECT_EQ(ctx->quickLogin, nullptr);
  EXPECT_EQ(ctx->quickLoginOwner, nullptr);

  // Keys follow the login window's rules.
  engine = open(0);
  quick = quickParts.made.back();
  pf::Msg tab{quick->View().Window(), pf::kWM_KEYDOWN, pf::kVK_TAB, 0, 0, {}};
  pf::Msg a{quick->View().Window(), pf::kWM_KEYDOWN, 'A', 0, 0, {}};
  pf::Msg mouse{quick->View().Window(), pf::kWM_LBUTTONDOWN, 0, 0, 0, {}};
  EXPECT_TRUE(quick->PreTranslateMessage(&tab));
  EXPECT_FALSE(quick->PreTranslateMessage(&a));
  EXPECT_FALSE(quick->PreTranslateMessage(&mouse));
}

}  // namespace
