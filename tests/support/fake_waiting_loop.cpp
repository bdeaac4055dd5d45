// For suites written for a real backend and run on the fake one: the fake
// platform's message loop waits for posts from other threads instead of
// ending when its queue runs dry.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace {

class WaitingFakeLoop : public ::testing::Environment {
 public:
  void SetUp() override { static_cast<pf::FakeUi&>(pf::ui()).waitForPosts = true; }
};

::testing::Environment* const kWaitingFakeLoop =
    ::testing::AddGlobalTestEnvironment(new WaitingFakeLoop);

}  // namespace
