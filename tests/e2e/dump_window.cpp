// Prints the dialog as Windows sees it, for the end-to-end tests to compare
// with the layout: the window's client size, styles and owner, then each
// child in tab order with its class, caption, rectangle, styles and check.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Narrow(const wchar_t* text) {
  char buffer[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
  return buffer;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent_handle) {
  const auto parent = reinterpret_cast<HWND>(parent_handle);
  wchar_t class_name[64] = {};
  wchar_t caption[256] = {};
  GetClassNameW(child, class_name, static_cast<int>(std::size(class_name)));
  GetWindowTextW(child, caption, static_cast<int>(std::size(caption)));
  RECT box{};
  GetWindowRect(child, &box);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
  const auto style = static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE));
  std::printf(
      "child class=%s caption=%s left=%ld top=%ld width=%ld height=%ld type=%lu "
      "tabstop=%d group=%d checked=%d\n",
      Narrow(class_name).c_str(), Narrow(caption).c_str(), box.left, box.top, box.right - box.left,
      box.bottom - box.top, style & BS_TYPEMASK, (style & WS_TABSTOP) != 0, (style & WS_GROUP) != 0,
      static_cast<int>(SendMessageW(child, BM_GETCHECK, 0, 0)));
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* caption = argc > 1 ? argv[1] : L"Cambio SCT/Extasi";
  HWND window = FindWindowW(nullptr, caption);
  if (window == nullptr) {
    std::printf("window not-found\n");
    return 1;
  }
  RECT client{};
  GetClientRect(window, &client);
  const auto style = static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  HWND owner = GetWindow(window, GW_OWNER);
  std::printf(
      "window caption=%s client_width=%ld client_height=%ld visible=%d caption_bar=%d "
      "sysmenu=%d thickframe=%d minimizebox=%d maximizebox=%d dlgmodalframe=%d "
      "appwindow=%d owned=%d owner_visible=%d\n",
      Narrow(caption).c_str(), client.right, client.bottom, IsWindowVisible(window) != 0,
      (style & WS_CAPTION) == WS_CAPTION, (style & WS_SYSMENU) != 0, (style & WS_THICKFRAME) != 0,
      (style & WS_MINIMIZEBOX) != 0, (style & WS_MAXIMIZEBOX) != 0,
      (ex_style & WS_EX_DLGMODALFRAME) != 0, (ex_style & WS_EX_APPWINDOW) != 0, owner != nullptr,
      owner != nullptr && IsWindowVisible(owner));
  EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(window));
  return 0;
}
