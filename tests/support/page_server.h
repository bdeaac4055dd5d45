// The loopback page server of the web-engine tests (a Python script started
// as a child process: it prints its port, then logs every request to a file;
// ended by its pid) and GTK main-loop helpers.
#pragma once

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "platform/portable/utf8.h"

namespace testsupport {

// The page server: a child process of this test, ended by its pid.
class PageServer {
 public:
#ifdef WEB_TEST_SERVER
  PageServer() : PageServer(WEB_TEST_SERVER) {}
#endif
  explicit PageServer(const char* script) {
    char pattern[] = "/tmp/vexa-pages-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    log_ = pattern;
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      execl("/usr/bin/python3", "python3", script, log_.c_str(), nullptr);
      _exit(127);
    }
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    if (in && fscanf(in, "%d", &port_) != 1) port_ = 0;
    if (in) fclose(in);
  }
  ~PageServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    SetDown(false);
    unlink(log_.c_str());
  }
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  int Port() const { return port_; }
  std::wstring Url(const std::string& path) const {
    return pf::FromUtf8("http://localhost:" + std::to_string(port_) + path);
  }
  // While down, the login page's connection is closed without an answer.
  void SetDown(bool down) const {
    const std::string marker = log_ + ".down";
    if (down) {
      std::ofstream(marker) << "down";
    } else {
      unlink(marker.c_str());
    }
  }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // How many logged requests begin with `prefix`.
  int Count(const std::string& prefix) const {
    std::istringstream lines(Log());
    int n = 0;
    for (std::string line; std::getline(lines, line);) n += line.rfind(prefix, 0) == 0;
    return n;
  }

 private:
  std::string log_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// Runs GTK until the condition holds or the time is up; true when it held.
inline bool RunUntil(const std::function<bool()>& done, int milliseconds = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return done();
}

inline void RunFor(int milliseconds) {
  RunUntil([] { return false; }, milliseconds);
}

}  // namespace testsupport
