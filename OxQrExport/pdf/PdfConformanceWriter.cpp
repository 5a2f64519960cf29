#include "OxQrExport/pdf/PdfConformanceWriter.h"

#include <QCryptographicHash>
#include <fstream>
#include <iterator>

#include "OxQrExport/core/BarcodeDrawing.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "engine/Band.h"
#include "engine/Printable.h"
#include "platform/CodePage.h"

namespace oxqr::pdf {
namespace {

std::string Ref(int object) { return std::to_string(object) + " 0 R"; }

// A stream object written whole: `dict` entries, /Length, the data as it is.
void WritePlainStream(TOxQRPDFFilter& filter, int object, const std::string& dict, std::string_view data) {
  filter.WriteObject(dict + "\r\n/Length " + std::to_string(data.size()), object, false);
  filter.Writer->Write("stream\r\n");
  filter.Writer->Write(data);
  filter.Writer->Write("\r\nendstream\r\nendobj\r\n");
}

std::string ControlName(const TQRPrintable& control) {
  return control.Name.empty() ? std::string("a picture") : "picture " + control.Name;
}

}  // namespace

TConformanceWriter::TConformanceWriter(TConformanceLevel level, std::string language)
    : level_(level), language_(std::move(language)) {}

void TConformanceWriter::BeginPage(int pageObject) {
  if (level_.Accessible) structure_.BeginPage(pageObject);
}

std::string TConformanceWriter::PageEntries() const {
  if (!level_.Accessible) return {};
  return "\r\n/StructParents " + std::to_string(structure_.PageKey()) + "\r\n/Tabs /S";
}

std::string TConformanceWriter::Text(const TQRPrintable* control, std::string_view ops) {
  if (!level_.Accessible) return std::string(ops);
  const TBandKind kind = BandKindOf(control ? control->ParentBand() : nullptr);
  if (kind != TBandKind::Content) return PaginationArtifact(kind, ops);
  const TStructType type = TextStructType(control);
  return MarkedContent(type, structure_.Mark(control, type), ops);
}

std::string TConformanceWriter::Artifact(std::string_view ops) const {
  if (!level_.Accessible || ops.empty()) return std::string(ops);
  return ArtifactContent(ops);
}

std::string TConformanceWriter::Figure(const TQRPrintable& control, std::string_view ops,
                                       const std::string& fallbackAlt) {
  if (!level_.Accessible || ops.empty()) return std::string(ops);
  const TBandKind kind = BandKindOf(control.ParentBand());
  if (kind != TBandKind::Content) return PaginationArtifact(kind, ops);
  std::string alt = control.CurrentAlt();
  if (alt.empty()) alt = fallbackAlt;
  if (alt.empty()) report_.Add(ControlName(control) + " has no alternative text (give it the attribute alt)");
  return MarkedContent(TStructType::Figure, structure_.Mark(&control, TStructType::Figure, std::move(alt)), ops);
}

std::string TConformanceWriter::BarcodeAlt(const TOxQrBarcodeDrawing& drawing) {
  if (drawing.Data.empty()) return {};
  return (drawing.Symbology.empty() ? std::string("Barcode") : drawing.Symbology + " barcode") + ": " + drawing.Data;
}

void TConformanceWriter::MissingGlyphs(std::string_view text) {
  report_.Add("no installed font has every character of the text \"" + std::string(text) +
              "\" (a glyph is missing)");
}

std::string TConformanceWriter::InfoDictionary(const std::string& title, const std::string& author,
                                               const std::string& subject, const std::string& keywords,
                                               const std::string& creator, std::string_view producer) {
  xmp_.Title = title;
  xmp_.Author = author;
  xmp_.Subject = subject;
  xmp_.Keywords = keywords;
  xmp_.CreatorTool = creator;
  xmp_.Producer = std::string(producer);
  xmp_.Created = Now();
  xmp_.BiasMinutes = TimeZoneBiasMinutes();
  xmp_.Archival = level_.Archival;
  xmp_.Accessible = level_.Accessible;
  // Only entries with text: the metadata repeats each one, and an empty one says nothing.
  const std::string date = InfoDate(xmp_.Created, xmp_.BiasMinutes);
  std::string body = "/CreationDate (" + date + ")\r\n/ModDate (" + date + ")\r\n/Producer " + InfoString(producer);
  if (!title.empty()) body += "\r\n/Title " + InfoString(title);
  if (!author.empty()) body += "\r\n/Author " + InfoString(author);
  if (!subject.empty()) body += "\r\n/Subject " + InfoString(subject);
  if (!keywords.empty()) body += "\r\n/Keywords " + InfoString(keywords);
  if (!creator.empty()) body += "\r\n/Creator " + InfoString(creator);
  info_ = body;
  return body;
}

int TConformanceWriter::WriteOutputIntent(TOxQRPDFFilter& filter) {
  std::ifstream file(kSrgbProfilePath, std::ios::binary);
  const std::string profile((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (profile.size() < 128) {
    report_.Add(std::string("the sRGB colour profile ") + kSrgbProfilePath +
                " could not be read (install icc-profiles-free): the file has no output intent");
    return 0;
  }
  const int stream = filter.NextObject();
  WritePlainStream(filter, stream, "/N 3", profile);
  const int intent = filter.NextObject();
  filter.WriteObject("/Type /OutputIntent\r\n/S /GTS_PDFA1\r\n/OutputConditionIdentifier (sRGB IEC61966-2.1)\r\n"
                     "/Info (sRGB IEC61966-2.1)\r\n/DestOutputProfile " + Ref(stream),
                     intent, true);
  return intent;
}

void TConformanceWriter::WriteDocumentObjects(TOxQRPDFFilter& filter) {
  const int metadata = filter.NextObject();
  WritePlainStream(filter, metadata, "/Type /Metadata\r\n/Subtype /XML", XmpPacket(xmp_));
  std::string catalog = "/Type /Catalog\r\n/Pages 2 0 R\r\n/Metadata " + Ref(metadata);
  if (level_.Archival) {
    if (const int intent = WriteOutputIntent(filter); intent != 0) catalog += "\r\n/OutputIntents [" + Ref(intent) + "]";
  }
  if (level_.Accessible) {
    const int root = structure_.Write(filter);
    catalog += "\r\n/StructTreeRoot " + Ref(root) + "\r\n/MarkInfo << /Marked true >>\r\n/Lang " +
               InfoString(language_) + "\r\n/ViewerPreferences << /DisplayDocTitle true >>";
  }
  filter.WriteObject(catalog, 1, true);
}

std::string TConformanceWriter::TrailerId(int objectCount) const {
  QCryptographicHash hash(QCryptographicHash::Md5);
  hash.addData(QByteArrayView(info_.data(), static_cast<qsizetype>(info_.size())));
  hash.addData(QByteArray::number(objectCount));
  const std::string id = hash.result().toHex().toUpper().toStdString();
  return "/ID [<" + id + "> <" + id + ">]";
}

}  // namespace oxqr::pdf
