// The HTTP client and the target file of one download attempt, in WinINet's
// terms: one operation per call the attempt makes.
//
// Handles: an Internet handle (Open), a connection (Connect) and a request
// (OpenRequest); each is closed with CloseHandle, the request first.  A handle
// belongs to the thread that opened it; two threads may run attempts at once
// with their own handles.  The one exception is CancelRequest, which another
// thread calls to end a request its owner may be blocked on.  The cookie store
// is process-wide and thread-safe.
#pragma once

#include <cstdint>
#include <string>

#include "platform/operations.h"

namespace pf {

struct InternetHandle;  // never defined: each backend casts its own handle type
using HInternet = InternetHandle*;
struct TargetFile;  // defined (or cast to) by the backend
using HTargetFile = TargetFile*;
// The most a backend holds of what was written to a target file.
constexpr uint32_t kTargetFileHold = 64 * 1024;

// The parts of a URL that InternetCrackUrlW gives with component buffers of
// 1024 (host), 256 (user name, password) and 2048 (path) units.
struct UrlParts {
  std::wstring host;
  uint16_t port = 0;
  std::wstring userName;
  std::wstring password;
  std::wstring path;    // the query (and anything after it) stays part of the path
  bool secure = false;  // https: TLS, the server's certificate verified
};

// Component limits, in characters (the buffer size less its terminator).
constexpr size_t kUrlHostMax = 1023;
constexpr size_t kUrlUserMax = 255;
constexpr size_t kUrlPasswordMax = 255;
constexpr size_t kUrlPathMax = 2047;

// The operations of the HTTP client (see operations.h).
#define PF_HTTP_OPERATIONS(X)                                                                   \
  /* InternetCrackUrlW(url, length, 0, components): false when the URL cannot be */             \
  /* split or a part does not fit its buffer. */                                                \
  X(bool, CrackUrl, (const std::wstring& url, UrlParts& out))                                   \
  /* InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, no proxy, no bypass, 0). */             \
  X(HInternet, Open, (const std::wstring& agent))                                               \
  /* InternetConnectW(internet, host, port, user, password, INTERNET_SERVICE_HTTP, 0, 0). */    \
  X(HInternet, Connect,                                                                         \
    (HInternet internet, const std::wstring& host, uint16_t port, const std::wstring& userName, \
     const std::wstring& password))                                                             \
  /* HttpOpenRequestW(connection, verb, path, default version, no referrer, */                  \
  /* no accept types, flags, 0): flags 0, or INTERNET_FLAG_SECURE for a */                      \
  /* secure request.  A secure request verifies the server's certificate */                     \
  /* against the system's authorities (there is no switch to skip that) and */                  \
  /* never follows a redirect to plain http. */                                                 \
  X(HInternet, OpenRequest,                                                                     \
    (HInternet connection, const std::wstring& verb, const std::wstring& path, bool secure))    \
  /* HttpAddRequestHeadersW(request, line, length, HTTP_ADDREQ_FLAG_ADD | */                    \
  /* HTTP_ADDREQ_FLAG_REPLACE); the line ends in "\r\n". */                                     \
  X(bool, AddRequestHeaders, (HInternet request, const std::wstring& line))                     \
  /* InternetSetCookieW(url, no name, data). */                                                 \
  X(bool, SetCookie, (const std::wstring& url, const std::wstring& data))                       \
  /* HttpSendRequestW(request, no headers, body, length); body null and 0 for a GET. */         \
  X(bool, SendRequest, (HInternet request, const uint8_t* body, uint32_t length))               \
  /* HttpQueryInfoW with HTTP_QUERY_FLAG_NUMBER: the status code. */                            \
  X(bool, QueryStatusCode, (HInternet request, uint32_t & out))                                 \
  /* HttpQueryInfoW with HTTP_QUERY_FLAG_NUMBER: Content-Length; false when the */              \
  /* answer has none (a chunked answer, for example). */                                        \
  X(bool, QueryContentLength, (HInternet request, uint32_t & out))                              \
  /* InternetReadFile: waits until size bytes arrived or the body ended; */                     \
  /* read = 0 with true means the body has ended. */                                            \
  X(bool, ReadFile, (HInternet request, uint8_t * buffer, uint32_t size, uint32_t & read))      \
  /* InternetCloseHandle. */                                                                    \
  X(void, CloseHandle, (HInternet handle))                                                      \
  /* Ends a request from another thread: a SendRequest or ReadFile blocked on */                \
  /* it returns false promptly, and every later call on it fails.  The owner */                 \
  /* still closes it with CloseHandle.  The caller makes sure the owner has */                  \
  /* not closed it yet (WinINet: InternetCloseHandle from the stopping side). */                \
  X(void, CancelRequest, (HInternet request))                                                   \
  /* CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, none, CREATE_ALWAYS, 0, none). */       \
  X(HTargetFile, CreateFile, (const std::wstring& path))                                        \
  /* WriteFile of the whole chunk; false unless every byte was written.  A */                   \
  /* backend may hold what was written (up to kTargetFileHold bytes) and write */               \
  /* it out with the next pieces or at CloseFile. */                                            \
  X(bool, WriteFile, (HTargetFile file, const uint8_t* bytes, uint32_t size))                   \
  /* CloseHandle; false when the file could not be completed (bytes a */                        \
  /* backend still held could not be written, or the close itself failed). */                   \
  X(bool, CloseFile, (HTargetFile file))

class Http {
 public:
  virtual ~Http() = default;
  PF_HTTP_OPERATIONS(PF_PURE_VIRTUAL)
};

}  // namespace pf
