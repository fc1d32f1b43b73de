#include "window/cambio.h"

#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "profile/file_system.h"
#include "profile/profile_copy.h"
#include "window/messages.h"

namespace vireno {

Cambio::Cambio(CambioView& view, std::string settings_path)
    : view_(view), settings_path_(std::move(settings_path)) {
  view_.Bind(*this);
}

int Cambio::Run() {
  RunEvent([this] { LoadSettings(settings_, settings_path_); });
  if (ended_) {
    return exit_code_;  // the window is never shown after a failed load
  }
  // A copy killed while it rewrote the target leaves it to be completed;
  // what cannot be completed now waits for the user's next choice.
  FinishInterruptedCopy(settings_);
  view_.Show();
  return view_.RunEventLoop();
}

void Cambio::OnChoose(Profile profile) noexcept {
  RunEvent([this, profile] { CopyProfile(settings_, profile); });
}

// The top of every event: nothing escapes into the window system.
template <class Handler>
void Cambio::RunEvent(Handler handler) noexcept {
  if (ended_) {
    return;
  }
  try {
    handler();
  } catch (const RuntimeError& error) {
    ReportAndExit(error);
  } catch (const std::bad_alloc&) {
    ReportAndExit(RuntimeError(ErrorCode::kOutOfMemory, {}));
  } catch (...) {
    ReportAndExit(RuntimeError(ErrorCode::kInternalError, {}));
  }
}

void Cambio::ReportAndExit(const RuntimeError& error) noexcept {
  ended_ = true;
  exit_code_ = error.number();
  // The catalogue says which way its language reads.
  const bool right_to_left = view_.Translate(messages::kReadingOrder,
                                             messages::kReadingOrderText) == messages::kRightToLeft;
  view_.ShowErrorReport(ErrorReportTitle(), ErrorReportText(error, &view_), right_to_left);
  view_.EndProgram(exit_code_);
}

std::string ErrorReportTitle() {
  return "vireno";
}

namespace {

void ReplaceFirst(std::string& text, std::string_view placeholder, const std::string& value) {
  if (const std::size_t at = text.find(placeholder); at != std::string::npos) {
    text.replace(at, placeholder.size(), value);
  }
}

}  // namespace

std::string ErrorReportText(const RuntimeError& error, const CambioView* view) {
  const auto translate = [view](unsigned id, const char* english) {
    return view != nullptr ? view->Translate(id, english) : std::string(english);
  };
  // The number, the file and the exit code are the same in every language.
  std::string text = translate(messages::kReportSentence, messages::kReportSentenceText);
  ReplaceFirst(text, "{description}",
               translate(messages::kDescriptionBase + static_cast<unsigned>(error.number()),
                         error.description().c_str()));
  ReplaceFirst(text, "{number}", std::to_string(error.number()));
  if (!error.file().empty()) {
    text += "\n" + ReportedFile(error.file());
  }
  return text;
}

}  // namespace vireno
