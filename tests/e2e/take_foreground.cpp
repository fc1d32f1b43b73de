// Takes the foreground with a window of its own, the way switching to another
// program does, then gives it back to the window titled TITLE, as Alt+Tab
// back would. Prints "back" once that window is in the foreground again.
//
//   take_foreground.exe TITLE
#include <windows.h>

#include <cstdio>

namespace {

// Lets both windows see their activation messages.
void Pump(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  MSG message{};
  while (GetTickCount64() < end) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: take_foreground.exe TITLE\n", stderr);
    return 2;
  }
  HWND other = FindWindowW(nullptr, argv[1]);
  if (other == nullptr) {
    std::fputs("no such window\n", stderr);
    return 1;
  }
  HWND own = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                             20, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(own);
  Pump(1000);
  if (GetForegroundWindow() != own) {
    std::fputs("could not take the foreground\n", stderr);
    return 1;
  }
  SetForegroundWindow(other);
  Pump(500);
  DestroyWindow(own);
  if (GetForegroundWindow() != other) {
    std::fputs("could not give the foreground back\n", stderr);
    return 1;
  }
  std::puts("back");
  return 0;
}
