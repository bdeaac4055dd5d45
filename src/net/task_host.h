// What a lower layer that submits download tasks needs from the application:
// the queue and the userData its tasks carry.  Each layer declares its own
// host interface on LiveHost; the application context implements them all
// and registers itself while it lives.
#pragma once

#include <cstdint>

namespace net {

class DownloadQueue;

class TaskHost {
 public:
  // The userData its download tasks carry.
  virtual uintptr_t TaskUserData() const = 0;
  virtual DownloadQueue* GetDownloader() = 0;  // not owned; may be null

 protected:
  ~TaskHost() = default;
};

// A host interface T with its registration: set and cleared by the
// application context on the first thread.
template <class T>
class LiveHost : public TaskHost {
 public:
  // The host that is registered, or null.
  static T* Live() { return live_; }
  // Registers host (null: none).
  static void SetLive(T* host) { live_ = host; }

 protected:
  ~LiveHost() = default;

 private:
  static inline T* live_ = nullptr;
};

}  // namespace net
