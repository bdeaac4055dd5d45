// Pieces of the HTTP client shared by the libcurl and fake backends: the URL
// split with WinINet's buffer limits, the request target as it goes on the
// wire, and the target file on POSIX.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The target file on POSIX, made fresh with mode 0600.  Pieces are gathered
// up to kTargetFileHold bytes and written together: one write system call per
// 10240-byte piece costs more than the copy (a loopback download spent about
// a third of its CPU time in them).  A write error shows at the write that
// meets it: a later WriteFile or the close, which then reports false.
struct TargetFile {
  int fd = -1;
  std::vector<uint8_t> held;  // written, not yet passed to the file
};
HTargetFile PosixCreateTargetFile(const std::wstring& path);
bool PosixWriteTargetFile(HTargetFile file, const uint8_t* bytes, uint32_t size);
bool PosixCloseTargetFile(HTargetFile file);

}  // namespace pf
