#include "HtmlMarkup.h"

#include "OxQrExport/core/DocumentFunctions.h"
#include "platform/TextMetrics.h"

namespace oxqr::html {

namespace {

// "&", "<" and ">" as character references; '"' too for attribute values, blanks as "&nbsp;"
// for report text lines.
std::string Escape(std::string_view s, bool quotes, bool blanks) {
  std::string out;
  out.reserve(s.size() + s.size() / 4);
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += quotes ? "&quot;" : "\""; break;
      case ' ': out += blanks ? "&nbsp;" : " "; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string EscapeMarkup(std::string_view s) { return Escape(s, /*quotes=*/true, /*blanks=*/false); }

std::string EscapeTextLine(std::string_view s) { return Escape(s, /*quotes=*/false, /*blanks=*/true); }

std::string EncodeUrl(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    // Kept: letters, digits, the unreserved marks, '/' between folders and the blank
    // (browsers read it in a path); everything else is written as %HH of its byte.
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    const bool kept = alnum || c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || c == ' ';
    if (kept) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
  }
  return out;
}

std::string FontFamilyList(const std::string& Name) {
  const TDrawnFace drawn = DrawnFace(Name);
  if (drawn.FoundByName) return Name;
  const char* generic = drawn.Kind == TFaceKind::Serif ? "serif" : drawn.Kind == TFaceKind::Mono ? "monospace" : "sans-serif";
  return Name + ", " + drawn.Family + ", " + generic;
}

std::string FontShorthand(const TOxQrFontAttrib& Font) {
  std::string s;
  if (Font.Style.Has(TFontStyle::fsItalic)) s += " italic";
  if (Font.Style.Has(TFontStyle::fsBold)) s += " bold";
  if (!s.empty()) s += ' ';
  s += std::to_string(Font.Size) + "pt " + FontFamilyList(Font.Name);
  const bool underline = Font.Style.Has(TFontStyle::fsUnderline);
  const bool strikeOut = Font.Style.Has(TFontStyle::fsStrikeOut);
  if (underline || strikeOut) {
    s += "; text-decoration:";
    if (underline) s += " underline";
    if (strikeOut) s += " line-through";
  }
  // Blanks and control characters at either end go (the leading blank of the
  // style words).
  const auto keep = [](char c) { return static_cast<unsigned char>(c) > ' '; };
  std::size_t first = 0;
  while (first < s.size() && !keep(s[first])) ++first;
  std::size_t last = s.size();
  while (last > first && !keep(s[last - 1])) --last;
  return s.substr(first, last - first) + "; color:#" + RGBHex(Font.Color);
}

std::string CharsetOfCodePage(int CodePage) {
  switch (CodePage) {
    case 874:
      return "ISO-8859-11";
    case 932:
      return "Windows-932";
    case 936:
      return "gb2312-80";
    case 949:
      return "Windows-949";
    case 950:
      return "csbig5";
    case 1200:
      return "ISO-10646";
    // The ISO sets of the same alphabets place letters elsewhere: a browser
    // reading these code pages' bytes under them shows other letters.
    case 1250:
      return "windows-1250";
    case 1251:
      return "windows-1251";
    case 1252:
      return "ISO-8859-1";
    case 1253:
      return "windows-1253";
    case 1254:
      return "ISO-8859-9";
    case 1255:
      return "ISO-8859-8";
    case 1256:
      return "windows-1256";
    case 1257:
      return "ISO-8859-13";
    case 65001:  // the Unicode mode
      return "utf-8";
    default:
      return "";
  }
}

namespace {

// A numeric character reference of a Unicode character.
std::string CharRef(char16_t c) { return "&#" + std::to_string(static_cast<int>(c)) + ";"; }

}  // namespace

TNavigatorContents NavigatorContents(bool UseTextLinks, bool UseWebdings, const std::string& First,
                                     const std::string& Prev, const std::string& Next, const std::string& Last) {
  TNavigatorContents n;
  if (UseTextLinks) {
    n = {EscapeMarkup(First), EscapeMarkup(Prev), EscapeMarkup(Next), EscapeMarkup(Last), "Arial", {}};
    return n;  // measured on FirstLinkText in the code page (the caller's job)
  }
  // Arrows every common font has, instead of letters of the symbol fonts, which
  // a browser without those fonts shows as accented letters. The style keeps
  // the symbol font's name.
  const char16_t first = UseWebdings ? u'\u23EE' : u'\u25B2';
  const char16_t prev = u'\u25C0';
  const char16_t next = u'\u25B6';
  const char16_t last = UseWebdings ? u'\u23ED' : u'\u25BC';
  n = {CharRef(first), CharRef(prev), CharRef(next), CharRef(last), UseWebdings ? "Webdings" : "Wingdings", {}};
  n.MeasureText = std::u16string(1, first) + u" ";
  return n;
}

std::string NavigatorLink(const std::string* FileName, std::string_view Title, const std::string& Content) {
  std::string a = "<A ";
  if (FileName != nullptr) a += "HREF=\"" + EncodeUrl(*FileName) + "\" ";
  a += "TITLE=\"" + EscapeMarkup(Title) + "\">" + Content + "</A>";
  return a;
}

std::string NavigatorScript(const std::string& NavHeight, const std::string& NavWidth, const std::string& PageWidth) {
  // The navigator keeps to the window's lower right corner, but never left of the page's
  // right edge: it floats in a margin of its own beside the page and covers none of it.
  const std::string top = "document.body.scrollTop + document.body.clientHeight - " + NavHeight;
  const std::string left =
      "Math.max(" + PageWidth + ", document.body.scrollLeft + document.body.clientWidth - " + NavWidth + ")";
  const std::string placeIE =
      "document.all.OxNavigator.style.pixelTop = " + top + ";document.all.OxNavigator.style.pixelLeft = " + left;
  const std::string placeById = "document.getElementById('OxNavigator').style.top = window.pageYOffset + "
                                "window.innerHeight - " +
                                NavHeight +
                                " + 'px';document.getElementById('OxNavigator').style.left = Math.max(" + PageWidth +
                                ", window.pageXOffset + window.innerWidth - " + NavWidth + ") + 'px';";
  const std::string lines[] = {
      "function floatNavigator(){",
      "\tif (document.all){" + placeIE + ";}",
      "\telse if(document.getElementById){" + placeById + "}",
      "}",
      "if (document.all){window.onresize = SetResizeLeft;window.onscroll = "
      "floatNavigator;}",
      "else setInterval ('floatNavigator()', 100);",
      "function initNavigator(){",
      "if (document.all){" + placeIE + ";document.all.OxNavigator.style.visibility = 'visible';}",
      "\telse if (document.getElementById){" + placeById +
          "document.getElementById('OxNavigator').style.visibility = 'visible';}",
      "}",
      "function SetResizeLeft(){",
      "\tif (document.all){" + placeIE + ";}",
      "\telse if (document.getElementById){" + placeById + "}",
      "}",
  };
  std::string script;
  for (const auto& line : lines) {
    if (!script.empty()) script += CRLF;
    script += line;
  }
  return script;
}

}  // namespace oxqr::html
