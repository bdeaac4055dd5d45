#include "net/download_worker.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <system_error>

#include "platform/platform.h"

namespace net {
namespace {

constexpr wchar_t kAgent[] = L"HTTPDownloader";
constexpr wchar_t kPartialSuffix[] = L".partial";
constexpr wchar_t kPostHeader[] =
    L"Content-Type: application/x-www-form-urlencoded; charset=UTF-8;\r\n";
constexpr size_t kCookieDataUnits = 28;
constexpr int kPauseSteps = 10;
constexpr std::chrono::milliseconds kPauseStep{100};

std::wstring GuidText(const pf::Guid& g) {
  wchar_t text[40];
  std::swprintf(text, sizeof text / sizeof text[0],
                L"%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                g.data4[7]);
  return text;
}

// Runs the callback; what it throws stays on this side of the loop.
void Notify(const DownloadTask& task, int32_t event, int32_t value, uintptr_t extra) {
  if (!task.callback) return;
  try {
    task.callback(task.userData, task.tag, event, value, extra);
  } catch (...) {
  }
}

}  // namespace

bool IsSafeFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  if (name.find(L"..") != std::wstring::npos) return false;
  for (const wchar_t c : name) {
    if (c < 0x20 || c == 0x7F) return false;
    if (std::wcschr(L"\\/:*?\"<>|", c)) return false;
  }
  // Windows drops trailing dots and blanks, which would change the name.
  if (name.back() == L'.' || name.back() == L' ') return false;
  // Device names, bare or with an extension, in any letter case.
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                            L"CONOUT$"};
  for (const wchar_t* device : kDevices)
    if (stem == device) return false;
  if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
      ((stem[3] >= L'0' && stem[3] <= L'9') || stem[3] == 0xB9 || stem[3] == 0xB2 ||
       stem[3] == 0xB3))
    return false;
  return true;
}

void AutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    signalled_ = true;
  }
  changed_.notify_one();
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(lock_);
  const bool set = changed_.wait_for(hold, timeout, [this] { return signalled_; });
  signalled_ = false;
  return set;
}

void AutoResetEvent::Wait() {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return signalled_; });
  signalled_ = false;
}

void PendingQueue::Append(std::unique_ptr<QueuedTask> task) {
  std::lock_guard<std::mutex> hold(lock_);
  tasks_.push_back(std::move(task));
  // Every worker wakes; one takes the task, the other finds the queue empty.
  for (const auto& wake : wakes_) wake->Set();
}

std::unique_ptr<QueuedTask> PendingQueue::Take() {
  std::lock_guard<std::mutex> hold(lock_);
  if (tasks_.empty()) return nullptr;
  std::unique_ptr<QueuedTask> task = std::move(tasks_.front());
  tasks_.pop_front();
  return task;
}

size_t PendingQueue::Size() {
  std::lock_guard<std::mutex> hold(lock_);
  return tasks_.size();
}

void PendingQueue::Register(const std::shared_ptr<AutoResetEvent>& wake) {
  std::lock_guard<std::mutex> hold(lock_);
  wakes_.push_back(wake);
}

void PendingQueue::Unregister(const std::shared_ptr<AutoResetEvent>& wake) {
  std::lock_guard<std::mutex> hold(lock_);
  wakes_.erase(std::remove(wakes_.begin(), wakes_.end(), wake), wakes_.end());
}

CThreadHolder::~CThreadHolder() {
  stopFlag = 1;
  if (thread_.joinable()) {
    // A holder destroyed by its own thread cannot wait for itself.
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

bool CThreadHolder::Start(std::shared_ptr<void> keepAlive) {
  if (thread_.joinable()) return false;
  try {
    thread_ = std::thread([this, keepAlive] {
      if (procedure) procedure(parameter);
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CThreadHolder::Join() {
  if (thread_.joinable()) thread_.join();
}

DownloadWorker::DownloadWorker(std::shared_ptr<PendingQueue> queue, RefererSource referer)
    : queue_(std::move(queue)), referer_(std::move(referer)) {}

void DownloadWorker::SetActiveRequest(pf::HInternet request) {
  std::lock_guard<std::mutex> hold(activeLock_);
  activeRequest_ = request;
}

void DownloadWorker::CancelTransfer() {
  std::lock_guard<std::mutex> hold(activeLock_);
  if (activeRequest_) pf::http().CancelRequest(activeRequest_);
}

bool DownloadWorker::BuildTargetPath(DownloadTask& task) {
  if (targetBuilt_ || (!task.appendUrlName && !task.uniqueName)) return true;
  const wchar_t sep = pf::files().Separator();
  std::wstring folder = task.filePath;
  if (!folder.empty() && folder.back() != sep) folder += sep;
  const size_t slash = task.url.rfind(L'/');
  const std::wstring name =
      slash == std::wstring::npos ? std::wstring() : task.url.substr(slash + 1);
  // The name comes from the server's URL: it must stay inside the folder.
  if (!IsSafeFileName(name)) return false;
  if (task.appendUrlName) {
    task.filePath = folder + name;
  } else {
    pf::Guid guid;
    if (!pf::sys().NewGuid(guid)) return false;
    task.filePath = folder + GuidText(guid) + L"_" + name;
  }
  targetBuilt_ = true;
  return true;
}

// One attempt, in this order: split the URL; open the Internet handle and the
// connection; open a POST (with its header line) or a GET (with the one-shot
// referer); send; check the status; without a file path stop there;
// otherwise build the target path, get Content-Length, create the file and
// stream the body into it chunk by chunk.  The stop flag is checked between
// the steps and before every chunk; while the request is open a stop also
// cancels it, which ends a blocked send or read.  What was opened is closed
// on every path.
DownloadResult DownloadWorker::Transfer(DownloadTask& task) {
  pf::Http& http = pf::http();
  pf::UrlParts parts;
  // Nothing is opened for a URL that cannot be split; the caller retries it
  // like a connection that could not be made.
  if (!http.CrackUrl(task.url, parts)) return DL_NO_CONNECTION;

  std::wstring partialPath;  // set once a partial file was created
  std::unique_ptr<pf::Sha256> hasher;  // only for a checked body
  pf::HInternet internet = nullptr;
  pf::HInternet connection = nullptr;
  pf::HInternet request = nullptr;
  pf::HTargetFile file = nullptr;
  // What was opened is closed on every path, an exception's included.
  struct Closer {
    DownloadWorker& worker;
    pf::Http& http;
    pf::HInternet& internet;
    pf::HInternet& connection;
    pf::HInternet& request;
    pf::HTargetFile& file;
    ~Closer() {
      if (file) http.CloseFile(file);
      if (request) {
        // No cancel may reach the request once it is closed.
        worker.SetActiveRequest(nullptr);
        http.CloseHandle(request);
      }
      if (connection) http.CloseHandle(connection);
      if (internet) http.CloseHandle(internet);
    }
  } closer{*this, http, internet, connection, request, file};
  DownloadResult result = [&]() -> DownloadResult {
    internet = http.Open(kAgent);
    if (!internet) return DL_NO_CONNECTION;
    if (Stopping()) return DL_CANCELLED;
    connection = http.Connect(internet, parts.host, parts.port, parts.userName, parts.password);
    if (!connection) return DL_NO_CONNECTION;
    if (Stopping()) return DL_CANCELLED;

    const bool post = task.body != nullptr && task.bodyLength > 0;
    if (post) {
      request = http.OpenRequest(connection, L"POST", parts.path, parts.secure);
      if (request) SetActiveRequest(request);
      if (!request || !http.AddRequestHeaders(request, kPostHeader)) return DL_REQUEST_FAILED;
    } else {
      request = http.OpenRequest(connection, L"GET", parts.path, parts.secure);
      if (!request) return DL_REQUEST_FAILED;
      SetActiveRequest(request);
      // The referer travels in its own task, so it lands on that request only.
      if (!task.referer.empty()) {
        if (!http.AddRequestHeaders(request, L"Referer: " + task.referer + L"\r\n"))
          return DL_REQUEST_FAILED;
        if (task.plantCookie) {
          const std::wstring digest = referer_.macDigest ? referer_.macDigest() : std::wstring();
          http.SetCookie(task.referer,
                         digest.substr(0, std::min(digest.size(), kCookieDataUnits)));
        }
      }
    }
    if (Stopping()) return DL_CANCELLED;

    if (!http.SendRequest(request, post ? task.body : nullptr,
                          post ? static_cast<uint32_t>(task.bodyLength) : 0))
      return DL_REQUEST_FAILED;
    if (Stopping()) return DL_CANCELLED;

    uint32_t status = 0;
    if (!http.QueryStatusCode(request, status) || status >= 400) return DL_BAD_RESPONSE;
    if (task.filePath.empty()) return DL_OK;

    if (!BuildTargetPath(task)) return DL_FILE_CREATE_FAILED;
    uint32_t length = 0;
    if (!http.QueryContentLength(request, length)) return DL_BAD_RESPONSE;
    // A body over the task's cap is refused before any file exists.
    const uint64_t cap = task.maxBytes ? task.maxBytes : kDefaultMaxBytes;
    if (length > cap) return DL_BAD_RESPONSE;
    if (Stopping()) return DL_CANCELLED;
    if (task.checkSha256) {
      partialPath = task.filePath + kPartialSuffix;
      hasher = std::make_unique<pf::Sha256>();
      file = http.CreateFile(partialPath);
    } else {
      file = http.CreateFile(task.filePath);
    }
    if (!file) return DL_FILE_CREATE_FAILED;

    uint32_t remaining = length;
    while (remaining > 0) {
      if (Stopping()) return DL_CANCELLED;
      uint32_t got = 0;
      if (!http.ReadFile(request, buffer_, std::min(kChunkSize, remaining), got))
        return DL_READ_FAILED;
      // A body that ends before Content-Length bytes arrived is a failure.
      if (got == 0 || got > remaining) return DL_READ_FAILED;
      remaining -= got;
      if (static_cast<uint64_t>(length) - remaining > cap) return DL_READ_FAILED;
      const uint64_t done = static_cast<uint64_t>(length) - remaining;
      const uint64_t percent = std::min<uint64_t>(done * 100 / length, 100);
      // A stopped worker may outlive the receiver of its callbacks.
      if (task.callback && !Stopping())
        task.callback(task.userData, task.tag, DL_EVENT_PROGRESS, 0,
                      static_cast<uintptr_t>(percent));
      if (!http.WriteFile(file, buffer_, got)) return DL_FILE_WRITE_FAILED;
      if (hasher && !hasher->Update(buffer_, got)) return DL_FILE_WRITE_FAILED;
    }
    return DL_OK;
  }();
  // The file is closed before it may take its final name; a body the file
  // did not take in whole is a failed write.
  if (file) {
    const bool complete = http.CloseFile(file);
    file = nullptr;
    if (!complete && result == DL_OK) result = DL_FILE_WRITE_FAILED;
  }
  // A call that failed because a stop cancelled the request was cancelled.
  if (result != DL_OK && Stopping()) result = DL_CANCELLED;
  if (partialPath.empty() || task.filePath.empty()) return result;
  // The checked body takes the final name only when its digest is the expected one.
  DownloadResult outcome = result;
  if (outcome == DL_OK) {
    pf::Sha256Digest digest{};
    if (!hasher || !hasher->Finish(digest))
      outcome = DL_FILE_WRITE_FAILED;
    else if (digest != task.sha256)
      outcome = DL_DIGEST_MISMATCH;
    else if (!pf::files().ReplaceFile(partialPath, task.filePath))
      outcome = DL_FILE_WRITE_FAILED;
    else
      return DL_OK;
  }
  pf::files().DeleteFile(partialPath);
  return outcome;
}

void DownloadWorker::Pause() {
  for (int i = 0; i < kPauseSteps && !Stopping(); ++i) std::this_thread::sleep_for(kPauseStep);
}

void DownloadWorker::Loop() {
  while (!Stopping()) {
    std::unique_ptr<QueuedTask> item = queue_->Take();
    if (!item) {
      // An idle worker sleeps until a task or a stop sets its event: both
      // Append and Stop set it, so a time-out would only wake the process
      // for nothing.
      wake->Wait();
      continue;
    }
    DownloadTask& task = item->task;
    BeginTask();
    Notify(task, DL_EVENT_STARTED, 0, 0);

    int32_t result = DL_OK;
    if (!Stopping()) {
      // At least one attempt, whatever the retry count says: a task that was
      // never tried must not be reported as done.
      const int64_t retries = std::max<int32_t>(task.retryCount, 0);
      for (int64_t attempt = 0; attempt <= retries;) {
        try {
          result = Transfer(task);
        } catch (...) {
          // Out of memory or a backend's own failure: the attempt failed,
          // the worker lives on.
          result = DL_READ_FAILED;
        }
        if (result == DL_OK) break;
        ++attempt;
        if (Stopping()) break;
        if (attempt <= retries) Pause();
        if (Stopping()) break;
      }
    }
    bool failed = true;
    if (!Stopping()) {
      Notify(task, DL_EVENT_FINISHED, result, reinterpret_cast<uintptr_t>(&task));
      failed = result != DL_OK;
    }
    if (failed && task.deleteOnFailure && !task.filePath.empty()) {
      try {
        pf::files().DeleteFile(task.filePath);
      } catch (...) {
      }
    }
    item.reset();
  }
}

}  // namespace net
