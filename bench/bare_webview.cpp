/* The smallest WebKitGTK program that shows one page: one window, one web
 * view, no skin, no pings, no settings.  The start-up benchmark starts it the
 * same way as the client and compares the two.  With --software its view
 * draws pages without GL, the setting the client's views use, so that the
 * benchmark can also show what the client costs beside that choice.
 *   bare_webview [--software] URL */
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstring>

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  const bool software = argc > 1 && std::strcmp(argv[1], "--software") == 0;
  const int url = software ? 2 : 1;
  if (argc <= url) {
    g_printerr("usage: %s [--software] URL\n", argv[0]);
    return 2;
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 1287, 732);
  GtkWidget* view = webkit_web_view_new();
  if (software)
    webkit_settings_set_hardware_acceleration_policy(
        webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view)),
        WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[url]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
