// The fake HTTP client and process starter: scripted answers, recorded calls.
//
// Answers are looked up by the request path (query included), then by "*".
// Bodies are handed out as a server on loopback would: a read returns as many
// bytes as asked while there are any.  Target files are real files.
// A stalling answer blocks its send or read until the request is cancelled,
// like a server that stops sending.  Thread-safe: two download workers may
// use it at once, and another thread may cancel their requests.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/http.h"
#include "platform/process.h"

namespace pf {

class FakeHttp : public Http {
 public:
  struct Answer {
    bool sendFails = false;
    bool noStatus = false;
    uint32_t status = 200;
    bool hasContentLength = true;  // false: like a chunked answer
    int64_t contentLength = -1;    // -1: the body's size
    std::string body;
    int64_t readFailsAt = -1;  // a read that would pass this offset fails
    bool sendStalls = false;   // the send waits until the request is cancelled
    int64_t readStallsAt = -1;  // a read that would pass this offset waits likewise
  };
  struct Request {
    std::wstring host;
    uint16_t port = 0;
    std::wstring userName;
    std::wstring password;
    std::wstring verb;
    std::wstring path;
    std::vector<std::wstring> headers;  // lines as added
    std::string body;
    bool sent = false;
  };

  // Scripting (set before the attempts run, or under Lock()).
  std::map<std::wstring, Answer> answers;
  bool crackFails = false;
  bool openFails = false;
  bool connectFails = false;
  bool openRequestFails = false;
  bool addHeaderFails = false;
  bool createFileFails = false;
  int writeFailsAtCall = -1;  // the n-th WriteFile (0-based) of the process fails
  bool closeFileFails = false;  // CloseFile reports the file incomplete
  // Called with the operation's name ("Open", "Connect", "OpenRequest", "Send",
  // "Read", ...) after it ran, outside the lock; tests raise stop flags here.
  std::function<void(const std::string&)> onCall;

  // Observations.
  std::vector<Request> Requests();
  std::vector<std::pair<std::wstring, std::wstring>> Cookies();  // (url, data)
  std::vector<uint32_t> ReadSizes();  // bytes returned by each read, in order
  std::vector<std::string> Calls();   // operation names in order
  int OpenHandles();                  // handles opened and not closed
  int Stalled();                      // calls waiting in a stall now
  // Drops what was observed so far (requests, cookies, read sizes, calls),
  // for a process that runs many attempts and checks each on its own; only
  // while no handle is open, since an open request indexes its record.
  // False, and nothing dropped, while a handle is open.
  bool ForgetObservations();

  PF_HTTP_OPERATIONS(PF_OVERRIDE)

  std::wstring agent;  // the last agent name given to Open

 private:
  void Note(const std::string& call);
  const Answer* Find(const std::wstring& path) const;

  bool Cancelled(const void* request);
  // Waits under the lock until the request is cancelled.
  void StallUntilCancelled(std::unique_lock<std::mutex>& hold, const void* request);

  std::mutex lock_;
  std::condition_variable cancelled_;
  int stalled_ = 0;
  std::vector<Request> requests_;
  std::vector<std::pair<std::wstring, std::wstring>> cookies_;
  std::vector<uint32_t> readSizes_;
  std::vector<std::string> calls_;
  int openHandles_ = 0;
  int writes_ = 0;
};

class FakeProcesses : public Processes {
 public:
  bool elevated = false;
  bool createFails = false;
  bool shellFails = false;  // e.g. the user declined the elevation
  struct Start {
    std::string how;  // "CreateProcess" or "ShellExecute"
    std::wstring verb;
    std::wstring file;
    std::wstring arguments;
    uint32_t creationFlags = 0;
    int showCommand = 0;
  };
  std::vector<Start> Starts();

  PF_PROCESS_OPERATIONS(PF_OVERRIDE)

 private:
  std::mutex lock_;
  std::vector<Start> starts_;
};

}  // namespace pf
