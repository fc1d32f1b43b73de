#include "window/cambio.h"

#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "profile/code_page.h"
#include "profile/file_system.h"
#include "profile/profile_copy.h"
#include "window/messages.h"

namespace vireno {

Cambio::Cambio(CambioView& view, std::string settings_path)
    : view_(view), settings_path_(std::move(settings_path)) {
  view_.Bind(*this);
}

int Cambio::Run() {
  RunEvent([this] { LoadSettings(settings_, settings_path_, &notes_); });
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
  choice_ = profile;
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
  view_.ShowErrorReport(ErrorReportTitle(), ErrorReportText(error, &view_, EmptyValueHint()),
                        right_to_left);
  view_.EndProgram(exit_code_);
}

namespace {

void ReplaceFirst(std::string& text, std::string_view placeholder, const std::string& value) {
  if (const std::size_t at = text.find(placeholder); at != std::string::npos) {
    text.replace(at, placeholder.size(), value);
  }
}

}  // namespace

// Which lines of the settings file gave nothing to the failed copy's path, in
// the user's words: a settings file saved with LF line ends, with too few
// lines or with blank columns loads without a word, and the report is where
// the user learns why.
std::string Cambio::EmptyValueHint() const {
  if (!choice_) {
    return {};
  }
  const std::vector<int> lines = EmptyValueLines(settings_, *choice_);
  if (lines.empty()) {
    return {};
  }
  const bool folder = lines.front() == SettingsLineOf(&Settings::BaseDir);
  std::string hint = lines.size() == 2 ? view_.Translate(messages::kNoFolderNoFileName,
                                                         messages::kNoFolderNoFileNameText)
                     : folder ? view_.Translate(messages::kNoFolder, messages::kNoFolderText)
                              : view_.Translate(messages::kNoFileName, messages::kNoFileNameText);
  ReplaceFirst(hint, "{settings}", ToUtf8(settings_path_));
  ReplaceFirst(hint, "{line}", std::to_string(lines.front()));
  ReplaceFirst(hint, "{line2}", std::to_string(lines.back()));
  if (notes_.line_feeds) {
    hint += " " + view_.Translate(messages::kCrLf, messages::kCrLfText);
  }
  return hint;
}

std::string ErrorReportTitle() {
  return "vireno";
}

std::string ErrorReportText(const RuntimeError& error, const CambioView* view,
                            const std::string& hint) {
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
  if (!hint.empty()) {
    text += "\n" + hint;
  }
  return text;
}

}  // namespace vireno
