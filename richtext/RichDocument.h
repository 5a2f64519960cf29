#pragma once
// The rich text document model: paragraphs of runs, each run one stretch of 8-bit ANSI
// text in one character format.
//
// Positions: one convention for every operation of this folder. A position counts the
// characters of the paragraphs' texts in order, plus one for each paragraph mark. Every
// paragraph except the last ends in a mark; the last one has none. A line break inside a
// paragraph ('\v', RTF \line) and a tab ('\t') are one character each. TextLength() is
// the number of positions, so a document read from "a\par b" has length 3, and one read
// from "a\par " has length 2 (its last paragraph is empty).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Color.h"

namespace oxqr {

// Font family keyword of the RTF font table (\fnil, \froman, ...).
enum class TRichFontFamily : std::uint8_t { fnil, froman, fswiss, fmodern, fscript, fdecor, ftech };

struct TRichCharFormat {
  std::string FontName = "Arial";
  TRichFontFamily Family = TRichFontFamily::fnil;
  int Charset = 0;           // RTF \fcharset
  int SizeHalfPoints = 20;   // \fs
  TColor Color = clNone;     // clNone: the automatic text colour (black)
  TColor Highlight = clNone; // background of the text; clNone: none
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  friend bool operator==(const TRichCharFormat&, const TRichCharFormat&) = default;
};

enum class TRichAlign : std::uint8_t { raLeft, raRight, raCenter, raJustify };

// Paragraph format; lengths in twips.
struct TRichParaFormat {
  TRichAlign Align = TRichAlign::raLeft;
  int LeftIndent = 0;
  int RightIndent = 0;
  int FirstIndent = 0;   // relative to LeftIndent, may be negative
  int SpaceBefore = 0;
  int SpaceAfter = 0;
  int LineSpacing = 0;   // \sl: 0 single, > 0 at least, < 0 exactly (twips)
  bool LineMultiple = false;  // \slmult1: LineSpacing / 240 of single spacing
  friend bool operator==(const TRichParaFormat&, const TRichParaFormat&) = default;
};

struct TRichRun {
  std::string Text;
  TRichCharFormat Format;
  friend bool operator==(const TRichRun&, const TRichRun&) = default;
};

struct TRichParagraph {
  TRichParaFormat Format;
  std::vector<TRichRun> Runs;
  TRichCharFormat MarkFormat;  // format of the paragraph mark (the height of an empty line)

  std::size_t Length() const;  // characters, without the mark
  std::string Text() const;
  // Appends text in `format`, joining it to the last run when the format is the same.
  void Append(std::string_view text, const TRichCharFormat& format);
  friend bool operator==(const TRichParagraph&, const TRichParagraph&) = default;
};

class TRichDocument {
 public:
  std::vector<TRichParagraph> Paragraphs;

  int TextLength() const;
  // Plain text of [start, end): paragraph marks become CR LF; end < 0 means the end.
  std::string PlainText(int start = 0, int end = -1) const;
  // The characters [start, end) as a document of their own (formats kept). A range that
  // ends just behind a paragraph mark gives a final empty paragraph, so that lengths add up.
  TRichDocument Slice(int start, int end) const;
  // Paragraph index and offset inside it of position `pos` (clamped to the text).
  struct TLocation {
    std::size_t Paragraph = 0;
    std::size_t Offset = 0;
  };
  TLocation Locate(int pos) const;
  // Position of the start of paragraph `index`.
  int ParagraphStart(std::size_t index) const;

  friend bool operator==(const TRichDocument&, const TRichDocument&) = default;
};

// A document of plain lines, one paragraph each, in one format.
TRichDocument DocumentFromLines(const std::vector<std::string>& lines, const TRichCharFormat& format,
                                const TRichParaFormat& para = {});

}  // namespace oxqr
