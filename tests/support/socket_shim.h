// The few socket calls the loopback test server needs, over POSIX sockets
// (socket_shim_posix.cpp) or Winsock (socket_shim_win32.cpp); CMake picks one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace testsupport {
namespace sock {

using Socket = intptr_t;
constexpr Socket kInvalid = -1;

// Starts the socket library once (WSAStartup on Windows).
bool Init();
// A socket listening on 127.0.0.1 at a free port, which is returned in port.
Socket ListenLoopback(uint16_t& port);
Socket Accept(Socket listener);
// Connects to 127.0.0.1:port (used to wake a blocked Accept).
Socket ConnectLoopback(uint16_t port);
// Receives up to size bytes; 0 at the end, negative on failure or time-out.
long Recv(Socket s, char* buffer, size_t size);
// Sends every byte; false when the peer is gone.
bool SendAll(Socket s, const char* data, size_t size);
// A receive time limit for the socket.
void SetRecvTimeout(Socket s, int milliseconds);
void Close(Socket s);

}  // namespace sock
}  // namespace testsupport
