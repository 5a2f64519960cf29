#pragma once
// Font programs for embedding: the TrueType face that measures and draws a font, cut down
// to the glyphs of the characters a document shows (HarfBuzz's subsetter).
#include <set>
#include <string>

#include "platform/Font.h"

namespace oxqr::pdf {

// The subset of the face that draws `font` holding the glyphs of `characters` (and the
// missing-glyph glyph), as TrueType file bytes with a Unicode cmap. Empty when the face
// is not a TrueType outline font or cannot be subset.
std::string SubsetFontProgram(const TFont& font, const std::set<char32_t>& characters);

// Six upper-case letters that tag a subset's name ("ABCDEF+Arial"), derived from `seed`.
std::string SubsetTag(const std::string& seed);

}  // namespace oxqr::pdf
