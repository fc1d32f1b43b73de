/* Resource identifiers, for the C++ code and the resource compiler alike. */
#pragma once

#define IDI_VIRENO 1

/* The two options. Dialog managers send IDOK (1) and IDCANCEL (2) for Enter
   and Esc, so controls start at 100 where no key can reach them. */
#define IDC_OPTION1 101
#define IDC_OPTION2 102
