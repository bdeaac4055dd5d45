// The notification source: subscription order, arguments, ownership.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/web_notify.h"

namespace {

struct Call {
  int who;
  unsigned code;
  browser::NotifyArg b;
  browser::NotifyPtr c;
};

// Counts its own destructions through a shared counter, as a window would.
struct Window {
  int id = 0;
  std::vector<Call>* calls = nullptr;
  void OnWebNotify(unsigned code, browser::NotifyArg b, browser::NotifyPtr c) {
    calls->push_back(Call{id, code, b, c});
  }
};

struct CountingHandler : browser::ICWebNotifyEventHandler {
  explicit CountingHandler(int* deaths) : deaths(deaths) {}
  ~CountingHandler() override { ++*deaths; }
  void Invoke(unsigned, browser::NotifyArg, browser::NotifyPtr) override { ++invoked; }
  int* deaths;
  int invoked = 0;
};

TEST(WebNotify, FireWithoutHandlersDoesNothing) {
  browser::CWebNotify source;
  source.Fire(browser::kBeforeNavigate, 0, 0);
  EXPECT_EQ(source.Count(), 0u);
}

TEST(WebNotify, HandlersReceiveIdenticalArgumentsInSubscriptionOrder) {
  std::vector<Call> calls;
  Window first{1, &calls};
  Window second{2, &calls};
  browser::CWebNotify source;
  auto* h1 = browser::Subscribe(source, &first);
  auto* h2 = browser::Subscribe(source, &second);
  EXPECT_NE(h1, nullptr);
  EXPECT_NE(static_cast<void*>(h1), static_cast<void*>(h2));
  const wchar_t* title = L"Title text";
  source.Fire(browser::kTitleChange, 0, reinterpret_cast<browser::NotifyPtr>(title));
  source.Fire(browser::kGetExternal, ~browser::NotifyArg{0}, -1);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].who, 1);
  EXPECT_EQ(calls[1].who, 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(calls[i].code, 9u);
    EXPECT_EQ(calls[i].b, 0u);
    // For the title change the third argument is the text itself.
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(calls[i].c)), L"Title text");
  }
  // Pointer-sized arguments arrive whole.
  EXPECT_EQ(calls[2].b, ~browser::NotifyArg{0});
  EXPECT_EQ(calls[3].c, -1);
  EXPECT_EQ(calls[2].who, 1);
  EXPECT_EQ(calls[3].who, 2);
}

TEST(WebNotify, SourceDeletesEachHandlerOnceAndSkipsNullEntries) {
  int deaths = 0;
  CountingHandler* kept = nullptr;
  {
    browser::CWebNotify source;
    source.Append(new CountingHandler(&deaths));
    source.Append(nullptr);
    kept = new CountingHandler(&deaths);
    source.Append(kept);
    source.Fire(browser::kDocumentComplete, 0, 0);
    EXPECT_EQ(kept->invoked, 1);
    EXPECT_EQ(deaths, 0);
  }
  EXPECT_EQ(deaths, 2);
}

TEST(WebNotify, BaseHandlerInvokeDoesNothingAndTheFunctionKindCalls) {
  std::vector<Call> calls;
  Window window{7, &calls};
  browser::CEventHandler<Window, void (Window::*)(unsigned, browser::NotifyArg, browser::NotifyPtr),
                         browser::ICWebNotifyEventHandler>
      base(&window, &Window::OnWebNotify);
  base.Invoke(7, 0, 0);
  EXPECT_TRUE(calls.empty());

  static int functionCalls = 0;
  browser::CWebNotify source;
  source.Append(new browser::FCWebNotifyEventHandler(
      +[](unsigned code, browser::NotifyArg, browser::NotifyPtr) { functionCalls += code; }));
  source.Append(new browser::FCWebNotifyEventHandler(nullptr));
  source.Fire(8, 0, 0);
  EXPECT_EQ(functionCalls, 8);
}

}  // namespace
