#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/socket_shim.h"

namespace testsupport {
namespace sock {

bool Init() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

Socket ListenLoopback(uint16_t& port) {
  Init();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kInvalid;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  int len = sizeof addr;
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 64) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::closesocket(s);
    return kInvalid;
  }
  port = ntohs(addr.sin_port);
  return static_cast<Socket>(s);
}

Socket Accept(Socket listener) {
  const SOCKET s = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return kInvalid;
  BOOL yes = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
  return static_cast<Socket>(s);
}

Socket ConnectLoopback(uint16_t port) {
  Init();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kInvalid;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::closesocket(s);
    return kInvalid;
  }
  return static_cast<Socket>(s);
}

long Recv(Socket s, char* buffer, size_t size) {
  return ::recv(static_cast<SOCKET>(s), buffer, static_cast<int>(size), 0);
}

bool SendAll(Socket s, const char* data, size_t size) {
  while (size > 0) {
    const int chunk = size > 65536 ? 65536 : static_cast<int>(size);
    const int n = ::send(static_cast<SOCKET>(s), data, chunk, 0);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void SetRecvTimeout(Socket s, int milliseconds) {
  DWORD ms = static_cast<DWORD>(milliseconds);
  ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms),
               sizeof ms);
}

void Close(Socket s) {
  if (s != kInvalid) ::closesocket(static_cast<SOCKET>(s));
}

}  // namespace sock
}  // namespace testsupport
