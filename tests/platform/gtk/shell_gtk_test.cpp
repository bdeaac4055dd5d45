// The Linux desktop toggle: a second X connection plays the window manager
// and receives the show-desktop requests.
// gtest first: Xlib defines None as a macro.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

int g_xErrors = 0;
int CountError(Display*, XErrorEvent*) {
  ++g_xErrors;
  return 0;
}

// The next _NET_SHOWING_DESKTOP request sent to the root window; -1 if none
// arrives within a few seconds.
long NextShowDesktopRequest(Display* wm, Atom showing) {
  for (int i = 0; i < 500; ++i) {
    while (XPending(wm) > 0) {
      XEvent event;
      XNextEvent(wm, &event);
      if (event.type == ClientMessage && event.xclient.message_type == showing)
        return event.xclient.data.l[0];
    }
    usleep(10000);
  }
  return -1;
}

TEST(ShellGtk, DesktopToggleAsksTheWindowManagerForTheOtherState) {
  if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
  Display* wm = XOpenDisplay(nullptr);
  ASSERT_NE(wm, nullptr);
  XErrorHandler previous = XSetErrorHandler(&CountError);
  const Window root = DefaultRootWindow(wm);
  XSelectInput(wm, root, SubstructureRedirectMask | SubstructureNotifyMask);
  const Atom showing = XInternAtom(wm, "_NET_SHOWING_DESKTOP", False);
  XDeleteProperty(wm, root, showing);
  XSync(wm, False);
  ASSERT_EQ(g_xErrors, 0) << "another client manages the windows of this display";

  ASSERT_TRUE(pf::shell().ToggleDesktop());
  EXPECT_EQ(NextShowDesktopRequest(wm, showing), 1);

  long shown = 1;
  XChangeProperty(wm, root, showing, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&shown), 1);
  XSync(wm, False);
  ASSERT_TRUE(pf::shell().ToggleDesktop());
  EXPECT_EQ(NextShowDesktopRequest(wm, showing), 0);

  XDeleteProperty(wm, root, showing);
  XSync(wm, False);
  XSetErrorHandler(previous);
  XCloseDisplay(wm);
}

TEST(ShellGtk, ProgramsGetTheParametersAsOneArgument) {
  char folder[] = "/tmp/vexa-shell-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string script = std::string(folder) + "/record.sh";
  const std::string out = std::string(folder) + "/args";
  FILE* f = fopen(script.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fprintf(f, "#!/bin/sh\nprintf '%%s|' \"$@\" > %s.tmp && mv %s.tmp %s\n", out.c_str(), out.c_str(),
          out.c_str());
  fclose(f);
  chmod(script.c_str(), 0755);
  const std::wstring program(script.begin(), script.end());
  EXPECT_GT(pf::shell().Execute(L"", program, L"http://h/a b?c=1", 1), 32);
  std::string got;
  for (int i = 0; i < 500 && got.empty(); ++i) {
    usleep(10000);
    if (FILE* in = fopen(out.c_str(), "r")) {
      char buffer[256] = {};
      got = fgets(buffer, sizeof buffer, in) ? buffer : "";
      fclose(in);
    }
  }
  EXPECT_EQ(got, "http://h/a b?c=1|");
  // A missing program or file is "file not found".
  EXPECT_EQ(
      pf::shell().Execute(L"", std::wstring(program.begin(), program.end()) + L".missing", L"", 1),
      2);
  unlink(script.c_str());
  unlink(out.c_str());
  rmdir(folder);
}

}  // namespace
