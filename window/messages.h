#pragma once

// The program's own words, those of the error report. Each has a number, its
// string resource in vireno.exe, and its English text, its key in the
// gettext catalogue of the native program; po/ holds the translations of
// both programs.

namespace vireno::messages {

// "Run-time error {number}: {description}"
inline constexpr unsigned kReportSentence = 2000;
inline constexpr char kReportSentenceText[] = "Run-time error {number}: {description}";
// The description of error N is string kDescriptionBase + N.
inline constexpr unsigned kDescriptionBase = 2000;
// "default:RTL" for a language written right to left, else "default:LTR".
inline constexpr unsigned kReadingOrder = 2100;
inline constexpr char kReadingOrderText[] = "default:LTR";
inline constexpr char kRightToLeft[] = "default:RTL";

// The report's last line where a value of a failed copy's path came out of
// the settings file empty.
inline constexpr unsigned kNoFolder = 2101;
inline constexpr char kNoFolderText[] = "{settings}: line {line} gives no folder";
inline constexpr unsigned kNoFileName = 2102;
inline constexpr char kNoFileNameText[] = "{settings}: line {line} gives no file name";
inline constexpr unsigned kNoFolderNoFileName = 2103;
inline constexpr char kNoFolderNoFileNameText[] =
    "{settings}: lines {line} and {line2} give no folder and no file name";
// Added where the settings file holds line feeds: LF alone ends no line.
inline constexpr unsigned kCrLf = 2104;
inline constexpr char kCrLfText[] = "(its lines must end with CR LF)";

}  // namespace vireno::messages
