// The yardstick for the native program's start-up time: the plainest GTK 3
// program that shows the same dialog. The same window hints, fixed layout
// and two radio buttons at the same places; no settings, no files, no
// presenter.
#include <gtk/gtk.h>

#include "window/cambio_layout.h"
#include "window/gtk/gtk_layout.h"

namespace layout = vireno::layout;
using vireno::gtk_layout::Pixels;
using vireno::gtk_layout::PlaceOption;

int main() {
  gtk_init(nullptr, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "yardstick SCT/Extasi");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, Pixels(layout::kClientWidth), Pixels(layout::kClientHeight));
  gtk_container_add(GTK_CONTAINER(window), fixed);
  GtkWidget* first = PlaceOption(fixed, nullptr, layout::kOption1);
  PlaceOption(fixed, first, layout::kOption2);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
