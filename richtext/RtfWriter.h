#pragma once
// Writes the document model as RTF in the style a rich edit control writes: font and
// colour tables of what the text uses, "\viewkind4\uc1", then the paragraphs with the
// formatting changes between runs. Lines end with CR LF; text is 8-bit ANSI.
#include <string>

#include "RichDocument.h"

namespace oxqr {

// The whole document. Reading the result back gives an equal document.
std::string WriteRtf(const TRichDocument& doc);

// The characters [start, end) (positions as in RichDocument.h; end < 0: to the end) as an
// RTF document of their own, the way a rich edit control streams out a selection.
std::string RangeAsRtf(const TRichDocument& doc, int start, int end);

}  // namespace oxqr
