#pragma once
// The document's XMP metadata packet: the information dictionary's entries again (an
// archival reader compares the two), the conformance identifiers and, where both levels
// are claimed, the description of the schema an archival reader does not know by itself.
#include <string>

#include "platform/Locale.h"

namespace oxqr::pdf {

struct TXmpFields {
  std::string Title, Author, Subject, Keywords, CreatorTool, Producer;  // 8-bit text of the report
  TLocalTime Created;   // creation and modification time
  int BiasMinutes = 0;  // minutes to add to local time to get UTC
  bool Archival = false;
  bool Accessible = false;
};

// "2026-12-11T10:20:30+01:00".
std::string XmpDate(const TLocalTime& time, int biasMinutes);
// "D:20261211102030+01'00'", as the information dictionary writes dates.
std::string InfoDate(const TLocalTime& time, int biasMinutes);
// The packet, UTF-8, wrapped in its xpacket processing instructions.
std::string XmpPacket(const TXmpFields& fields);
// `text` with &, <, > and quotes escaped for XML.
std::string XmlEscape(const std::string& text);

}  // namespace oxqr::pdf
