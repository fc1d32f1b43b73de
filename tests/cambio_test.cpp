#include "window/cambio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/test_files.h"
#include "window/messages.h"

namespace vireno {
namespace {

using Calls = std::vector<std::string>;

// A view that records what the presenter asks of it; `user` stands for the
// person at the window while the event loop runs.
class RecordingView final : public CambioView {
 public:
  std::function<void(CambioEvents&)> user;
  std::map<unsigned, std::string> catalogue;  // the strings of the user's language
  Calls calls;
  bool right_to_left = false;

  void Bind(CambioEvents& events) override { events_ = &events; }
  void Show() override { calls.push_back("Show"); }
  int RunEventLoop() override {
    calls.push_back("RunEventLoop");
    if (user) {
      user(*events_);
    }
    return exit_code_;
  }
  void ShowErrorReport(const std::string& title, const std::string& text,
                       bool reads_right_to_left) override {
    calls.push_back("ShowErrorReport " + title + ": " + text);
    right_to_left = reads_right_to_left;
  }
  std::string Translate(unsigned id, const char* english) const override {
    const auto found = catalogue.find(id);
    return found != catalogue.end() ? found->second : english;
  }
  void EndProgram(int exit_code) override {
    exit_code_ = exit_code;
    calls.push_back("EndProgram " + std::to_string(exit_code));
  }

 private:
  CambioEvents* events_ = nullptr;
  int exit_code_ = 0;
};

// A settings file whose directory is a fresh folder with both sources.
class Installation {
 public:
  explicit Installation(const std::string& sct_file = "sct.txt") {
    // The settings columns hold at most 12 characters of directory, so the
    // sources are found through a relative path from the current folder.
    test::WriteBytes(folder_ / "vireno.ini", "settings\r\nDIR=\r\nSCT_FILE   = " + sct_file +
                                                 "\r\nEXTASI_FILE    =extasi.txt\r\n");
    test::WriteBytes(folder_ / "sct.txt", "sct line\r\n");
    test::WriteBytes(folder_ / "extasi.txt", "extasi line\r\n");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.dir());
  }
  ~Installation() { std::filesystem::current_path(previous_); }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  std::string settings_path() const { return folder_ / "vireno.ini"; }
  std::string Target() const { return test::ReadBytes(folder_ / "vireno.txt"); }
  std::vector<std::string> Entries() const { return folder_.Entries(); }

 private:
  test::TempFolder folder_;
  std::filesystem::path previous_;
};

TEST(CambioTest, FailedLoadReportsOnceAndNeverShowsTheWindow) {
  test::TempFolder empty;
  RecordingView view;
  Cambio cambio(view, empty / "vireno.ini");

  EXPECT_EQ(cambio.Run(), 53);
  EXPECT_EQ(view.calls, (Calls{"ShowErrorReport vireno: Run-time error 53: File not found\n" +
                                   (empty / "vireno.ini"),
                               "EndProgram 53"}));
}

TEST(CambioTest, ReportReadsInTheOrderOfItsLanguage) {
  const struct {
    const char* language;
    const char* reading_order;
    bool right_to_left;
  } cases[] = {{"en", "default:LTR", false}, {"ar", "default:RTL", true}};
  for (const auto& c : cases) {
    test::TempFolder empty;
    RecordingView view;
    view.catalogue[messages::kReadingOrder] = c.reading_order;
    Cambio cambio(view, empty / "vireno.ini");
    EXPECT_EQ(cambio.Run(), 53) << c.language;
    EXPECT_EQ(view.right_to_left, c.right_to_left) << c.language;
  }
}

TEST(CambioTest, LoadsThenShowsThenCopiesEachChoice) {
  Installation installation;
  RecordingView view;
  Cambio cambio(view, installation.settings_path());
  std::vector<std::string> targets;
  view.user = [&](CambioEvents& events) {
    events.OnChoose(Profile::Extasi);
    targets.push_back(installation.Target());
    events.OnChoose(Profile::Sct);
    targets.push_back(installation.Target());
  };

  EXPECT_EQ(cambio.Run(), 0);
  EXPECT_EQ(view.calls, (Calls{"Show", "RunEventLoop"}));
  EXPECT_EQ(cambio.settings().SctFile, "sct.txt");
  EXPECT_EQ(targets, (std::vector<std::string>{"extasi line\r\n", "sct line\r\n"}));
}

TEST(CambioTest, FailedCopyReportsOnceEndsAndIgnoresLaterEvents) {
  Installation installation("gone.txt");
  RecordingView view;
  Cambio cambio(view, installation.settings_path());
  view.user = [](CambioEvents& events) {
    events.OnChoose(Profile::Sct);     // fails: the source is missing
    events.OnChoose(Profile::Extasi);  // arrives while the program ends: ignored
  };

  EXPECT_EQ(cambio.Run(), 53);
  // The folder's columns are blank: the report says which line gave none.
  EXPECT_EQ(view.calls,
            (Calls{"Show", "RunEventLoop",
                   "ShowErrorReport vireno: Run-time error 53: File not found\ngone.txt\n" +
                       installation.settings_path() + ": line 2 gives no folder",
                   "EndProgram 53"}));
  EXPECT_EQ(installation.Entries(),
            (std::vector<std::string>{"extasi.txt", "sct.txt", "vireno.ini"}));
}

TEST(CambioTest, ReportTextNamesTheFileAndWhereItLies) {
  EXPECT_EQ(ErrorReportText(RuntimeError(ErrorCode::kOverflow, "")), "Run-time error 6: Overflow");
  EXPECT_EQ(ErrorReportText(RuntimeError(ErrorCode::kDiskFull, "x\\vireno.txt")),
            "Run-time error 61: Disk full\nx\\vireno.txt");
#ifdef _WIN32
  const std::string drive_c_line;
#else
  // The native program says where drive c: is on this machine.
  setenv("WINEPREFIX", "/home/ana/.wine", 1);
  const std::string drive_c_line = "\n/home/ana/.wine/dosdevices/c:/x/vireno.txt";
#endif
  EXPECT_EQ(ErrorReportText(RuntimeError(ErrorCode::kDiskFull, "c:\\x\\vireno.txt")),
            "Run-time error 61: Disk full\nc:\\x\\vireno.txt" + drive_c_line);
  // A name in the ANSI code page reaches the report as UTF-8.
  EXPECT_EQ(ErrorReportText(RuntimeError(ErrorCode::kFileNotFound, "s\xe9.txt")),
            "Run-time error 53: File not found\ns\xc3\xa9.txt");
}

}  // namespace
}  // namespace vireno
