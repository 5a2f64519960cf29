// The rich text control: page by page printing with band growth, the pieces it hands to a
// document filter (picture + RTF of exactly the printed characters), ParentRichEdit, and
// the line breaker it installs for plain-lines export.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OxQrCtrls/RichText.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "platform/Errors.h"
#include "platform/Streams.h"
#include "richtext/RtfReader.h"
#include "tests/OxQrExport/document/RecordingFilter.h"

namespace oxqr {
namespace {

struct TPiece {
  std::string Rtf;
  int Width = 0, Height = 0;
  double X = 0, Y = 0;
  bool Continuing = false;
};

class TRichTextRecorder : public test::TRecordingFilter {
 public:
  using TRecordingFilter::TRecordingFilter;
  std::vector<TPiece> Pieces;
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override {
    EXPECT_EQ(Stream.Position(), 0);
    Pieces.push_back(TPiece{Stream.ReadAll(), Graphic.Width(), Graphic.Height(), X, Y, Continuing});
    TRecordingFilter::WriteRichText(Control, Graphic, Stream, X, Y, Continuing);
  }
  std::string JoinedText() const {
    std::string s;
    for (const auto& p : Pieces) s += LoadRtf(p.Rtf).PlainText();
    return s;
  }
};

std::string LongRtf(int paragraphs) {
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                    "{\\colortbl ;\\red0\\green0\\blue160;}";
  for (int i = 0; i < paragraphs; ++i) {
    rtf += std::string(i % 2 ? "\\pard\\qj\\f1\\fs24 " : "\\pard\\f0\\fs20\\cf1 ") + "Paragraph " + std::to_string(i);
    for (int w = 0; w < 60; ++w) rtf += w % 9 == 4 ? " {\\b strong}" : " text";
    rtf += "\\par ";
  }
  return rtf + "The end.}";
}

struct TRichReport {
  TQRReport Report;
  TQRCustomBand* Band = nullptr;
  TOxQRRichText* Rich = nullptr;
  explicit TRichReport(const std::string& rtf, bool autoStretch = true) {
    Band = &Report.AddBand(TQRBandType::rbDetail);
    Band->Name = "Detail";
    Band->SetHeightMM(20);
    Rich = &Band->Add<TOxQRRichText>();
    Rich->Name = "Rich";
    Rich->SetBoundsMM(0, 2, 150, 15);
    Rich->AutoStretch = autoStretch;
    TMemoryStream s(rtf);
    Rich->Editor().LoadFromStream(s);
  }
};

TEST(RichTextControl, ThreePagesOfTextArePrintedOnceInPieces) {
  TRichReport r(LongRtf(40));
  r.Report.Prepare();
  const int pages = r.Report.QRPrinter().PageCount();
  ASSERT_GE(pages, 3);

  TRichTextRecorder filter("memory");
  r.Report.ExportToFilter(filter);
  ASSERT_EQ(static_cast<int>(filter.Pieces.size()), pages);
  for (std::size_t i = 0; i < filter.Pieces.size(); ++i) EXPECT_EQ(filter.Pieces[i].Continuing, i > 0) << i;
  EXPECT_EQ(filter.JoinedText(), r.Rich->Editor().PlainText());
  EXPECT_TRUE(r.Rich->Finished);
  EXPECT_EQ(r.Rich->NextCharPos, r.Rich->Editor().TextLength());
  // Every piece is placed at the control's position and pictured at its grown size.
  const TQRPrinter& printer = r.Report.QRPrinter();
  for (const auto& p : filter.Pieces) {
    EXPECT_EQ(p.Width, printer.ToDeviceX(r.Rich->Size.Width));
    EXPECT_GT(p.Height, printer.ToDeviceY(r.Rich->Size.Height));
  }
}

TEST(RichTextControl, BandStopsGrowingAsSoonAsTheTextFits) {
  // Enough text for a few more lines than the control's own height, on one page.
  TRichReport r(LongRtf(2));
  TRichTextRecorder filter("memory");
  r.Report.ExportToFilter(filter);
  ASSERT_EQ(filter.Pieces.size(), 1u);
  const TPiece& piece = filter.Pieces[0];
  EXPECT_EQ(LoadRtf(piece.Rtf).PlainText(), r.Rich->Editor().PlainText());
  // The picture is as high as the grown control: all text fits it, but not 1 mm less.
  TRichFormatRequest req;
  req.Rect = Rect(0, 0, piece.Width * 15, piece.Height * 15);
  const int length = r.Rich->Editor().TextLength();
  EXPECT_EQ(r.Rich->Editor().FormatRange(req), length);
  req.Rect.Bottom -= 15 * 4;  // 1 mm is 3.8 pixels
  EXPECT_LT(r.Rich->Editor().FormatRange(req), length);

  // A text that fits the control does not grow the band at all.
  TRichReport small("{\\rtf1\\ansi one line\\par }");
  TRichTextRecorder f2("memory");
  small.Report.ExportToFilter(f2);
  ASSERT_EQ(f2.Pieces.size(), 1u);
  EXPECT_EQ(f2.Pieces[0].Height, small.Report.QRPrinter().ToDeviceY(small.Rich->Size.Height));
  ASSERT_EQ(f2.BandRects.size(), 1u);
}

TEST(RichTextControl, EmptyTextStillHandsAnEmptyPiece) {
  TRichReport r("");
  TRichTextRecorder filter("memory");
  r.Report.ExportToFilter(filter);
  ASSERT_EQ(filter.Pieces.size(), 1u);
  EXPECT_FALSE(filter.Pieces[0].Continuing);
  const TRtfReadResult piece = ReadRtf(filter.Pieces[0].Rtf);
  EXPECT_TRUE(piece.Ok());
  EXPECT_EQ(piece.Document.TextLength(), 0);
  EXPECT_EQ(filter.Count("EndBand:Detail"), 1u);  // the control, last of its band, closes it
}

TEST(RichTextControl, WithoutStretchingOnlyWhatFitsIsPrintedOnce) {
  TRichReport r(LongRtf(10), /*autoStretch=*/false);
  TRichTextRecorder filter("memory");
  r.Report.ExportToFilter(filter);
  ASSERT_EQ(filter.Pieces.size(), 1u);
  const std::string piece = LoadRtf(filter.Pieces[0].Rtf).PlainText();
  const std::string all = r.Rich->Editor().PlainText();
  EXPECT_LT(piece.size(), all.size());
  EXPECT_EQ(all.substr(0, piece.size()), piece);
  EXPECT_TRUE(r.Rich->Finished);
}

TEST(RichTextControl, ParentRichEditIsPrintedWithItsFormatting) {
  TRichReport r("{\\rtf1\\ansi own text}");
  TOxQRRichEdit parent;
  TMemoryStream s(std::string("{\\rtf1\\ansi {\\b parent} text}"));
  parent.LoadFromStream(s);
  r.Rich->SetParentRichEdit(&parent);
  EXPECT_EQ(r.Rich->Lines(), std::vector<std::string>{"parent text"});  // copied as text
  TRichTextRecorder filter("memory");
  r.Report.ExportToFilter(filter);
  ASSERT_EQ(filter.Pieces.size(), 1u);
  const TRichDocument piece = LoadRtf(filter.Pieces[0].Rtf);
  EXPECT_EQ(piece.PlainText(), "parent text");
  EXPECT_TRUE(piece.Paragraphs.at(0).Runs.at(0).Format.Bold);
  r.Rich->SetParentRichEdit(nullptr);
}

TEST(RichTextControl, MalformedRtfIsRefusedAndLeavesTheContent) {
  TOxQRRichText rich;
  rich.SetLines({"kept"});
  for (const char* bad : {"{\\rtf1\\ansi unclosed {\\b group", "{\\rtf1 x\\bin999 y}", "{\\rtf1 a\\'zz}"}) {
    TMemoryStream s{std::string(bad)};
    EXPECT_THROW(rich.Editor().LoadFromStream(s), EInvalidData) << bad;
    EXPECT_EQ(rich.Lines(), std::vector<std::string>{"kept"});
  }
}

TEST(RichTextControl, LinesAndPropertiesReachTheEditors) {
  TOxQRRichText rich;
  TOxQRRichEdit parent;
  rich.SetParentRichEdit(&parent);
  TFont font;
  font.Name = "Times New Roman";
  font.Size = 14;
  font.Style = TFontStyles{TFontStyle::fsItalic};
  rich.SetFont(font);
  rich.SetAlignment(TAlignment::taCenter);
  rich.SetLines({"one", "two"});
  EXPECT_EQ(parent.Lines(), (std::vector<std::string>{"one", "two"}));
  const TRichRun& run = rich.Editor().Document().Paragraphs.at(1).Runs.at(0);
  EXPECT_EQ(run.Format.FontName, "Times New Roman");
  EXPECT_EQ(run.Format.SizeHalfPoints, 28);
  EXPECT_TRUE(run.Format.Italic);
  EXPECT_EQ(rich.Alignment(), TAlignment::taCenter);
  rich.SetColor(clYellow);
  EXPECT_EQ(rich.GetColor(), clYellow);
  EXPECT_EQ(rich.Color, clYellow);
  EXPECT_EQ(rich.EditorBounds(), Bounds(1, 1, 98, 98));
  rich.SetParentRichEdit(nullptr);
}

TEST(RichTextControl, InstallsALineBreakerThatBreaksAtTheWidth) {
  const TOxQRRichText control;
  ASSERT_TRUE(TOxQRDocumentFilter::RichTextLineBreaker);
  TMemoryStream rtf(LongRtf(1));
  rtf.SetPosition(rtf.Size());  // the breaker reads from the start whatever the position
  const auto lines = TOxQRDocumentFilter::RichTextLineBreaker(rtf, 200, 100);
  EXPECT_GT(lines.size(), 5u);
  EXPECT_EQ(lines.back(), "The end.");
}

}  // namespace
}  // namespace oxqr
