// Desktop integration: the icon-animation program, the desktop toggle, the
// platform's own browser and pages opened in the user's browser.  All of it
// runs on the user-interface thread.
#pragma once

#include <string>

namespace app {

// Starts data folder + "iconAnimate.exe" when it exists.
void LaunchIconAnimation();
// Asks the shell to toggle between the desktop and the open windows.
void ToggleDesktop();
// 64 on an x64 or Itanium system, else 32.
int GetSystemBitness();
// The platform browser's folder from the registry view that matches the
// system + fileName, or empty.
std::wstring FindPlatformBrowser(const std::wstring& fileName);
// Opens the page in the platform browser when it is installed (with the
// referrer hand-over), else in another browser, and sends the browser ping.
// Only an address that passes pf::IsSafeOutsideAddress leaves, as one quoted
// argument, and at most three a second; anything else is dropped.
void OpenInOutsideBrowser(const std::wstring& url);
// Forgets the recent opens counted by the rate limit.
void ResetOutsideOpensForTest();
// The pay page for the signed-in account (server and account percent-encoded).
std::wstring BuildPayPageUrl();
// The platform's pages that the login and game windows link to.
std::wstring OfficialPageUrl();
std::wstring ServicePageUrl();
std::wstring ForumPageUrl();

}  // namespace app
