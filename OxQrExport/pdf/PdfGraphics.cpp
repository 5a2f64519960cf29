// TOxQRPDFFilter: boxes, frames, pictures and rich text.
#include <QImage>

#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "engine/Controls.h"
#include "platform/Errors.h"

namespace oxqr {
namespace {

const TOxQRPDFSettings& PdfSettings() { return QRExportSettings().PDF; }

// Deflate level of raw image samples for the compression method.
int ImageLevel(TPDFCompressionMethod method) {
  switch (method) {
    case TPDFCompressionMethod::cmFastest: return 0;
    case TPDFCompressionMethod::cmNormal: return 1;
    case TPDFCompressionMethod::cmMaxCompress: return -1;
  }
  return -1;
}


// The picture's pixels as 8-bit red, green, blue samples, top row first, no row padding.
std::string RgbSamples(const TBitmap& bitmap) {
  const QImage rgb = bitmap.Image().convertToFormat(QImage::Format_RGB888);
  const auto rowBytes = static_cast<std::size_t>(rgb.width()) * 3;
  std::string samples;
  samples.reserve(rowBytes * static_cast<std::size_t>(rgb.height()));
  for (int y = 0; y < rgb.height(); ++y) samples.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rowBytes);
  return samples;
}

// Sets a flag for the duration of a scope, also when an exception leaves it.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

std::string TOxQRPDFFilter::FrameOperators(const TQRFrame* Frame, const TOxQrRect& Rect) {
  std::string ops;
  AppendFrameOperators(ops, Frame, Rect);
  return ops;
}

void TOxQRPDFFilter::AppendFrameOperators(std::string& ops, const TQRFrame* Frame, const TOxQrRect& Rect) {
  if (Frame == nullptr || !Frame->AnyFrame()) return;
  const double x1 = Rect.Left, y1 = Rect.Top, x2 = Rect.Left + Rect.Width, y2 = Rect.Top - Rect.Height;
  ops += "\r\n";
  pdf::AppendInt(ops, Frame->Width);
  ops += " w\r\n";
  ops += pdf::ColorText(Frame->Color);
  ops += " RG";
  if (FrameAllSides(*Frame)) {
    ops += "\r\n";
    pdf::AppendPoint(ops, x1, y2);
    ops += ' ';
    pdf::AppendPoint(ops, Rect.Width, Rect.Height);
    ops += " re\r\nS";
    return;
  }
  auto line = [&](double ax, double ay, double bx, double by) {
    ops += "\r\n";
    pdf::AppendPoint(ops, ax, ay);
    ops += " m\r\n";
    pdf::AppendPoint(ops, bx, by);
    ops += " l\r\nS";
  };
  if (Frame->DrawTop) line(x1, y1, x2, y1);
  if (Frame->DrawRight) line(x2, y1, x2, y2);
  if (Frame->DrawBottom) line(x2, y2, x1, y2);
  if (Frame->DrawLeft) line(x1, y2, x1, y1);
}

void TOxQRPDFFilter::RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Output, bool, bool, bool, bool Fill,
                               const TQRFrame& Frame) {
  Output.clear();
  Output += "q\r\n";
  if (Fill) {
    Output += "0 w\r\n";
    Output += pdf::ColorText(Color);
    Output += " rg\r\n";
    pdf::AppendPoint(Output, Rect.Left, Rect.Top - Rect.Height);
    Output += ' ';
    pdf::AppendPoint(Output, Rect.Width, Rect.Height);
    Output += " re\r\nf";
  }
  AppendFrameOperators(Output, &Frame, Rect);
  Output += "\r\nQ";
  if (Conformance) Output = Conformance->Artifact(Output);
}

std::string TOxQRPDFFilter::PlaceImage(int Index, const TOxQrRect& Rect, const TQRFrame* Frame) {
  std::string ops = "q\r\n";
  pdf::AppendNumber(ops, Rect.Width);
  ops += " 0 0 ";
  pdf::AppendNumber(ops, Rect.Height);
  ops += ' ';
  pdf::AppendPoint(ops, Rect.Left, Rect.Top - Rect.Height);
  ops += " cm\r\n/Img";
  pdf::AppendInt(ops, Index);
  ops += " Do\r\nQ";
  AppendFrameOperators(ops, Frame, Rect);
  return ops;
}

std::string TOxQRPDFFilter::ImageFilterEntry() const {
  if (PdfSettings().ExportImageFormat() == TOxImageFormat::ifJPG) return "/Filter /DCTDecode";
  return PdfSettings().Compressed ? "/Filter /FlateDecode" : "";
}

std::int64_t TOxQRPDFFilter::DeflateInto(const std::string& Source, TStream& Destination, int Level) const {
  if (!PdfSettings().Compressed) {
    Destination.Write(Source);
    return static_cast<std::int64_t>(Source.size());
  }
  const std::string_view packed = deflater_.Compress(Source, Level);
  Destination.Write(packed.data(), packed.size());
  return static_cast<std::int64_t>(packed.size());
}

std::string TOxQRPDFFilter::EmbedImage(const TBitmap& Bitmap, const TOxQrRect& Rect, const TQRFrame* Frame,
                                       const void* ReportObject) {
  const auto& settings = PdfSettings();
  std::unique_ptr<TBitmap> scaled;
  if (settings.ImageDPI != -1) scaled = ScaleToDPI(&Bitmap, settings.ImageDPI);
  const TBitmap& bitmap = scaled ? *scaled : Bitmap;

  // The same picture again (a logo on every page) is encoded once for the whole job.
  const bool jpeg = settings.ExportImageFormat() == TOxImageFormat::ifJPG;
  const int level = ImageLevel(settings.CompressionMethod);
  const std::string encoding = jpeg ? "jpeg " + std::to_string(settings.JPEGQuality)
                                    : (settings.Compressed ? "flate " + std::to_string(level) : "raw");
  const auto encoded = encodedPictures_.Get(bitmap, encoding, [&]() -> std::string {
    if (jpeg) return std::move(EncodeJPEGStream(bitmap, settings.JPEGQuality)->Bytes());
    TMemoryStream packed;
    DeflateInto(RgbSamples(bitmap), packed, level);
    return std::move(packed.Bytes());
  });
  const std::string& data = *encoded;
  const std::string size = "/Width " + std::to_string(bitmap.Width()) + "\r\n/Height " +
                           std::to_string(bitmap.Height()) + "\r\n";

  // Same size, same filter and same bytes: the earlier object shows exactly this picture.
  const std::string head = size + ImageFilterEntry();
  std::size_t hash = 0;
  if (settings.ReuseIdenticalImages) {
    hash = std::hash<std::string_view>()(head) ^ (std::hash<std::string_view>()(data) * 31);
    const auto [from, to] = imageData_.equal_range(hash);
    for (auto it = from; it != to; ++it)
      if (it->second.Head == head && SameImageData(it->second, data)) return PlaceImage(it->second.Index, Rect, Frame);
  }

  const int object = NextObject();
  const int index = static_cast<int>(ImageObjects.size());
  ImageObjects.push_back(object);
  firstImageOf_.emplace(ReportObject, index);
  const std::size_t start = PageImages.Bytes.size();
  PageImages.BeginObject(object);
  PageImages.Write(std::to_string(object) + " 0 obj\r\n<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Img" +
                   std::to_string(index) + "\r\n" + size + "/BitsPerComponent 8\r\n/ColorSpace/DeviceRGB\r\n" +
                   ImageFilterEntry() + "\r\n/Length " + std::to_string(data.size()) + "\r\n>>\r\nstream\r\n");
  TImageRecord record{index, object, PageImages.Bytes.size() - start, data.size(), head, nullptr};
  PageImages.Write(data);
  PageImages.Write("\r\nendstream\r\nendobj\r\n");
  if (settings.ReuseIdenticalImages) {
    // The bytes are kept for the comparison while the store has room (they are shared with
    // the picture cache); beyond it they are read back from where they were written.
    if (imageDataHeld_ + data.size() <= ReuseStoreBudget) {
      imageDataHeld_ += data.size();
      record.Data = encoded;
    }
    imageData_.emplace(hash, std::move(record));
  }

  std::string ops = PlaceImage(index, Rect, Frame);
  NotifyEncodeGraphicDone(ReportObject, index);
  return ops;
}

bool TOxQRPDFFilter::SameImageData(const TImageRecord& Record, std::string_view Data) {
  if (Record.Length != Data.size()) return false;
  if (Record.Data) return *Record.Data == Data;
  for (const auto& [number, at] : PageImages.Starts)
    if (number == Record.Object) return PageImages.Bytes.compare(at + Record.DataOffset, Record.Length, Data) == 0;
  // Written on an earlier page: read back once the writer has put everything in the file,
  // then continue writing at the end.
  const std::int64_t end = Writer->Flush();
  std::string stored(Record.Length, '\0');
  PdfFile->SetPosition(Writer->Offset(Record.Object) + static_cast<std::int64_t>(Record.DataOffset));
  const std::size_t read = PdfFile->Read(stored.data(), stored.size());
  PdfFile->SetPosition(end);
  return read == stored.size() && stored == Data;
}

int TOxQRPDFFilter::ReusedImage(const void* ReportObject, bool Unique) {
  // The first image of each report object is found by its key instead of a walk over every
  // image written (tens of thousands in long jobs).
  return ResolveImageReuse(ReportObject, Unique, static_cast<int>(ImageObjects.size()), [this](const void* object) {
    const auto it = firstImageOf_.find(object);
    return it == firstImageOf_.end() ? -1 : it->second;
  });
}

void TOxQRPDFFilter::RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Output,
                                   bool UniqueImage, const TOxQrRect& Rect) {
  Output.clear();
  if ((Bitmap != nullptr && Bitmap->Empty()) || !PdfSettings().ExportImages) return;
  const int reuse = ReusedImage(&Control, UniqueImage);
  // A rich text's picture carries no frame of the control when placed again.
  const TQRFrame* frame = richTextPicture_ ? nullptr : &Control.Frame;
  if (reuse != -1) {
    Output = PlaceImage(reuse, Rect, frame);
    MarkFigure(Control, Output);
    return;
  }
  std::unique_ptr<TBitmap> made;
  if (Bitmap == nullptr) {
    made = ControlBitmap(Control, PdfSettings().ImagePixelFormat);
    if (made->Empty()) return;  // a control of no size has no picture to embed
    Bitmap = made.get();
  }
  Output = EmbedImage(*Bitmap, Rect, &Control.Frame, &Control);
  MarkFigure(Control, Output);
}

void TOxQRPDFFilter::RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Output) {
  Output.clear();
  const int reuse = ReusedImage(&Shape, false);
  if (reuse != -1) {
    Output = PlaceImage(reuse, Rect, nullptr);
  } else {
    const auto bitmap = ShapeBitmap(Shape, PdfSettings().ImagePixelFormat);
    if (bitmap->Empty()) return;
    Output = EmbedImage(*bitmap, Rect, nullptr, &Shape);
  }
  if (Conformance) Output = Conformance->Artifact(Output);
}

void TOxQRPDFFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X,
                                   double Y, bool Continuing) {
  if (!PageOpen() || !PdfSettings().ExportRichText) return;
  if (PdfSettings().RichTextEncodingType == TOxRichTextEncodingType::rtPlainText) {
    TOxQRDocumentFilter::WriteRichText(Control, Graphic, Stream, X, Y, Continuing);
    return;
  }
  if (!BandOpen) BeginBand();
  std::string out;
  {
    const TFlagScope scope(richTextPicture_);
    RenderPicture(Control, &Graphic, out, true, MappedRect(PictureRect(Graphic, X, Y)));
  }
  if (Conformance) out = Conformance->Figure(Control, out, RichTextAlt(Stream, Graphic));
  AppendToBand(out);
  CloseBandIfLast(Control, Continuing);
}

}  // namespace oxqr
