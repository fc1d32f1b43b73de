// Every language of po/ gives the error report all its words: the sentence,
// with both of its places, and the description of every error, for both
// programs (the Windows string tables are made from the same files).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "profile/error.h"
#include "window/messages.h"

namespace vireno {
namespace {

// The Windows strings of one catalogue file: string number -> text (the
// msgstr, or with `msgids` the English msgid).
std::map<unsigned, std::string> WindowsStrings(const std::string& file, bool msgids) {
  std::ifstream in(file);
  std::map<unsigned, std::string> strings;
  unsigned id = 0;
  const std::string marker = "#. Windows string ";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(marker, 0) == 0) {
      id = static_cast<unsigned>(std::stoul(line.substr(marker.size())));
    } else if (id != 0 && line.rfind(msgids ? "msgid \"" : "msgstr \"", 0) == 0) {
      const std::size_t start = line.find('"') + 1;
      strings[id] = line.substr(start, line.rfind('"') - start);
      id = 0;  // the entries after it may have no number
    }
  }
  return strings;
}

TEST(CatalogueTest, EveryLanguageHasTheWholeReport) {
  const std::string po = VIRENO_PO_DIR;
  const ErrorCode codes[] = {
      ErrorCode::kOverflow,         ErrorCode::kOutOfMemory,
      ErrorCode::kInternalError,    ErrorCode::kBadFileName,
      ErrorCode::kFileNotFound,     ErrorCode::kDeviceIoError,
      ErrorCode::kDiskFull,         ErrorCode::kInputPastEndOfFile,
      ErrorCode::kPermissionDenied, ErrorCode::kPathFileAccessError,
      ErrorCode::kPathNotFound,
  };
  // The English keys are the program's own texts.
  const auto english = WindowsStrings(po + "/vireno.pot", true);
  EXPECT_EQ(english.at(messages::kReportSentence), messages::kReportSentenceText);
  EXPECT_EQ(english.at(messages::kNoFolder), messages::kNoFolderText);
  EXPECT_EQ(english.at(messages::kNoFileName), messages::kNoFileNameText);
  EXPECT_EQ(english.at(messages::kNoFolderNoFileName), messages::kNoFolderNoFileNameText);
  EXPECT_EQ(english.at(messages::kCrLf), messages::kCrLfText);
  for (const ErrorCode code : codes) {
    EXPECT_EQ(english.at(messages::kDescriptionBase + static_cast<unsigned>(code)),
              DescribeError(code));
  }

  std::ifstream linguas(po + "/LINGUAS");
  int languages = 0;
  for (std::string lingua; linguas >> lingua; ++languages) {
    std::string file = po;
    file.append("/").append(lingua).append(".po");
    const auto strings = WindowsStrings(file, false);
    const auto text = [&](unsigned id) {
      const auto found = strings.find(id);
      return found == strings.end() ? std::string() : found->second;
    };
    const std::string sentence = text(messages::kReportSentence);
    EXPECT_NE(sentence.find("{number}"), std::string::npos) << lingua;
    EXPECT_NE(sentence.find("{description}"), std::string::npos) << lingua;
    for (const ErrorCode code : codes) {
      EXPECT_FALSE(text(messages::kDescriptionBase + static_cast<unsigned>(code)).empty())
          << lingua << " " << static_cast<int>(code);
    }
    for (const unsigned hint : {messages::kNoFolder, messages::kNoFileName,
                                messages::kNoFolderNoFileName, messages::kCrLf}) {
      EXPECT_FALSE(text(hint).empty()) << lingua << " " << hint;
    }
    const std::string order = text(messages::kReadingOrder);
    EXPECT_TRUE(order == messages::kReadingOrderText || order == messages::kRightToLeft) << lingua;
  }
  EXPECT_EQ(languages, 14);
}

}  // namespace
}  // namespace vireno
