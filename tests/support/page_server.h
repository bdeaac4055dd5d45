// A page server for the web-engine tests: a Python script started as a child
// process of the test (it prints its port, then logs every request to a
// file), ended by its pid.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/portable/utf8.h"

namespace testsupport {

class PageServer {
 public:
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
    unlink(log_.c_str());
  }
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  int Port() const { return port_; }
  std::wstring Url(const std::string& path) const {
    return pf::FromUtf8("http://localhost:" + std::to_string(port_) + path);
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

}  // namespace testsupport
