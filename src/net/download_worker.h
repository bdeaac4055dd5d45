// The download workers: the thread holder, the pending queue they share, and
// one worker with its HTTP attempt (Transfer) and its loop.
//
// Threads: a worker's loop and its attempts run on the worker's own thread;
// Start and Stop run on the thread that owns the HTTPDownloader; Submit may
// come from any thread.  The pending queue's lock guards the task list and the
// list of wake-up events; each stop flag is written by the owner and read by
// its worker.  A stop also cancels the request of the attempt in hand, so a
// worker blocked on a server that stopped sending ends at once and is joined.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/download_task.h"
#include "platform/http.h"

namespace net {

// Where an attempt finds the cookie data of a referer hand-over: set once
// before the workers start, called on the workers (it must be thread-safe).
struct RefererSource {
  std::function<std::wstring()> macDigest;  // the install-info MAC digest text, or empty
};

// An auto-reset event: Set wakes one wait (or the next one), then resets.
class AutoResetEvent {
 public:
  void Set();
  // True when the event was set within the time, false on time-out.
  bool Wait(std::chrono::milliseconds timeout);
  // Waits until the event is set, however long that takes.
  void Wait();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

// A task in the queue with its own copy of the body.
struct QueuedTask {
  DownloadTask task;  // task.body points into bodyCopy, or is null
  std::vector<uint8_t> bodyCopy;
};

// The tasks waiting for a worker, oldest first, and the wake-up events of the
// running workers.  Shared by the downloader and its workers, so a worker
// that ends after its downloader was released still finds it.
class PendingQueue {
 public:
  // Appends the task and wakes every registered worker.
  void Append(std::unique_ptr<QueuedTask> task);
  // The oldest task, removed from the list; null when there is none.
  std::unique_ptr<QueuedTask> Take();
  size_t Size();
  void Register(const std::shared_ptr<AutoResetEvent>& wake);
  void Unregister(const std::shared_ptr<AutoResetEvent>& wake);

 private:
  std::mutex lock_;
  std::deque<std::unique_ptr<QueuedTask>> tasks_;
  std::vector<std::shared_ptr<AutoResetEvent>> wakes_;
};

// A thread with a stop flag and a procedure.  The flag is 1 while no thread
// runs or a stop was asked for; the owner sets it to 0 just before Start.
class CThreadHolder {
 public:
  using Procedure = void (*)(uintptr_t parameter);

  CThreadHolder() = default;
  // Sets the stop flag and waits for the thread.
  virtual ~CThreadHolder();
  CThreadHolder(const CThreadHolder&) = delete;
  CThreadHolder& operator=(const CThreadHolder&) = delete;

  // Starts the thread, which calls the procedure with the parameter;
  // keepAlive is held by the thread until it ends.  False when no thread
  // could be started.
  bool Start(std::shared_ptr<void> keepAlive);
  bool HasThread() const { return thread_.joinable(); }
  // Waits for the thread to end and forgets it; the stop flag must be set
  // (and whatever the thread waits on released) first.
  void Join();

  std::atomic<int32_t> stopFlag{1};
  Procedure procedure = nullptr;
  uintptr_t parameter = 0;

 private:
  std::thread thread_;
};

// Whether a file name taken from a URL may be used inside a folder on either
// platform: not empty, no separators, drive colons, wildcards, quotes or
// control characters, no "..", no trailing dot or blank, no device name.
bool IsSafeFileName(const std::wstring& name);

class DownloadWorker : public std::enable_shared_from_this<DownloadWorker> {
 public:
  static constexpr uint32_t kChunkSize = 10240;

  DownloadWorker(std::shared_ptr<PendingQueue> queue, RefererSource referer);

  // One attempt of the task; may rewrite task.filePath with the path it built
  // and calls the task's callback with progress.  See the .cpp for the steps.
  DownloadResult Transfer(DownloadTask& task);
  // Forgets the target path built for the previous task (the loop calls it
  // before each new task; a retry keeps the path).
  void BeginTask() { targetBuilt_ = false; }
  // The worker loop; runs until the stop flag is set.
  void Loop();

  bool Stopping() const { return holder.stopFlag.load() != 0; }
  // Cancels the request of the attempt in hand, if there is one, so that a
  // send or read blocked on a silent server returns at once.  Called from the
  // stopping thread after it raised the stop flag.
  void CancelTransfer();

  CThreadHolder holder;
  std::shared_ptr<AutoResetEvent> wake = std::make_shared<AutoResetEvent>();

 private:
  // Step 10 of the attempt; false when no name could be made.
  bool BuildTargetPath(DownloadTask& task);
  void Pause();
  // Makes the attempt's request the one CancelTransfer reaches (null: none).
  void SetActiveRequest(pf::HInternet request);

  std::shared_ptr<PendingQueue> queue_;
  RefererSource referer_;
  bool targetBuilt_ = false;
  std::mutex activeLock_;                // held while the request is set, cleared or cancelled
  pf::HInternet activeRequest_ = nullptr;  // guarded by activeLock_
  uint8_t buffer_[kChunkSize];
};

}  // namespace net
