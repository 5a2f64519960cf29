#pragma once
// Small emitters of the HTML format that need no filter state: escaping, URL
// encoding, the CSS font shorthand, the head's character set and the
// navigator's fixed pieces. Each returns its bytes exactly as they go into the
// document.
#include <string>
#include <string_view>

#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr::html {

inline constexpr std::string_view CRLF = "\r\n";

// "&", "<", ">" and '"' as character references: text of the head and attribute
// values.
std::string EscapeMarkup(std::string_view s);
// "&", "<", ">" as character references, then every blank as "&nbsp;": a report
// text line.
std::string EscapeTextLine(std::string_view s);
// A file reference for SRC or HREF that links whatever the page's character set: every byte
// above 127, every control byte and every byte the URL syntax reserves or forbids is written
// as %HH; letters, digits, "-._~", "/" between folders and the blank are kept.
std::string EncodeUrl(std::string_view s);

// The CSS face list of a font: its name, then, for a face readers would not find by that
// name, the face that draws it and its generic family ("Impact, DejaVu Sans Condensed,
// sans-serif"). Multi-word names stay unquoted, as CSS allows.
std::string FontFamilyList(const std::string& Name);

// "[italic][ bold] <size>pt <face list>[; text-decoration: underline line-through];
// color:#RRGGBB".
std::string FontShorthand(const TOxQrFontAttrib& Font);

// The head's CHARSET value for an ANSI code page ("" for a code page without
// one).
std::string CharsetOfCodePage(int CodePage);

// The contents of the four navigator links (first, previous, next, last), as
// markup.
struct TNavigatorContents {
  std::string First, Prev, Next, Last;
  std::string FontName;
  std::u16string MeasureText;  // what NavWidth and NavHeight are measured on
};
// Text links with the given texts (escaped) in Arial, or the arrows of the
// graphic navigator as numeric character references in the Webdings or
// Wingdings style.
TNavigatorContents NavigatorContents(bool UseTextLinks, bool UseWebdings, const std::string& First,
                                     const std::string& Prev, const std::string& Next, const std::string& Last);

// One navigator link: "<A " + reference + "TITLE=" + DQ + title + DQ + ">" +
// content + "</A>"; the reference is empty or "HREF=" + DQ + the encoded file
// name + DQ + " ".
std::string NavigatorLink(const std::string* FileName, std::string_view Title, const std::string& Content);

// The navigator script: fourteen lines joined by CR LF that keep the navigator at the
// window's lower right corner, beside the page (never left of `PageWidth`) so that it
// covers none of it.
std::string NavigatorScript(const std::string& NavHeight, const std::string& NavWidth, const std::string& PageWidth);

}  // namespace oxqr::html
