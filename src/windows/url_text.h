// The URL operations of the client windows: plain text functions with no
// platform behind them.
#pragma once

#include <string>

namespace windows {

// The value of the first "name=" anywhere in the URL (a plain substring
// search, so it also matches inside a longer parameter name), up to the next
// "&" or the end; empty when there is none.
std::wstring GetUrlParam(const std::wstring& url, const std::wstring& name);

// Decodes bytes from first to last: "+" is a space, "%" with two hexadecimal
// digits is that byte, any other "%" stays; the result ends at the first NUL
// byte, also one produced by "%00".
std::string UrlDecode(const std::string& text);

// A query value for an address: the text as UTF-8, with every byte but ASCII
// letters, digits and "-._~" written as "%" and two upper-case hex digits.
std::wstring EncodeQueryValue(const std::wstring& value);

// True for an address that starts with "http://" or "https://" (any case).
bool IsHttpUrl(const std::wstring& url);

// The text without CR, LF and NUL characters, so that it stays on one line of
// a settings file.
std::wstring OneLine(const std::wstring& text);

}  // namespace windows
