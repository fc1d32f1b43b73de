#include "profile/profile_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "profile/file_system.h"
#include "profile/line_reader.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

using Entries = std::vector<std::string>;

// A folder holding the two profile sources and, where a case wants one, the
// target; its settings point at it.
class ProfileFolder {
 public:
  ProfileFolder() { settings_ = {folder_.dir(), "sct.txt", "extasi.txt"}; }

  Settings& settings() { return settings_; }
  const test::TempFolder& folder() const { return folder_; }
  std::string Target() const { return folder_ / kTargetFileName; }
  void Write(const std::string& name, std::string_view bytes) {
    test::WriteBytes(folder_ / name, bytes);
  }
  std::string Read(const std::string& name) const { return test::ReadBytes(folder_ / name); }

 private:
  test::TempFolder folder_;
  Settings settings_;
};

struct CopyCase {
  const char* name;
  std::string source;
  std::string target;
};

class CopyResult : public testing::TestWithParam<CopyCase> {};

TEST_P(CopyResult, TargetIsTheFirstLineAndCrLf) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", GetParam().source);
  profiles.Write("vireno.txt", "the previous profile, longer than any new one\r\n");

  CopyProfile(profiles.settings(), Profile::Sct);

  EXPECT_EQ(profiles.Read("vireno.txt"), GetParam().target);
  EXPECT_EQ(profiles.Read("sct.txt"), GetParam().source);
  EXPECT_EQ(profiles.folder().Entries(), (Entries{"sct.txt", "vireno.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    CopyProfile, CopyResult,
    testing::Values(CopyCase{"OneLine", "ch 12\r\n", "ch 12\r\n"},
                    CopyCase{"NoLineEnd", "ch 12", "ch 12\r\n"},
                    CopyCase{"OnlyFirstLine", "first\r\nsecond\r\nthird", "first\r\n"},
                    CopyCase{"EmptyFirstLine", "\r\nsecond\r\n", "\r\n"},
                    CopyCase{"LoneCrEndsLine", "first\rsecond", "first\r\n"},
                    CopyCase{"LoneLfIsText", "a\nb\r\nc", "a\nb\r\n"},
                    CopyCase{"BytesUnchanged", std::string("\0\xe9\x80\x7f", 4) + "\r\nx",
                             std::string("\0\xe9\x80\x7f", 4) + "\r\n"},
                    // Streamed through the reader's buffer three times over.
                    CopyCase{"LineOfThreeBuffers",
                             std::string(3 * LineReader::kDefaultBufferSize, 'x') + "\r\nmore\r\n",
                             std::string(3 * LineReader::kDefaultBufferSize, 'x') + "\r\n"}),
    test::CaseName());

TEST(CopyProfileTest, EachProfileCopiesItsOwnSource) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "sct line\r\n");
  profiles.Write("extasi.txt", "extasi line\r\n");

  CopyProfile(profiles.settings(), Profile::Extasi);
  EXPECT_EQ(profiles.Read("vireno.txt"), "extasi line\r\n");
  CopyProfile(profiles.settings(), Profile::Sct);
  EXPECT_EQ(profiles.Read("vireno.txt"), "sct line\r\n");
  CopyProfile(profiles.settings(), Profile::Sct);
  EXPECT_EQ(profiles.Read("vireno.txt"), "sct line\r\n");
  EXPECT_EQ(profiles.folder().Entries(), (Entries{"extasi.txt", "sct.txt", "vireno.txt"}));
}

TEST(CopyProfileTest, HardLinkedTargetStaysOneFile) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "sct line\r\n");
  profiles.Write("vireno.txt", "an old profile, longer than the new one\r\n");
  const std::string link = profiles.folder() / "active.txt";
  std::filesystem::create_hard_link(profiles.Target(), link);

  CopyProfile(profiles.settings(), Profile::Sct);

  EXPECT_EQ(profiles.Read("vireno.txt"), "sct line\r\n");
  EXPECT_EQ(profiles.Read("active.txt"), "sct line\r\n");
  EXPECT_TRUE(std::filesystem::equivalent(profiles.Target(), link));
  EXPECT_EQ(profiles.folder().Entries(), (Entries{"active.txt", "sct.txt", "vireno.txt"}));
}

TEST(CopyProfileTest, SourceThatIsTheTargetKeepsOnlyItsFirstLine) {
  ProfileFolder profiles;
  profiles.settings().ExtasiFile = kTargetFileName;
  profiles.Write("vireno.txt", "first\r\nsecond\r\n");

  CopyProfile(profiles.settings(), Profile::Extasi);
  EXPECT_EQ(profiles.Read("vireno.txt"), "first\r\n");
}

TEST(CopyProfileTest, EmptyBaseDirWorksInTheCurrentFolder) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "relative\r\n");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(profiles.folder().dir());
  profiles.settings().BaseDir.clear();

  const int error = test::ErrorNumberOf([&] { CopyProfile(profiles.settings(), Profile::Sct); });

  std::filesystem::current_path(previous);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(profiles.Read("vireno.txt"), "relative\r\n");
}

// Each case breaks one thing; the target keeps its content and no stray file
// is left beside it.
struct FailureCase {
  const char* name;
  void (*arrange)(ProfileFolder&);
  int error;
  Profile profile = Profile::Sct;
};

class CopyFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CopyFailure, RaisesAndLeavesTheTargetAlone) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "new\r\n");
  profiles.Write("vireno.txt", "old\r\n");
  GetParam().arrange(profiles);
  const Entries before = profiles.folder().Entries();
  const std::string source_before = profiles.Read("sct.txt");

  EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(profiles.settings(), GetParam().profile); }),
            GetParam().error);
  EXPECT_EQ(profiles.Read("vireno.txt"), "old\r\n");
  EXPECT_EQ(profiles.Read("sct.txt"), source_before);
  EXPECT_EQ(profiles.folder().Entries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    CopyProfile, CopyFailure,
    testing::Values(
        FailureCase{"SourceMissing", [](ProfileFolder& p) { p.settings().SctFile = "gone.txt"; },
                    53},
        FailureCase{"SourceFolderMissing",
                    [](ProfileFolder& p) { p.settings().SctFile = "gone\\sct.txt"; }, 76},
        FailureCase{"SourceIsAFolder", [](ProfileFolder& p) { p.settings().SctFile.clear(); }, 75},
        FailureCase{"SourceEmpty", [](ProfileFolder& p) { p.Write("sct.txt", ""); }, 62},
        // A NUL byte would end the path early, at another file: here the
        // Sct source, which must neither be read as the source nor replaced.
        FailureCase{"NulInBaseDir",
                    [](ProfileFolder& p) {
                      p.settings().BaseDir += std::string("sct.txt\0", 8) + test::kSeparator;
                    },
                    52},
        FailureCase{"NulInSctFile",
                    [](ProfileFolder& p) { p.settings().SctFile = std::string("sct.txt\0x", 9); },
                    52},
        FailureCase{
            "NulInExtasiFile",
            [](ProfileFolder& p) { p.settings().ExtasiFile = std::string("sct.txt\0x", 9); }, 52,
            Profile::Extasi},
        // Names Windows keeps for devices, whatever follows them, and names
        // no file can have: nothing is opened.
        FailureCase{"SctIsCon", [](ProfileFolder& p) { p.settings().SctFile = "CON"; }, 75},
        FailureCase{"SctIsNulTxt", [](ProfileFolder& p) { p.settings().SctFile = "nul.txt"; }, 75},
        FailureCase{"SctIsConSpaceTxt", [](ProfileFolder& p) { p.settings().SctFile = "con .txt"; },
                    75},
        FailureCase{"SctHasAWildcard", [](ProfileFolder& p) { p.settings().SctFile = "*.txt"; },
                    52},
        FailureCase{"SctHasAQuestionMark",
                    [](ProfileFolder& p) { p.settings().SctFile = "s?t.txt"; }, 52},
        FailureCase{"SctHasATab", [](ProfileFolder& p) { p.settings().SctFile = "sct\t.txt"; }, 52},
        FailureCase{"NoPathAtAll",
                    [](ProfileFolder& p) {
                      p.settings().BaseDir.clear();
                      p.settings().SctFile.clear();
                    },
                    52}),
    test::CaseName());

TEST(CopyProfileTest, ReadOnlyTargetIsPermissionDenied) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "new\r\n");
  profiles.Write("vireno.txt", "old\r\n");
  {
    test::Unwritable locked(profiles.Target());
    EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(profiles.settings(), Profile::Sct); }), 70);
  }
  EXPECT_EQ(profiles.Read("vireno.txt"), "old\r\n");
  EXPECT_EQ(profiles.folder().Entries(), (Entries{"sct.txt", "vireno.txt"}));
}

// A copy that runs holds a lock on its file; process numbers are reused, so
// a file named after this very process may be a dead copy's.
TEST(CopyProfileTest, RemovesTemporaryFilesOfCopiesThatDiedLongAgo) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "new\r\n");
  const std::string dead = ".vireno.txt." + std::to_string(test::kNoSuchProcess);
  const std::string own = ".vireno.txt." + std::to_string(test::CurrentProcessId());
  const std::string dead_long_ago = dead + "-7.tmp";
  // Perhaps a live copy in another process namespace or on another machine.
  const std::string dead_here_lately = dead + "-8.tmp";
  const std::string running = own + "-7.tmp";
  const std::string own_number_long_ago = own + "-8.tmp";
  const std::string locked_long_ago = dead + "-9.tmp";
  const std::string dead_record = dead + "-10.pending";
  const std::string unrelated = ".vireno.txt.notes.tmp";
  for (const auto& name : {dead_long_ago, dead_here_lately, running, own_number_long_ago,
                           locked_long_ago, dead_record, unrelated}) {
    profiles.Write(name, "partial");
  }
  for (const auto& name : {dead_long_ago, own_number_long_ago, locked_long_ago}) {
    const std::filesystem::path old_file = profiles.folder() / name;
    std::filesystem::last_write_time(
        old_file, std::filesystem::last_write_time(old_file) - std::chrono::minutes(11));
  }
  const platform::NativePath held = NativePathOrRaise(profiles.folder() / locked_long_ago);
  platform::File holder;
  ASSERT_EQ(platform::OpenToClaim(held, holder), platform::Failure::kNone);
  ASSERT_EQ(platform::Lock(holder), platform::Failure::kNone);

  CopyProfile(profiles.settings(), Profile::Sct);

  Entries expected{dead_here_lately, running, locked_long_ago, unrelated, "sct.txt", "vireno.txt"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(profiles.folder().Entries(), expected);
  EXPECT_EQ(profiles.Read("vireno.txt"), "new\r\n");
}

TEST(CopyProfileTest, TargetThatIsAFolderIsPathFileAccessError) {
  ProfileFolder profiles;
  profiles.Write("sct.txt", "new\r\n");
  test::MakeFolder(profiles.Target());
  EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(profiles.settings(), Profile::Sct); }), 75);
}

TEST(FileReplacementTest, MissingFolderIsPathNotFound) {
  test::TempFolder folder;
  const std::string path = folder / "gone" + test::kSeparator + "vireno.txt";
  EXPECT_EQ(test::ErrorNumberOf([&] {
              FileReplacement replacement(path);
              replacement.Write("x\r\n");
              replacement.Commit();
            }),
            76);
  EXPECT_TRUE(folder.Entries().empty());
}

}  // namespace
}  // namespace vireno
