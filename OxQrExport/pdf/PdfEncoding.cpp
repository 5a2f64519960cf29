#include "PdfEncoding.h"

#include <array>
#include <cstdio>
#include <map>
#include <mutex>

#include <QString>

#include "platform/CodePage.h"

namespace oxqr::pdf {
namespace {

// Glyph names of WinAnsiEncoding for the codes 128..255 (empty: no glyph).
constexpr std::array<std::string_view, 128> kWinAnsiHigh{{
    "Euro", "", "quotesinglbase", "florin", "quotedblbase", "ellipsis", "dagger", "daggerdbl",
    "circumflex", "perthousand", "Scaron", "guilsinglleft", "OE", "", "Zcaron", "",
    "", "quoteleft", "quoteright", "quotedblleft", "quotedblright", "bullet", "endash", "emdash",
    "tilde", "trademark", "scaron", "guilsinglright", "oe", "", "zcaron", "Ydieresis",
    "space", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section",
    "dieresis", "copyright", "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron",
    "degree", "plusminus", "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered",
    "cedilla", "onesuperior", "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters", "questiondown",
    "Agrave", "Aacute", "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla",
    "Egrave", "Eacute", "Ecircumflex", "Edieresis", "Igrave", "Iacute", "Icircumflex", "Idieresis",
    "Eth", "Ntilde", "Ograve", "Oacute", "Ocircumflex", "Otilde", "Odieresis", "multiply",
    "Oslash", "Ugrave", "Uacute", "Ucircumflex", "Udieresis", "Yacute", "Thorn", "germandbls",
    "agrave", "aacute", "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla",
    "egrave", "eacute", "ecircumflex", "edieresis", "igrave", "iacute", "icircumflex", "idieresis",
    "eth", "ntilde", "ograve", "oacute", "ocircumflex", "otilde", "odieresis", "divide",
    "oslash", "ugrave", "uacute", "ucircumflex", "udieresis", "yacute", "thorn", "ydieresis",
}};

// Glyph names of MacRomanEncoding for the codes 128..255 (empty: no glyph).
constexpr std::array<std::string_view, 128> kMacRomanHigh{{
    "Adieresis", "Aring", "Ccedilla", "Eacute", "Ntilde", "Odieresis", "Udieresis", "aacute",
    "agrave", "acircumflex", "adieresis", "atilde", "aring", "ccedilla", "eacute", "egrave",
    "ecircumflex", "edieresis", "iacute", "igrave", "icircumflex", "idieresis", "ntilde", "oacute",
    "ograve", "ocircumflex", "odieresis", "otilde", "uacute", "ugrave", "ucircumflex", "udieresis",
    "dagger", "degree", "cent", "sterling", "section", "bullet", "paragraph", "germandbls",
    "registered", "copyright", "trademark", "acute", "dieresis", "", "AE", "Oslash",
    "", "plusminus", "", "", "yen", "mu", "", "",
    "", "", "", "ordfeminine", "ordmasculine", "", "ae", "oslash",
    "questiondown", "exclamdown", "logicalnot", "", "florin", "", "", "guillemotleft",
    "guillemotright", "ellipsis", "space", "Agrave", "Atilde", "Otilde", "OE", "oe",
    "endash", "emdash", "quotedblleft", "quotedblright", "quoteleft", "quoteright", "divide", "",
    "ydieresis", "Ydieresis", "fraction", "currency", "guilsinglleft", "guilsinglright", "fi", "fl",
    "daggerdbl", "periodcentered", "quotesinglbase", "quotedblbase", "perthousand", "Acircumflex", "Ecircumflex", "Aacute",
    "Edieresis", "Egrave", "Iacute", "Icircumflex", "Idieresis", "Igrave", "Oacute", "Ocircumflex",
    "", "Ograve", "Uacute", "Ucircumflex", "Ugrave", "dotlessi", "circumflex", "tilde",
    "macron", "breve", "dotaccent", "ring", "cedilla", "hungarumlaut", "ogonek", "caron",
}};

// Glyph names of the printable ASCII codes 32..126, shared by both base encodings.
constexpr std::array<std::string_view, 95> kAscii{{
    "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quotesingle",
    "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash",
    "zero", "one", "two", "three", "four", "five", "six", "seven",
    "eight", "nine", "colon", "semicolon", "less", "equal", "greater", "question",
    "at", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O",
    "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
    "bracketleft", "backslash", "bracketright", "asciicircum", "underscore", "grave",
    "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o",
    "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z",
    "braceleft", "bar", "braceright", "asciitilde",
}};

std::string_view BaseGlyph(bool macRoman, int code) {
  if (code >= 32 && code <= 126) return kAscii[static_cast<std::size_t>(code - 32)];
  if (code >= 128 && code <= 255) return (macRoman ? kMacRomanHigh : kWinAnsiHigh)[static_cast<std::size_t>(code - 128)];
  return {};
}

// Unicode -> WinAnsiEncoding glyph name, through code page 1252.
const std::map<char32_t, std::string_view>& WinAnsiNames() {
  static const std::map<char32_t, std::string_view> names = [] {
    std::map<char32_t, std::string_view> m;
    for (int c = 32; c <= 255; ++c) {
      const std::string_view name = BaseGlyph(false, c);
      const char32_t u = CodePageCharacter(1252, static_cast<unsigned char>(c));
      if (!name.empty() && u != 0) m.emplace(u, name);
    }
    m[0x00A0] = "space";   // WinAnsiEncoding shows no-break space and soft hyphen
    m[0x00AD] = "hyphen";  // with the plain glyphs
    return m;
  }();
  return names;
}

}  // namespace

std::string_view FontEncodingName(TPDFFontEncoding encoding) {
  switch (encoding) {
    case TPDFFontEncoding::feWinAnsiEncoding: return "WinAnsiEncoding";
    case TPDFFontEncoding::feMacRomanEncoding: return "MacRomanEncoding";
    case TPDFFontEncoding::feMacExpertEncoding: return "MacExpertEncoding";
    case TPDFFontEncoding::feStandardEncoding: return "StandardEncoding";
    case TPDFFontEncoding::fePDFDocEncoding: return "PDFDocEncoding";
  }
  return "WinAnsiEncoding";
}

std::string GlyphName(char32_t unicode) {
  const auto& names = WinAnsiNames();
  if (const auto it = names.find(unicode); it != names.end()) return std::string(it->second);
  char name[16];
  std::snprintf(name, sizeof name, "uni%04X", static_cast<unsigned>(unicode));
  return name;
}

char32_t CodePageCharacter(int codePage, unsigned char code) {
  if (code < 32 || code == 127) return 0;
  static std::mutex mutex;
  static std::map<int, std::array<char32_t, 256>> tables;
  const std::lock_guard lock(mutex);
  auto it = tables.find(codePage);
  if (it == tables.end()) {
    std::array<char32_t, 256> table{};
    const int saved = AnsiCodePage();
    SetAnsiCodePage(codePage);
    for (int c = 32; c < 256; ++c) {
      const char byte = static_cast<char>(c);
      const QString s = AnsiToQString(std::string_view(&byte, 1));
      char32_t u = s.size() == 1 ? s.at(0).unicode() : 0;
      // '?' and U+FFFD stand for a byte the code page does not define; C1 controls show nothing.
      if ((u == '?' && c != '?') || u == 0xFFFD || (u >= 0x80 && u < 0xA0)) u = 0;
      table[static_cast<std::size_t>(c)] = u;
    }
    SetAnsiCodePage(saved);
    it = tables.emplace(codePage, table).first;
  }
  return it->second[code];
}

std::string EncodingEntry(TPDFFontEncoding encoding, int codePage) {
  if (codePage == 1252 && encoding == TPDFFontEncoding::feWinAnsiEncoding) return "/WinAnsiEncoding";
  const bool macRoman = encoding == TPDFFontEncoding::feMacRomanEncoding;
  std::string differences;
  int next = -1;  // the code the last entry's run would continue with
  for (int c = 32; c <= 255; ++c) {
    const char32_t u = CodePageCharacter(codePage, static_cast<unsigned char>(c));
    if (u == 0) continue;
    const std::string name = GlyphName(u);
    if (name == BaseGlyph(macRoman, c)) continue;
    if (c != next) differences += (differences.empty() ? "" : " ") + std::to_string(c);
    differences += " /" + name;
    next = c + 1;
  }
  return std::string("<< /Type /Encoding /BaseEncoding /") + (macRoman ? "MacRomanEncoding" : "WinAnsiEncoding") +
         " /Differences [" + differences + "] >>";
}

}  // namespace oxqr::pdf
