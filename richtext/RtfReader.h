#pragma once
// Reads an RTF document into the document model. Text becomes 8-bit ANSI of the current
// code page (\uN through the code page conversion, '?' where it has no character).
// Malformed input never crashes or hangs the reader: it keeps what it has read and
// reports what was wrong.
#include <string>
#include <string_view>

#include "RichDocument.h"

namespace oxqr {

struct TRtfReadResult {
  TRichDocument Document;  // what was read, also when Error is set
  std::string Error;       // empty when the input was well formed
  bool Ok() const { return Error.empty(); }
};

// True when `data` starts (after white space) with "{\rtf".
bool LooksLikeRtf(std::string_view data);

// Reads RTF; input that is not RTF is read as plain text, one paragraph per line.
TRtfReadResult ReadRtf(std::string_view data);

// As ReadRtf, but throws EInvalidData carrying the error when the input is malformed.
TRichDocument LoadRtf(std::string_view data);

}  // namespace oxqr
