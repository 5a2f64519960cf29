#pragma once
// The ANSI code page of report text (the GetACP stand-in), 1252 unless set.
// Conversions go through iconv; a character the code page cannot hold becomes '?'.
// The Unicode mode: SetAnsiCodePage(CP_UTF8) makes report text UTF-8 from the data to every
// file; every conversion here then passes text through unchanged, so no character is lost
// (only bytes that are not UTF-8 become '?').
#include <cstdint>
#include <string>
#include <string_view>

class QString;

namespace oxqr {

constexpr int CP_UTF8 = 65001;

int AnsiCodePage();
void SetAnsiCodePage(int codePage);
// True in the Unicode mode (the code page is CP_UTF8).
bool UnicodeMode();

std::string Utf8ToAnsi(std::string_view utf8);
// UTF-8 text in the code page `codePage`, lost characters as '?' and counted as Utf8ToAnsi
// counts them.
std::string Utf8ToCodePage(std::string_view utf8, int codePage);

// Formats that hold only 8-bit text (BIFF2 worksheets, WMF) write the ANSI code page; in
// the Unicode mode they write kEightBitFallback instead, and what it cannot hold becomes
// '?' and counts in LostCharacterCount.
constexpr int kEightBitFallback = 1252;
int EightBitCodePage();
// Report text (in the ANSI code page, or UTF-8 in the Unicode mode) as EightBitCodePage text.
std::string ToEightBitText(std::string_view text);
// How many characters Utf8ToAnsi and QStringToAnsi have turned into '?' since the program
// started (characters the code page cannot hold, invalid UTF-8). Read it before and after a
// piece of work to tell how many that work lost.
std::uint64_t LostCharacterCount();
std::string AnsiToUtf8(std::string_view ansi);
QString AnsiToQString(std::string_view ansi);
std::string QStringToAnsi(const QString& s);

}  // namespace oxqr
