// The GTK backend's menus and notification area: pop-up menus as GtkMenus,
// the tray icon as a GtkStatusIcon.
#include <map>
#include <utility>

#include "platform/gtk/gtk_window.h"
#include "platform/portable/embedded_resources.h"
#include "platform/portable/menu_model.h"
#include "platform/portable/utf8.h"

namespace pf {

int GtkUi::TrackPopupMenu(HMenu menu, uint32_t flags, int x, int y, HWindow owner) {
  if (!menu || !display_) return 0;
  struct Run {
    GMainLoop* loop;
    int chosen = 0;
  } run{g_main_loop_new(nullptr, FALSE)};
  GtkWidget* popup = gtk_menu_new();
  for (const auto& item : menu->items) {
    GtkWidget* mi = gtk_menu_item_new_with_label(ToUtf8(item.text).c_str());
    g_object_set_data(G_OBJECT(mi), "command", GUINT_TO_POINTER(item.command));
    g_signal_connect(mi, "activate", G_CALLBACK(+[](GtkMenuItem* self, gpointer data) {
                       static_cast<Run*>(data)->chosen =
                           static_cast<int>(GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(self), "command")));
                     }),
                     &run);
    gtk_menu_shell_append(GTK_MENU_SHELL(popup), mi);
    gtk_widget_show(mi);
  }
  g_signal_connect(popup, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                     // "activate" of the item follows "deactivate": quit from an idle.
                     g_idle_add(+[](gpointer d) -> gboolean {
                       g_main_loop_quit(static_cast<Run*>(d)->loop);
                       return G_SOURCE_REMOVE;
                     }, data);
                   }),
                   &run);
  WindowHandle* w = Live(owner);
  // A hidden owner (the tray menu of a window in the tray) gives no place to
  // anchor the menu: it opens at (x, y) on the root window.
  if (w && w->widget && gtk_widget_get_realized(w->widget) && gtk_widget_get_visible(w->widget)) {
    GdkRectangle at{x - w->rect.left, y - w->rect.top, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(popup), gtk_widget_get_window(w->widget), &at,
                           GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  } else {
    GdkRectangle at{x, y, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(popup), gdk_get_default_root_window(), &at,
                           GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  }
  // A menu that could not be shown never ends: nothing is chosen then.
  if (gtk_widget_get_visible(popup)) g_main_loop_run(run.loop);
  g_main_loop_unref(run.loop);
  gtk_widget_destroy(popup);
  if (!(flags & kTPM_RETURNCMD) && run.chosen && owner)
    Post(owner, kWM_COMMAND, static_cast<WParam>(run.chosen), 0);
  return (flags & kTPM_RETURNCMD) ? run.chosen : run.chosen != 0;
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
namespace {
struct TrayIcon {
  GtkStatusIcon* icon;
  NotifyIcon data;
  GtkUi* ui;
};
std::map<std::pair<HWindow, uint32_t>, TrayIcon*>& Trays() {
  static std::map<std::pair<HWindow, uint32_t>, TrayIcon*> trays;
  return trays;
}
}  // namespace

bool GtkUi::ShellNotifyIcon(uint32_t message, const NotifyIcon& icon) {
  const auto key = std::make_pair(icon.hwnd, icon.id);
  auto& trays = Trays();
  auto it = trays.find(key);
  if (message == kNIM_DELETE) {
    if (it == trays.end()) return false;
    g_object_unref(it->second->icon);
    delete it->second;
    trays.erase(it);
    return true;
  }
  if (message == kNIM_MODIFY) {
    if (it == trays.end()) return false;
    if (icon.flags & kNIF_TIP)
      gtk_status_icon_set_tooltip_text(it->second->icon, ToUtf8(icon.tip).c_str());
    return true;
  }
  if (message != kNIM_ADD || it != trays.end() || !display_) return false;
  const EmbeddedResource* r = FindEmbeddedResource(icon.iconId, L"ICON");
  GdkPixbuf* pixbuf = nullptr;
  if (r) {
    GInputStream* in = g_memory_input_stream_new_from_data(r->begin, r->end - r->begin, nullptr);
    pixbuf = gdk_pixbuf_new_from_stream(in, nullptr, nullptr);
    g_object_unref(in);
  }
  GtkStatusIcon* status = pixbuf ? gtk_status_icon_new_from_pixbuf(pixbuf) : gtk_status_icon_new();
  if (pixbuf) g_object_unref(pixbuf);
  if (icon.flags & kNIF_TIP) gtk_status_icon_set_tooltip_text(status, ToUtf8(icon.tip).c_str());
  // The icon exists only where a tray embeds it; give the tray a moment to do so.
  for (int i = 0; i < 50 && !gtk_status_icon_is_embedded(status); ++i) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(10000);
  }
  if (!gtk_status_icon_is_embedded(status)) {
    g_object_unref(status);
    return false;
  }
  auto* tray = new TrayIcon{status, icon, this};
  trays[key] = tray;
  g_signal_connect(status, "activate", G_CALLBACK(+[](GtkStatusIcon*, gpointer data) {
                     auto* t = static_cast<TrayIcon*>(data);
                     t->ui->PostMessage(t->data.hwnd, t->data.callbackMessage, t->data.id, kWM_LBUTTONUP);
                   }),
                   tray);
  g_signal_connect(status, "popup-menu", G_CALLBACK(+[](GtkStatusIcon*, guint, guint, gpointer data) {
                     auto* t = static_cast<TrayIcon*>(data);
                     t->ui->PostMessage(t->data.hwnd, t->data.callbackMessage, t->data.id, kWM_RBUTTONUP);
                   }),
                   tray);
  return true;
}
G_GNUC_END_IGNORE_DEPRECATIONS

}  // namespace pf
