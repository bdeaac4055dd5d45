// A scriptable HTTP/1.1 server on 127.0.0.1 for the transfer tests and the
// benchmark.  Each connection carries one request and is served on its own
// thread; every request is recorded with its headers and body.
//
// A test routes a path (with or without its query) to a handler that returns
// the reply: status, headers, a body sent with or without Content-Length or
// chunked, a declared length longer than the body (cut short), a body sent in
// slow pieces, or a large generated body.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/socket_shim.h"

namespace testsupport {

struct HttpRequest {
  std::string method;
  std::string target;  // as on the request line
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::chrono::steady_clock::time_point received;
  // The first header of that name (case-insensitive), or empty.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

struct HttpReply {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  bool sendLength = true;       // a Content-Length header
  int64_t declaredLength = -1;  // the Content-Length sent when >= 0 (else the body's size)
  bool chunked = false;         // Transfer-Encoding: chunked
  size_t pieceSize = 0;         // > 0: the body goes out in pieces of this size ...
  int pieceDelayMs = 0;         // ... with this pause before each
  uint64_t generatedSize = 0;   // > 0: a body of this many pattern bytes instead of body
  std::string raw{};            // not empty: these bytes as they are, instead of a reply
  int holdOpenMs = 0;           // after the reply, keep the connection open this long
};

// The pattern byte at an offset of a generated body.
inline char GeneratedByte(uint64_t offset) { return static_cast<char>('a' + offset % 23); }

class HttpTestServer {
 public:
  using Handler = std::function<HttpReply(const HttpRequest&)>;

  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  bool ok() const { return listener_ != sock::kInvalid; }
  uint16_t port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string Url(const std::string& path) const;
  std::wstring WUrl(const std::string& path) const;

  // Routes the exact target, or (when no exact route matches) the path
  // without its query.  Unrouted requests get 404.
  void Route(const std::string& target, Handler handler);
  void Route(const std::string& target, HttpReply reply);

  std::vector<HttpRequest> Requests();
  // Waits until n requests have arrived; false on time-out.
  bool WaitForRequests(size_t n, std::chrono::milliseconds timeout);
  // Connections whose reply is still being sent.
  int ActiveReplies() const { return active_.load(); }

 private:
  void AcceptLoop();
  void Serve(sock::Socket s);
  bool SendReply(sock::Socket s, const HttpReply& reply);
  bool SendReplyBytes(sock::Socket s, const HttpReply& reply);

  sock::Socket listener_ = sock::kInvalid;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> active_{0};
  std::thread acceptor_;
  std::mutex lock_;
  std::condition_variable arrived_;
  std::map<std::string, Handler> routes_;
  std::vector<HttpRequest> requests_;
  std::vector<std::thread> connections_;
};

}  // namespace testsupport
