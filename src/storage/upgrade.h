// Version check, upgrade and the completion handler of every download task.
#pragma once

#include <cstdint>

namespace storage {

// The DownloadCallback given with the version-file, package and ping tasks.
// Only the finished event is handled: value is the result, extra the task,
// userData the application context.  Runs on a download worker.
int32_t OnDownloadEvent(uintptr_t userData, int32_t tag, int32_t event, int32_t value,
                        uintptr_t extra);

// Task tags.
constexpr int32_t kTagVersionFile = 0;
constexpr int32_t kTagUpgradePackage = 1;
constexpr int32_t kTagInstallPing = 3;
constexpr int32_t kTagUninstallPing = 4;
constexpr int32_t kTagActivePing = 5;
constexpr int32_t kTagPlatformBrowserPing = 7;
constexpr int32_t kTagOtherBrowserPing = 8;

}  // namespace storage
