// libFuzzer target of the definition tree reader and its canonical writer. Whatever the input,
// reading either builds a tree or throws EDefinitionError with a position; a tree's canonical
// text reads back into a tree whose canonical text is the same bytes. Anything else (another
// exception, a crash, a hang, text that changes on a second round) is a fault.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "definition/DefinitionError.h"
#include "definition/OxrDocument.h"

using namespace oxqr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TOxrDocument doc;
  try {
    doc = ReadOxrDocument(std::string(reinterpret_cast<const char*>(data), size), "fuzz.oxr");
  } catch (const EDefinitionError& e) {
    if (e.Line() < 1 || e.Column() < 1) std::abort();
    return 0;
  }
  const std::string once = OxrDocumentText(doc);
  TOxrDocument again = ReadOxrDocument(once, "again.oxr");  // throws out of the fuzzer if unreadable
  if (OxrDocumentText(again) != once) std::abort();
  return 0;
}
