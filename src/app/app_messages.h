// The application's own window messages (always posted) and fixed numbers.
#pragma once

#include <cstdint>

#include "deploy/deployment.h"
#include "platform/win32_values.h"
#include "resource_ids.h"

namespace app {

constexpr uint32_t WM_OPEN_GAME_WINDOW = pf::kWM_USER + 200;    // 1224, to the login window
constexpr uint32_t WM_CLOSE_LOGIN_WINDOW = pf::kWM_USER + 201;  // 1225, to the login window
constexpr uint32_t WM_TRAY_NOTIFY = pf::kWM_USER + 204;         // 1228, to the game window
constexpr uint32_t WM_CONFIRM_EXIT = pf::kWM_USER + 206;        // 1230, to the login window
constexpr uint32_t WM_OPEN_QUICK_LOGIN = pf::kWM_USER + 207;    // 1231, to the login window
constexpr uint32_t WM_CACHE_CLEARED = pf::kWM_USER + 210;       // 1234, to the game window
// A verified upgrade offer waits for the player's answer (posted by the
// download worker that checked the version file).
constexpr uint32_t WM_UPGRADE_OFFERED = pf::kWM_USER + 211;     // 1235, to the login window
// An accepted upgrade did not start (the package failed, or its start did):
// the hidden windows come back (posted by the download worker).
constexpr uint32_t WM_UPGRADE_NOT_STARTED = pf::kWM_USER + 212;  // 1236, to the login window

// The program's own version (file version 3.0.0.0 with the dots removed).
constexpr int32_t kOwnVersion = deploy::kOwnVersion;

// String-table entries and the icon of the window class.
constexpr int IDS_APP_TITLE = 103;
constexpr int IDS_WINDOW_CLASS = 109;
constexpr int IDI_APP_ICON = res::IDI_APP_ICON;

// Sizes of the top-level windows.
constexpr int kLoginWidth = 1287;
constexpr int kLoginHeight = 732;
constexpr int kGameWidth = 1250;
constexpr int kGameHeight = 700;
constexpr int kQuickLoginWidth = 880;
constexpr int kQuickLoginHeight = 420;

}  // namespace app
