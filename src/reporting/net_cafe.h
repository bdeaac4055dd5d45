// Recognises computers of internet cafés by traces of their management
// software: registry keys and running processes, checked in a fixed order.
#pragma once

#include <cstdint>
#include <string>

namespace reporting {

// The product code of the first trace found, -1 when there is none.
int32_t DetectNetCafe();
// Whether the key opens under the local-machine hive with query-value access.
bool RegistryKeyExists(const std::wstring& keyPath);
// Whether a running process has exactly this executable name (case-sensitive).
bool ProcessIsRunning(const std::wstring& exeName);

}  // namespace reporting
