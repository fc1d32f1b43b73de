#pragma once

#include <string>

#include "profile/profile_copy.h"

namespace vireno {

// The window's user events, as the presenter receives them.
class CambioEvents {
 public:
  // The user chose `profile`: "Sct" is the first option, "Extasi" the second.
  virtual void OnChoose(Profile profile) noexcept = 0;

 protected:
  ~CambioEvents() = default;
};

// What the presenter needs from a window system. Each platform has one.
class CambioView {
 public:
  virtual ~CambioView() = default;

  // Where the view sends the user's choices.
  virtual void Bind(CambioEvents& events) = 0;
  // Shows the window with neither option selected.
  virtual void Show() = 0;
  // Runs until the window is closed or EndProgram is called; returns the
  // program's exit code.
  virtual int RunEventLoop() = 0;
  // Shows the error report (UTF-8 text), reading right to left where its
  // language is written so, and returns once the user has dismissed it.
  virtual void ShowErrorReport(const std::string& title, const std::string& text,
                               bool right_to_left) = 0;
  // Closes the window for good; the event loop, if running, returns `exit_code`.
  virtual void EndProgram(int exit_code) = 0;
  // `english`, the program's string `id`, in the user's language (UTF-8), as
  // the platform's catalogue has it; `english` itself where it has none.
  virtual std::string Translate(unsigned /*id*/, const char* english) const { return english; }
};

}  // namespace vireno
