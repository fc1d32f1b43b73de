// The smallest GTK 3 program that opens a window: the yardstick for the
// native program's start-up time.
#include <gtk/gtk.h>

int main() {
  gtk_init(nullptr, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "minimal window");
  gtk_window_set_default_size(GTK_WINDOW(window), 363, 202);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
