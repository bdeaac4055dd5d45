// A fake platform rooted in a fresh temporary folder, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/fake/fake_platform.h"
#include "platform/portable/utf8.h"
#include "storage/settings.h"

namespace testsupport {

class FakeEnv {
 public:
  FakeEnv() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexa-test-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    storage::ResetFolderCachesForTest();
    platform_ = std::make_unique<pf::FakePlatform>(pf::FromUtf8(root_));
  }
  ~FakeEnv() {
    platform_.reset();
    storage::ResetFolderCachesForTest();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  pf::FakePlatform& P() { return *platform_; }
  std::wstring Root() const { return pf::FromUtf8(root_) + L"/"; }
  std::wstring Roaming() const { return Root() + L"roaming/"; }

 private:
  std::string root_;
  std::unique_ptr<pf::FakePlatform> platform_;
};

}  // namespace testsupport
