// The core window and message-loop operations on the real backends (and on
// the fake backend's window core, with a loop that waits for posts).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

std::vector<uint32_t>* g_seen = nullptr;

pf::LResult TestProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (g_seen && message >= pf::kWM_USER) g_seen->push_back(message);
  if (message == pf::kWM_DESTROY && g_seen) g_seen->push_back(message);
  if (message == pf::kWM_USER + 50) return static_cast<pf::LResult>(wParam + 1);
  if (message == pf::kWM_USER + 51) pf::ui().PostQuitMessage(static_cast<int>(wParam));
  return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
}

const wchar_t* kClass = L"VexaCoreTest";

class UiCore : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pf::ui().Initialize();
    pf::WindowClass wc;
    wc.style = pf::kCS_VREDRAW | pf::kCS_HREDRAW | pf::kCS_DBLCLKS;
    wc.procedure = &TestProc;
    wc.backgroundColor = pf::kCOLOR_WINDOW + 1;
    wc.className = kClass;
    pf::ui().RegisterWindowClass(wc);
  }
  void SetUp() override { g_seen = &seen; }
  void TearDown() override { g_seen = nullptr; }
  pf::HWindow Make() {
    return pf::ui().CreateWindowEx(0, kClass, L"title", pf::kWS_POPUP, 0, 0, 200, 100, nullptr);
  }
  std::vector<uint32_t> seen;
};

// A filter that takes one message number and lets the rest through.
class TakeOne : public pf::MessageFilter {
 public:
  explicit TakeOne(uint32_t message) : message_(message) {}
  bool PreTranslateMessage(pf::Msg* msg) override {
    offered.push_back(msg->message);
    return msg->message == message_;
  }
  std::vector<uint32_t> offered;

 private:
  uint32_t message_;
};

TEST_F(UiCore, WindowsAreCreatedHiddenWithTheirStylesAndText) {
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(ui.IsWindow(w));
  EXPECT_FALSE(ui.IsWindowVisible(w));
  EXPECT_EQ(ui.GetWindowText(w), L"title");
  EXPECT_TRUE(ui.SetWindowText(w, L"VexaOrvane"));
  EXPECT_EQ(ui.GetWindowText(w), L"VexaOrvane");
  EXPECT_TRUE(ui.GetWindowLong(w, pf::kGWL_STYLE) & pf::kWS_POPUP);
  ui.SetWindowLong(w, pf::kGWL_STYLE,
                   (ui.GetWindowLong(w, pf::kGWL_STYLE) & 0x7F30FF7Fu) | 0x000A0000u);
  EXPECT_EQ(ui.GetWindowLong(w, pf::kGWL_STYLE) & (pf::kWS_POPUP | pf::kWS_SYSMENU | pf::kWS_MINIMIZEBOX),
            pf::kWS_SYSMENU | pf::kWS_MINIMIZEBOX);
  ui.SetWindowLong(w, pf::kGWL_EXSTYLE, ui.GetWindowLong(w, pf::kGWL_EXSTYLE) | pf::kWS_EX_TOOLWINDOW);
  EXPECT_TRUE(ui.GetWindowLong(w, pf::kGWL_EXSTYLE) & pf::kWS_EX_TOOLWINDOW);
  EXPECT_EQ(ui.SendMessage(w, pf::kWM_USER + 50, 41, 0), 42);

  EXPECT_TRUE(ui.SetWindowPos(w, pf::HwndTop(), -2000, -2000, 0, 0,
                              pf::kSWP_SHOWWINDOW | pf::kSWP_NOSIZE | pf::kSWP_NOACTIVATE));
  EXPECT_TRUE(ui.IsWindowVisible(w));
  pf::Rect r;
  ASSERT_TRUE(ui.GetWindowRect(w, r));
  EXPECT_EQ(r.left, -2000);
  EXPECT_EQ(r.top, -2000);
  EXPECT_EQ(r.Width(), 200);
  ui.ShowWindow(w, pf::kSW_HIDE);
  EXPECT_FALSE(ui.IsWindowVisible(w));

  seen.clear();
  EXPECT_TRUE(ui.DestroyWindow(w));
  EXPECT_EQ(seen, std::vector<uint32_t>{pf::kWM_DESTROY});
  EXPECT_FALSE(ui.IsWindow(w));
}

TEST_F(UiCore, TheLoopOffersEveryMessageToTheFilterFirstAndEndsOnQuit) {
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  TakeOne filter(pf::kWM_USER + 2);
  ui.PostMessage(w, pf::kWM_USER + 1, 0, 0);
  ui.PostMessage(w, pf::kWM_USER + 2, 0, 0);
  ui.PostMessage(w, pf::kWM_USER + 3, 0, 0);
  ui.PostMessage(w, pf::kWM_USER + 51, 7, 0);  // the procedure posts WM_QUIT(7)
  EXPECT_EQ(ui.RunMessageLoop(&filter), 7);
  std::vector<uint32_t> posted;
  for (uint32_t m : filter.offered)
    if (m >= pf::kWM_USER) posted.push_back(m);
  EXPECT_EQ(posted, (std::vector<uint32_t>{pf::kWM_USER + 1, pf::kWM_USER + 2, pf::kWM_USER + 3,
                                           pf::kWM_USER + 51}));
  EXPECT_EQ(seen, (std::vector<uint32_t>{pf::kWM_USER + 1, pf::kWM_USER + 3, pf::kWM_USER + 51}));
  ui.DestroyWindow(w);
}

TEST_F(UiCore, AMessagePostedFromAnotherThreadWakesTheLoop) {
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  std::thread poster([w] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pf::ui().PostMessage(w, pf::kWM_USER + 51, 3, 0);
  });
  EXPECT_EQ(ui.RunMessageLoop(nullptr), 3);
  poster.join();
  ui.DestroyWindow(w);
}

// The upgrade hides and shows windows from a download worker.
TEST_F(UiCore, AnotherThreadShowsAndHidesAWindow) {
  pf::Ui& ui = pf::ui();
  pf::HWindow w = Make();
  ui.ShowWindow(w, pf::kSW_SHOWNA);
  ASSERT_TRUE(ui.IsWindowVisible(w));
  std::atomic<bool> wasVisible{false};
  std::thread worker([w, &wasVisible] {
    wasVisible = pf::ui().ShowWindow(w, pf::kSW_HIDE);
    pf::ui().PostMessage(w, pf::kWM_USER + 51, 4, 0);
  });
  EXPECT_EQ(ui.RunMessageLoop(nullptr), 4);
  worker.join();
  EXPECT_TRUE(wasVisible.load());
  EXPECT_FALSE(ui.IsWindowVisible(w));
  ui.DestroyWindow(w);
}

std::vector<uint32_t>* g_otherSeen = nullptr;

pf::LResult OtherProc(pf::HWindow hwnd, uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (g_otherSeen && message >= pf::kWM_USER) g_otherSeen->push_back(message);
  return pf::ui().DefWindowProc(hwnd, message, wParam, lParam);
}

TEST_F(UiCore, EachClassKeepsItsOwnProcedure) {
  std::vector<uint32_t> other;
  g_otherSeen = &other;
  pf::WindowClass wc;
  wc.procedure = &OtherProc;
  wc.className = L"VexaCoreOther";
  pf::ui().RegisterWindowClass(wc);
  // Registering a class again changes nothing.
  wc.procedure = &TestProc;
  EXPECT_FALSE(pf::ui().RegisterWindowClass(wc));
  pf::HWindow first = Make();
  pf::HWindow second =
      pf::ui().CreateWindowEx(0, L"VexaCoreOther", L"other", pf::kWS_POPUP, 0, 0, 50, 50, nullptr);
  ASSERT_NE(second, nullptr);
  pf::ui().SendMessage(first, pf::kWM_USER + 7, 0, 0);
  pf::ui().SendMessage(second, pf::kWM_USER + 8, 0, 0);
  EXPECT_EQ(seen, std::vector<uint32_t>{pf::kWM_USER + 7});
  EXPECT_EQ(other, std::vector<uint32_t>{pf::kWM_USER + 8});
  pf::ui().DestroyWindow(first);
  pf::ui().DestroyWindow(second);
  g_otherSeen = nullptr;
}

}  // namespace
