// The host window shared by the engines that run on the window core, seen
// through the fake engine: what it tells the events, what it answers, and
// that each browser keeps its own window from creation to teardown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_env.h"
#include "support/plain_form.h"

namespace {

// Records the host messages with the browser they named and what the
// browser knew at the time; the navigation events are not raised here.
struct HostEvents : pf::WebEvents {
  struct Heard {
    pf::WebBrowser* browser;
    uint32_t message;
    std::wstring initialUrl;  // the fake control's record at the time
  };
  std::vector<Heard> heard;
  std::vector<uint32_t> messages;  // heard's messages alone

  void OnHostMessage(pf::WebBrowser& browser, uint32_t message) override {
    heard.push_back({&browser, message, static_cast<pf::FakeWebBrowser&>(browser).initialUrl});
    messages.push_back(message);
  }
  void DocumentComplete(pf::WebFrame, const std::wstring&) override {}
  void TitleChange(const std::wstring&) override {}
  void BeforeNavigate2(pf::WebFrame, const std::wstring&, uint32_t, const std::wstring&,
                       const std::string*, const std::wstring&, bool&) override {}
  void NewWindow2(bool&) override {}
  void NewWindow3(bool&, uint32_t, const std::wstring&, const std::wstring&) override {}
  void NavigateError(pf::WebFrame, const std::wstring&, const std::wstring&, int32_t,
                     bool&) override {}
  void NavigateComplete2(pf::WebFrame, const std::wstring&) override {}
  void GetExternal(pf::ExternalObject**) override {}
  bool HideScrollBars() const override { return false; }
};

class HostedBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    form = testsupport::MakePlainForm(pf::Rect{0, 0, 640, 480});
    ASSERT_NE(form, nullptr);
  }
  std::unique_ptr<pf::WebBrowser> Make(HostEvents& events, const std::wstring& url) {
    return env.P().web.Create(form, pf::Rect{4, 4, 204, 104}, pf::kWS_CHILD | pf::kWS_VISIBLE, 0,
                              url, &events);
  }

  testsupport::FakeEnv env;
  pf::HWindow form = nullptr;
};

TEST_F(HostedBrowser, TellsTheEventsOfCreationFocusAndDestructionInOrder) {
  HostEvents events;
  auto browser = Make(events, L"http://example.test/start");
  ASSERT_NE(browser, nullptr);
  const pf::HWindow host = browser->Window();
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(browser->IsHostOf(host));
  EXPECT_FALSE(browser->IsHostOf(form));
  EXPECT_FALSE(browser->IsHostOf(nullptr));

  // The control is made before the events hear of the creation.
  ASSERT_EQ(events.messages, std::vector<uint32_t>{pf::kWM_CREATE});
  EXPECT_EQ(events.heard[0].browser, browser.get());
  EXPECT_EQ(events.heard[0].initialUrl, L"http://example.test/start");

  EXPECT_EQ(pf::ui().SendMessage(host, pf::kWM_SETFOCUS, 0, 0), 0);
  EXPECT_EQ(events.messages, (std::vector<uint32_t>{pf::kWM_CREATE, pf::kWM_SETFOCUS}));

  // Destroyed from outside (its form goes first): the browser lets go of it.
  ASSERT_TRUE(pf::ui().DestroyWindow(form));
  form = nullptr;
  EXPECT_EQ(events.messages,
            (std::vector<uint32_t>{pf::kWM_CREATE, pf::kWM_SETFOCUS, pf::kWM_DESTROY}));
  EXPECT_EQ(browser->Window(), nullptr);
  EXPECT_FALSE(browser->IsHostOf(host));
  EXPECT_FALSE(pf::ui().IsWindow(host));

  // A message to the window that is gone reaches nobody's events.
  pf::ui().SendMessage(host, pf::kWM_SETFOCUS, 0, 0);
  browser.reset();
  EXPECT_EQ(events.heard.size(), 3u);
}

TEST_F(HostedBrowser, TeardownDestroysTheHostAndRaisesNothing) {
  HostEvents events;
  auto browser = Make(events, L"about:blank");
  ASSERT_NE(browser, nullptr);
  const pf::HWindow host = browser->Window();
  browser.reset();
  EXPECT_FALSE(pf::ui().IsWindow(host));
  EXPECT_EQ(events.messages, std::vector<uint32_t>{pf::kWM_CREATE});
  EXPECT_TRUE(pf::ui().IsWindow(form));
}

TEST_F(HostedBrowser, TwoBrowsersKeepTheirOwnWindowsAndAnswers) {
  HostEvents firstEvents, secondEvents;
  auto first = Make(firstEvents, L"about:first");
  auto second = Make(secondEvents, L"about:second");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_NE(first->Window(), second->Window());
  EXPECT_FALSE(first->IsHostOf(second->Window()));

  pf::ui().SendMessage(second->Window(), pf::kWM_SETFOCUS, 0, 0);
  EXPECT_EQ(firstEvents.messages, std::vector<uint32_t>{pf::kWM_CREATE});
  ASSERT_EQ(secondEvents.messages, (std::vector<uint32_t>{pf::kWM_CREATE, pf::kWM_SETFOCUS}));
  EXPECT_EQ(secondEvents.heard[1].browser, second.get());

  // A forwarded message is the control's to answer, on its own browser only.
  auto& secondFake = static_cast<pf::FakeWebBrowser&>(*second);
  secondFake.forwardAnswer = 7;
  pf::Msg msg;
  msg.message = pf::kWM_KEYDOWN;
  msg.wParam = 0x41;
  EXPECT_EQ(pf::ui().SendMessage(second->Window(), pf::kWM_FORWARDMSG, 0,
                                 reinterpret_cast<pf::LParam>(&msg)),
            7);
  ASSERT_EQ(secondFake.forwarded.size(), 1u);
  EXPECT_EQ(secondFake.forwarded[0].wParam, 0x41u);
  EXPECT_TRUE(static_cast<pf::FakeWebBrowser&>(*first).forwarded.empty());

  // One goes; the other still hears of its own window.
  first.reset();
  pf::ui().SendMessage(second->Window(), pf::kWM_SETFOCUS, 0, 0);
  EXPECT_EQ(secondEvents.heard.size(), 3u);
  EXPECT_EQ(firstEvents.heard.size(), 1u);
}

}  // namespace
