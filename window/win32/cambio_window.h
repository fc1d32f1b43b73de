#pragma once

#include <windows.h>

#include "window/cambio_view.h"

namespace vireno {

// The dialog drawn with plain Win32: it only forwards the user's choices to
// the presenter and carries out what the presenter asks of it.
class Win32CambioWindow final : public CambioView {
 public:
  explicit Win32CambioWindow(HINSTANCE instance);
  ~Win32CambioWindow() override;
  Win32CambioWindow(const Win32CambioWindow&) = delete;
  Win32CambioWindow& operator=(const Win32CambioWindow&) = delete;

  void Bind(CambioEvents& events) override { events_ = &events; }
  void Show() override;
  int RunEventLoop() override;
  void ShowErrorReport(const std::string& title, const std::string& text,
                       bool right_to_left) override;
  void EndProgram(int exit_code) override;
  std::string Translate(unsigned id, const char* english) const override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnOptionClicked(int id, HWND control);
  // Gives the focus back to the option that last had it (the first option
  // before any had it).
  void RestoreFocus();
  // Sizes the window and places the controls for `dpi`; `suggested` is where
  // Windows wants the window after a DPI change, or null to centre it.
  void Layout(UINT dpi, const RECT* suggested);

  HINSTANCE instance_;
  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  HWND option1_ = nullptr;
  HWND option2_ = nullptr;
  HWND focus_ = nullptr;  // the option that had the focus when the window was left
  HFONT font_ = nullptr;
  CambioEvents* events_ = nullptr;
  int exit_code_ = 0;
};

}  // namespace vireno
