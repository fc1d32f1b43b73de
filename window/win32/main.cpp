#include <windows.h>

#include "window/cambio.h"
#include "window/win32/cambio_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  vireno::Win32CambioWindow window(instance);
  vireno::Cambio cambio(window);
  return cambio.Run();
}
