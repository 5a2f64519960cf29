#pragma once
// A document format for tests: it writes short tags instead of markup and logs every
// page-model call in order, so that tests can see what the filter received and where
// each piece of markup went.
#include <string>
#include <vector>

#include "OxQrExport/core/DocumentFilter.h"
#include "engine/Band.h"
#include "engine/Controls.h"

namespace oxqr::test {

class TRecordingFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;

  struct Box {
    TOxQrRect Rect;
    TColor Color;
    bool FixedWidth, FixedHeight, TextFrame, Fill;
    TQRFrame Frame;
  };
  bool Optimize = true;  // copied into OptimizeBackground by BeginDocument
  bool SilentBoxes = false;  // RenderBox leaves its output alone, as the text formats do
  std::vector<std::string> Log;
  std::vector<Box> Boxes;
  std::vector<TOxQrRect> BandRects;   // rectangles of EndBand
  std::vector<TOxQrRect> ShapeRects;  // rectangles of RenderShape
  std::vector<double> TextY;          // Y of every AddText

  std::string Written() const { return Output ? static_cast<const TMemoryStream&>(*Output).Bytes() : std::string(); }
  std::size_t Count(const std::string& entry) const {
    std::size_t n = 0;
    for (const auto& e : Log) n += e == entry;
    return n;
  }

  void BeginDocument() override {
    OptimizeBackground = Optimize;
    Output = std::make_unique<TMemoryStream>();
  }
  void RenderPicture(const TQRPrintable& Control, const TBitmap*, std::string& Out, bool, const TOxQrRect&) override {
    Log.push_back("RenderPicture:" + Control.Name);
    Out = "picture:" + Control.Name;
  }
  void RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Out) override {
    Log.push_back("RenderShape:" + Shape.Name);
    ShapeRects.push_back(Rect);
    Out = "shape:" + Shape.Name;
  }
  void RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Out, bool FixedWidth, bool FixedHeight,
                 bool TextFrame, bool Fill, const TQRFrame& Frame) override {
    Boxes.push_back(Box{Rect, Color, FixedWidth, FixedHeight, TextFrame, Fill, Frame});
    Log.push_back("RenderBox");
    if (SilentBoxes) return;
    Out = "box" + std::to_string(Boxes.size() - 1);
  }
  void AddText(const TOxQrTextRec& Rec) override {
    Log.push_back(std::string(InTextBlock ? "BlockText:" : "Text:") + Rec.Text);
    TextY.push_back(Rec.Y);
    if (InTextBlock) TextBlockLines.push_back("text:" + Rec.Text);
    else Output->Write("text:" + Rec.Text + "\r\n");
  }
  void BeginBand() override {
    Log.push_back("BeginBand");
    TOxQRDocumentFilter::BeginBand();
  }
  void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) override {
    Log.push_back("EndBand:" + Band.Name);
    BandRects.push_back(Rect);
    TOxQRDocumentFilter::EndBand(Band, Rect);
  }
  void BeginTextBlock(const TQRPrintable& Control, int X, int Y) override {
    Log.push_back("BeginTextBlock:" + Control.Name);
    TOxQRDocumentFilter::BeginTextBlock(Control, X, Y);
  }
  void EndTextBlock(const TQRPrintable& Control, int X, int Y, bool Continuing) override {
    Log.push_back("EndTextBlock:" + Control.Name + (Continuing ? ":continuing" : ""));
    TOxQRDocumentFilter::EndTextBlock(Control, X, Y, Continuing);
  }
  void WritePicture(const TQRPrintable& Control, int X, int Y, bool Continuing) override {
    Log.push_back("WritePicture:" + Control.Name);
    TOxQRDocumentFilter::WritePicture(Control, X, Y, Continuing);
  }
  void WriteShape(const TQRShape& Shape, int X, int Y, bool Continuing) override {
    Log.push_back("WriteShape:" + Shape.Name);
    TOxQRDocumentFilter::WriteShape(Shape, X, Y, Continuing);
  }
  void OpenPage() override {
    Log.push_back("OpenPage");
    TOxQRDocumentFilter::OpenPage();
  }

  // Makes the protected helpers reachable from tests.
  using TOxQRDocumentFilter::IsLastInBand;
};

}  // namespace oxqr::test
