#include "platform/fake/fake_http.h"

#include <algorithm>

#include "platform/portable/http_common.h"

namespace pf {

// Every handle of the fake client; the kind tells which call made it.
namespace {

// This backend's handle behind pf::HInternet.
struct FakeHandle {
  enum Kind { kInternet, kConnection, kRequest } kind = kInternet;
  std::wstring host;
  uint16_t port = 0;
  std::wstring userName;
  std::wstring password;
  size_t request = 0;  // index into the recorded requests
  const FakeHttp::Answer* answer = nullptr;
  uint64_t offset = 0;  // body bytes handed out
  bool cancelled = false;  // guarded by the client's lock
};

FakeHandle* H(HInternet h) { return reinterpret_cast<FakeHandle*>(h); }
HInternet Out(FakeHandle* h) { return reinterpret_cast<HInternet>(h); }

}  // namespace

void FakeHttp::Note(const std::string& call) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    calls_.push_back(call);
  }
  if (onCall) onCall(call);
}

const FakeHttp::Answer* FakeHttp::Find(const std::wstring& path) const {
  auto it = answers.find(path);
  if (it == answers.end()) it = answers.find(L"*");
  return it == answers.end() ? nullptr : &it->second;
}

std::vector<FakeHttp::Request> FakeHttp::Requests() {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}
std::vector<std::pair<std::wstring, std::wstring>> FakeHttp::Cookies() {
  std::lock_guard<std::mutex> hold(lock_);
  return cookies_;
}
std::vector<uint32_t> FakeHttp::ReadSizes() {
  std::lock_guard<std::mutex> hold(lock_);
  return readSizes_;
}
std::vector<std::string> FakeHttp::Calls() {
  std::lock_guard<std::mutex> hold(lock_);
  return calls_;
}
int FakeHttp::OpenHandles() {
  std::lock_guard<std::mutex> hold(lock_);
  return openHandles_;
}
bool FakeHttp::ForgetObservations() {
  std::lock_guard<std::mutex> hold(lock_);
  if (openHandles_ != 0) return false;
  requests_.clear();
  cookies_.clear();
  readSizes_.clear();
  calls_.clear();
  return true;
}
int FakeHttp::Stalled() {
  std::lock_guard<std::mutex> hold(lock_);
  return stalled_;
}

bool FakeHttp::Cancelled(const void* requestHandle) {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<const FakeHandle*>(requestHandle)->cancelled;
}

void FakeHttp::StallUntilCancelled(std::unique_lock<std::mutex>& hold, const void* requestHandle) {
  const auto* request = static_cast<const FakeHandle*>(requestHandle);
  ++stalled_;
  cancelled_.wait(hold, [request] { return request->cancelled; });
  --stalled_;
}

bool FakeHttp::CrackUrl(const std::wstring& url, UrlParts& out) {
  const bool ok = !crackFails && SplitUrl(url, out);
  Note("CrackUrl");
  return ok;
}

HInternet FakeHttp::Open(const std::wstring& agentName) {
  FakeHandle* h = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    agent = agentName;
    if (!openFails) {
      h = new FakeHandle;
      ++openHandles_;
    }
  }
  Note("Open");
  return Out(h);
}

HInternet FakeHttp::Connect(HInternet internetHandle, const std::wstring& host, uint16_t port,
                            const std::wstring& userName, const std::wstring& password) {
  FakeHandle* internet = H(internetHandle);
  FakeHandle* h = nullptr;
  if (internet && !connectFails) {
    h = new FakeHandle;
    h->kind = FakeHandle::kConnection;
    h->host = host;
    h->port = port;
    h->userName = userName;
    h->password = password;
    std::lock_guard<std::mutex> hold(lock_);
    ++openHandles_;
  }
  Note("Connect");
  return Out(h);
}

HInternet FakeHttp::OpenRequest(HInternet connectionHandle, const std::wstring& verb,
                                const std::wstring& path, bool) {
  FakeHandle* connection = H(connectionHandle);
  FakeHandle* h = nullptr;
  if (connection && !openRequestFails) {
    std::lock_guard<std::mutex> hold(lock_);
    h = new FakeHandle(*connection);
    h->kind = FakeHandle::kRequest;
    h->answer = Find(path);
    Request r;
    r.host = connection->host;
    r.port = connection->port;
    r.userName = connection->userName;
    r.password = connection->password;
    r.verb = verb;
    r.path = path;
    requests_.push_back(r);
    h->request = requests_.size() - 1;
    ++openHandles_;
  }
  Note("OpenRequest");
  return Out(h);
}

bool FakeHttp::AddRequestHeaders(HInternet requestHandle, const std::wstring& line) {
  FakeHandle* request = H(requestHandle);
  bool ok = false;
  if (request && !addHeaderFails) {
    std::lock_guard<std::mutex> hold(lock_);
    requests_[request->request].headers.push_back(line);
    ok = true;
  }
  Note("AddRequestHeaders");
  return ok;
}

bool FakeHttp::SetCookie(const std::wstring& url, const std::wstring& data) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    cookies_.emplace_back(url, data);
  }
  Note("SetCookie");
  return true;
}

bool FakeHttp::SendRequest(HInternet requestHandle, const uint8_t* body, uint32_t length) {
  FakeHandle* request = H(requestHandle);
  bool ok = false;
  if (request) {
    std::unique_lock<std::mutex> hold(lock_);
    Request& r = requests_[request->request];
    if (body && length) r.body.assign(reinterpret_cast<const char*>(body), length);
    r.sent = true;
    if (request->answer && request->answer->sendStalls) StallUntilCancelled(hold, request);
    ok = request->answer && !request->answer->sendFails && !request->cancelled;
  }
  Note("Send");
  return ok;
}

bool FakeHttp::QueryStatusCode(HInternet requestHandle, uint32_t& out) {
  FakeHandle* request = H(requestHandle);
  const bool ok = request && request->answer && !request->answer->noStatus && !Cancelled(request);
  if (ok) out = request->answer->status;
  Note("QueryStatusCode");
  return ok;
}

bool FakeHttp::QueryContentLength(HInternet requestHandle, uint32_t& out) {
  FakeHandle* request = H(requestHandle);
  const Answer* a = request ? request->answer : nullptr;
  const bool ok = a && a->hasContentLength && !Cancelled(request);
  if (ok) out = static_cast<uint32_t>(a->contentLength >= 0 ? a->contentLength : a->body.size());
  Note("QueryContentLength");
  return ok;
}

bool FakeHttp::ReadFile(HInternet requestHandle, uint8_t* buffer, uint32_t size, uint32_t& read) {
  FakeHandle* request = H(requestHandle);
  read = 0;
  bool ok = false;
  if (request && request->answer) {
    const Answer& a = *request->answer;
    const uint64_t left = a.body.size() - std::min<uint64_t>(request->offset, a.body.size());
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, left));
    std::unique_lock<std::mutex> hold(lock_);
    if (a.readStallsAt >= 0 && request->offset + n > static_cast<uint64_t>(a.readStallsAt))
      StallUntilCancelled(hold, request);
    if (request->cancelled) {
      ok = false;
    } else if (a.readFailsAt >= 0 && request->offset + n > static_cast<uint64_t>(a.readFailsAt)) {
      ok = false;
    } else {
      std::copy_n(a.body.data() + request->offset, n, buffer);
      request->offset += n;
      read = n;
      ok = true;
      readSizes_.push_back(n);
    }
  }
  Note("Read");
  return ok;
}

void FakeHttp::CancelRequest(HInternet requestHandle) {
  FakeHandle* request = H(requestHandle);
  if (request && request->kind == FakeHandle::kRequest) {
    std::lock_guard<std::mutex> hold(lock_);
    request->cancelled = true;
    cancelled_.notify_all();
  }
  Note("CancelRequest");
}

void FakeHttp::CloseHandle(HInternet handle) {
  FakeHandle* h = H(handle);
  if (!h) return;
  const char* names[] = {"CloseInternet", "CloseConnection", "CloseRequest"};
  const std::string name = names[h->kind];
  delete h;
  {
    std::lock_guard<std::mutex> hold(lock_);
    --openHandles_;
  }
  Note(name);
}

HTargetFile FakeHttp::CreateFile(const std::wstring& path) {
  HTargetFile f = createFileFails ? nullptr : PosixCreateTargetFile(path);
  Note("CreateFile");
  return f;
}

bool FakeHttp::WriteFile(HTargetFile file, const uint8_t* bytes, uint32_t size) {
  bool fail;
  {
    std::lock_guard<std::mutex> hold(lock_);
    fail = writes_++ == writeFailsAtCall;
  }
  const bool ok = !fail && PosixWriteTargetFile(file, bytes, size);
  Note("WriteFile");
  return ok;
}

bool FakeHttp::CloseFile(HTargetFile file) {
  const bool closed = PosixCloseTargetFile(file) && !closeFileFails;
  Note("CloseFile");
  return closed;
}

std::vector<FakeProcesses::Start> FakeProcesses::Starts() {
  std::lock_guard<std::mutex> hold(lock_);
  return starts_;
}

bool FakeProcesses::IsProcessElevated() { return elevated; }

bool FakeProcesses::CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                                  uint32_t creationFlags, int showCommand) {
  std::lock_guard<std::mutex> hold(lock_);
  starts_.push_back(
      Start{"CreateProcess", L"", application, commandLine, creationFlags, showCommand});
  return !createFails;
}

bool FakeProcesses::ShellExecute(const std::wstring& verb, const std::wstring& file,
                                 const std::wstring& parameters, int showCommand) {
  std::lock_guard<std::mutex> hold(lock_);
  starts_.push_back(Start{"ShellExecute", verb, file, parameters, 0, showCommand});
  return !shellFails;
}

}  // namespace pf
