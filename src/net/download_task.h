// One HTTP request of the download queue, its completion callback and its results.
#pragma once

#include <cstdint>
#include <string>

#include "platform/crypto.h"

namespace net {

// Result of one attempt.
enum DownloadResult : int32_t {
  DL_OK = 0,
  DL_CANCELLED = -1,           // the worker's stop flag was seen at a check point
  DL_NO_CONNECTION = -2,       // opening the Internet handle or the connection failed
  DL_REQUEST_FAILED = -3,      // opening the request, adding a header or sending failed
  DL_BAD_RESPONSE = -4,        // no status, status >= 400, or (file wanted) no Content-Length
  DL_FILE_CREATE_FAILED = -5,  // creating the target file failed
  DL_READ_FAILED = -6,         // reading the body failed, or it ended early
  DL_FILE_WRITE_FAILED = -7,   // writing to the file failed
  DL_DIGEST_MISMATCH = -8,     // the body's SHA-256 is not the one the task expects
};

// Third argument of the callback.
enum DownloadEvent : int32_t {
  DL_EVENT_STARTED = 1,   // value 0, extra 0
  DL_EVENT_PROGRESS = 2,  // value 0, extra = percent 0..100
  DL_EVENT_FINISHED = 3,  // value = result of the last attempt, extra = the task (valid during the call)
};

// (user data, tag, event, value, extra); runs on a worker thread; the result is ignored.
using DownloadCallback = int32_t (*)(uintptr_t userData, int32_t tag, int32_t event,
                                     int32_t value, uintptr_t extra);

// The cap on a response body when the task names none: generous enough for
// any package the platform ships, small enough that a hostile server cannot
// fill the disk.
constexpr uint64_t kDefaultMaxBytes = 256ull * 1024 * 1024;
// The cap for small answers: the version file and the ping answers.
constexpr uint64_t kSmallAnswerMaxBytes = 64ull * 1024;

struct DownloadTask {
  std::wstring url;        // scheme http, host, optional port, path and query
  std::wstring filePath;   // empty: the body is not read; else the file, or the folder (flags)
  const uint8_t* body = nullptr;  // present: POST with these bytes; absent: GET
  int32_t bodyLength = 0;         // a body is carried only when positive
  int32_t retryCount = 0;         // further attempts after a failed one
  DownloadCallback callback = nullptr;
  uintptr_t userData = 0;
  int32_t tag = 0;
  bool appendUrlName = false;     // filePath is a folder; the name is the URL's last segment
  bool uniqueName = false;        // filePath is a folder; the name is a GUID + "_" + last segment
  bool deleteOnFailure = false;   // the worker deletes the file when the task fails or stops
  // The page handed over to the platform's browser: a GET sends it as its
  // Referer and, with plantCookie, stores the MAC-digest cookie for it.  Set
  // when the task is made; no shared state is read when it runs.
  std::wstring referer;
  bool plantCookie = false;
  // Most body bytes accepted; 0 means kDefaultMaxBytes.  A larger announced
  // length fails before the file is created.
  uint64_t maxBytes = 0;
  // With checkSha256 the body is written to filePath + ".partial" and becomes
  // filePath only when its SHA-256 is sha256; the partial file never stays.
  bool checkSha256 = false;
  pf::Sha256Digest sha256{};
};

}  // namespace net
