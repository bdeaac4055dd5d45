// The one download queue of the program: tasks in submission order, served by
// two workers that start with the first use.
//
// Threads: Start, Stop and destruction on the owning thread (Start may also be
// called from a worker's callback while the workers run: it then returns at
// once); Submit and IsStarted from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "net/download_queue.h"
#include "net/download_worker.h"

namespace net {

class HTTPDownloader final : public DownloadQueue {
 public:
  static constexpr int kWorkerCount = 2;

  explicit HTTPDownloader(RefererSource referer = RefererSource());
  // Stops the workers; tasks still pending are released without a report.
  ~HTTPDownloader() override;
  HTTPDownloader(const HTTPDownloader&) = delete;
  HTTPDownloader& operator=(const HTTPDownloader&) = delete;

  bool Start() override;
  bool IsStarted() const override { return started_.load(); }
  bool Submit(const DownloadTask& request) override;
  // Raises every worker's stop flag, wakes it and cancels the request of its
  // attempt in hand; then joins each in creation order and releases it.  A
  // worker ends within moments: its pauses and idle waits end on the flag,
  // and a send or read on a silent server ends with the cancelled request.
  void Stop() override;

  size_t PendingCount() { return pending_->Size(); }
  size_t WorkerCount() const { return workers_.size(); }

 private:
  static void WorkerProcedure(uintptr_t worker);

  std::shared_ptr<PendingQueue> pending_ = std::make_shared<PendingQueue>();
  std::atomic<bool> started_{false};
  int workerCount_ = kWorkerCount;
  std::mutex startStop_;                                  // serialises Start and Stop
  std::vector<std::shared_ptr<DownloadWorker>> workers_;  // in creation order
  RefererSource referer_;
};

}  // namespace net
