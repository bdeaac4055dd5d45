// The worker tests run over the fake platform with the real libcurl client and
// process starter in its bundle; tests that install a FakeEnv get the
// scripted ones instead while they run.
#include <gtest/gtest.h>

#include "platform/linux/curl_http.h"
#include "platform/linux/linux_processes.h"
#include "platform/platform.h"

namespace {

class LinuxServices : public ::testing::Environment {
 public:
  void SetUp() override {
    static pf::CurlHttp http;
    static pf::LinuxProcesses processes;
    pf::Platform p = pf::Current();
    p.http = &http;
    p.processes = &processes;
    pf::Install(p);
  }
};

::testing::Environment* const kServices = ::testing::AddGlobalTestEnvironment(new LinuxServices);

}  // namespace
