#include <gtest/gtest.h>

#include <algorithm>

#include <QString>

#include "platform/CodePage.h"

using namespace oxqr;

namespace {

// Restores the code page a test changed.
struct CodePageGuard {
  int saved = AnsiCodePage();
  ~CodePageGuard() { SetAnsiCodePage(saved); }
};

}  // namespace

TEST(CodePageTest, DefaultsTo1252) { EXPECT_EQ(AnsiCodePage(), 1252); }

TEST(CodePageTest, Cp1252RoundTrip) {
  // e acute, euro sign (0x80 in 1252), left/right double quotes, German sharp s.
  const std::string utf8 = "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC3\x9F";
  const std::string ansi = Utf8ToAnsi(utf8);
  EXPECT_EQ(ansi, "caf\xE9 \x80 \x93q\x94 \xDF");
  EXPECT_EQ(AnsiToUtf8(ansi), utf8);
  EXPECT_EQ(QStringToAnsi(AnsiToQString(ansi)), ansi);
  EXPECT_EQ(AnsiToQString("\x80"), QString(QChar(0x20AC)));
}

TEST(CodePageTest, WhatTheCodePageCannotHoldBecomesQuestionMark) {
  const struct { const char* utf8; const char* ansi; } cases[] = {
      {"\xD0\x96", "?"},                  // Cyrillic Zhe
      {"a\xE4\xB8\xAD" "b", "a?b"},       // CJK ideograph between ASCII
      {"\xF0\x9F\x98\x80", "?"},          // emoji outside the BMP
      {"x\xFFy", "x?y"},                  // invalid UTF-8 byte
      {"\xC3", "?"},                      // truncated sequence
      {"\xC0\xAF", "??"},                 // overlong form
  };
  // Each '?' made is counted, so a program can say how many characters it lost.
  for (const auto& c : cases) {
    const auto before = LostCharacterCount();
    const std::string ansi = Utf8ToAnsi(c.utf8);
    EXPECT_EQ(ansi, c.ansi) << c.utf8;
    EXPECT_EQ(LostCharacterCount() - before, static_cast<std::uint64_t>(std::count(ansi.begin(), ansi.end(), '?')))
        << c.utf8;
  }
  const auto before = LostCharacterCount();
  EXPECT_EQ(QStringToAnsi(QString::fromUtf8("\xD0\x96z")), "?z");
  EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 ?"), "caf\xE9 ?");  // a '?' of the text itself is not lost
  EXPECT_EQ(LostCharacterCount() - before, 1u);
  // 0x81 has no character in 1252.
  EXPECT_EQ(AnsiToUtf8("\x81"), "?");
}

TEST(CodePageTest, OtherCodePagesCanBeSelected) {
  CodePageGuard guard;
  SetAnsiCodePage(1251);
  EXPECT_EQ(Utf8ToAnsi("\xD0\x96"), "\xC6");       // Cyrillic Zhe is 0xC6 in 1251
  EXPECT_EQ(AnsiToUtf8("\xC6"), "\xD0\x96");
  SetAnsiCodePage(932);                             // a double-byte code page
  EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi("\xE6\x97\xA5")), "\xE6\x97\xA5");
  const auto before = LostCharacterCount();
  EXPECT_EQ(Utf8ToAnsi("\xC3\xA9x"), "?x");         // e acute is not in 932
  EXPECT_EQ(LostCharacterCount() - before, 1u);
  SetAnsiCodePage(99999);                           // unknown: 1252 is used
  EXPECT_EQ(Utf8ToAnsi("\xC3\xA9"), "\xE9");
}
