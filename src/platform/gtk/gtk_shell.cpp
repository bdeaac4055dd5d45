#include "platform/gtk/gtk_shell.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gio/gio.h>
#include <glib.h>
#include <unistd.h>

#include <string>

#include "platform/outside_address.h"
#include "platform/portable/utf8.h"
#include "platform/win32_values.h"

namespace pf {
namespace {

constexpr intptr_t kStarted = 42;        // any value above 32
constexpr intptr_t kAccessDenied = 5;    // SE_ERR_ACCESSDENIED
constexpr intptr_t kNoAssociation = 31;  // SE_ERR_NOASSOC

bool IsAddress(const std::string& text) { return text.find("://") != std::string::npos; }

intptr_t OpenWithDefaultHandler(const std::string& uri) {
  GError* error = nullptr;
  const gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return ok ? kStarted : kNoAssociation;
}

}  // namespace

// The verb and show command have no counterpart here: programs are started,
// everything else is opened.  The parameters reach a program as one argument;
// one pair of enclosing quotes is removed, as Windows' argument rules do.
// Only a checked web address is opened as an address; any other scheme or
// share is refused, and an address is never started as a program.
intptr_t GtkShell::Execute(const std::wstring&, const std::wstring& file,
                           const std::wstring& parameters, int) {
  const std::string target = ToUtf8(file);
  if (target.empty()) return kSE_ERR_FNF;
  if (LooksLikeAddressOrShare(file) || IsAddress(target)) {
    if (!IsSafeOutsideAddress(file)) return kAccessDenied;
    return OpenWithDefaultHandler(target);
  }
  std::string program;
  if (target.find('/') != std::string::npos) {
    if (::access(target.c_str(), F_OK) != 0) return kSE_ERR_FNF;
    if (::access(target.c_str(), X_OK) != 0 || g_file_test(target.c_str(), G_FILE_TEST_IS_DIR)) {
      // A document or folder: its default handler.
      gchar* uri = g_filename_to_uri(target.c_str(), nullptr, nullptr);
      if (!uri) return kSE_ERR_FNF;
      const intptr_t result = OpenWithDefaultHandler(uri);
      g_free(uri);
      return result;
    }
    program = target;
  } else {
    gchar* found = g_find_program_in_path(target.c_str());
    if (!found) return kSE_ERR_FNF;
    program = found;
    g_free(found);
  }
  std::wstring unquoted = parameters;
  if (unquoted.size() >= 2 && unquoted.front() == L'"' && unquoted.back() == L'"' &&
      unquoted.find(L'"', 1) == unquoted.size() - 1)
    unquoted = unquoted.substr(1, unquoted.size() - 2);
  const std::string argument = ToUtf8(unquoted);
  gchar* argv[3] = {const_cast<gchar*>(program.c_str()),
                    argument.empty() ? nullptr : const_cast<gchar*>(argument.c_str()), nullptr};
  GError* error = nullptr;
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib detaches the child: no zombie is left.
  const gboolean ok =
      g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error);
  if (error) g_error_free(error);
  return ok ? kStarted : kAccessDenied;
}

bool GtkShell::ToggleDesktop() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  const Window root = DefaultRootWindow(x);
  const Atom showing = XInternAtom(x, "_NET_SHOWING_DESKTOP", False);
  // The current state, as the window manager publishes it (absent: not shown).
  long current = 0;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x, root, showing, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    if (format == 32 && count == 1) current = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = root;
  event.xclient.message_type = showing;
  event.xclient.format = 32;
  event.xclient.data.l[0] = current ? 0 : 1;
  XSendEvent(x, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(x);
  return true;
}

}  // namespace pf
