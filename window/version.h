/* The program's version, for the C++ code and the resource compiler alike. */
#pragma once

#define VIRENO_VERSION_MAJOR 1
#define VIRENO_VERSION_MINOR 0
#define VIRENO_VERSION_TEXT "1.00"
/* Task Manager and the taskbar show the file description as the program's
   name; the sentence goes in the comments. */
#define VIRENO_FILE_DESCRIPTION "vireno"
#define VIRENO_COMMENTS "Makes the Sct or the Extasi profile the active one"
#define VIRENO_COMPANY_NAME "The vireno authors"
#define VIRENO_COPYRIGHT "Copyright (c) 2026 The vireno authors. MIT License."
#define VIRENO_PRODUCT_NAME "vireno"
#define VIRENO_EXE_NAME "vireno.exe"
/* One reverse-DNS name for the desktop entry, its icon, the metadata and the
   running program, so that desktops match the window to its entry. */
#define VIRENO_APP_ID "org.vireno.Vireno"
/* The gettext domain of the native program's catalogue. */
#define VIRENO_TEXT_DOMAIN "vireno"
