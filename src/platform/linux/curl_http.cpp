#include "platform/linux/curl_http.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/portable/http_common.h"
#include "platform/portable/utf8.h"

namespace pf {

namespace {

// libcurl, loaded when the first request is sent rather than when the program
// starts: the library and the chain it depends on (TLS, SSH, RTMP, Kerberos,
// LDAP) take several megabytes and tens of milliseconds to map and relocate,
// and most runs send their first request only once the login page is up.
struct CurlLibrary {
  CURLcode (*global_init)(long flags);
  CURL* (*easy_init)();
  CURLcode (*easy_setopt)(CURL* easy, CURLoption option, ...);
  CURLcode (*easy_getinfo)(CURL* easy, CURLINFO info, ...);
  void (*easy_cleanup)(CURL* easy);
  CURLcode (*easy_pause)(CURL* easy, int bitmask);
  CURLM* (*multi_init)();
  CURLMcode (*multi_add_handle)(CURLM* multi, CURL* easy);
  CURLMcode (*multi_remove_handle)(CURLM* multi, CURL* easy);
  CURLMcode (*multi_cleanup)(CURLM* multi);
  CURLMcode (*multi_perform)(CURLM* multi, int* running);
  CURLMsg* (*multi_info_read)(CURLM* multi, int* left);
  CURLMcode (*multi_poll)(CURLM* multi, curl_waitfd* fds, unsigned count, int timeoutMs,
                          int* ready);
  CURLMcode (*multi_wakeup)(CURLM* multi);
  curl_slist* (*slist_append)(curl_slist* list, const char* text);
  void (*slist_free_all)(curl_slist* list);
};

std::once_flag g_curlOnce;
CurlLibrary g_curl;
bool g_curlLoaded = false;  // written once, under g_curlOnce

template <typename F>
bool Bind(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(dlsym(library, name));
  return out != nullptr;
}

// Loads libcurl and initialises it, once per process; false when the library
// or one of its functions is missing (every request then fails to send).
bool LoadCurl() {
  std::call_once(g_curlOnce, [] {
    // The library stays loaded for the rest of the process.
    void* library = dlopen(VEXA_LIBCURL_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    CurlLibrary& c = g_curl;
    const bool bound =
        Bind(library, "curl_global_init", c.global_init) &&
        Bind(library, "curl_easy_init", c.easy_init) &&
        Bind(library, "curl_easy_setopt", c.easy_setopt) &&
        Bind(library, "curl_easy_getinfo", c.easy_getinfo) &&
        Bind(library, "curl_easy_cleanup", c.easy_cleanup) &&
        Bind(library, "curl_easy_pause", c.easy_pause) &&
        Bind(library, "curl_multi_init", c.multi_init) &&
        Bind(library, "curl_multi_add_handle", c.multi_add_handle) &&
        Bind(library, "curl_multi_remove_handle", c.multi_remove_handle) &&
        Bind(library, "curl_multi_cleanup", c.multi_cleanup) &&
        Bind(library, "curl_multi_perform", c.multi_perform) &&
        Bind(library, "curl_multi_info_read", c.multi_info_read) &&
        Bind(library, "curl_multi_poll", c.multi_poll) &&
        Bind(library, "curl_multi_wakeup", c.multi_wakeup) &&
        Bind(library, "curl_slist_append", c.slist_append) &&
        Bind(library, "curl_slist_free_all", c.slist_free_all);
    if (!bound || c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return;
    g_curlLoaded = true;
  });
  return g_curlLoaded;
}

// The loaded library: only called where a transfer exists, so after LoadCurl
// succeeded.
const CurlLibrary& Lib() { return g_curl; }

// What a request shares with the thread that may cancel it.
struct CancelState {
  std::atomic<bool> cancelled{false};
  std::mutex lock;        // guards multi against a wake-up while it is being published
  CURLM* multi = nullptr;  // set once the transfer exists
};

// This backend's handle behind pf::HInternet.
struct CurlHandle {
  enum Kind { kInternet, kConnection, kRequest } kind = kInternet;
  std::string agent;
  std::string host;
  uint16_t port = 0;
  bool secure = false;
  std::string userName;
  std::string password;

  // Request state.
  std::string verb;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;  // name, value
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headerList = nullptr;
  bool sent = false;
  bool headersDone = false;  // the final answer's header block has arrived
  bool locationSeen = false;
  bool finished = false;
  CURLcode result = CURLE_OK;
  bool paused = false;
  std::vector<uint8_t> staged;  // one receive buffer libcurl delivered, not yet all read
  size_t stagedOffset = 0;
  std::shared_ptr<CancelState> cancel;  // requests only
};

CurlHandle* H(HInternet h) { return reinterpret_cast<CurlHandle*>(h); }

std::mutex g_testAuthorityLock;
std::string g_testAuthority;  // guarded by g_testAuthorityLock
HInternet Out(CurlHandle* h) { return reinterpret_cast<HInternet>(h); }

}  // namespace

namespace {

constexpr long kMaxRedirects = 10;
constexpr long kStallSeconds = 60;
// libcurl's receive buffer: the most this backend holds between two reads.
// The worker still reads 10240 bytes at a time; a 64 KiB buffer behind it
// lets libcurl fill it with far fewer socket reads and callbacks (on loopback
// a 10240-byte buffer reaches about 0.8 of the curl tool's throughput).
constexpr long kReceiveChunk = 64 * 1024;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b &&
         (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n'))
    --e;
  return text.substr(b, e - b);
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* h = static_cast<CurlHandle*>(user);
  const size_t n = size * count;
  const std::string line(data, n);
  if (line.compare(0, 5, "HTTP/") == 0) {
    h->locationSeen = false;
  } else if (Lower(line.substr(0, 9)) == "location:") {
    h->locationSeen = true;
  } else if (line == "\r\n" || line == "\n") {
    long code = 0;
    Lib().easy_getinfo(h->easy, CURLINFO_RESPONSE_CODE, &code);
    const bool interim = code >= 100 && code < 200;
    const bool followed = h->locationSeen &&
                          (code == 301 || code == 302 || code == 303 || code == 307 || code == 308);
    if (!interim && !followed) h->headersDone = true;
  }
  return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* h = static_cast<CurlHandle*>(user);
  const size_t n = size * count;
  // Hold at most the one delivery that waits to be read: libcurl keeps the rest.
  if (h->stagedOffset < h->staged.size()) {
    h->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  h->staged.assign(reinterpret_cast<uint8_t*>(data), reinterpret_cast<uint8_t*>(data) + n);
  h->stagedOffset = 0;
  return n;
}

bool Cancelled(const CurlHandle* h) { return h->cancel && h->cancel->cancelled.load(); }

// libcurl's progress callback: a cancelled request aborts its transfer.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return Cancelled(static_cast<CurlHandle*>(user)) ? 1 : 0;
}

// Runs the transfer until done() holds, it has finished, or the request was
// cancelled (the cancelling thread wakes the poll).
void Pump(CurlHandle* h, bool (*done)(CurlHandle*)) {
  while (!done(h) && !h->finished) {
    if (Cancelled(h)) {
      h->finished = true;
      h->result = CURLE_ABORTED_BY_CALLBACK;
      return;
    }
    int running = 0;
    Lib().multi_perform(h->multi, &running);
    int left = 0;
    while (CURLMsg* msg = Lib().multi_info_read(h->multi, &left)) {
      if (msg->msg == CURLMSG_DONE) {
        h->finished = true;
        h->result = msg->data.result;
      }
    }
    if (done(h) || h->finished) return;
    Lib().multi_poll(h->multi, nullptr, 0, 1000, nullptr);
  }
}

bool HeadersDone(CurlHandle* h) { return h->headersDone; }
bool ChunkStaged(CurlHandle* h) { return h->stagedOffset < h->staged.size(); }

}  // namespace

CurlHttp::CurlHttp() = default;

void CurlHttp::SetCertificateAuthorityFileForTest(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_testAuthorityLock);
  g_testAuthority = path;
}

bool CurlHttp::CrackUrl(const std::wstring& url, UrlParts& out) { return SplitUrl(url, out); }

HInternet CurlHttp::Open(const std::wstring& agent) {
  auto* h = new CurlHandle;
  h->agent = ToUtf8(agent);
  return Out(h);
}

HInternet CurlHttp::Connect(HInternet internetHandle, const std::wstring& host, uint16_t port,
                            const std::wstring& userName, const std::wstring& password) {
  CurlHandle* internet = H(internetHandle);
  if (!internet || internet->kind != CurlHandle::kInternet || host.empty()) return nullptr;
  auto* h = new CurlHandle;
  h->kind = CurlHandle::kConnection;
  h->agent = internet->agent;
  h->host = ToUtf8(host);
  h->port = port;
  h->userName = ToUtf8(userName);
  h->password = ToUtf8(password);
  return Out(h);
}

HInternet CurlHttp::OpenRequest(HInternet connectionHandle, const std::wstring& verb,
                                const std::wstring& path, bool secure) {
  CurlHandle* connection = H(connectionHandle);
  if (!connection || connection->kind != CurlHandle::kConnection || verb.empty()) return nullptr;
  auto* h = new CurlHandle(*connection);
  h->kind = CurlHandle::kRequest;
  h->secure = secure;
  h->verb = ToUtf8(verb);
  h->target = EncodeRequestTarget(path);
  h->cancel = std::make_shared<CancelState>();
  return Out(h);
}

bool CurlHttp::AddRequestHeaders(HInternet requestHandle, const std::wstring& line) {
  CurlHandle* request = H(requestHandle);
  if (!request || request->kind != CurlHandle::kRequest || request->sent) return false;
  const std::string text = Trim(ToUtf8(line));
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  const std::string name = Trim(text.substr(0, colon));
  const std::string value = Trim(text.substr(colon + 1));
  // Add or replace: a header of the same name takes the new value.
  for (auto& header : request->headers) {
    if (Lower(header.first) == Lower(name)) {
      header.second = value;
      return true;
    }
  }
  request->headers.emplace_back(name, value);
  return true;
}

bool CurlHttp::SetCookie(const std::wstring& url, const std::wstring& data) {
  UrlParts parts;
  if (!SplitUrl(url, parts)) return false;
  std::string path = EncodeRequestTarget(parts.path);
  path = path.substr(0, path.find_first_of("?#"));
  path = path.substr(0, path.rfind('/') + 1);
  Cookie cookie{Lower(ToUtf8(parts.host)), path, ToUtf8(data)};
  std::lock_guard<std::mutex> hold(cookieLock_);
  for (auto& c : cookies_) {
    if (c.host == cookie.host && c.path == cookie.path) {
      c.data = cookie.data;
      return true;
    }
  }
  cookies_.push_back(cookie);
  return true;
}

std::string CurlHttp::CookiesFor(const std::string& host, const std::string& target) {
  std::lock_guard<std::mutex> hold(cookieLock_);
  std::string value;
  for (const auto& c : cookies_) {
    if (c.host != Lower(host) || target.compare(0, c.path.size(), c.path) != 0 || c.data.empty())
      continue;
    if (!value.empty()) value += "; ";
    value += c.data;
  }
  return value;
}

bool CurlHttp::SendRequest(HInternet requestHandle, const uint8_t* body, uint32_t length) {
  CurlHandle* request = H(requestHandle);
  if (!request || request->kind != CurlHandle::kRequest || request->sent) return false;
  CurlHandle* h = request;
  h->sent = true;
  if (!LoadCurl()) return false;
  h->easy = Lib().easy_init();
  h->multi = Lib().multi_init();
  if (!h->easy || !h->multi) return false;
  const std::string url = (h->secure ? "https://" : "http://") + h->host + ":" +
                          std::to_string(h->port) + h->target;
  CURL* e = h->easy;
  Lib().easy_setopt(e, CURLOPT_URL, url.c_str());
  Lib().easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
  // A secure request stays secure: no redirect may lead it to plain http.
  Lib().easy_setopt(e, CURLOPT_PROTOCOLS_STR, h->secure ? "https" : "http,https");
  Lib().easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, h->secure ? "https" : "http,https");
  Lib().easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  Lib().easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  {
    std::lock_guard<std::mutex> hold(g_testAuthorityLock);
    if (!g_testAuthority.empty()) Lib().easy_setopt(e, CURLOPT_CAINFO, g_testAuthority.c_str());
  }
  Lib().easy_setopt(e, CURLOPT_USERAGENT, h->agent.c_str());
  Lib().easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  Lib().easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  Lib().easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
  Lib().easy_setopt(e, CURLOPT_CONNECTTIMEOUT, kStallSeconds);
  Lib().easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  Lib().easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  Lib().easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveChunk);
  if (!h->userName.empty()) Lib().easy_setopt(e, CURLOPT_USERNAME, h->userName.c_str());
  if (!h->password.empty()) Lib().easy_setopt(e, CURLOPT_PASSWORD, h->password.c_str());
  Lib().easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
  Lib().easy_setopt(e, CURLOPT_HEADERDATA, h);
  Lib().easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBody);
  Lib().easy_setopt(e, CURLOPT_WRITEDATA, h);
  Lib().easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  Lib().easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  Lib().easy_setopt(e, CURLOPT_XFERINFODATA, h);
  if (h->verb == "POST") {
    Lib().easy_setopt(e, CURLOPT_POST, 1L);
    Lib().easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
    // The body stays with the caller's task for the whole transfer.
    static const char kEmpty[] = "";
    Lib().easy_setopt(e, CURLOPT_POSTFIELDS, body ? reinterpret_cast<const char*>(body) : kEmpty);
  } else if (h->verb == "GET") {
    Lib().easy_setopt(e, CURLOPT_HTTPGET, 1L);
  } else {
    Lib().easy_setopt(e, CURLOPT_CUSTOMREQUEST, h->verb.c_str());
  }
  // WinINet sends no "Expect: 100-continue"; the added lines replace libcurl's own.
  h->headerList = Lib().slist_append(h->headerList, "Expect:");
  for (const auto& header : h->headers)
    h->headerList = Lib().slist_append(h->headerList, (header.first + ": " + header.second).c_str());
  Lib().easy_setopt(e, CURLOPT_HTTPHEADER, h->headerList);
  const std::string cookies = CookiesFor(h->host, h->target);
  if (!cookies.empty()) Lib().easy_setopt(e, CURLOPT_COOKIE, cookies.c_str());

  if (Lib().multi_add_handle(h->multi, e) != CURLM_OK) return false;
  {
    // From here a cancel wakes the transfer's poll.
    std::lock_guard<std::mutex> hold(h->cancel->lock);
    h->cancel->multi = h->multi;
  }
  if (Cancelled(h)) return false;
  Pump(h, &HeadersDone);
  if (Cancelled(h)) return false;
  if (h->finished && h->result != CURLE_OK && !h->headersDone) return false;
  if (h->finished && h->result == CURLE_OK) h->headersDone = true;
  return h->headersDone;
}

bool CurlHttp::QueryStatusCode(HInternet requestHandle, uint32_t& out) {
  CurlHandle* request = H(requestHandle);
  if (!request || !request->easy || !request->headersDone) return false;
  long code = 0;
  if (Lib().easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK || code <= 0)
    return false;
  out = static_cast<uint32_t>(code);
  return true;
}

bool CurlHttp::QueryContentLength(HInternet requestHandle, uint32_t& out) {
  CurlHandle* request = H(requestHandle);
  if (!request || !request->easy || !request->headersDone) return false;
  curl_off_t length = -1;
  if (Lib().easy_getinfo(request->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
    return false;
  if (length < 0 || length > static_cast<curl_off_t>(UINT32_MAX)) return false;
  out = static_cast<uint32_t>(length);
  return true;
}

bool CurlHttp::ReadFile(HInternet requestHandle, uint8_t* buffer, uint32_t size, uint32_t& read) {
  CurlHandle* request = H(requestHandle);
  read = 0;
  if (!request || !request->easy || !request->headersDone || Cancelled(request)) return false;
  CurlHandle* h = request;
  while (read < size) {
    if (ChunkStaged(h)) {
      const size_t n = std::min<size_t>(size - read, h->staged.size() - h->stagedOffset);
      std::memcpy(buffer + read, h->staged.data() + h->stagedOffset, n);
      h->stagedOffset += n;
      read += static_cast<uint32_t>(n);
      continue;
    }
    if (h->finished) {
      if (h->result != CURLE_OK || Cancelled(h)) return false;
      break;  // the body has ended
    }
    if (h->paused) {
      h->paused = false;
      Lib().easy_pause(h->easy, CURLPAUSE_CONT);  // may deliver the held chunk at once
      continue;
    }
    Pump(h, &ChunkStaged);
  }
  return true;
}

void CurlHttp::CancelRequest(HInternet requestHandle) {
  CurlHandle* request = H(requestHandle);
  if (!request || request->kind != CurlHandle::kRequest || !request->cancel) return;
  CancelState& cancel = *request->cancel;
  cancel.cancelled = true;
  std::lock_guard<std::mutex> hold(cancel.lock);
  if (cancel.multi) Lib().multi_wakeup(cancel.multi);
}

void CurlHttp::CloseHandle(HInternet handle) {
  CurlHandle* h = H(handle);
  if (!h) return;
  if (h->cancel) {
    std::lock_guard<std::mutex> hold(h->cancel->lock);
    h->cancel->multi = nullptr;
  }
  if (h->multi && h->easy) Lib().multi_remove_handle(h->multi, h->easy);
  if (h->easy) Lib().easy_cleanup(h->easy);
  if (h->multi) Lib().multi_cleanup(h->multi);
  if (h->headerList) Lib().slist_free_all(h->headerList);
  delete h;
}

HTargetFile CurlHttp::CreateFile(const std::wstring& path) { return PosixCreateTargetFile(path); }

bool CurlHttp::WriteFile(HTargetFile file, const uint8_t* bytes, uint32_t size) {
  return PosixWriteTargetFile(file, bytes, size);
}

bool CurlHttp::CloseFile(HTargetFile file) { return PosixCloseTargetFile(file); }

}  // namespace pf
