#include <gtk/gtk.h>

#include <cstdio>

#include "window/cambio.h"
#include "window/gtk/gtk_cambio_window.h"
#include "window/version.h"

int main() {
  // Desktops match the window to its entry and icon by this name.
  g_set_prgname(VIRENO_APP_ID);
  // The program takes nothing from its command line.
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "vireno: cannot open the display\n");
    return 1;
  }
  gtk_window_set_default_icon_name(VIRENO_APP_ID);
  vireno::GtkCambioWindow window;
  vireno::Cambio cambio(window);
  return cambio.Run();
}
