// The HTTP client of the Linux build: libcurl behind WinINet's operations.
//
// Supports: plain HTTP with user name and password from the URL, the proxy
// of the environment, redirects followed (up to 10), the status and the
// Content-Length known once the final answer's headers arrived (before any
// body byte is handed out), the body handed out in reads of the size asked
// for while libcurl is paused whenever one of its deliveries (64 KiB at
// most) waits unread, so no more than that one receive buffer is held;
// request targets percent-encoded the way WinINet sends them; and a
// process-wide store of nameless cookies sent back to their host and path.
// Stalled transfers fail after 60 s without a byte, or at once when another
// thread cancels the request.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/http.h"

namespace pf {

class CurlHttp : public Http {
 public:
  CurlHttp();
  // CancelRequest raises the request's cancel flag and wakes its transfer:
  // the progress callback and the transfer loop both end it at once.
  PF_HTTP_OPERATIONS(PF_OVERRIDE)

  // The tests' own certificate authority, used instead of the system's for
  // secure requests (verification stays on); empty: the system's.
  static void SetCertificateAuthorityFileForTest(const std::string& path);

 private:
  // The "Cookie" header value for a request, or empty.
  std::string CookiesFor(const std::string& host, const std::string& target);

  struct Cookie {
    std::string host;  // lower case
    std::string path;  // the URL's folder, ending in "/"
    std::string data;
  };
  std::mutex cookieLock_;
  std::vector<Cookie> cookies_;
};

}  // namespace pf
