// The yardstick for vireno.exe's start-up time: the plainest program that
// shows the same dialog. The same manifest (visual styles, DPI awareness),
// frame and caption, the same two radio buttons at the same places in the
// same message font; no settings, no files, no presenter.
#include <windows.h>

#include "window/cambio_layout.h"

namespace {

namespace layout = vireno::layout;

int Scale(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), layout::kTwipsPerInch);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND AddOption(HWND window, const wchar_t* caption, const layout::ControlBox& box, DWORD group,
               UINT dpi, HFONT font) {
  HWND option = CreateWindowExW(0, L"BUTTON", caption,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | group,
                                Scale(box.left, dpi), Scale(box.top, dpi), Scale(box.width, dpi),
                                Scale(box.height, dpi), window, nullptr, nullptr, nullptr);
  SendMessageW(option, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return option;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"yardstick";
  RegisterClassExW(&window_class);
  HWND window =
      CreateWindowExW(kExStyle, L"yardstick", L"yardstick SCT/Extasi", kStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);

  const UINT dpi = GetDpiForWindow(window);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  AddOption(window, L"Sct", layout::kOption1, WS_GROUP, dpi, font);
  AddOption(window, L"Extasi", layout::kOption2, 0, dpi, font);
  RECT frame{0, 0, Scale(layout::kClientWidth, dpi), Scale(layout::kClientHeight, dpi)};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOWNORMAL);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DeleteObject(font);
  return 0;
}
