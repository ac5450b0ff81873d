#pragma once

#include <string>
#include <string_view>

namespace mole {

// A file or application name made safe for one line of a text report, the
// plain-text counterpart of jsonLine():
// - bytes that are not UTF-8 become U+FFFD;
// - line breaks and other control characters (including NEL, LINE and
//   PARAGRAPH SEPARATOR, which the app also splits at) are written as
//   visible escapes: \n, \r, \t, \xHH, \u2028;
// - an invisible WORD JOINER (U+2060) is put inside the engine's name, the
//   command phrases, the size markers and the report separators, so the
//   app's filters and parser neither drop the line nor misread the name.
std::string displayText(std::string_view name);

// The report's symbols and separators.
inline constexpr std::string_view kSection = "\u27a4 ";  // ➤
inline constexpr std::string_view kAction = "\u2192 ";   // →
inline constexpr std::string_view kReview = "\u2299 ";   // ⊙
inline constexpr std::string_view kNote = "\u26a0 ";     // ⚠
inline constexpr std::string_view kOk = "\u2713 ";       // ✓
inline constexpr std::string_view kFailed = "\u2717 ";   // ✗
inline constexpr std::string_view kDot = " \u00b7 ";     // " · "

// "1 item", "3 items"; `many` for plurals that are not `one` + "s".
std::string counted(long count, std::string_view one, std::string_view many = {});

// Writes one line of a text report (a line feed is added) straight to
// standard output. False when the reader has gone; stopRequested() then
// holds, so a deleting command ends after the item in hand.
bool printLine(std::string_view line);

}  // namespace mole
