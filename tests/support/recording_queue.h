// A download queue that records what is handed to it instead of running it.
#pragma once

#include <vector>

#include "net/download_queue.h"

namespace testsupport {

class RecordingQueue : public net::DownloadQueue {
 public:
  bool Start() override {
    ++starts;
    started = startSucceeds;
    return started;
  }
  bool IsStarted() const override { return started; }
  bool Submit(const net::DownloadTask& task) override {
    tasks.push_back(task);
    return accepts;
  }
  void Stop() override {
    ++stops;
    started = false;
  }

  bool started = false;
  bool startSucceeds = true;
  bool accepts = true;
  int starts = 0;
  int stops = 0;
  std::vector<net::DownloadTask> tasks;
};

}  // namespace testsupport
