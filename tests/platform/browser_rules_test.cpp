// The browser view's URL rules, the same on every engine: this suite is
// compiled into each engine's test program, which supplies the driver
// (browser_rules_driver.h) that makes its engine raise the events.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "browser/browser_view.h"
#include "support/browser_rules_driver.h"

namespace {

using browser::CBrowserView;

// Stands in for a form that hosts a view: keeps the rules' codes (7, 10)
// with the view's URL at the time.
struct RuleOwner {
  CBrowserView view;
  std::vector<unsigned> codes;
  std::vector<std::wstring> urls;
  std::wstring cancelWhenUrlHas;
  void OnWebNotify(unsigned code, browser::NotifyArg, browser::NotifyPtr) {
    if (code != browser::kBeforeNavigate && code != browser::kDivertedNavigation) return;
    codes.push_back(code);
    urls.push_back(view.GetUrl());
    if (code == browser::kBeforeNavigate && !cancelWhenUrlHas.empty() &&
        view.GetUrl().find(cancelWhenUrlHas) != std::wstring::npos)
      view.SetCancel(true);
  }
  void Clear() {
    codes.clear();
    urls.clear();
  }
};

class BrowserRules : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = testsupport::MakeRulesDriver();
    const std::string why = driver->Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  // The view on its form, subscribed, pop-ups blocked, on an ordinary page.
  void Open(RuleOwner& owner) {
    ASSERT_NE(owner.view.Create(driver->Form(), pf::Rect{5, 6, 405, 306}, L"about:blank"),
              nullptr);
    browser::Subscribe(owner.view.Notify(), &owner);
    owner.view.SetBlockPopups(true);
    ASSERT_TRUE(driver->Load(owner.view, driver->PageUrl("/plain")));
    owner.Clear();
  }

  std::unique_ptr<testsupport::RulesDriver> driver;
};

TEST_F(BrowserRules, ScriptAndBlankAddressesPassUnseen) {
  RuleOwner owner;
  Open(owner);
  const std::wstring page = owner.view.GetUrl();
  driver->PageNavigates(owner.view, L"javascript:void(0)");
  driver->PageNavigates(owner.view, L"about:blank");
  EXPECT_TRUE(owner.codes.empty());
  EXPECT_EQ(owner.view.GetUrl(), page);
}

TEST_F(BrowserRules, ExeAddressesAreDivertedCaseSensitively) {
  RuleOwner owner;
  Open(owner);
  const std::wstring exe = driver->PageUrl("/setup.exe?x=1");
  EXPECT_TRUE(driver->PageNavigates(owner.view, exe));
  ASSERT_EQ(owner.codes, (std::vector<unsigned>{10}));
  EXPECT_EQ(owner.urls[0], exe);
  EXPECT_EQ(owner.view.GetUrl(), exe);
  // Upper case is an ordinary navigation.
  EXPECT_FALSE(driver->PageNavigates(owner.view, driver->PageUrl("/A.EXE")));
  EXPECT_EQ(owner.codes, (std::vector<unsigned>{10, 7}));
  EXPECT_EQ(owner.view.GetUrl(), driver->PageUrl("/A.EXE"));
}

TEST_F(BrowserRules, APopupIsDivertedToTheViewAndTheNextNavigationIsOrdinary) {
  RuleOwner owner;
  Open(owner);
  const std::wstring target = driver->PageUrl("/popup-target");
  EXPECT_TRUE(driver->PageOpensWindow(owner.view, target));  // the engine's own window is refused
  ASSERT_EQ(owner.codes, (std::vector<unsigned>{10}));
  EXPECT_EQ(owner.urls[0], target);
  EXPECT_EQ(owner.view.GetUrl(), target);
  EXPECT_FALSE(owner.view.FromNewWindow());
  driver->PageNavigates(owner.view, driver->PageUrl("/plain?next"));
  EXPECT_EQ(owner.codes, (std::vector<unsigned>{10, 7}));
}

TEST_F(BrowserRules, PopupsOfTheLoopbackNumberAreRefusedSilently) {
  RuleOwner owner;
  Open(owner);
  const std::wstring page = owner.view.GetUrl();
  owner.view.SetBlockPopups(false);
  EXPECT_TRUE(driver->PageOpensWindow(owner.view, L"http://127.0.0.1:9/loopback-target"));
  EXPECT_TRUE(owner.codes.empty());
  EXPECT_EQ(owner.view.GetUrl(), page);
  EXPECT_FALSE(owner.view.FromNewWindow());
}

TEST_F(BrowserRules, TheCode7HandlerCancelsThroughTheCancelFlag) {
  RuleOwner owner;
  owner.cancelWhenUrlHas = L"cancel-me";
  Open(owner);
  const std::wstring stopped = driver->PageUrl("/cancel-me");
  EXPECT_TRUE(driver->PageNavigates(owner.view, stopped));
  EXPECT_EQ(owner.codes, (std::vector<unsigned>{7}));
  EXPECT_EQ(owner.urls[0], stopped);
  // The flag is cleared at the start of each navigation.
  EXPECT_FALSE(driver->PageNavigates(owner.view, driver->PageUrl("/plain?after")));
  EXPECT_EQ(owner.codes, (std::vector<unsigned>{7, 7}));
}

}  // namespace
