// Pieces of the HTTP client shared by the libcurl and fake backends: the URL
// split with WinINet's buffer limits, the request target as it goes on the
// wire, and the target file on POSIX.
#pragma once

#include <cstdint>
#include <string>

#include "platform/http.h"

namespace pf {

// scheme "://" [user [":" password] "@"] host [":" port] [path]; the path is
// everything from the first "/", "?" or "#" after the host on, query
// included.  False when there is no scheme or host, the port is not a number
// from 1 to 65535, or a part is longer than its buffer allows.
bool SplitUrl(const std::wstring& url, UrlParts& out);

// The path as the request line carries it: UTF-8, with blanks, control
// characters, '"', '<', '>', '\\', '^', '`', '{', '|', '}' and every non-ASCII
// byte percent-encoded (what WinINet does with such a path); "/" is put in
// front when the path does not start with one.  Existing escapes are kept.
std::string EncodeRequestTarget(const std::wstring& path);

// The target file on POSIX: created (truncated) for writing with mode 0644.
struct TargetFile {
  int fd = -1;
};
HTargetFile PosixCreateTargetFile(const std::wstring& path);
bool PosixWriteTargetFile(HTargetFile file, const uint8_t* bytes, uint32_t size);
void PosixCloseTargetFile(HTargetFile file);

}  // namespace pf
