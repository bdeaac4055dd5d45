// The download task queue as its users see it: the application context owns
// one (the HTTPDownloader); submitters start it and hand it tasks.
#pragma once

#include "net/download_task.h"

namespace net {

class DownloadQueue {
 public:
  virtual ~DownloadQueue() = default;
  // Starts the workers; true when they run (a second call returns at once).
  virtual bool Start() = 0;
  virtual bool IsStarted() const = 0;
  // Copies the request (and its body, when its length is positive) into a new
  // queued task; the caller may destroy its record at once.  Thread-safe.
  virtual bool Submit(const DownloadTask& request) = 0;
  // Tells every worker to stop, ends the transfers in hand and joins the
  // workers; no worker outlives the call.
  virtual void Stop() = 0;
};

}  // namespace net
