/* Resource identifiers, for the C++ code and the resource compiler alike. */
#pragma once

#define IDI_VIRENO 1
