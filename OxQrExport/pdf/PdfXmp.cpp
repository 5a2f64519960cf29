#include "OxQrExport/pdf/PdfXmp.h"

#include <cstdio>

#include "OxQrExport/pdf/PdfSyntax.h"
#include "platform/CodePage.h"

namespace oxqr::pdf {
namespace {

// A property holding one language alternative (dc:title, dc:description).
std::string LangAlt(const char* name, const std::string& utf8) {
  return std::string("   <") + name + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" + XmlEscape(utf8) +
         "</rdf:li></rdf:Alt></" + name + ">\n";
}

// The schema description an archival reader needs for the accessibility identifier.
constexpr const char* kUaExtension =
    "  <rdf:Description rdf:about=\"\" xmlns:pdfaExtension=\"http://www.aiim.org/pdfa/ns/extension/\"\n"
    "    xmlns:pdfaSchema=\"http://www.aiim.org/pdfa/ns/schema#\"\n"
    "    xmlns:pdfaProperty=\"http://www.aiim.org/pdfa/ns/property#\">\n"
    "   <pdfaExtension:schemas><rdf:Bag><rdf:li rdf:parseType=\"Resource\">\n"
    "    <pdfaSchema:schema>PDF/UA Universal Accessibility Schema</pdfaSchema:schema>\n"
    "    <pdfaSchema:namespaceURI>http://www.aiim.org/pdfua/ns/id/</pdfaSchema:namespaceURI>\n"
    "    <pdfaSchema:prefix>pdfuaid</pdfaSchema:prefix>\n"
    "    <pdfaSchema:property><rdf:Seq><rdf:li rdf:parseType=\"Resource\">\n"
    "     <pdfaProperty:name>part</pdfaProperty:name>\n"
    "     <pdfaProperty:valueType>Integer</pdfaProperty:valueType>\n"
    "     <pdfaProperty:category>internal</pdfaProperty:category>\n"
    "     <pdfaProperty:description>Indicates, which part of ISO 14289 standard is followed</pdfaProperty:description>\n"
    "    </rdf:li></rdf:Seq></pdfaSchema:property>\n"
    "   </rdf:li></rdf:Bag></pdfaExtension:schemas>\n"
    "  </rdf:Description>\n";

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control characters cannot stand in XML 1.0; they become blanks.
        out += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' ? ' ' : c;
    }
  }
  return out;
}

std::string XmpDate(const TLocalTime& time, int biasMinutes) {
  const std::tm& t = time.Tm;
  const int offset = -biasMinutes;
  const int magnitude = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d%c%.2d:%.2d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return text;
}

std::string InfoDate(const TLocalTime& time, int biasMinutes) {
  const std::tm& t = time.Tm;
  char date[32];
  std::snprintf(date, sizeof date, "%.4d%.2d%.2d%.2d%.2d%.2d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, t.tm_sec);
  return std::string("D:") + date + UtcOffsetText(biasMinutes);
}

std::string XmpPacket(const TXmpFields& f) {
  const std::string date = XmpDate(f.Created, f.BiasMinutes);
  std::string x = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
  x += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
  x += "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
  x += "   <dc:format>application/pdf</dc:format>\n";
  if (!f.Title.empty()) x += LangAlt("dc:title", AnsiToUtf8(f.Title));
  if (!f.Author.empty())
    x += "   <dc:creator><rdf:Seq><rdf:li>" + XmlEscape(AnsiToUtf8(f.Author)) + "</rdf:li></rdf:Seq></dc:creator>\n";
  if (!f.Subject.empty()) x += LangAlt("dc:description", AnsiToUtf8(f.Subject));
  x += "  </rdf:Description>\n";
  x += "  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n";
  if (!f.CreatorTool.empty()) x += "   <xmp:CreatorTool>" + XmlEscape(AnsiToUtf8(f.CreatorTool)) + "</xmp:CreatorTool>\n";
  x += "   <xmp:CreateDate>" + date + "</xmp:CreateDate>\n   <xmp:ModifyDate>" + date + "</xmp:ModifyDate>\n";
  x += "  </rdf:Description>\n";
  x += "  <rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n";
  x += "   <pdf:Producer>" + XmlEscape(AnsiToUtf8(f.Producer)) + "</pdf:Producer>\n";
  if (!f.Keywords.empty()) x += "   <pdf:Keywords>" + XmlEscape(AnsiToUtf8(f.Keywords)) + "</pdf:Keywords>\n";
  x += "  </rdf:Description>\n";
  if (f.Archival) {
    x += "  <rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n";
    x += "   <pdfaid:part>2</pdfaid:part>\n   <pdfaid:conformance>B</pdfaid:conformance>\n  </rdf:Description>\n";
  }
  if (f.Accessible) {
    x += "  <rdf:Description rdf:about=\"\" xmlns:pdfuaid=\"http://www.aiim.org/pdfua/ns/id/\">\n";
    x += "   <pdfuaid:part>1</pdfuaid:part>\n  </rdf:Description>\n";
    if (f.Archival) x += kUaExtension;
  }
  x += " </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
  return x;
}

}  // namespace oxqr::pdf
