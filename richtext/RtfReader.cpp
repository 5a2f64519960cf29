#include "RtfReader.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Utf8.h"
#include "platform/Errors.h"

namespace oxqr {

namespace {

// Groups deeper than this are skipped as a whole: real documents nest a few levels, and
// a bound keeps the state stack small on hostile input.
constexpr int kMaxDepth = 100;
// Control words longer than this are cut (the RTF specification allows 32 letters).
constexpr std::size_t kMaxWordLength = 32;
constexpr int kMaxTwips = 31680;  // 22 inches
constexpr int kMaxHalfPoints = 3276;

enum class TDest : std::uint8_t { Text, FontTable, ColorTable, Skip };

struct TFontEntry {
  std::string Name;
  TRichFontFamily Family = TRichFontFamily::fnil;
  int Charset = 0;
};

struct TGroupState {
  TDest Dest = TDest::Text;
  TRichCharFormat Char;
  TRichParaFormat Para;
  int FontNumber = -1;  // -1: no \f seen (the default font applies)
  int Uc = 1;
};

// Destinations whose content is not document text.
bool IsSkippedDestination(std::string_view w) {
  static constexpr std::string_view kSkip[] = {
      "info", "pict", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl",
      "footerr", "footerf", "footnote", "object", "listtable", "listoverridetable", "revtbl", "rsidtbl",
      "filetbl", "pntext", "pntxta", "pntxtb", "xmlnstbl", "themedata", "colorschememapping",
      "latentstyles", "datastore", "generator", "bkmkstart", "bkmkend", "template", "userprops",
      "docvar", "fldinst", "shp", "shpinst", "nonshppict", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc",
      "annotation", "atnid", "atnauthor", "listtext", "mmathPr", "pgdsctbl", "fontemb", "fontfile"};
  return std::find(std::begin(kSkip), std::end(kSkip), w) != std::end(kSkip);
}

TRichFontFamily FamilyFromWord(std::string_view w, bool& isFamily) {
  static constexpr std::pair<std::string_view, TRichFontFamily> kFamilies[] = {
      {"fnil", TRichFontFamily::fnil},       {"froman", TRichFontFamily::froman},
      {"fswiss", TRichFontFamily::fswiss},   {"fmodern", TRichFontFamily::fmodern},
      {"fscript", TRichFontFamily::fscript}, {"fdecor", TRichFontFamily::fdecor},
      {"ftech", TRichFontFamily::ftech}};
  for (const auto& [name, family] : kFamilies) {
    if (w == name) {
      isFamily = true;
      return family;
    }
  }
  isFamily = false;
  return TRichFontFamily::fnil;
}

std::string CodePointToAnsi(std::uint32_t cp) {
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  std::string utf8;
  AppendUtf8(utf8, cp);
  std::string ansi = Utf8ToAnsi(utf8);
  return ansi.empty() ? std::string("?") : ansi;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class TRtfParser {
 public:
  explicit TRtfParser(std::string_view data) : data_(data) {}

  TRtfReadResult Run();

 private:
  // ---- input
  bool AtEnd() const { return pos_ >= data_.size(); }
  void ReadControl();
  void Word(std::string_view word, bool hasParam, long param);
  void Symbol(char c);
  void OpenGroup();
  void CloseGroup();
  void TextByte(char c);

  // ---- output
  void Flush();
  void EndParagraph();
  void Finish();
  void AddText(std::string_view s);
  void Error(const std::string& message);
  TGroupState& S() { return stack_.back(); }
  void ApplyFont(TGroupState& st, int number);
  TColor ColorAt(long index) const;
  void ResetChar(TGroupState& st);
  void StoreFont();

  std::string_view data_;
  std::size_t pos_ = 0;
  std::vector<TGroupState> stack_;
  int skippedDepth_ = 0;  // groups open beyond kMaxDepth
  bool done_ = false;     // the document's outer group has closed
  int skipChars_ = 0;     // characters still to skip after \uN
  std::uint32_t highSurrogate_ = 0;

  std::map<int, TFontEntry> fonts_;
  int deff_ = 0;
  int fontEntryNumber_ = -1;
  TFontEntry fontEntry_;
  std::vector<TColor> colors_;
  int red_ = -1, green_ = -1, blue_ = -1;

  TRtfReadResult result_;
  TRichParagraph paragraph_;
  std::string pending_;
  TRichCharFormat pendingFormat_;
};

void TRtfParser::Error(const std::string& message) {
  if (result_.Error.empty()) result_.Error = message;
}

TColor TRtfParser::ColorAt(long index) const {
  if (index < 0 || index >= static_cast<long>(colors_.size())) return clNone;
  return colors_[static_cast<std::size_t>(index)];
}

void TRtfParser::ApplyFont(TGroupState& st, int number) {
  st.FontNumber = number;
  const auto it = fonts_.find(number);
  if (it == fonts_.end()) return;
  if (!it->second.Name.empty()) st.Char.FontName = it->second.Name;
  st.Char.Family = it->second.Family;
  st.Char.Charset = it->second.Charset;
}

void TRtfParser::StoreFont() {
  std::string& name = fontEntry_.Name;
  const auto first = name.find_first_not_of(' ');
  name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
  fonts_[fontEntryNumber_] = fontEntry_;
}

void TRtfParser::ResetChar(TGroupState& st) {
  st.Char = TRichCharFormat{};
  st.Char.SizeHalfPoints = 24;  // the RTF default of 12 points
  ApplyFont(st, deff_);
  st.FontNumber = -1;  // the default font, also when the font table comes later
}

void TRtfParser::Flush() {
  if (pending_.empty()) return;
  paragraph_.Append(pending_, pendingFormat_);
  pending_.clear();
}

void TRtfParser::AddText(std::string_view s) {
  if (stack_.empty() || S().Dest == TDest::Skip) return;
  if (S().Dest == TDest::FontTable) {
    for (char c : s) {
      if (c == ';') {
        if (fontEntryNumber_ >= 0) StoreFont();
        fontEntry_ = {};
        fontEntryNumber_ = -1;
      } else {
        fontEntry_.Name += c;
      }
    }
    return;
  }
  if (S().Dest == TDest::ColorTable) {
    for (char c : s) {
      if (c != ';') continue;
      colors_.push_back(red_ < 0 && green_ < 0 && blue_ < 0
                            ? clNone
                            : RGBColor(std::max(red_, 0), std::max(green_, 0), std::max(blue_, 0)));
      red_ = green_ = blue_ = -1;
    }
    return;
  }
  if (s.size() == 1 && static_cast<unsigned char>(s[0]) < 0x20 && s[0] != '\t' && s[0] != '\v') return;
  if (!pending_.empty() && !(pendingFormat_ == S().Char)) Flush();
  if (pending_.empty()) pendingFormat_ = S().Char;
  pending_.append(s);
}

void TRtfParser::EndParagraph() {
  Flush();
  paragraph_.Format = S().Para;
  paragraph_.MarkFormat = S().Char;
  result_.Document.Paragraphs.push_back(std::move(paragraph_));
  paragraph_ = TRichParagraph{};
}

void TRtfParser::Finish() {
  Flush();
  paragraph_.Format = stack_.empty() ? TRichParaFormat{} : S().Para;
  paragraph_.MarkFormat = stack_.empty() ? TRichCharFormat{} : S().Char;
  result_.Document.Paragraphs.push_back(std::move(paragraph_));
  paragraph_ = TRichParagraph{};
}

void TRtfParser::OpenGroup() {
  skipChars_ = 0;
  if (skippedDepth_ > 0 || static_cast<int>(stack_.size()) >= kMaxDepth) {
    if (skippedDepth_ == 0) Error("groups nested too deeply");
    ++skippedDepth_;
    return;
  }
  stack_.push_back(stack_.back());
}

void TRtfParser::CloseGroup() {
  skipChars_ = 0;
  if (skippedDepth_ > 0) {
    --skippedDepth_;
    return;
  }
  Flush();
  const TDest closing = S().Dest;
  if (closing == TDest::FontTable && fontEntryNumber_ >= 0 && !fontEntry_.Name.empty()) {
    StoreFont();  // an entry closed without its ';'
    fontEntry_ = {};
    fontEntryNumber_ = -1;
  }
  if (stack_.size() == 2) {  // the document group closes: its state is final
    Finish();
    stack_.pop_back();
    done_ = true;
    return;
  }
  stack_.pop_back();
  // Text written after the font table uses the default font unless \f said otherwise.
  if (closing == TDest::FontTable && S().Dest != TDest::FontTable && S().FontNumber < 0) ApplyFont(S(), deff_);
}

void TRtfParser::TextByte(char c) {
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return;  // raw line ends and controls
  if (c == '\t') {
    AddText("\t");
    return;
  }
  const char s[1] = {c};
  AddText(std::string_view(s, 1));
}

void TRtfParser::Symbol(char c) {
  switch (c) {
    case '\\': case '{': case '}': {
      if (skipChars_ > 0) {
        --skipChars_;
        return;
      }
      const char s[1] = {c};
      AddText(std::string_view(s, 1));
      return;
    }
    case '~': AddText(CodePointToAnsi(0xA0)); return;
    case '_': AddText("-"); return;
    case '*': if (!stack_.empty()) S().Dest = TDest::Skip; return;
    case '\r': case '\n': Word("par", false, 0); return;
    default: return;  // \- \| \: and unknown symbols
  }
}

void TRtfParser::ReadControl() {
  ++pos_;  // backslash
  if (AtEnd()) {
    Error("unexpected end of data after a backslash");
    return;
  }
  const char c = data_[pos_];
  if (c == '\'') {
    ++pos_;
    const int hi = pos_ < data_.size() ? HexValue(data_[pos_]) : -1;
    const int lo = pos_ + 1 < data_.size() ? HexValue(data_[pos_ + 1]) : -1;
    if (hi < 0 || lo < 0) {
      Error("bad hexadecimal character escape");
      return;
    }
    pos_ += 2;
    if (skipChars_ > 0) {
      --skipChars_;
      return;
    }
    const char s[1] = {static_cast<char>(hi * 16 + lo)};
    AddText(std::string_view(s, 1));
    return;
  }
  const auto isAlpha = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
  if (!isAlpha(c)) {
    ++pos_;
    Symbol(c);
    return;
  }
  const std::size_t wordStart = pos_;
  while (!AtEnd() && isAlpha(data_[pos_])) ++pos_;
  const std::string_view word = data_.substr(wordStart, std::min(pos_ - wordStart, kMaxWordLength));
  bool negative = false;
  if (!AtEnd() && data_[pos_] == '-') {
    negative = true;
    ++pos_;
  }
  bool hasParam = false;
  long param = 0;
  while (!AtEnd() && data_[pos_] >= '0' && data_[pos_] <= '9') {
    hasParam = true;
    param = std::min(param * 10 + (data_[pos_] - '0'), 1'000'000'000L);  // saturates absurd numbers
    ++pos_;
  }
  if (negative) param = -param;
  if (!AtEnd() && data_[pos_] == ' ') ++pos_;
  if (word == "bin") {  // binary data: skip its bytes whatever the destination
    const std::size_t n = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
    if (n > data_.size() - pos_) Error("binary data runs past the end");
    pos_ += std::min(n, data_.size() - pos_);
    return;
  }
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  Word(word, hasParam, param);
}

void TRtfParser::Word(std::string_view w, bool hasParam, long param) {
  if (stack_.empty()) return;
  TGroupState& st = S();
  const bool on = !hasParam || param != 0;
  const auto twips = [&](long v) { return static_cast<int>(std::clamp(v, -long{kMaxTwips}, long{kMaxTwips})); };
  const auto flushIf = [&] { Flush(); };

  if (st.Dest == TDest::Skip) return;
  if (st.Dest == TDest::FontTable) {
    bool isFamily = false;
    const TRichFontFamily family = FamilyFromWord(w, isFamily);
    if (isFamily) {
      fontEntry_.Family = family;
    } else if (w == "f") {
      fontEntryNumber_ = static_cast<int>(std::clamp(param, 0L, 65535L));
      fontEntry_ = {};
    } else if (w == "fcharset") {
      fontEntry_.Charset = static_cast<int>(std::clamp(param, 0L, 255L));
    } else if (IsSkippedDestination(w)) {
      st.Dest = TDest::Skip;
    }
    return;
  }
  if (st.Dest == TDest::ColorTable) {
    const int v = static_cast<int>(std::clamp(param, 0L, 255L));
    if (w == "red") red_ = v;
    else if (w == "green") green_ = v;
    else if (w == "blue") blue_ = v;
    return;
  }

  if (w == "fonttbl") { flushIf(); st.Dest = TDest::FontTable; return; }
  if (w == "colortbl") { flushIf(); st.Dest = TDest::ColorTable; colors_.clear(); return; }
  if (IsSkippedDestination(w)) { flushIf(); st.Dest = TDest::Skip; return; }
  if (w == "deff") { deff_ = static_cast<int>(std::clamp(param, 0L, 65535L)); return; }
  if (w == "uc") { st.Uc = static_cast<int>(std::clamp(param, 0L, 16L)); return; }
  if (w == "u") {
    if (!hasParam || param == 0) return;
    long v = std::clamp(param, -32768L, 65535L);
    if (v < 0) v += 65536;
    const auto cp = static_cast<std::uint32_t>(v);
    skipChars_ = st.Uc;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      highSurrogate_ = cp;
      return;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF) {
      if (highSurrogate_ != 0) AddText(CodePointToAnsi(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00)));
      highSurrogate_ = 0;
      return;
    }
    highSurrogate_ = 0;
    AddText(CodePointToAnsi(cp));
    return;
  }
  if (w == "par" || w == "sect" || w == "page" || w == "row") { EndParagraph(); return; }
  if (w == "line") { AddText("\v"); return; }
  if (w == "tab" || w == "cell") { AddText("\t"); return; }
  static constexpr std::pair<std::string_view, std::uint32_t> kSymbols[] = {
      {"emdash", 0x2014}, {"endash", 0x2013}, {"bullet", 0x2022}, {"lquote", 0x2018},
      {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
      {"enspace", 0x2002}};
  for (const auto& [name, cp] : kSymbols) {
    if (w == name) {
      AddText(CodePointToAnsi(cp));
      return;
    }
  }

  // Formatting: pending text keeps the format it was typed in.
  flushIf();
  TRichParaFormat& pf = st.Para;
  TRichCharFormat& cf = st.Char;
  if (w == "pard") pf = TRichParaFormat{};
  else if (w == "ql") pf.Align = TRichAlign::raLeft;
  else if (w == "qr") pf.Align = TRichAlign::raRight;
  else if (w == "qc") pf.Align = TRichAlign::raCenter;
  else if (w == "qj") pf.Align = TRichAlign::raJustify;
  else if (w == "li") pf.LeftIndent = twips(param);
  else if (w == "ri") pf.RightIndent = twips(param);
  else if (w == "fi") pf.FirstIndent = twips(param);
  else if (w == "sb") pf.SpaceBefore = std::max(0, twips(param));
  else if (w == "sa") pf.SpaceAfter = std::max(0, twips(param));
  else if (w == "sl") pf.LineSpacing = twips(param);
  else if (w == "slmult") pf.LineMultiple = on;
  else if (w == "plain") ResetChar(st);
  else if (w == "f") ApplyFont(st, static_cast<int>(std::clamp(param, 0L, 65535L)));
  else if (w == "fs") cf.SizeHalfPoints = static_cast<int>(std::clamp(hasParam ? param : 24L, 1L, long{kMaxHalfPoints}));
  else if (w == "b") cf.Bold = on;
  else if (w == "i") cf.Italic = on;
  else if (w == "strike" || w == "striked") cf.StrikeOut = on;
  else if (w == "ulnone") cf.Underline = false;
  else if (w == "ul" || w == "ulw" || w == "uld" || w == "uldb" || w == "uldash" || w == "uldashd" ||
           w == "uldashdd" || w == "ulth" || w == "ulwave" || w == "ulhwave" || w == "ululdbwave")
    cf.Underline = on;
  else if (w == "cf") cf.Color = ColorAt(param);
  else if (w == "highlight" || w == "cb") cf.Highlight = ColorAt(param);
  // Every other word (\ansi, \ansicpg, \viewkind, \lang, ...) changes nothing we keep.
}

TRtfReadResult TRtfParser::Run() {
  stack_.push_back(TGroupState{});  // the state outside every group
  ResetChar(S());
  bool started = false;
  while (!AtEnd() && !done_) {
    const char c = data_[pos_];
    if (skippedDepth_ > 0) {  // inside groups that are too deep: only braces count
      if (c == '{') ++skippedDepth_;
      else if (c == '}') --skippedDepth_;
      else if (c == '\\') ++pos_;  // an escaped brace is not a brace
      ++pos_;
      continue;
    }
    if (c == '{') {
      ++pos_;
      OpenGroup();
      started = true;
    } else if (c == '}') {
      ++pos_;
      if (stack_.size() <= 1) {
        Error("unbalanced closing brace");
        break;
      }
      CloseGroup();
    } else if (c == '\\') {
      ReadControl();
    } else {
      ++pos_;
      if (stack_.size() > 1) TextByte(c);
    }
  }
  if (!done_) {
    if (started) Error("unexpected end of data: a group is not closed");
    Finish();
  }
  return std::move(result_);
}

TRtfReadResult ReadPlainText(std::string_view data) {
  TRtfReadResult result;
  TRichCharFormat format;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= data.size(); ++i) {
    if (i < data.size() && data[i] != '\r' && data[i] != '\n') continue;
    TRichParagraph p;
    p.MarkFormat = format;
    std::string line(data.substr(start, i - start));
    // Control characters other than tab and line break have no place in the model.
    std::erase_if(line, [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\v'; });
    p.Append(line, format);
    result.Document.Paragraphs.push_back(std::move(p));
    if (i + 1 < data.size() && data[i] == '\r' && data[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return result;
}

}  // namespace

bool LooksLikeRtf(std::string_view data) {
  const std::size_t first = data.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && data.substr(first, 5) == "{\\rtf";
}

TRtfReadResult ReadRtf(std::string_view data) {
  if (!LooksLikeRtf(data)) return ReadPlainText(data);
  return TRtfParser(data).Run();
}

TRichDocument LoadRtf(std::string_view data) {
  TRtfReadResult r = ReadRtf(data);
  if (!r.Ok()) throw EInvalidData("RTF: " + r.Error);
  return std::move(r.Document);
}

}  // namespace oxqr
