#pragma once
// The ANSI code page of report text (the GetACP stand-in), 1252 unless set.
// Conversions go through iconv; a character the code page cannot hold becomes '?'.
#include <string>
#include <string_view>

class QString;

namespace oxqr {

int AnsiCodePage();
void SetAnsiCodePage(int codePage);

std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
QString AnsiToQString(std::string_view ansi);
std::string QStringToAnsi(const QString& s);

}  // namespace oxqr
