#include "window/win32/cambio_window.h"

#include <string>

#include "window/cambio_layout.h"
#include "window/win32/dpi.h"
#include "window/win32/resource.h"

namespace vireno {

namespace {

constexpr wchar_t kWindowClass[] = L"vireno.Cambio";
constexpr int kOption1Id = IDC_OPTION1;
constexpr int kOption2Id = IDC_OPTION2;

// A fixed dialog frame with a caption and a close box, nothing to resize,
// minimise or maximise.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr DWORD kOptionStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;

// The window's texts are UTF-8, whatever the system's code page.
std::wstring Utf8ToUtf16(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

int Scale(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), layout::kTwipsPerInch);
}

void PlaceControl(HWND control, const layout::ControlBox& box, UINT dpi) {
  SetWindowPos(control, nullptr, Scale(box.left, dpi), Scale(box.top, dpi), Scale(box.width, dpi),
               Scale(box.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Win32CambioWindow::Win32CambioWindow(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_VIRENO));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VIRENO), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);

  // Owned windows get no taskbar button, as dialogs do; the owner stays hidden.
  owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_,
                           nullptr);
  window_ = CreateWindowExW(kWindowExStyle, kWindowClass, Utf8ToUtf16(layout::kCaption).c_str(),
                            kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner_, nullptr,
                            instance_, this);
  option1_ = CreateWindowExW(
      0, L"BUTTON", Utf8ToUtf16(layout::kOption1.caption).c_str(), kOptionStyle | WS_GROUP, 0, 0, 0,
      0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOption1Id)), instance_, nullptr);
  option2_ = CreateWindowExW(
      0, L"BUTTON", Utf8ToUtf16(layout::kOption2.caption).c_str(), kOptionStyle, 0, 0, 0, 0,
      window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOption2Id)), instance_, nullptr);

  // Nothing to size, minimise or maximise: the system menu keeps Move and Close.
  HMENU system_menu = GetSystemMenu(window_, FALSE);
  for (UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
    DeleteMenu(system_menu, command, MF_BYCOMMAND);
  }
  Layout(dpi::ForWindow(window_), nullptr);
}

Win32CambioWindow::~Win32CambioWindow() {
  if (IsWindow(window_)) {
    DestroyWindow(window_);
  }
  if (IsWindow(owner_)) {
    DestroyWindow(owner_);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
}

void Win32CambioWindow::Layout(UINT dpi, const RECT* suggested) {
  HFONT font = dpi::CreateMessageFont(dpi);
  for (HWND control : {option1_, option2_}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
  font_ = font;
  PlaceControl(option1_, layout::kOption1, dpi);
  PlaceControl(option2_, layout::kOption2, dpi);

  RECT frame{0, 0, Scale(layout::kClientWidth, dpi), Scale(layout::kClientHeight, dpi)};
  dpi::AdjustWindowRect(&frame, kWindowStyle, kWindowExStyle, dpi);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int left = 0;
  int top = 0;
  if (suggested != nullptr) {
    left = suggested->left;
    top = suggested->top;
  } else {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    left = area.left + (area.right - area.left - width) / 2;
    top = area.top + (area.bottom - area.top - height) / 2;
  }
  SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32CambioWindow::Show() {
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  SetForegroundWindow(window_);
  SetFocus(option1_);
}

int Win32CambioWindow::RunEventLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the options as in any dialog.
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return exit_code_;
}

void Win32CambioWindow::ShowErrorReport(const std::string& title, const std::string& text,
                                        bool right_to_left) {
  HWND owner = IsWindowVisible(window_) ? window_ : nullptr;
  UINT style = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;
  if (right_to_left) {
    style |= MB_RTLREADING | MB_RIGHT;
  }
  MessageBoxW(owner, Utf8ToUtf16(text).c_str(), Utf8ToUtf16(title).c_str(), style);
}

// The string tables in the resources, one per language: the resource loader
// picks the user's interface language, or falls back to English.
std::string Win32CambioWindow::Translate(unsigned id, const char* english) const {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(instance_, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) {
    return english;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

void Win32CambioWindow::EndProgram(int exit_code) {
  exit_code_ = exit_code;
  if (IsWindow(window_)) {
    DestroyWindow(window_);
  }
}

void Win32CambioWindow::RestoreFocus() {
  HWND focus = IsWindow(focus_) ? focus_ : option1_;
  if (focus != nullptr) {
    SetFocus(focus);
  }
}

void Win32CambioWindow::OnOptionClicked(int id, HWND control) {
  // A radio button also reports a click when it merely takes the focus, and
  // then it is not checked: only a real choice leaves it checked.
  if (events_ == nullptr || SendMessageW(control, BM_GETCHECK, 0, 0) != BST_CHECKED) {
    return;
  }
  events_->OnChoose(id == kOption1Id ? Profile::Sct : Profile::Extasi);
}

LRESULT Win32CambioWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED &&
          (LOWORD(wparam) == kOption1Id || LOWORD(wparam) == kOption2Id)) {
        OnOptionClicked(LOWORD(wparam), reinterpret_cast<HWND>(lparam));
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // As a dialog does: the focus leaves with the window and comes back to
      // the same option, rather than to the frame, where no key works.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) {
          focus_ = focus;
        }
      } else {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_DPICHANGED:
      Layout(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(exit_code_);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT CALLBACK Win32CambioWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32CambioWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32CambioWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

}  // namespace vireno
