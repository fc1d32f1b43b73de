#pragma once

#include <optional>
#include <string>

#include "profile/error.h"
#include "profile/settings.h"
#include "window/cambio_view.h"

namespace vireno {

// The program's one window, without any platform in it: it owns the settings,
// runs the profile logic from the window's events, and is the top level of
// every event, where a run-time error is reported and ends the program.
class Cambio final : public CambioEvents {
 public:
  explicit Cambio(CambioView& view, std::string settings_path = kSettingsPath);

  // Starts the program: load, show, event loop. Returns the exit code.
  int Run();

  void OnChoose(Profile profile) noexcept override;

  const Settings& settings() const { return settings_; }

 private:
  template <class Handler>
  void RunEvent(Handler handler) noexcept;
  void ReportAndExit(const RuntimeError& error) noexcept;

  std::string EmptyValueHint() const;

  CambioView& view_;
  std::string settings_path_;
  Settings settings_;
  SettingsNotes notes_;
  std::optional<Profile> choice_;  // the profile of the copy under way
  bool ended_ = false;
  int exit_code_ = 0;
};

// Title and text of the report for `error`, in UTF-8, in the words of
// `view`'s catalogue (English without one).
std::string ErrorReportTitle();
// `hint`, where given, is the report's last line.
std::string ErrorReportText(const RuntimeError& error, const CambioView* view = nullptr,
                            const std::string& hint = {});

}  // namespace vireno
