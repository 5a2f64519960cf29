// libFuzzer target of the RTF reader and writer. Besides crashes and hangs it checks the
// invariants the rich text control relies on, for whatever the reader made of the input:
// writing and reading again gives the same document, and any character range written as
// RTF reads back as exactly the plain text of that range.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

using namespace oxqr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const TRtfReadResult r = ReadRtf(input);
  const TRichDocument& doc = r.Document;
  const TRtfReadResult again = ReadRtf(WriteRtf(doc));
  if (!again.Ok() || !(again.Document == doc)) std::abort();
  const int n = doc.TextLength();
  if (n > 0) {
    const int a = static_cast<int>(size % static_cast<std::size_t>(n + 1));
    const int b = a + static_cast<int>((size / 7) % static_cast<std::size_t>(n - a + 1));
    const TRtfReadResult part = ReadRtf(RangeAsRtf(doc, a, b));
    if (!part.Ok() || part.Document.PlainText() != doc.PlainText(a, b)) std::abort();
    if (doc.PlainText(0, a) + doc.PlainText(a, n) != doc.PlainText()) std::abort();
  }
  return 0;
}
