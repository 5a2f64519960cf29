#include "RtfWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/CodePage.h"
#include "platform/RtfFaceWords.h"
#include "platform/RtfUnicode.h"

namespace oxqr {

namespace {

const char* FamilyWord(TRichFontFamily f) {
  switch (f) {
    case TRichFontFamily::froman: return "\\froman";
    case TRichFontFamily::fswiss: return "\\fswiss";
    case TRichFontFamily::fmodern: return "\\fmodern";
    case TRichFontFamily::fscript: return "\\fscript";
    case TRichFontFamily::fdecor: return "\\fdecor";
    case TRichFontFamily::ftech: return "\\ftech";
    case TRichFontFamily::fnil: break;
  }
  return "\\fnil";
}

// A font name as table text: specials and non-ASCII bytes as \'hh.
std::string EscapeFontName(const std::string& name) {
  std::string s;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (const std::size_t len = AppendRtfUnicodeAt(s, name, i); len > 0) {
      i += len - 1;
      continue;
    }
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c >= 0x80 || c == '\\' || c == '{' || c == '}') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\'%02x", c);
      s += hex;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s;
}

struct TFontKey {
  std::string Name;
  TRichFontFamily Family;
  int Charset;
  friend bool operator==(const TFontKey&, const TFontKey&) = default;
};

class TRtfEmitter {
 public:
  explicit TRtfEmitter(const TRichDocument& doc) : doc_(doc) { CollectTables(); }
  std::string Write();

 private:
  void CollectTables();
  void Use(const TRichCharFormat& f);
  int FontIndex(const TRichCharFormat& f) const;
  int ColorIndex(TColor c) const;  // 0 for the automatic colour
  void Para(const TRichParaFormat& p);
  void Chars(const TRichCharFormat& f);
  void Text(const std::string& text);
  void Control(const std::string& word) {
    out_ += word;
    delimit_ = true;
  }
  void Number(const char* word, long v) { Control(word + std::to_string(v)); }

  const TRichDocument& doc_;
  std::vector<TFontKey> fonts_;
  std::vector<TColor> colors_;
  std::string out_;
  bool delimit_ = false;  // a control word waits for its delimiter before text
  TRichCharFormat cur_;
  bool curValid_ = false;
};

void TRtfEmitter::Use(const TRichCharFormat& f) {
  const TFontKey key{f.FontName, f.Family, f.Charset};
  if (std::find(fonts_.begin(), fonts_.end(), key) == fonts_.end()) fonts_.push_back(key);
  for (TColor c : {f.Color, f.Highlight}) {
    if (c != clNone && std::find(colors_.begin(), colors_.end(), c) == colors_.end()) colors_.push_back(c);
  }
}

void TRtfEmitter::CollectTables() {
  for (const auto& p : doc_.Paragraphs) {
    for (const auto& r : p.Runs) Use(r.Format);
    Use(p.MarkFormat);
  }
  if (fonts_.empty()) fonts_.push_back(TFontKey{"Arial", TRichFontFamily::fnil, 0});
}

int TRtfEmitter::FontIndex(const TRichCharFormat& f) const {
  const TFontKey key{f.FontName, f.Family, f.Charset};
  return static_cast<int>(std::find(fonts_.begin(), fonts_.end(), key) - fonts_.begin());
}

int TRtfEmitter::ColorIndex(TColor c) const {
  if (c == clNone) return 0;
  return static_cast<int>(std::find(colors_.begin(), colors_.end(), c) - colors_.begin()) + 1;
}

void TRtfEmitter::Para(const TRichParaFormat& p) {
  Control("\\pard");
  switch (p.Align) {
    case TRichAlign::raRight: Control("\\qr"); break;
    case TRichAlign::raCenter: Control("\\qc"); break;
    case TRichAlign::raJustify: Control("\\qj"); break;
    case TRichAlign::raLeft: break;
  }
  if (p.LeftIndent != 0) Number("\\li", p.LeftIndent);
  if (p.RightIndent != 0) Number("\\ri", p.RightIndent);
  if (p.FirstIndent != 0) Number("\\fi", p.FirstIndent);
  if (p.SpaceBefore != 0) Number("\\sb", p.SpaceBefore);
  if (p.SpaceAfter != 0) Number("\\sa", p.SpaceAfter);
  if (p.LineSpacing != 0 || p.LineMultiple) {
    Number("\\sl", p.LineSpacing);
    Number("\\slmult", p.LineMultiple ? 1 : 0);
  }
}

// Emits the changes from the current character format to `f`.
void TRtfEmitter::Chars(const TRichCharFormat& f) {
  const bool all = !curValid_;
  if (all ? f.Color != clNone : f.Color != cur_.Color) Number("\\cf", ColorIndex(f.Color));
  if (all ? f.Highlight != clNone : f.Highlight != cur_.Highlight) Number("\\highlight", ColorIndex(f.Highlight));
  if (all ? f.Bold : f.Bold != cur_.Bold) Control(f.Bold ? "\\b" : "\\b0");
  if (all ? f.Italic : f.Italic != cur_.Italic) Control(f.Italic ? "\\i" : "\\i0");
  if (all ? f.Underline : f.Underline != cur_.Underline) Control(f.Underline ? "\\ul" : "\\ulnone");
  if (all ? f.StrikeOut : f.StrikeOut != cur_.StrikeOut) Control(f.StrikeOut ? "\\strike" : "\\strike0");
  if (all || FontIndex(f) != FontIndex(cur_)) Number("\\f", FontIndex(f));
  if (all || f.SizeHalfPoints != cur_.SizeHalfPoints) Number("\\fs", f.SizeHalfPoints);
  cur_ = f;
  curValid_ = true;
}

void TRtfEmitter::Text(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\t') {
      Control("\\tab");
      continue;
    }
    if (c == '\v') {
      Control("\\line");
      continue;
    }
    if (c < 0x20) continue;
    if (delimit_) out_ += ' ';
    delimit_ = false;
    if (const std::size_t len = AppendRtfUnicodeAt(out_, text, i); len > 0) {
      i += len - 1;
      continue;
    }
    if (c == '\\' || c == '{' || c == '}') {
      out_ += '\\';
      out_ += static_cast<char>(c);
    } else if (c >= 0x80) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\'%02x", c);
      out_ += hex;
    } else {
      out_ += static_cast<char>(c);
    }
  }
}

std::string TRtfEmitter::Write() {
  out_ = "{\\rtf1\\ansi\\ansicpg" + std::to_string(AnsiCodePage()) + "\\deff0{\\fonttbl";
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    // A face readers would not find by its name names the face that draws it as its
    // alternative (the family stays the text's own, so that the text reads back equal).
    out_ += "{\\f" + std::to_string(i) + FamilyWord(fonts_[i].Family) + "\\fcharset" +
            std::to_string(fonts_[i].Charset) + " " + EscapeFontName(fonts_[i].Name) +
            RtfFaceWords(fonts_[i].Name).Alternative + ";}";
  }
  out_ += "}\r\n";
  if (!colors_.empty()) {
    out_ += "{\\colortbl ;";
    for (TColor c : colors_) {
      out_ += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
              std::to_string(GetBValue(c)) + ";";
    }
    out_ += "}\r\n";
  }
  Control("\\viewkind4\\uc1");
  for (std::size_t i = 0; i < doc_.Paragraphs.size(); ++i) {
    const TRichParagraph& p = doc_.Paragraphs[i];
    if (i == 0 || !(p.Format == doc_.Paragraphs[i - 1].Format)) Para(p.Format);
    for (const auto& run : p.Runs) {
      Chars(run.Format);
      Text(run.Text);
    }
    // The mark's own format: an empty line keeps its height, and it reads back the same.
    if (!curValid_ || !(cur_ == p.MarkFormat)) Chars(p.MarkFormat);
    if (i + 1 < doc_.Paragraphs.size()) {
      Control("\\par");
      out_ += "\r\n";
      delimit_ = false;
    }
  }
  out_ += "\r\n}\r\n";
  return out_;
}

}  // namespace

std::string WriteRtf(const TRichDocument& doc) { return TRtfEmitter(doc).Write(); }

std::string RangeAsRtf(const TRichDocument& doc, int start, int end) {
  return WriteRtf(doc.Slice(start, end));
}

}  // namespace oxqr
