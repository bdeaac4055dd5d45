// The cache walk over a scripted cache: the keep rule, the buffer that grows
// to the reported size with one retry per call, and the end of the walk.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "storage/cache_cleanup.h"
#include "support/fake_env.h"

namespace {

using Calls = std::vector<std::string>;

TEST(CacheKeepRule, CookieAndVisitedAnywhereCaseSensitive) {
  EXPECT_TRUE(storage::KeepCacheEntry(L"Cookie:player@vexawan.com/"));
  EXPECT_TRUE(storage::KeepCacheEntry(L"Visited:player@http://vexawan.com/"));
  EXPECT_TRUE(storage::KeepCacheEntry(L"http://x/?a=Cookie"));
  EXPECT_TRUE(storage::KeepCacheEntry(L"ie:Visited"));
  EXPECT_FALSE(storage::KeepCacheEntry(L"cookie:player@vexawan.com/"));
  EXPECT_FALSE(storage::KeepCacheEntry(L"visited:player@vexawan.com/"));
  EXPECT_FALSE(storage::KeepCacheEntry(L"COOKIE:x"));
  EXPECT_FALSE(storage::KeepCacheEntry(L""));
}

class CacheWalk : public ::testing::Test {
 protected:
  testsupport::FakeEnv env;
  pf::FakeUrlCache& cache() { return env.P().urlCache; }
};

TEST_F(CacheWalk, DeletesAllButCookiesAndHistoryInOnePass) {
  cache().Add(L"Cookie:player@game.vexawan.com/");
  cache().Add(L"http://game.vexawan.com/assets/orvane.js");
  cache().Add(L"cookie:player@lower.case/");
  cache().Add(L"Visited:player@http://game.vexawan.com/");
  cache().Add(L"http://game.vexawan.com/index.html");
  storage::ClearUrlCache();
  EXPECT_EQ(cache().Names(), (std::vector<std::wstring>{L"Cookie:player@game.vexawan.com/",
                                                         L"Visited:player@http://game.vexawan.com/"}));
  // Five records, three deletions, the end shown by a failed call and its retry.
  EXPECT_EQ(cache().Calls(),
            (Calls{"first 4096", "next 4096", "delete", "next 4096", "delete", "next 4096",
                   "next 4096", "delete", "next 4096 end", "next 4096 end", "close"}));
  EXPECT_EQ(cache().OpenFinds(), 0);
}

TEST_F(CacheWalk, LargeRecordFirstIsFetchedOnTheRetryInTheReportedSize) {
  cache().Add(L"http://game.vexawan.com/big", 6000);
  cache().Add(L"http://game.vexawan.com/small");
  storage::ClearUrlCache();
  EXPECT_TRUE(cache().Names().empty());
  // The buffer stays at its grown size; the size field always says so.
  EXPECT_EQ(cache().Calls(), (Calls{"first 4096 short", "first 6000", "delete", "next 6000",
                                    "delete", "next 6000 end", "next 6000 end", "close"}));
}

TEST_F(CacheWalk, LargeRecordLaterCostsOneFailedCallAndOneRetry) {
  cache().Add(L"Cookie:a@b/");
  cache().Add(L"http://game.vexawan.com/big", 6000);
  cache().Add(L"http://game.vexawan.com/bigger", 9000);
  storage::ClearUrlCache();
  EXPECT_EQ(cache().Names(), (std::vector<std::wstring>{L"Cookie:a@b/"}));
  EXPECT_EQ(cache().Calls(),
            (Calls{"first 4096", "next 4096 short", "next 6000", "delete", "next 6000 short",
                   "next 9000", "delete", "next 9000 end", "next 9000 end", "close"}));
}

TEST_F(CacheWalk, EmptyCacheEndsAfterTheFirstCallAndItsRetry) {
  storage::ClearUrlCache();
  EXPECT_EQ(cache().Calls(), (Calls{"first 4096 end", "first 4096 end", "close null"}));
}

TEST_F(CacheWalk, EngineCachesAreNotWalked) {
  cache().walksEntries = false;
  cache().Add(L"http://x/a.js");
  storage::ClearUrlCache();
  EXPECT_TRUE(cache().Calls().empty());
  // No cache at all: nothing to do, no crash.
  pf::Platform bundle = pf::Current();
  bundle.urlCache = nullptr;
  pf::Platform previous = pf::Install(bundle);
  storage::ClearUrlCache();
  pf::Install(previous);
}

}  // namespace
