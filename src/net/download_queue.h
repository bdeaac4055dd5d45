// The download task queue as the application context owns it.
#pragma once

namespace net {

class DownloadQueue {
 public:
  virtual ~DownloadQueue() = default;
  // Tells every worker to stop and waits for each within its time limit.
  virtual void Stop() = 0;
};

}  // namespace net
