#include "support/http_test_server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace testsupport {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 304:
      return "Not Modified";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

}  // namespace

std::string HttpRequest::Header(const std::string& name) const {
  for (const auto& h : headers)
    if (Lower(h.first) == Lower(name)) return h.second;
  return std::string();
}

bool HttpRequest::HasHeader(const std::string& name) const {
  for (const auto& h : headers)
    if (Lower(h.first) == Lower(name)) return true;
  return false;
}

HttpTestServer::HttpTestServer() {
  if (!sock::Init()) return;
  listener_ = sock::ListenLoopback(port_);
  if (listener_ != sock::kInvalid) acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  stopping_ = true;
  if (acceptor_.joinable()) {
    // Wake the blocked accept with a connection of our own.
    sock::Close(sock::ConnectLoopback(port_));
    acceptor_.join();
  }
  sock::Close(listener_);
  std::vector<std::thread> connections;
  {
    std::lock_guard<std::mutex> hold(lock_);
    connections.swap(connections_);
  }
  for (auto& t : connections) t.join();
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::wstring HttpTestServer::WUrl(const std::string& path) const {
  const std::string url = Url(path);
  return std::wstring(url.begin(), url.end());
}

void HttpTestServer::Route(const std::string& target, Handler handler) {
  std::lock_guard<std::mutex> hold(lock_);
  routes_[target] = std::move(handler);
}

void HttpTestServer::Route(const std::string& target, HttpReply reply) {
  Route(target, [reply](const HttpRequest&) { return reply; });
}

std::vector<HttpRequest> HttpTestServer::Requests() {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}

bool HttpTestServer::WaitForRequests(size_t n, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(lock_);
  return arrived_.wait_for(hold, timeout, [&] { return requests_.size() >= n; });
}

void HttpTestServer::AcceptLoop() {
  for (;;) {
    const sock::Socket s = sock::Accept(listener_);
    if (stopping_) {
      sock::Close(s);
      return;
    }
    if (s == sock::kInvalid) return;
    std::lock_guard<std::mutex> hold(lock_);
    connections_.emplace_back([this, s] { Serve(s); });
  }
}

void HttpTestServer::Serve(sock::Socket s) {
  sock::SetRecvTimeout(s, 10000);
  std::string data;
  char buffer[16384];
  size_t headerEnd;
  while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
    const long n = sock::Recv(s, buffer, sizeof buffer);
    if (n <= 0 || data.size() > (1u << 20)) {
      sock::Close(s);
      return;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  HttpRequest request;
  request.received = std::chrono::steady_clock::now();
  const std::string head = data.substr(0, headerEnd);
  size_t lineEnd = head.find("\r\n");
  const std::string requestLine = head.substr(0, lineEnd);
  const size_t sp1 = requestLine.find(' ');
  const size_t sp2 = requestLine.rfind(' ');
  request.method = requestLine.substr(0, sp1);
  if (sp1 != std::string::npos && sp2 > sp1)
    request.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
  while (lineEnd != std::string::npos && lineEnd < head.size()) {
    const size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string line =
        head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t v = colon + 1;
    while (v < line.size() && line[v] == ' ') ++v;
    request.headers.emplace_back(line.substr(0, colon), line.substr(v));
  }
  request.body = data.substr(headerEnd + 4);
  const size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
  while (request.body.size() < length) {
    const long n = sock::Recv(s, buffer, sizeof buffer);
    if (n <= 0) break;
    request.body.append(buffer, static_cast<size_t>(n));
  }

  Handler handler;
  {
    std::lock_guard<std::mutex> hold(lock_);
    requests_.push_back(request);
    auto route = routes_.find(request.target);
    if (route == routes_.end())
      route = routes_.find(request.target.substr(0, request.target.find('?')));
    if (route != routes_.end()) handler = route->second;
  }
  arrived_.notify_all();
  HttpReply reply;
  if (handler) {
    reply = handler(request);
  } else {
    reply.status = 404;
    reply.body = "not found";
  }
  ++active_;
  SendReply(s, reply);
  --active_;
  sock::Close(s);
}

bool HttpTestServer::SendReply(sock::Socket s, const HttpReply& reply) {
  const bool sent = SendReplyBytes(s, reply);
  // A server that neither ends nor closes: hold until the time is up or the
  // server stops.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.holdOpenMs);
  while (!stopping_ && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return sent;
}

bool HttpTestServer::SendReplyBytes(sock::Socket s, const HttpReply& reply) {
  if (!reply.raw.empty()) return sock::SendAll(s, reply.raw.data(), reply.raw.size());
  const uint64_t size = reply.generatedSize ? reply.generatedSize : reply.body.size();
  std::string head =
      "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
  for (const auto& h : reply.headers) head += h.first + ": " + h.second + "\r\n";
  if (reply.chunked) {
    head += "Transfer-Encoding: chunked\r\n";
  } else if (reply.sendLength) {
    head += "Content-Length: " +
            std::to_string(reply.declaredLength >= 0 ? static_cast<uint64_t>(reply.declaredLength)
                                                     : size) +
            "\r\n";
  }
  head += "Connection: close\r\n\r\n";
  if (!sock::SendAll(s, head.data(), head.size())) return false;

  const size_t piece = reply.pieceSize ? reply.pieceSize : 65536;
  std::string pattern;
  if (reply.generatedSize) {
    pattern.resize(piece + 23);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = GeneratedByte(i);
  }
  std::string chunk;
  for (uint64_t offset = 0; offset < size && !stopping_; offset += piece) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece, size - offset));
    if (reply.generatedSize) {
      chunk.assign(pattern, static_cast<size_t>(offset % 23), n);
    } else {
      chunk.assign(reply.body, static_cast<size_t>(offset), n);
    }
    if (reply.pieceDelayMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(reply.pieceDelayMs));
    if (reply.chunked) {
      char size[32];
      std::snprintf(size, sizeof size, "%zx\r\n", n);
      chunk = size + chunk + "\r\n";
    }
    if (!sock::SendAll(s, chunk.data(), chunk.size())) return false;
  }
  if (reply.chunked) return sock::SendAll(s, "0\r\n\r\n", 5);
  return true;
}

}  // namespace testsupport
