/* The program's version, for the C++ code and the resource compiler alike. */
#pragma once

#define VIRENO_VERSION_MAJOR 1
#define VIRENO_VERSION_MINOR 0
#define VIRENO_VERSION_TEXT "1.00"
#define VIRENO_FILE_DESCRIPTION "Makes the Sct or Extasi profile the active one"
#define VIRENO_PRODUCT_NAME "vireno"
#define VIRENO_EXE_NAME "vireno.exe"
/* One reverse-DNS name for the desktop entry, its icon, the metadata and the
   running program, so that desktops match the window to its entry. */
#define VIRENO_APP_ID "org.vireno.Vireno"
