#pragma once
// Font programs for embedding: the TrueType face that measures and draws a font, cut down
// to the glyphs of the characters a document shows (HarfBuzz's subsetter).
#include <set>
#include <string>

#include "platform/Font.h"

class QRawFont;

namespace oxqr::pdf {

// The subset of the face that draws `font` holding the glyphs of `characters` (and the
// missing-glyph glyph), as TrueType file bytes with a Unicode cmap. Empty when the face
// is not a TrueType outline font or cannot be subset.
std::string SubsetFontProgram(const TFont& font, const std::set<char32_t>& characters);

// The subset of the face of `raw` holding `glyphs` (and the missing-glyph glyph) at their
// own glyph ids, as TrueType file bytes: the program of a CID font whose CIDs are glyph ids.
// Empty when the face is not a TrueType outline font or cannot be subset.
std::string SubsetFontGlyphs(const QRawFont& raw, const std::set<unsigned>& glyphs);

// Six upper-case letters that tag a subset's name ("ABCDEF+Arial"), derived from `seed`.
std::string SubsetTag(const std::string& seed);

}  // namespace oxqr::pdf
