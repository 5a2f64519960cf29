#pragma once
// Text as a workbook cell and a sheet name hold it: UTF-8 that XML can carry, at most
// 32,767 characters in a cell, and sheet names of at most 31 characters without []:*?/\ .
#include <set>
#include <string>
#include <string_view>

namespace oxqr {

// Most characters a cell holds.
inline constexpr std::size_t kMaxCellChars = 32767;
// Most characters of a sheet name.
inline constexpr std::size_t kMaxSheetNameChars = 31;

struct TCellTextCounts {
  int Replaced = 0;  // characters written as '?'
  int Cut = 0;       // texts cut at kMaxCellChars
};

// `utf8` with every character XML cannot hold (control characters other than tab, LF and CR;
// U+FFFE, U+FFFF; bytes that are not UTF-8) written as '?', cut after kMaxCellChars
// characters; both counted in `counts`.
std::string WorkbookCellText(std::string_view utf8, TCellTextCounts& counts);

// A sheet name from `title` (UTF-8): the characters []:*?/\ dropped, apostrophes trimmed at
// both ends, "Sheet" when nothing is left, cut to 31 characters; when the name is already in
// `taken` (any letter case) a " 2", " 3" ... suffix takes the place of its last characters.
// The name returned is added to `taken` (stored in upper case).
std::string UniqueSheetName(std::string_view title, std::set<std::string>& taken);

}  // namespace oxqr
