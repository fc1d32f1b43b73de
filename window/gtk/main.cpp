#include <gtk/gtk.h>
#include <libintl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "window/cambio.h"
#include "window/gtk/gtk_cambio_window.h"
#include "window/version.h"

namespace {

// The catalogue lies beside the program, as installed: <prefix>/share/locale
// for <prefix>/bin/vireno (the build tree lays it out the same way).
std::string LocaleFolder() {
  std::string program(4096, '\0');
  const ssize_t size = readlink("/proc/self/exe", program.data(), program.size() - 1);
  program.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return program.substr(0, program.rfind('/')) + "/../share/locale";
}

}  // namespace

int main() {
  // Desktops match the window to its entry and icon by this name; screen
  // readers announce the application's name.
  g_set_prgname(VIRENO_APP_ID);
  g_set_application_name("vireno");
  bindtextdomain(VIRENO_TEXT_DOMAIN, LocaleFolder().c_str());
  bind_textdomain_codeset(VIRENO_TEXT_DOMAIN, "UTF-8");
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
