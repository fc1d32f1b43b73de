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

}  // namespace vireno::messages
