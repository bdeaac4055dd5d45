// Addresses on the platform's hosts.
#pragma once

#include <string>

#include "deploy/deployment.h"

namespace deploy {

// "http://" + the role's host + pathAndQuery (which starts with "/").
inline std::wstring Url(HostRole role, const std::wstring& pathAndQuery) {
  return std::wstring(L"http://") + HostOf(role) + pathAndQuery;
}

}  // namespace deploy
