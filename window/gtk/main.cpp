#include <gtk/gtk.h>

#include <cstdio>

#include "window/cambio.h"
#include "window/gtk/gtk_cambio_window.h"

int main() {
  // The program takes nothing from its command line.
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "vireno: cannot open the display\n");
    return 1;
  }
  vireno::GtkCambioWindow window;
  vireno::Cambio cambio(window);
  return cambio.Run();
}
