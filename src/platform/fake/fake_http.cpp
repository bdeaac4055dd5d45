#include "platform/fake/fake_http.h"

#include <algorithm>

#include "platform/portable/http_common.h"

namespace pf {

// Every handle of the fake client; the kind tells which call made it.
struct InternetHandle {
  enum Kind { kInternet, kConnection, kRequest } kind = kInternet;
  std::wstring host;
  uint16_t port = 0;
  std::wstring userName;
  std::wstring password;
  size_t request = 0;  // index into the recorded requests
  const FakeHttp::Answer* answer = nullptr;
  uint64_t offset = 0;  // body bytes handed out
};

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

bool FakeHttp::CrackUrl(const std::wstring& url, UrlParts& out) {
  const bool ok = !crackFails && SplitUrl(url, out);
  Note("CrackUrl");
  return ok;
}

HInternet FakeHttp::Open(const std::wstring& agentName) {
  HInternet h = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    agent = agentName;
    if (!openFails) {
      h = new InternetHandle;
      ++openHandles_;
    }
  }
  Note("Open");
  return h;
}

HInternet FakeHttp::Connect(HInternet internet, const std::wstring& host, uint16_t port,
                            const std::wstring& userName, const std::wstring& password) {
  HInternet h = nullptr;
  if (internet && !connectFails) {
    h = new InternetHandle;
    h->kind = InternetHandle::kConnection;
    h->host = host;
    h->port = port;
    h->userName = userName;
    h->password = password;
    std::lock_guard<std::mutex> hold(lock_);
    ++openHandles_;
  }
  Note("Connect");
  return h;
}

HInternet FakeHttp::OpenRequest(HInternet connection, const std::wstring& verb,
                                const std::wstring& path) {
  HInternet h = nullptr;
  if (connection && !openRequestFails) {
    std::lock_guard<std::mutex> hold(lock_);
    h = new InternetHandle(*connection);
    h->kind = InternetHandle::kRequest;
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
  return h;
}

bool FakeHttp::AddRequestHeaders(HInternet request, const std::wstring& line) {
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

bool FakeHttp::SendRequest(HInternet request, const uint8_t* body, uint32_t length) {
  bool ok = false;
  if (request) {
    std::lock_guard<std::mutex> hold(lock_);
    Request& r = requests_[request->request];
    if (body && length) r.body.assign(reinterpret_cast<const char*>(body), length);
    r.sent = true;
    ok = request->answer && !request->answer->sendFails;
  }
  Note("Send");
  return ok;
}

bool FakeHttp::QueryStatusCode(HInternet request, uint32_t& out) {
  const bool ok = request && request->answer && !request->answer->noStatus;
  if (ok) out = request->answer->status;
  Note("QueryStatusCode");
  return ok;
}

bool FakeHttp::QueryContentLength(HInternet request, uint32_t& out) {
  const Answer* a = request ? request->answer : nullptr;
  const bool ok = a && a->hasContentLength;
  if (ok) out = static_cast<uint32_t>(a->contentLength >= 0 ? a->contentLength : a->body.size());
  Note("QueryContentLength");
  return ok;
}

bool FakeHttp::ReadFile(HInternet request, uint8_t* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  bool ok = false;
  if (request && request->answer) {
    const Answer& a = *request->answer;
    const uint64_t left = a.body.size() - std::min<uint64_t>(request->offset, a.body.size());
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, left));
    if (a.readFailsAt >= 0 && request->offset + n > static_cast<uint64_t>(a.readFailsAt)) {
      ok = false;
    } else {
      std::copy_n(a.body.data() + request->offset, n, buffer);
      request->offset += n;
      read = n;
      ok = true;
      std::lock_guard<std::mutex> hold(lock_);
      readSizes_.push_back(n);
    }
  }
  Note("Read");
  return ok;
}

void FakeHttp::CloseHandle(HInternet handle) {
  if (!handle) return;
  const char* names[] = {"CloseInternet", "CloseConnection", "CloseRequest"};
  const std::string name = names[handle->kind];
  delete handle;
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

void FakeHttp::CloseFile(HTargetFile file) {
  PosixCloseTargetFile(file);
  Note("CloseFile");
}

std::vector<FakeProcesses::Start> FakeProcesses::Starts() {
  std::lock_guard<std::mutex> hold(lock_);
  return starts_;
}

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
