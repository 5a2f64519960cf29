#pragma once
// Embedding a rich text piece (an RTF document of its own) into the document being written.
// The piece is read token by token: its font and colour tables move into the document's
// tables, every font and colour reference is renumbered to the document's entry made from
// it, and the header and tables are dropped, so that only the piece's body remains.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

// One lexical unit of RTF.
struct TRtfToken {
  enum class TKind : unsigned char { GroupOpen, GroupClose, Word, Symbol, Text };
  TKind Kind = TKind::Text;
  std::string Name;      // control word without the backslash (Word)
  bool HasParam = false; // Word with a numeric parameter
  long Param = 0;
  std::string Raw;       // Symbol and Text: the bytes as they stand (for \bin: the data too)
};

// Splits RTF into tokens. A control word's delimiting blank is consumed; \binN takes its N
// data bytes into the token's Raw. Never fails: a lone backslash at the end is text.
std::vector<TRtfToken> TokenizeRtf(std::string_view rtf);

// Where the piece's tables go. AddFont receives a font entry without its number (e.g.
// "\fnil\fcharset0 Arial;") and returns the document font number reserved for it; AddColor
// receives a colour entry ("\red255\green0\blue0;") and returns its document colour number.
struct TRtfTableSink {
  std::function<int(const std::string& entryWithoutNumber)> AddFont;
  std::function<int(const std::string& entry)> AddColor;
  // Optional: the proportional line spacing (in 240ths of a line) under which a reader sets
  // lines of `face` at `halfPoints` as far apart as our own layout does; 0 for none.
  std::function<int(const std::string& face, int halfPoints)> LineSpacing;
};

struct TRtfMergedPiece {
  std::string Body;       // the piece's content as one balanced group "{\plain...}"
  std::string FontTable;  // its font entries renumbered, "{\f2\fnil\fcharset0 Arial;}..."
};

// Merges `rtf` into the document through `sink`. References to fonts the piece does not
// define go to its default font (or are dropped when it has none); references to colours it
// does not define become the automatic colour. Text outside the piece's group is ignored and
// unbalanced braces are balanced. The body starts with \plain, so that it does not take the
// character formatting of the text around the box. Body changes: \viewkindN becomes \viewkind1, \lang1049 is
// dropped, and every \fs is preceded by \expnd-1\expndtw-6 (slightly condensed text). With
// sink.LineSpacing, a paragraph without line spacing of its own gets \slN\slmult1 for the
// font and size its text starts with.
TRtfMergedPiece MergeRichTextPiece(std::string_view rtf, const TRtfTableSink& sink);

}  // namespace oxqr
