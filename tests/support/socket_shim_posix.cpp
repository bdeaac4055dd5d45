#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "support/socket_shim.h"

namespace testsupport {
namespace sock {

bool Init() { return true; }

Socket ListenLoopback(uint16_t& port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return kInvalid;
  int yes = 1;
  ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 64) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(s);
    return kInvalid;
  }
  port = ntohs(addr.sin_port);
  return s;
}

Socket Accept(Socket listener) {
  for (;;) {
    const int s = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (s >= 0) {
      int yes = 1;
      ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
      return s;
    }
    if (errno != EINTR) return kInvalid;
  }
}

Socket ConnectLoopback(uint16_t port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return kInvalid;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(s);
    return kInvalid;
  }
  return s;
}

long Recv(Socket s, char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::recv(static_cast<int>(s), buffer, size, 0);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

bool SendAll(Socket s, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(static_cast<int>(s), data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void SetRecvTimeout(Socket s, int milliseconds) {
  timeval tv{};
  tv.tv_sec = milliseconds / 1000;
  tv.tv_usec = (milliseconds % 1000) * 1000;
  ::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

void Close(Socket s) {
  if (s != kInvalid) ::close(static_cast<int>(s));
}

}  // namespace sock
}  // namespace testsupport
