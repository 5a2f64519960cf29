#include "PdfFilter.h"

#include <algorithm>
#include <cstdio>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfEncoding.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "OxQrExport/pdf/PdfType0Font.h"
#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

const TOxQRPDFSettings& PdfSettings() { return QRExportSettings().PDF; }

// zlib level of the page content streams for the compression method.
int ContentLevel(TPDFCompressionMethod method) {
  switch (method) {
    case TPDFCompressionMethod::cmFastest: return 1;
    case TPDFCompressionMethod::cmNormal: return -1;
    case TPDFCompressionMethod::cmMaxCompress: return 9;
  }
  return 9;
}

constexpr std::string_view kHeader = "%PDF-1.3\r\n%\xE2\xE3\xCF\xD3\r\n";
constexpr std::string_view kProducer = "OxQRFilters V2.11 for QRReport";

std::string Ref(int object) { return std::to_string(object) + " 0 R"; }

}  // namespace

TOxQRPDFFilter::~TOxQRPDFFilter() = default;

std::string TOxQRPDFFilter::DisplayName() const { return std::string(SPDFDocument); }

std::string TOxQRPDFFilter::Extension() const { return "pdf"; }

TMemoryStream& TOxQRPDFFilter::PageContent() { return static_cast<TMemoryStream&>(*Output); }

// ---- Units and text

double TOxQRPDFFilter::MapX(double X) { return X / NativePerInch * 72; }

double TOxQRPDFFilter::MapY(double Y) {
  // The one call that computes PageHeight sees it still 0 and gets the plain length.
  const double points = Y / NativePerInch * 72;
  return PageHeight == 0 ? points : PageHeight - points;
}

void TOxQRPDFFilter::MapRect(const TOxQrRect& Source, TOxQrRect& Dest) {
  const TOxQrRect s = Source;  // Dest may be Source
  Dest.Left = MapX(s.Left);
  Dest.Top = MapY(s.Top);
  Dest.Width = MapX(s.Width);
  Dest.Height = s.Height / NativePerInch * 72;
}

void TOxQRPDFFilter::MapSize(TSize Size, double& Width, double& Height) {
  Width = MapX(Size.cx / SourcePrinter->HorizontalFactor());
  Height = Size.cy / SourcePrinter->VerticalFactor() / NativePerInch * 72;
}

std::string TOxQRPDFFilter::EncodeText(const std::string& Text) {
  // A control byte (a tab of rich text, a line end) has no glyph: readers show nothing and
  // join the words around it. It is drawn as the blank it stands for.
  return pdf::EscapeString(ControlBytesAsBlanks(Text));
}

std::string TOxQRPDFFilter::FormatNumber(double Value) { return pdf::FormatNumber(Value); }

// ---- The file writer

void TOxQRPDFFilter::WriteNullObject(int Number) { WriteObject("null", Number, true); }

void TOxQRPDFFilter::BeginDocument() {
  Writer.reset();
  if (!StartConformance()) return;
  try {
    PdfFile = std::make_unique<TSafeFileStream>(FileName);
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  Writer = std::make_unique<pdf::TPdfFileWriter>(*PdfFile, SecondThread);
  Output = std::make_unique<TMemoryStream>();
  PageImages.Clear();
  OptimizeBackground = PdfSettings().OptimizeBackgroundPainting;
  FontList.clear();
  lastFont_ = {};
  ImageObjects.clear();
  firstImageOf_.clear();
  imageData_.clear();
  imageDataHeld_ = 0;
  KidsText.clear();
  ObjectCount = 5;
  closedPages_ = 0;

  // A conformant file writes its catalog at the end, when its entries are known.
  Writer->Write(Conformance ? pdf::TConformanceWriter::Header() : kHeader);
  if (!Conformance) WriteObject("/Type /Catalog\r\n/Pages 2 0 R", 1, true);
  Type0Fonts.reset();
  // Every font of a conformant file is embedded with its Unicode mapping, as in the Unicode mode.
  if (UnicodeMode() || Conformance)
    Type0Fonts = std::make_unique<pdf::TType0FontSet>();
  else
    FontList.push_back({FontKey(ReportFont), RegisterFont(ReportFont)});
}

void TOxQRPDFFilter::BeginPage() {
  TOxQRDocumentFilter::BeginPage();
  PageContent().Clear();
  PageImages.Clear();
  PageObject = NextObject();
  ContentsObject = NextObject();
  KidsText += " " + Ref(PageObject);
  LengthObject = NextObject();
  if (Conformance) Conformance->BeginPage(PageObject);
}

void TOxQRPDFFilter::ClosePage() {
  if (PageOpen()) WritePageObjects();
  TOxQRDocumentFilter::ClosePage();
}

void TOxQRPDFFilter::WritePageObjects() {
  const auto& settings = PdfSettings();
  TMemoryStream& content = PageContent();
  // Items of a band that never got its end are drawn on this page, and only here.
  content.Write(TakeOpenBand());

  WriteObject("/Type /Page\r\n/Parent 2 0 R\r\n/Contents " + Ref(ContentsObject) +
                  (Conformance ? Conformance->PageEntries() : std::string()),
              PageObject, true);
  if (settings.Compressed)
    WriteObject("/Length " + Ref(LengthObject) + "\r\n/Filter /FlateDecode", ContentsObject, false);
  else
    WriteObject("<< /Length " + Ref(LengthObject) + " >>", ContentsObject, false);

  if (PageFrame && PageFrame->AnyFrame()) {
    // The frame lies on the margin lines: TopMargin and BottomMargin are already heights
    // above the bottom of the paper.
    const TOxQrRect frame{LeftMargin, TopMargin, PageWidth - LeftMargin - RightMargin,
                          TopMargin + BottomMargin - PageHeight};
    const std::string ops = "q\r\n" + FrameOperators(PageFrame.get(), frame) + "\r\nQ";
    content.Write((Conformance ? Conformance->Artifact(ops) : ops) + "\r\n");
  }
  Writer->Write("stream\r\n");
  // The content is compressed and written, with its length object and the page's images
  // after it, while the next page is laid out; its buffer comes back for the next page.
  Writer->WriteContent(content.Bytes(),
                       settings.Compressed ? ContentLevel(settings.CompressionMethod) : pdf::TPdfFileWriter::kStored,
                       LengthObject);
  content.Clear();
  Writer->WriteRun(PageImages);
  Writer->Submit();
  ++closedPages_;
}

void TOxQRPDFFilter::WriteEmptyPage() {
  const int page = NextObject();
  WriteObject("/Type /Page\r\n/Parent 2 0 R", page, true);
  KidsText += " " + Ref(page);
}

std::string TOxQRPDFFilter::InfoDictionary() const {
  const auto& s = PdfSettings();
  const TLocalTime now = Now();
  char date[32];
  std::snprintf(date, sizeof date, "%.4d%.2d%.2d%.2d%.2d%.2d", now.Tm.tm_year + 1900, now.Tm.tm_mon + 1,
                now.Tm.tm_mday, now.Tm.tm_hour, now.Tm.tm_min, now.Tm.tm_sec);
  std::string body = "/Author " + pdf::InfoString(s.Author) + "\r\n/CreationDate (D:" + date +
                     pdf::UtcOffsetText(TimeZoneBiasMinutes()) + ")\r\n/Keywords " + pdf::InfoString(s.Keywords) +
                     "\r\n/Creator " + pdf::InfoString(s.Creator) + "\r\n/Producer " + pdf::InfoString(kProducer) +
                     "\r\n/Title " + pdf::InfoString(s.Title.empty() ? ReportTitle : s.Title);
  if (!s.Subject.empty()) body += "\r\n/Subject " + pdf::InfoString(s.Subject);
  return body;
}

void TOxQRPDFFilter::EndDocument() {
  if (!Writer) return;
  const auto& settings = PdfSettings();

  if (PageOpen()) {
    // A cancelled run: its last page was opened but never closed. The page leaves /Kids,
    // the images it made are written all the same, and its three numbers become null
    // objects, so that the table lists every number it claims.
    const std::string kid = " " + Ref(PageObject);
    if (KidsText.size() >= kid.size() && KidsText.compare(KidsText.size() - kid.size(), kid.size(), kid) == 0)
      KidsText.erase(KidsText.size() - kid.size());
    Writer->WriteRun(PageImages);
    for (const int object : {PageObject, ContentsObject, LengthObject}) WriteNullObject(object);
  }
  // Readers refuse a document without pages; one empty page of the paper size keeps every
  // file we leave readable.
  if (closedPages_ == 0) WriteEmptyPage();

  std::string kids = KidsText;
  kids.erase(0, kids.find_first_not_of(' '));
  const int pageCount = static_cast<int>(std::count(kids.begin(), kids.end(), 'R'));
  WriteObject("/Type /Pages\r\n/Count " + std::to_string(pageCount) + "\r\n/MediaBox [0 0 " +
                  FormatNumber(PageWidth) + " " + FormatNumber(PageHeight) + "]\r\n/Kids [" + kids +
                  "]\r\n/Resources 5 0 R",
              2, true);

  WriteResources();
  WriteObject(std::string("[/PDF /Text") + (settings.ExportImages ? " /ImageC" : "") + "]", 4, true);

  for (std::size_t i = 0; i < FontList.size(); ++i) WriteFontObjects(static_cast<int>(i), FontList[i]);
  FontList.clear();
  lastFont_ = {};
  // Characters no face could draw are told once, when the file is complete.
  std::string missingFonts;
  if (Type0Fonts) {
    Type0Fonts->WriteObjects(*this);
    missingFonts = Type0Fonts->MissingFonts().Message();
  }
  Type0Fonts.reset();
  if (Conformance) {
    const auto& s = settings;
    WriteObject(Conformance->InfoDictionary(s.Title.empty() ? ReportTitle : s.Title, s.Author, s.Subject, s.Keywords,
                                            s.Creator, kProducer),
                3, true);
    Conformance->WriteDocumentObjects(*this);
  } else {
    WriteObject(InfoDictionary(), 3, true);
  }

  WriteCrossReference();
  if (!FinishConformance()) {
    Writer.reset();
    PdfFile.reset();  // not committed: the file that would not conform is not left
    Output.reset();
    return;
  }

  // Every byte is in the file once the worker is joined; a failure of its writing was
  // thrown above and leaves the file uncommitted.
  Writer.reset();
  PdfFile->Commit();
  PdfFile.reset();
  Output.reset();
  ImageObjects.clear();
  firstImageOf_.clear();
  imageData_.clear();
  imageDataHeld_ = 0;
  PageImages.Clear();
  if (!missingFonts.empty()) ReportError(this, missingFonts);
}

void TOxQRPDFFilter::WriteResources() {
  std::string resources;
  const bool type0 = Type0Fonts && !Type0Fonts->Empty();
  if (!FontList.empty() || type0) {
    resources += "/Font <<\r\n";
    for (std::size_t i = 0; i < FontList.size(); ++i)
      resources += "/F" + std::to_string(i) + " " + Ref(FontList[i].Info->FontObject) + "\r\n";
    if (type0) resources += Type0Fonts->ResourceEntries();
    resources += ">>\r\n";
  }
  resources += "/ProcSet 4 0 R";
  if (ImageObjects.empty()) {
    WriteObject(resources, 5, true);
    return;
  }
  // One entry per image: a long document's list goes out in parts, as WriteObject would
  // write the whole body (a body of several lines is wrapped in "<<" ">>").
  Writer->BeginObject(5);
  Writer->Write("5 0 obj\r\n<<\r\n");
  Writer->Write(resources);
  Writer->Write("\r\n/XObject <<");
  for (std::size_t i = 0; i < ImageObjects.size(); ++i) {
    std::string& out = Writer->Run().Bytes;
    out += "\r\n/Img";
    pdf::AppendInt(out, static_cast<long long>(i));
    out += ' ';
    pdf::AppendInt(out, ImageObjects[i]);
    out += " 0 R";
    Writer->SubmitWhenLarge();
  }
  Writer->Write(" >>\r\n>>\r\nendobj\r\n");
}

void TOxQRPDFFilter::WriteCrossReference() {
  const std::int64_t xref = Writer->Flush();
  Writer->Write("xref\r\n0 " + std::to_string(ObjectCount + 1) + "\r\n0000000000 65535 f\r\n");
  for (int n = 1; n <= ObjectCount; ++n) {
    const std::int64_t offset = Writer->Offset(n);
    Writer->Write(offset >= 0 ? pdf::XrefEntry(offset) : std::string("0000000000 00000 f\r\n"));
    Writer->SubmitWhenLarge();
  }
  Writer->Write("trailer\r\n<<\r\n/Root 1 0 R\r\n/Info 3 0 R\r\n/Size " + std::to_string(ObjectCount + 1) +
                (Conformance ? "\r\n" + Conformance->TrailerId(ObjectCount) : std::string()) + "\r\n>>\r\nstartxref\r\n" + std::to_string(xref) + "\r\n%%EOF");
  Writer->Flush();
}

}  // namespace oxqr
