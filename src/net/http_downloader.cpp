#include "net/http_downloader.h"

#include <new>

namespace net {

HTTPDownloader::HTTPDownloader(RefererSource referer) : referer_(std::move(referer)) {}

HTTPDownloader::~HTTPDownloader() { Stop(); }

void HTTPDownloader::WorkerProcedure(uintptr_t worker) {
  reinterpret_cast<DownloadWorker*>(worker)->Loop();
}

bool HTTPDownloader::Start() {
  if (started_) return true;
  std::lock_guard<std::mutex> hold(startStop_);
  if (started_) return true;
  for (int i = 0; i < workerCount_; ++i) {
    auto worker = std::make_shared<DownloadWorker>(pending_, referer_);
    worker->holder.procedure = &HTTPDownloader::WorkerProcedure;
    worker->holder.parameter = reinterpret_cast<uintptr_t>(worker.get());
    worker->holder.stopFlag = 0;
    pending_->Register(worker->wake);
    if (!worker->holder.Start(worker)) {
      worker->holder.stopFlag = 1;
      pending_->Unregister(worker->wake);
      continue;
    }
    workers_.push_back(std::move(worker));
  }
  started_ = !workers_.empty();
  return started_;
}

bool HTTPDownloader::Submit(const DownloadTask& request) {
  try {
    auto task = std::make_unique<QueuedTask>();
    task->task = request;
    task->task.body = nullptr;
    task->task.bodyLength = request.bodyLength;
    if (request.body && request.bodyLength > 0) {
      task->bodyCopy.assign(request.body, request.body + request.bodyLength);
      task->task.body = task->bodyCopy.data();
    } else {
      task->task.bodyLength = 0;
    }
    pending_->Append(std::move(task));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void HTTPDownloader::Stop() {
  std::lock_guard<std::mutex> hold(startStop_);
  // Every worker is told first, so they all wind down at the same time.
  for (const auto& worker : workers_) {
    worker->holder.stopFlag = 1;
    worker->wake->Set();
    worker->CancelTransfer();
  }
  for (const auto& worker : workers_) {
    worker->holder.Join();
    pending_->Unregister(worker->wake);
  }
  workers_.clear();
  started_ = false;
}

}  // namespace net
