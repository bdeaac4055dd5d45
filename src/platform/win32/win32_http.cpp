// The HTTP client of the Windows build: WinINet, one call per operation, with
// exactly the arguments the attempt relies on (preconfigured proxy, no flags,
// add-or-replace headers, InternetSetCookieW); the target file through
// CreateFileW and WriteFile.
//
// A request's blocking calls (HttpSendRequestW, InternetReadFile) run on a
// carrier thread of that request while its owner waits for the result or for
// a cancel.  Windows ends a call blocked on a handle that another thread
// closes; Wine's WinINet does not, so the owner never depends on the call
// returning: a cancelled owner returns at once, and the carrier, which owns
// everything the call touches (its handle, the body copy, the receive
// buffer), ends whenever WinINet lets the call return.
#include <windows.h>
#include <wininet.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_services.h"

namespace pf {

namespace {

// What a request's carrier thread shares with the request's owner.
struct Carrier {
  enum Op { kNone, kSend, kRead };
  std::mutex lock;
  std::condition_variable changed;
  HINTERNET handle = nullptr;
  Op op = kNone;       // the call asked for, until it has run
  bool done = false;   // the last call asked for has run
  bool quit = false;   // the carrier ends once no call is running
  bool cancelled = false;
  BOOL ok = FALSE;
  DWORD size = 0;      // bytes asked for by a read
  DWORD got = 0;       // bytes a read received
  std::vector<uint8_t> body;    // the send's body
  std::vector<uint8_t> buffer;  // the read's bytes
};

void CarrierLoop(const std::shared_ptr<Carrier>& c) {
  std::unique_lock<std::mutex> hold(c->lock);
  for (;;) {
    c->changed.wait(hold, [&c] { return c->quit || c->op != Carrier::kNone; });
    if (c->op == Carrier::kNone) return;
    const Carrier::Op op = c->op;
    hold.unlock();
    // Only this thread touches the body and the buffer while the call runs.
    BOOL ok;
    DWORD got = 0;
    if (op == Carrier::kSend) {
      ok = ::HttpSendRequestW(c->handle, nullptr, 0, c->body.empty() ? nullptr : c->body.data(),
                              static_cast<DWORD>(c->body.size()));
    } else {
      ok = ::InternetReadFile(c->handle, c->buffer.data(), c->size, &got);
    }
    hold.lock();
    c->ok = ok;
    c->got = got;
    c->op = Carrier::kNone;
    c->done = true;
    c->changed.notify_all();
  }
}

// Our handle: a WinINet handle that another thread may close early to cancel
// what the owner is blocked on.  The target file is a kernel file handle.
struct WinInetHandle {
  HINTERNET handle = nullptr;
  std::mutex lock;
  bool cancelled = false;  // the handle was closed by CancelRequest
  std::shared_ptr<Carrier> carrier;  // a request's, from its first blocking call
  std::thread thread;
};

WinInetHandle* W(HInternet h) { return reinterpret_cast<WinInetHandle*>(h); }

// Runs one blocking call on the request's carrier and waits for its result;
// false at once when the request is (or gets) cancelled.
bool CarryCall(HInternet request, Carrier::Op op, const uint8_t* body, uint32_t length,
               uint8_t* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  WinInetHandle* w = reinterpret_cast<WinInetHandle*>(request);
  if (!w) return false;
  std::shared_ptr<Carrier> c;
  {
    std::lock_guard<std::mutex> hold(w->lock);
    if (w->cancelled) return false;
    if (!w->carrier) {
      try {
        auto fresh = std::make_shared<Carrier>();
        fresh->handle = w->handle;
        w->thread = std::thread([fresh] { CarrierLoop(fresh); });
        w->carrier = fresh;
      } catch (const std::exception&) {
        return false;
      }
    }
    c = w->carrier;
  }
  std::unique_lock<std::mutex> hold(c->lock);
  if (c->cancelled) return false;
  try {
    if (op == Carrier::kSend)
      c->body.assign(body, body + (body ? length : 0));
    else if (c->buffer.size() < size)
      c->buffer.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  c->size = size;
  c->op = op;
  c->done = false;
  c->changed.notify_all();
  c->changed.wait(hold, [&c] { return c->done || c->cancelled; });
  // A cancelled call is left to the carrier.
  if (!c->done || c->cancelled) return false;
  if (op == Carrier::kRead) {
    std::memcpy(buffer, c->buffer.data(), c->got);
    read = c->got;
  }
  return c->ok != FALSE;
}

// The WinINet handle for a call; null once the request was cancelled, which
// makes the call fail.
HINTERNET N(HInternet h) {
  WinInetHandle* w = W(h);
  if (!w) return nullptr;
  std::lock_guard<std::mutex> hold(w->lock);
  return w->cancelled ? nullptr : w->handle;
}

HInternet I(HINTERNET handle) {
  if (!handle) return nullptr;
  auto* w = new (std::nothrow) WinInetHandle;
  if (!w) {
    ::InternetCloseHandle(handle);
    return nullptr;
  }
  w->handle = handle;
  return reinterpret_cast<HInternet>(w);
}

class WinInetHttp : public Http {
 public:
  bool CrackUrl(const std::wstring& url, UrlParts& out) override {
    std::vector<wchar_t> host(1024), user(256), password(256), path(2048);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUserName = user.data();
    parts.dwUserNameLength = static_cast<DWORD>(user.size());
    parts.lpszPassword = password.data();
    parts.dwPasswordLength = static_cast<DWORD>(password.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    out.host.assign(host.data(), parts.dwHostNameLength);
    out.port = parts.nPort;
    out.userName.assign(user.data(), parts.dwUserNameLength);
    out.password.assign(password.data(), parts.dwPasswordLength);
    out.path.assign(path.data(), parts.dwUrlPathLength);
    out.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
  }
  HInternet Open(const std::wstring& agent) override {
    return I(::InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  }
  HInternet Connect(HInternet internet, const std::wstring& host, uint16_t port,
                    const std::wstring& userName, const std::wstring& password) override {
    return I(::InternetConnectW(N(internet), host.c_str(), port, userName.c_str(), password.c_str(),
                                INTERNET_SERVICE_HTTP, 0, 0));
  }
  // Certificate errors are never ignored (no INTERNET_FLAG_IGNORE_CERT_*),
  // and WinINet refuses a redirect from https to http by default.
  HInternet OpenRequest(HInternet connection, const std::wstring& verb, const std::wstring& path,
                        bool secure) override {
    const DWORD flags = secure ? INTERNET_FLAG_SECURE : 0;
    return I(::HttpOpenRequestW(N(connection), verb.c_str(), path.c_str(), nullptr, nullptr,
                                nullptr, flags, 0));
  }
  bool AddRequestHeaders(HInternet request, const std::wstring& line) override {
    return ::HttpAddRequestHeadersW(N(request), line.c_str(), static_cast<DWORD>(line.size()),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE) != FALSE;
  }
  bool SetCookie(const std::wstring& url, const std::wstring& data) override {
    return ::InternetSetCookieW(url.c_str(), nullptr, data.c_str()) != FALSE;
  }
  bool SendRequest(HInternet request, const uint8_t* body, uint32_t length) override {
    uint32_t ignored = 0;
    return CarryCall(request, Carrier::kSend, body, length, nullptr, 0, ignored);
  }
  bool QueryStatusCode(HInternet request, uint32_t& out) override {
    return QueryNumber(request, HTTP_QUERY_STATUS_CODE, out);
  }
  // Read as text and parsed strictly: the number form reads a length that is
  // no number ("abc", "-5") as 0 or wraps a huge one into 32 bits.
  bool QueryContentLength(HInternet request, uint32_t& out) override {
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!::HttpQueryInfoW(N(request), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
      return false;
    uint64_t value = 0;
    const size_t units = size / sizeof(wchar_t);
    if (units == 0) return false;
    for (size_t i = 0; i < units; ++i) {
      if (text[i] < L'0' || text[i] > L'9') return false;
      value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
      if (value > 0xFFFFFFFFull) return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
  }
  bool ReadFile(HInternet request, uint8_t* buffer, uint32_t size, uint32_t& read) override {
    return CarryCall(request, Carrier::kRead, nullptr, 0, buffer, size, read);
  }
  void CloseHandle(HInternet handle) override {
    WinInetHandle* w = W(handle);
    if (!w) return;
    bool cancelled;
    {
      std::lock_guard<std::mutex> hold(w->lock);
      cancelled = w->cancelled;
      if (!cancelled) ::InternetCloseHandle(w->handle);
    }
    if (w->carrier) {
      {
        std::lock_guard<std::mutex> hold(w->carrier->lock);
        w->carrier->quit = true;
      }
      w->carrier->changed.notify_all();
      // An idle carrier ends at once; one still inside a cancelled call ends
      // when WinINet returns from it, holding only its own state.
      if (cancelled)
        w->thread.detach();
      else
        w->thread.join();
    }
    delete w;
  }
  // Closing a handle another thread is blocked on is how WinINet cancels a
  // synchronous call: HttpSendRequestW or InternetReadFile returns FALSE.
  // The owner, waiting for the carrier, returns at once either way; its
  // later calls find the handle gone and fail without using it.
  void CancelRequest(HInternet request) override {
    WinInetHandle* w = W(request);
    if (!w) return;
    std::lock_guard<std::mutex> hold(w->lock);
    if (w->cancelled) return;
    w->cancelled = true;
    ::InternetCloseHandle(w->handle);
    if (w->carrier) {
      {
        std::lock_guard<std::mutex> wake(w->carrier->lock);
        w->carrier->cancelled = true;
      }
      w->carrier->changed.notify_all();
    }
  }

  HTargetFile CreateFile(const std::wstring& path) override {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<HTargetFile>(file);
  }
  bool WriteFile(HTargetFile file, const uint8_t* bytes, uint32_t size) override {
    DWORD written = 0;
    return ::WriteFile(reinterpret_cast<HANDLE>(file), bytes, size, &written, nullptr) &&
           written == size;
  }
  bool CloseFile(HTargetFile file) override {
    return ::CloseHandle(reinterpret_cast<HANDLE>(file)) != FALSE;
  }

 private:
  static bool QueryNumber(HInternet request, DWORD what, uint32_t& out) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!::HttpQueryInfoW(N(request), what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr))
      return false;
    out = value;
    return true;
  }
};

}  // namespace

std::unique_ptr<Http> NewWin32Http() { return std::make_unique<WinInetHttp>(); }

}  // namespace pf
