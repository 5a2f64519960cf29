#include "RtfRichPiece.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

namespace oxqr {

namespace {

using TKind = TRtfToken::TKind;

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Index of the token that closes the group opened at `open`, or tokens.size() when the
// group is never closed.
std::size_t MatchingClose(const std::vector<TRtfToken>& tokens, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < tokens.size(); ++i) {
    if (tokens[i].Kind == TKind::GroupOpen) ++depth;
    if (tokens[i].Kind == TKind::GroupClose && --depth == 0) return i;
  }
  return tokens.size();
}

bool IsWord(const TRtfToken& t, std::string_view name) { return t.Kind == TKind::Word && t.Name == name; }

// The first control word of the group opened at `open`, skipping a leading \*.
const TRtfToken* GroupWord(const std::vector<TRtfToken>& tokens, std::size_t open) {
  for (std::size_t i = open + 1; i < tokens.size(); ++i) {
    const TRtfToken& t = tokens[i];
    if (t.Kind == TKind::Symbol && t.Raw == "\\*") continue;
    if (t.Kind == TKind::Text && t.Raw.find_first_not_of(" \r\n") == std::string::npos) continue;
    return t.Kind == TKind::Word ? &t : nullptr;
  }
  return nullptr;
}

// Control words that belong to a document's header and mean nothing inside a text box.
bool IsHeaderWord(const TRtfToken& t) {
  static const char* const words[] = {"rtf", "ansi", "mac", "pc", "pca", "ansicpg", "deff", "deflang", "deflangfe",
                                      "adeff", "stshfdbch", "stshfloch", "stshfhich", "stshfbi"};
  return t.Kind == TKind::Word && std::any_of(std::begin(words), std::end(words), [&](const char* w) { return t.Name == w; });
}

// Groups of a document's header: the tables (read separately) and what a text box has no use for.
bool IsHeaderGroup(const TRtfToken* word) {
  if (word == nullptr) return false;
  static const char* const groups[] = {"fonttbl", "colortbl", "stylesheet", "info", "generator"};
  return std::any_of(std::begin(groups), std::end(groups), [&](const char* g) { return word->Name == g; });
}

bool IsFontReference(const TRtfToken& t) { return t.Kind == TKind::Word && t.HasParam && (t.Name == "f" || t.Name == "af"); }

bool IsColorReference(const TRtfToken& t) {
  static const char* const words[] = {"cf",      "cb",    "highlight", "chcbpat", "chcfpat", "cbpat",
                                      "cfpat",   "brdrcf", "ulc",      "clcbpat", "clcfpat"};
  return t.Kind == TKind::Word && t.HasParam &&
         std::any_of(std::begin(words), std::end(words), [&](const char* w) { return t.Name == w; });
}

// Writes tokens back as RTF. A control word gets a blank delimiter only where text follows,
// so dropping or inserting words never glues a word to the text behind it.
class TRtfEmitter {
 public:
  void Word(const std::string& name, std::optional<long> param = std::nullopt) {
    out_ += '\\';
    out_ += name;
    if (param) out_ += std::to_string(*param);
    wordOpen_ = true;
  }
  void Token(const TRtfToken& t) {
    switch (t.Kind) {
      case TKind::GroupOpen: Raw("{"); break;
      case TKind::GroupClose: Raw("}"); break;
      case TKind::Symbol: Raw(t.Raw); break;
      case TKind::Text: Text(t.Raw); break;
      case TKind::Word:
        Word(t.Name, t.HasParam ? std::optional<long>(t.Param) : std::nullopt);
        if (t.Name == "bin" && t.HasParam) Text(t.Raw);  // the data follows its delimiter
        break;
    }
  }
  void Text(const std::string& text) {
    if (text.empty()) return;
    // A line break ends a control word as well as a blank does (readers skip it).
    if (wordOpen_ && text.front() != '\r' && text.front() != '\n') out_ += ' ';
    Raw(text);
  }
  void Raw(const std::string& raw) {
    out_ += raw;
    wordOpen_ = false;
  }
  const std::string& Out() const { return out_; }

 private:
  std::string out_;
  bool wordOpen_ = false;
};

struct TPieceTables {
  std::map<long, int> Fonts;   // the piece's font number -> document font number
  std::map<long, int> Colors;  // the piece's colour number -> document colour number
  std::map<long, std::string> Faces;  // the piece's font number -> face name
  std::optional<int> DefaultFont;
  std::string FontTable;
};

// Reads the font table group [open, close] and reserves a document font per entry. Entries
// are groups "{\fN ...;}" or, in the flat form, runs "\fN ...;".
void ReadFontTable(const std::vector<TRtfToken>& tokens, std::size_t open, std::size_t close,
                   const TRtfTableSink& sink, TPieceTables& tables) {
  auto addEntry = [&](const std::vector<TRtfToken>& entry) {
    std::optional<long> number;
    TRtfEmitter text;
    std::string face;
    int depth = 0;
    for (const auto& t : entry) {
      if (!number && IsWord(t, "f") && t.HasParam) {
        number = t.Param;
        continue;
      }
      if (t.Kind == TKind::GroupOpen) ++depth;
      if (t.Kind == TKind::GroupClose) --depth;
      if (t.Kind == TKind::Text && depth == 0) face += t.Raw;  // not \panose, \falt and the like
      text.Token(t);
    }
    if (!number) return;
    face = face.substr(0, face.find(';'));
    const auto first = face.find_first_not_of(" \r\n");
    tables.Faces[*number] = first == std::string::npos ? std::string() : face.substr(first);
    const int m = sink.AddFont(text.Out());
    tables.Fonts[*number] = m;
    tables.FontTable += "{\\f" + std::to_string(m) + text.Out() + "}";
  };
  std::vector<TRtfToken> flat;
  for (std::size_t i = open + 1; i < close; ++i) {
    const TRtfToken& t = tokens[i];
    if (t.Kind == TKind::GroupOpen) {
      const std::size_t end = std::min(MatchingClose(tokens, i), close);
      addEntry(std::vector<TRtfToken>(tokens.begin() + static_cast<long>(i) + 1, tokens.begin() + static_cast<long>(end)));
      i = end;
      continue;
    }
    if (IsWord(t, "fonttbl")) continue;
    if (IsWord(t, "f") && t.HasParam) flat.clear();
    if (t.Kind == TKind::Text && t.Raw.find(';') != std::string::npos) {
      if (!flat.empty()) {
        flat.push_back(TRtfToken{TKind::Text, {}, false, 0, t.Raw.substr(0, t.Raw.find(';') + 1)});
        addEntry(flat);
        flat.clear();
      }
      continue;
    }
    if (!flat.empty() || IsWord(t, "f")) flat.push_back(t);
  }
}

// Reads the colour table group [open, close]: entries end with ";", an entry without
// components is the automatic colour (document colour 0).
void ReadColorTable(const std::vector<TRtfToken>& tokens, std::size_t open, std::size_t close,
                    const TRtfTableSink& sink, TPieceTables& tables) {
  long index = 0;
  long rgb[3] = {0, 0, 0};
  bool any = false;
  for (std::size_t i = open + 1; i < close; ++i) {
    const TRtfToken& t = tokens[i];
    if (t.Kind == TKind::Word && t.HasParam) {
      const int c = t.Name == "red" ? 0 : t.Name == "green" ? 1 : t.Name == "blue" ? 2 : -1;
      if (c >= 0) {
        rgb[c] = std::clamp(t.Param, 0L, 255L);
        any = true;
      }
      continue;
    }
    if (t.Kind != TKind::Text) continue;
    for (const char ch : t.Raw) {
      if (ch != ';') continue;
      tables.Colors[index++] = any ? sink.AddColor("\\red" + std::to_string(rgb[0]) + "\\green" +
                                                   std::to_string(rgb[1]) + "\\blue" + std::to_string(rgb[2]) + ";")
                                   : 0;
      rgb[0] = rgb[1] = rgb[2] = 0;
      any = false;
    }
  }
}

}  // namespace

std::vector<TRtfToken> TokenizeRtf(std::string_view s) {
  std::vector<TRtfToken> out;
  auto text = [&](std::string_view raw) {
    if (!out.empty() && out.back().Kind == TKind::Text) {
      out.back().Raw.append(raw);
    } else {
      out.push_back(TRtfToken{TKind::Text, {}, false, 0, std::string(raw)});
    }
  };
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const char c = s[i];
    if (c == '{' || c == '}') {
      out.push_back(TRtfToken{c == '{' ? TKind::GroupOpen : TKind::GroupClose, {}, false, 0, std::string(1, c)});
      ++i;
    } else if (c != '\\') {
      const std::size_t end = std::min(s.find_first_of("{}\\", i), n);
      text(s.substr(i, end - i));
      i = end;
    } else if (i + 1 >= n) {
      text("\\");
      ++i;
    } else if (!IsLetter(s[i + 1])) {
      const std::size_t len = s[i + 1] == '\'' ? std::min<std::size_t>(4, n - i) : 2;
      out.push_back(TRtfToken{TKind::Symbol, {}, false, 0, std::string(s.substr(i, len))});
      i += len;
    } else {
      TRtfToken t{TKind::Word, {}, false, 0, {}};
      std::size_t j = i + 1;
      while (j < n && IsLetter(s[j])) ++j;
      t.Name = std::string(s.substr(i + 1, j - i - 1));
      const bool negative = j + 1 < n && s[j] == '-' && IsDigit(s[j + 1]);
      if (negative) ++j;
      if (j < n && IsDigit(s[j])) {
        t.HasParam = true;
        int digits = 0;
        for (; j < n && IsDigit(s[j]); ++j)
          if (++digits <= 9) t.Param = t.Param * 10 + (s[j] - '0');  // longer numbers are clipped
        if (negative) t.Param = -t.Param;
      }
      if (j < n && s[j] == ' ') ++j;
      if (t.Name == "bin" && t.HasParam && t.Param > 0) {
        const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(t.Param), n - j);
        t.Raw = std::string(s.substr(j, len));
        j += len;
      }
      out.push_back(std::move(t));
      i = j;
    }
  }
  return out;
}

TRtfMergedPiece MergeRichTextPiece(std::string_view rtf, const TRtfTableSink& sink) {
  const std::vector<TRtfToken> tokens = TokenizeRtf(rtf);
  // The piece's own group: from its first brace to the matching one (or the end).
  std::size_t first = 0;
  while (first < tokens.size() && tokens[first].Kind != TKind::GroupOpen) ++first;
  const bool grouped = first < tokens.size();
  const std::size_t begin = grouped ? first + 1 : 0;
  const std::size_t end = grouped ? MatchingClose(tokens, first) : tokens.size();

  TPieceTables tables;
  std::optional<long> deff;
  for (std::size_t i = begin; i < end; ++i) {
    const TRtfToken& t = tokens[i];
    if (IsWord(t, "deff") && t.HasParam && !deff) deff = t.Param;
    if (t.Kind != TKind::GroupOpen) continue;
    const std::size_t close = std::min(MatchingClose(tokens, i), end);
    const TRtfToken* word = GroupWord(tokens, i);
    if (word && word->Name == "fonttbl") ReadFontTable(tokens, i, close, sink, tables);
    if (word && word->Name == "colortbl") ReadColorTable(tokens, i, close, sink, tables);
    i = close;
  }
  if (deff && tables.Fonts.count(*deff)) {
    tables.DefaultFont = tables.Fonts[*deff];
  } else if (!tables.Fonts.empty()) {
    tables.DefaultFont = tables.Fonts.begin()->second;
  }

  TRtfEmitter body;
  body.Raw("{");
  // The text box sits inside the page's flow: without a reset its text would take the
  // character formatting (colour, styles) of the line written before it.
  body.Word("plain");

  // Line spacing: readers set lines further apart than our layout (they add the font's line
  // gap, and our layout measures the font at whole pixels). Each paragraph without spacing
  // of its own gets, where its text begins, the proportional spacing of the font and size
  // of that text.
  struct TCharState {
    long Font = -1;
    long HalfPoints = 24;
  };
  std::vector<TCharState> states(1);
  if (deff) states.back().Font = *deff;
  const long plainFont = deff ? *deff : -1;
  bool ownSpacing = false;              // the paragraph has \sl of its own so far
  std::optional<TCharState> paraStart;  // font and size of the paragraph's first text
  auto spacing = [&] {
    if (!sink.LineSpacing || ownSpacing || !paraStart) return;
    const auto face = tables.Faces.find(paraStart->Font);
    if (face == tables.Faces.end()) return;
    const int n = sink.LineSpacing(face->second, static_cast<int>(paraStart->HalfPoints));
    if (n <= 0) return;
    body.Word("sl", n);
    body.Word("slmult", 1);
  };

  int depth = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const TRtfToken& t = tokens[i];
    if (t.Kind == TKind::Word) {
      TCharState& state = states.back();
      if (t.Name == "plain") state = TCharState{plainFont, 24};
      if (t.Name == "f" && t.HasParam) state.Font = t.Param;
      if (t.Name == "fs" && t.HasParam) state.HalfPoints = t.Param;
      if (t.Name == "pard") ownSpacing = false;
      if (t.Name == "sl") ownSpacing = true;
      if (t.Name == "par") paraStart.reset();
    } else if (!paraStart && ((t.Kind == TKind::Text && t.Raw.find_first_not_of(" \r\n") != std::string::npos) ||
                              (t.Kind == TKind::Symbol && t.Raw.size() > 1 && t.Raw[1] != '*'))) {
      // Readers take a paragraph's spacing as it stands where its text begins.
      paraStart = states.back();
      spacing();
    }
    if (t.Kind == TKind::GroupOpen) {
      if (depth == 0 && IsHeaderGroup(GroupWord(tokens, i))) {
        i = std::min(MatchingClose(tokens, i), end);
        continue;
      }
      states.push_back(states.back());
      ++depth;
    } else if (t.Kind == TKind::GroupClose) {
      if (depth == 0) continue;  // a stray brace would close the text box early
      states.pop_back();
      --depth;
    } else if (depth == 0 && IsHeaderWord(t)) {
      continue;
    } else if (IsFontReference(t)) {
      const auto it = tables.Fonts.find(t.Param);
      if (it != tables.Fonts.end()) {
        body.Word(t.Name, it->second);
      } else if (tables.DefaultFont) {
        body.Word(t.Name, *tables.DefaultFont);
      }
      continue;
    } else if (IsColorReference(t)) {
      const auto it = tables.Colors.find(t.Param);
      body.Word(t.Name, it != tables.Colors.end() ? it->second : 0);
      continue;
    } else if (IsWord(t, "viewkind")) {
      body.Word("viewkind", 1);
      continue;
    } else if (IsWord(t, "lang") && t.HasParam && t.Param == 1049) {
      continue;
    } else if (IsWord(t, "fs")) {
      body.Word("expnd", -1);
      body.Word("expndtw", -6);
    }
    body.Token(t);
  }
  for (; depth > 0; --depth) body.Raw("}");
  body.Raw("}");
  return TRtfMergedPiece{body.Out(), tables.FontTable};
}

}  // namespace oxqr
