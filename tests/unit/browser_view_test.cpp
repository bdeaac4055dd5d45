// The browser view's URL rules and notifications over the fake engine, which
// raises its events in the WebBrowser control's re-entrant order.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/browser_view.h"
#include "support/browser_rules_driver.h"
#include "support/fake_env.h"
#include "support/plain_form.h"
#include "platform/portable/utf8.h"

namespace {

using browser::CBrowserView;
using pf::FakeWebBrowser;

struct Note {
  unsigned code;
  browser::NotifyArg b;
  browser::NotifyPtr c;
  std::wstring url;    // the view's GetUrl at the time
  std::wstring title;  // code 9 only
};

// Stands in for a form that hosts a view.
struct Owner {
  CBrowserView view;
  std::vector<Note> notes;
  std::function<void(unsigned)> onNote;
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c) {
    Note note{code, b, c, view.GetUrl(), {}};
    if (code == browser::kTitleChange) note.title = reinterpret_cast<const wchar_t*>(c);
    notes.push_back(note);
    if (onNote) onNote(code);
  }
  std::vector<unsigned> Codes() const {
    std::vector<unsigned> codes;
    for (const Note& n : notes) codes.push_back(n.code);
    return codes;
  }
};

class BrowserView : public ::testing::Test {
 protected:
  // The form the views are made on (on the fake platform installed now).
  void SetUp() override { parent = testsupport::MakePlainForm(pf::Rect{10, 10, 810, 610}); }
  // Creates, subscribes, blocks pop-ups: what every window of the client does.
  FakeWebBrowser& Open(Owner& owner) {
    EXPECT_NE(owner.view.Create(parent, pf::Rect{5, 6, 105, 56}, L"about:blank"), nullptr);
    browser::Subscribe(owner.view.Notify(), &owner);
    owner.view.SetBlockPopups(true);
    return *env.P().web.last;
  }
  const FakeWebBrowser::Navigation& LastNavigation() {
    return env.P().web.last->navigations.back();
  }

  testsupport::FakeEnv env;
  pf::HWindow parent = nullptr;
  const void* subFrame = &subFrameTag;
  char subFrameTag = 0;
};

TEST_F(BrowserView, CreateMakesAChildWindowWithItsStyleSinkAndNoDropTarget) {
  Owner owner;
  EXPECT_EQ(owner.view.Window(), nullptr);
  FakeWebBrowser& engine = Open(owner);
  pf::HWindow w = owner.view.Window();
  ASSERT_NE(w, nullptr);
  auto* record = w;
  EXPECT_EQ(record->parent, parent);
  EXPECT_EQ(record->rect, (pf::Rect{5, 6, 105, 56}));
  EXPECT_EQ(record->exStyle, 0u);
  // Created as WS_CHILD | WS_VISIBLE; WM_CREATE adds WS_CLIPCHILDREN.
  const uint32_t style = pf::ui().GetWindowLong(w, pf::kGWL_STYLE);
  EXPECT_EQ(style, pf::kWS_CHILD | pf::kWS_VISIBLE | pf::kWS_CLIPCHILDREN);
  EXPECT_EQ(engine.initialUrl, L"about:blank");
  EXPECT_TRUE(engine.IsAdvised());
  EXPECT_EQ(engine.externalUiHandlerCalls, 1);
  EXPECT_EQ(engine.dropTargetCalls, 1);
  EXPECT_FALSE(engine.dropTarget);
  // Initial values.
  EXPECT_FALSE(owner.view.Pending());
  EXPECT_FALSE(owner.view.Cancel());
  EXPECT_FALSE(owner.view.FromNewWindow());
  EXPECT_TRUE(owner.view.HideScrollBars());
  EXPECT_EQ(owner.view.GetUrl(), L"");
  EXPECT_EQ(owner.view.TopLevelFrame(), nullptr);
  // A view creates one window only.
  EXPECT_EQ(owner.view.Create(parent, pf::Rect{0, 0, 1, 1}, L"about:blank"), nullptr);
}

TEST_F(BrowserView, NoWindowOrNoEngineFailsWithoutTouchingAnything) {
  {
    env.P().web.failWindow = true;
    Owner owner;
    EXPECT_EQ(owner.view.Create(parent, pf::Rect{0, 0, 10, 10}, L"about:blank"), nullptr);
    EXPECT_FALSE(owner.view.Navigate(L"http://localhost/a"));
    EXPECT_EQ(owner.view.GetUrl(), L"");
    owner.view.Refresh();
    owner.view.FocusDocument();
    pf::Msg key{nullptr, pf::kWM_KEYDOWN, 0, 0, 0, {}};
    EXPECT_EQ(owner.view.PreTranslateMessage(&key), 0);
    env.P().web.failWindow = false;
  }
  env.P().web.noEngine = true;
  Owner owner;
  ASSERT_NE(owner.view.Create(parent, pf::Rect{0, 0, 10, 10}, L"about:blank"), nullptr);
  FakeWebBrowser& engine = *env.P().web.last;
  browser::Subscribe(owner.view.Notify(), &owner);
  EXPECT_FALSE(engine.IsAdvised());
  EXPECT_EQ(engine.dropTargetCalls, 0);
  EXPECT_FALSE(owner.view.Navigate(L"http://localhost/a", "a=1"));
  EXPECT_EQ(owner.view.GetUrl(), L"");
  EXPECT_FALSE(owner.view.Pending());
  EXPECT_EQ(engine.silentCalls, 0);
  EXPECT_TRUE(engine.navigations.empty());
  owner.view.Refresh();
  owner.view.FocusDocument();
  EXPECT_EQ(engine.refreshes + engine.focuses, 0);
  // Engine events cannot arrive without a sink; the UI handler hook still
  // reaches the owner but no scroll or handler installs happen.
  engine.RaiseNavigateComplete2(FakeWebBrowser::MainFrame(), L"http://localhost/a");
  EXPECT_TRUE(owner.notes.empty());
}

TEST_F(BrowserView, NavigateSetsUrlSilentAndPendingAndFirstCompletionRaises8Then0) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/login"));
  EXPECT_EQ(LastNavigation().url, L"http://localhost/login");
  EXPECT_FALSE(LastNavigation().hasPostData);
  EXPECT_EQ(LastNavigation().headers, L"");
  EXPECT_TRUE(engine.silent);
  EXPECT_TRUE(owner.view.Pending());
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7}));  // raised inside Navigate2
  engine.CompleteNavigation();
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7, 8, 0}));
  EXPECT_FALSE(owner.view.Pending());
  EXPECT_EQ(owner.view.TopLevelFrame(), FakeWebBrowser::MainFrame());
  for (const Note& n : owner.notes) {
    EXPECT_EQ(n.b, 0u);
    EXPECT_EQ(n.c, reinterpret_cast<browser::NotifyPtr>(&owner.view));
  }
  // Each NavigateComplete2 installs the UI handler; each document's body
  // loses its scroll bars.
  EXPECT_EQ(engine.uiHandlerInstalls, 1);
  ASSERT_EQ(engine.bodyScrolls.size(), 1u);
  EXPECT_EQ(engine.bodyScrolls[0].second, L"no");
  // Later completions of the same frame raise 0 again but never 8.
  owner.notes.clear();
  engine.RaiseNavigateComplete2(FakeWebBrowser::MainFrame(), L"http://localhost/next");
  engine.RaiseDocumentComplete(FakeWebBrowser::MainFrame(), L"http://localhost/next");
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{0}));
  EXPECT_EQ(engine.uiHandlerInstalls, 2);
}

TEST_F(BrowserView, FailedGetLeavesSilentAndPendingUnset) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  engine.navigateFails = true;
  EXPECT_FALSE(owner.view.Navigate(L"http://localhost/x"));
  EXPECT_EQ(engine.silentCalls, 0);
  EXPECT_FALSE(owner.view.Pending());
  EXPECT_EQ(owner.view.GetUrl(), L"http://localhost/x");
  // A POST's result is not examined.
  EXPECT_TRUE(owner.view.Navigate(L"http://localhost/y", "a=1"));
  EXPECT_TRUE(owner.view.Pending());
}

TEST_F(BrowserView, PostDataIsSentAsBytesWithTheFormHeaderAndRecordedOnBeforeNavigate) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/form", "a=1&b=2"));
  ASSERT_TRUE(LastNavigation().hasPostData);
  EXPECT_EQ(LastNavigation().postData.size(), 7u);
  EXPECT_EQ(LastNavigation().postData, "a=1&b=2");
  EXPECT_EQ(LastNavigation().headers, L"Content-Type: application/x-www-form-urlencoded\r\n");
  EXPECT_EQ(owner.view.LastPostData(), "a=1&b=2");
  std::string binary("x\0y", 3);
  engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/bin", &binary);
  EXPECT_EQ(owner.view.LastPostData(), binary);
  engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/get");
  EXPECT_EQ(owner.view.LastPostData(), "");
}

// The rules shared by every engine are in browser_rules_test.cpp; here the
// fake's raw addresses show how the prefixes and ".exe" are read.
TEST_F(BrowserView, ScriptAndBlankPrefixesCountOnlyAtTheStart) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/page");
  owner.notes.clear();
  for (const wchar_t* url : {L"javascriptish.exe", L"about:blank#top", L"about:blank.exe"}) {
    EXPECT_FALSE(engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), url)) << url;
    EXPECT_EQ(owner.view.GetUrl(), L"http://localhost/page") << url;
  }
  EXPECT_TRUE(owner.notes.empty());
  // Not at the start: the rules apply.
  EXPECT_FALSE(engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"x-javascript:1"));
  EXPECT_FALSE(engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"About:blank"));
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7, 7}));
}

TEST_F(BrowserView, ExeAnywhereDivertsAndTheCancelFlagIsClearedEachTime) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  EXPECT_TRUE(
      engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/setup.exe?x=1"));
  EXPECT_TRUE(owner.view.Cancel());
  EXPECT_FALSE(engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/A.EXE"));
  EXPECT_FALSE(owner.view.Cancel());  // cleared at the start of each BeforeNavigate2
  // ".exe" anywhere counts.
  EXPECT_TRUE(engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://a.exe.localhost/"));
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{10, 7, 10}));
}

TEST_F(BrowserView, Code7HandlerCancelsNavigateBeforeTheEngineGoes) {
  Owner owner;
  Open(owner);
  owner.onNote = [&](unsigned code) {
    if (code == browser::kBeforeNavigate &&
        owner.view.GetUrl().find(L"wd_entergame=1") != std::wstring::npos)
      owner.view.SetCancel(true);
  };
  // Through Navigate: the cancelled navigation never becomes pending in the engine.
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/c?wd_entergame=1"));
  EXPECT_TRUE(LastNavigation().cancelled);
}

TEST_F(BrowserView, BlockedPopupNavigatesItselfAndDivertsInsideNewWindow3) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/page"));
  engine.CompleteNavigation();
  owner.notes.clear();
  size_t notesBeforeReturn = 0;
  bool inside = true;
  owner.onNote = [&](unsigned) { EXPECT_TRUE(inside); };
  const bool cancel = engine.RaiseNewWindow3(L"http://localhost/popup");
  inside = false;
  notesBeforeReturn = owner.notes.size();
  EXPECT_TRUE(cancel);  // the engine's own window is refused
  EXPECT_EQ(notesBeforeReturn, 1u);
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{10}));
  EXPECT_EQ(owner.notes[0].url, L"http://localhost/popup");
  EXPECT_EQ(owner.view.GetUrl(), L"http://localhost/popup");
  EXPECT_TRUE(LastNavigation().cancelled);  // the view stays on its page
  EXPECT_EQ(engine.pendingUrl, L"");
  EXPECT_FALSE(owner.view.FromNewWindow());
  // The next ordinary navigation is a code 7 again.
  owner.onNote = nullptr;
  EXPECT_FALSE(engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/n"));
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{10, 7}));
  // NewWindow2 answers the block flag.
  EXPECT_TRUE(engine.RaiseNewWindow2());
  owner.view.SetBlockPopups(false);
  EXPECT_FALSE(engine.RaiseNewWindow2());
  EXPECT_FALSE(engine.RaiseNewWindow3(L"http://localhost/allowed"));
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{10, 7, 10}));
}

TEST_F(BrowserView, LoopbackAddressPopupsNeverReachTheEngine) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  owner.view.SetBlockPopups(false);
  const size_t before = engine.navigations.size();
  EXPECT_TRUE(engine.RaiseNewWindow3(L"http://127.0.0.1:8080/x"));
  EXPECT_EQ(engine.navigations.size(), before);
}

TEST_F(BrowserView, BlankOrScriptPopupsDoNotReplaceThePage) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/page"));
  engine.CompleteNavigation();
  const size_t before = engine.navigations.size();
  for (const wchar_t* url : {L"about:blank", L"", L"javascript:''"}) {
    EXPECT_TRUE(engine.RaiseNewWindow3(url));
    EXPECT_FALSE(owner.view.FromNewWindow());
  }
  EXPECT_EQ(engine.navigations.size(), before);
  // So the next ordinary navigation is not diverted.
  owner.notes.clear();
  engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/next");
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7}));
}

TEST_F(BrowserView, PopupWhoseSelfNavigationFailsDoesNotDivertLaterNavigations) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  engine.navigateFails = true;
  EXPECT_TRUE(engine.RaiseNewWindow3(L"http://localhost/popup"));
  EXPECT_FALSE(owner.view.FromNewWindow());
  engine.navigateFails = false;
  engine.RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), L"http://localhost/next");
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7}));
}

TEST_F(BrowserView, PendingStateSkipsAboutBlankAndRestartsWithEachNavigate) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/one"));
  owner.notes.clear();
  engine.RaiseNavigateComplete2(subFrame, L"about:blank");
  EXPECT_TRUE(owner.notes.empty());
  EXPECT_TRUE(owner.view.Pending());
  // A second Navigate before completion: code 8 follows the next completion.
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/two"));
  owner.notes.clear();
  engine.RaiseNavigateComplete2(FakeWebBrowser::MainFrame(), L"http://localhost/two");
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{8}));
  EXPECT_EQ(engine.uiHandlerInstalls, 2);
  // "about:blank" is compared whole: a fragment is another URL.
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/three"));
  owner.notes.clear();
  engine.RaiseNavigateComplete2(FakeWebBrowser::MainFrame(), L"about:blank#x");
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{8}));
}

TEST_F(BrowserView, SubFramesNavigateAndFailLikeThePageButNeverComplete) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/top"));
  engine.CompleteNavigation();
  owner.notes.clear();
  engine.bodyScrolls.clear();
  EXPECT_FALSE(engine.RaiseBeforeNavigate2(subFrame, L"http://localhost/frame"));
  EXPECT_EQ(owner.view.GetUrl(), L"http://localhost/frame");
  engine.RaiseNavigateComplete2(subFrame, L"http://localhost/frame");
  engine.RaiseDocumentComplete(subFrame, L"http://localhost/frame");
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7}));
  ASSERT_EQ(engine.bodyScrolls.size(), 1u);
  EXPECT_EQ(engine.bodyScrolls[0].first, subFrame);
  EXPECT_EQ(engine.bodyScrolls[0].second, L"no");
  // Errors of any frame raise 1 and suppress the error page; E_ABORT is silent.
  EXPECT_TRUE(engine.RaiseNavigateError(subFrame, L"http://localhost/frame", 404));
  EXPECT_TRUE(engine.RaiseNavigateError(FakeWebBrowser::MainFrame(), L"http://localhost/x",
                                        static_cast<int32_t>(0x800C0005)));
  EXPECT_FALSE(
      engine.RaiseNavigateError(FakeWebBrowser::MainFrame(), L"http://localhost/x", pf::kE_ABORT));
  EXPECT_EQ(owner.Codes(), (std::vector<unsigned>{7, 1, 1}));
  // No document completes before the first page of a Navigate.
  ASSERT_TRUE(owner.view.Navigate(L"http://localhost/again"));
  owner.notes.clear();
  engine.RaiseDocumentComplete(FakeWebBrowser::MainFrame(), L"http://localhost/again");
  EXPECT_TRUE(owner.notes.empty());
}

TEST_F(BrowserView, TitleAndExternalReachTheOwner) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  engine.RaiseTitleChange(L"游戏 title");
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0].code, 9u);
  EXPECT_EQ(owner.notes[0].title, L"游戏 title");
  // Code 2: nobody answers, the slot keeps what the engine put there.
  int engineDefault = 0;
  EXPECT_EQ(engine.RaiseGetExternal(&engineDefault), &engineDefault);
  EXPECT_EQ(owner.notes[1].code, 2u);
  static int answer = 0;
  owner.onNote = [&](unsigned code) {
    if (code == browser::kGetExternal) *reinterpret_cast<void**>(owner.notes.back().b) = &answer;
  };
  EXPECT_EQ(engine.RaiseGetExternal(nullptr), &answer);
}

TEST_F(BrowserView, PreTranslateForwardsKeyAndMouseMessagesOfTheViewOnly) {
  Owner owner;
  FakeWebBrowser& engine = Open(owner);
  pf::HWindow view = owner.view.Window();
  pf::Msg msg{view, pf::kWM_KEYDOWN, 13, 0, 0, {}};
  EXPECT_EQ(owner.view.PreTranslateMessage(&msg), 1);
  msg.message = pf::kWM_MOUSELAST;
  engine.forwardAnswer = 0;
  EXPECT_EQ(owner.view.PreTranslateMessage(&msg), 0);
  ASSERT_EQ(engine.forwarded.size(), 2u);
  EXPECT_EQ(engine.forwarded[0].message, pf::kWM_KEYDOWN);
  EXPECT_EQ(engine.forwarded[0].wParam, 13u);
  engine.forwardAnswer = 1;
  for (uint32_t m : {pf::kWM_KEYFIRST - 1, pf::kWM_KEYLAST + 1, pf::kWM_MOUSEFIRST - 1,
                     pf::kWM_MOUSELAST + 1, pf::kWM_CREATE}) {
    msg.message = m;
    EXPECT_EQ(owner.view.PreTranslateMessage(&msg), 0) << m;
  }
  msg.message = pf::kWM_KEYLAST;
  msg.hwnd = parent;  // not the view
  EXPECT_EQ(owner.view.PreTranslateMessage(&msg), 0);
  EXPECT_EQ(engine.forwarded.size(), 2u);
  EXPECT_EQ(owner.view.PreTranslateMessage(nullptr), 0);
}

TEST_F(BrowserView, FocusRefreshAndTeardown) {
  FakeWebBrowser* engine = nullptr;
  {
    Owner owner;
    engine = &Open(owner);
    owner.view.Refresh();
    owner.view.FocusDocument();
    pf::ui().SendMessage(owner.view.Window(), pf::kWM_SETFOCUS, 0, 0);
    EXPECT_EQ(engine->refreshes, 1);
    EXPECT_EQ(engine->focuses, 2);
    // Destroying the owner's window destroys the view's window: the sink goes.
    pf::HWindow view = owner.view.Window();
    pf::ui().DestroyWindow(parent);
    EXPECT_FALSE(pf::ui().IsWindow(view));
    EXPECT_FALSE(engine->IsAdvised());
    engine->RaiseTitleChange(L"late");
    EXPECT_TRUE(owner.notes.empty());
  }
  // Destroying the view object destroys its window.
  auto second = std::make_unique<Owner>();
  parent = pf::ui().CreateWindowEx(0, L"ParentForm", L"form", pf::kWS_POPUP, 0, 0, 9, 9, nullptr);
  Open(*second);
  pf::HWindow view = second->view.Window();
  ASSERT_TRUE(pf::ui().IsWindow(view));
  second.reset();
  EXPECT_FALSE(pf::ui().IsWindow(view));
}

}  // namespace

// The URL-rule suite (browser_rules_test.cpp) on the fake engine: the page's
// navigations and window requests are raised directly, in the control's order.
namespace testsupport {
namespace {
class FakeRulesDriver : public RulesDriver {
 public:
  FakeRulesDriver() : form_(testsupport::MakePlainForm(pf::Rect{10, 10, 810, 610})) {}
  pf::HWindow Form() override { return form_; }
  bool Load(browser::CBrowserView& view, const std::wstring& url) override {
    if (!view.Navigate(url)) return false;
    Engine().CompleteNavigation();
    return view.GetUrl() == url;
  }
  bool PageNavigates(browser::CBrowserView&, const std::wstring& url) override {
    return Engine().RaiseBeforeNavigate2(FakeWebBrowser::MainFrame(), url);
  }
  bool PageOpensWindow(browser::CBrowserView&, const std::wstring& url) override {
    return Engine().RaiseNewWindow3(url);
  }
  std::wstring PageUrl(const std::string& path) override {
    return L"http://localhost" + pf::FromUtf8(path);
  }

 private:
  FakeWebBrowser& Engine() { return *env_.P().web.last; }
  FakeEnv env_;  // first: the form lives on its platform
  pf::HWindow form_ = nullptr;
};
}  // namespace

std::unique_ptr<RulesDriver> MakeRulesDriver() { return std::make_unique<FakeRulesDriver>(); }
}  // namespace testsupport
