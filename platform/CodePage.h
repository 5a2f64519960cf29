#pragma once
// The ANSI code page of report text (the GetACP stand-in), 1252 unless set.
// Conversions go through iconv; a character the code page cannot hold becomes '?'.
#include <cstdint>
#include <string>
#include <string_view>

class QString;

namespace oxqr {

int AnsiCodePage();
void SetAnsiCodePage(int codePage);

std::string Utf8ToAnsi(std::string_view utf8);
// How many characters Utf8ToAnsi and QStringToAnsi have turned into '?' since the program
// started (characters the code page cannot hold, invalid UTF-8). Read it before and after a
// piece of work to tell how many that work lost.
std::uint64_t LostCharacterCount();
std::string AnsiToUtf8(std::string_view ansi);
QString AnsiToQString(std::string_view ansi);
std::string QStringToAnsi(const QString& s);

}  // namespace oxqr
