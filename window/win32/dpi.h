#pragma once

#include <windows.h>

// DPI functions that Windows 10 added, with the older ways as fallbacks so
// the program still starts on systems that lack them.
namespace vireno::dpi {

UINT ForWindow(HWND window);
BOOL AdjustWindowRect(RECT* rect, DWORD style, DWORD ex_style, UINT dpi);
// The system's message font, sized for `dpi`.
HFONT CreateMessageFont(UINT dpi);

}  // namespace vireno::dpi
