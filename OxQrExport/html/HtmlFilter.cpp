// The page writer: one absolutely positioned DIV per text line, box and
// picture, in the order the page model delivers them.
#include "HtmlFilter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string_view>

#include "HtmlMarkup.h"
#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/core/Settings.h"
#include "engine/Controls.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

namespace oxqr {

namespace {

const TOxQRHTMLSettings& HtmlSettings() { return QRExportSettings().HTML; }

constexpr bool RawMarkup(const std::string& text) {
  return text.size() >= 3 && text[0] == '\x01' && text[1] == '\x01' && text[2] == '\x01';
}

// The class reference: closes the STYLE attribute and opens a Class attribute
// whose closing quote the DIV template supplies.
std::string ClassReference(int index) { return "\" Class=\"S" + std::to_string(index); }

// The extension of a picture file in `format` ("" for a format without one).
std::string PictureExtension(TOxImageFormat format) {
  switch (format) {
    case TOxImageFormat::ifGIF: return ".gif";
    case TOxImageFormat::ifJPG: return ".jpg";
    case TOxImageFormat::ifBMP: return ".bmp";
  }
  return {};
}

// The bytes of the picture file SaveBitmapFile writes for `format`.
std::string EncodedPicture(const TBitmap& bitmap, TOxImageFormat format, int quality) {
  TMemoryStream bytes;
  switch (format) {
    case TOxImageFormat::ifGIF:
      EncodeGIF(bitmap.Image(), bytes);
      break;
    case TOxImageFormat::ifJPG:
      EncodeJPEG(bitmap.Image(), bytes, TJPEGOptions{quality, false, false});
      break;
    case TOxImageFormat::ifBMP:
      bitmap.SaveToStream(bytes);
      break;
  }
  return std::move(bytes.Bytes());
}

// A box's background and border declarations ("" for neither).
std::string BoxDeclarations(const TQRFrame& Frame, bool Fill, TColor Color) {
  std::string d;
  if (Fill) d = "background-color:#" + RGBHex(Color);
  if (Frame.AnyFrame()) {
    // The pen style is not used: every line is solid.
    const std::string w = std::to_string(Frame.Width) + "px solid #" + RGBHex(Frame.Color);
    if (Frame.DrawTop) d += "; border-top:" + w;
    if (Frame.DrawRight) d += "; border-right:" + w;
    if (Frame.DrawBottom) d += "; border-bottom:" + w;
    if (Frame.DrawLeft) d += "; border-Left:" + w;
  }
  return d;
}

// Whether the regular file at `path` holds exactly `bytes`: one open, one size check and
// (only when the sizes agree) one read; a missing or unreadable file holds nothing.
bool FileHolds(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // a FIFO must not block
  if (fd < 0) return false;
  struct stat st {};
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) == bytes.size();
  if (same) {
    std::string content(bytes.size(), '\0');
    std::size_t got = 0;
    for (ssize_t n; got < content.size() && (n = ::read(fd, content.data() + got, content.size() - got)) > 0;)
      got += static_cast<std::size_t>(n);
    same = got == bytes.size() && content == bytes;
  }
  ::close(fd);
  return same;
}

// Mixes `v` into the hash `h`.
void HashMix(std::size_t& h, std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); }

}  // namespace

std::string TOxQRHTMLFilter::DisplayName() const { return std::string(SHTMLDocument); }

std::string TOxQRHTMLFilter::Extension() const { return "htm"; }

const std::string& TOxQRHTMLFilter::Body() const { return static_cast<const TMemoryStream&>(*Output).Bytes(); }

double TOxQRHTMLFilter::PageOffset() {
  if (!HtmlSettings().SingleFile) return 0;
  return static_cast<double>(RoundHalfEven((PageHeight + 2) * (PageNumber() - 1)));
}

std::size_t TOxQRHTMLFilter::TClassKeyHash::operator()(const TFontClassKey& k) const {
  std::size_t h = std::hash<std::string>{}(k.Name);
  HashMix(h, static_cast<std::size_t>(k.Size));
  HashMix(h, k.Style);
  HashMix(h, k.Color);
  return h;
}

std::size_t TOxQRHTMLFilter::TClassKeyHash::operator()(const TBoxClassKey& k) const {
  std::size_t h = k.Color;
  HashMix(h, (static_cast<std::size_t>(k.Sides) << 1) | (k.Fill ? 1 : 0));
  HashMix(h, static_cast<std::size_t>(k.Width));
  HashMix(h, k.FrameColor);
  return h;
}

void TOxQRHTMLFilter::ResetStyleClasses() {
  StyleClasses.clear();
  fontClasses_.clear();
  boxClasses_.clear();
}

int TOxQRHTMLFilter::FontClassIndex(const TOxQrFontAttrib& Font) {
  TFontClassKey key{Font.Name, Font.Size, Font.Style.Bits(), Font.Color};
  const auto found = fontClasses_.find(key);
  if (found != fontClasses_.end()) return found->second;
  const int index = ClassIndex("font:" + html::FontShorthand(Font));
  fontClasses_.emplace(std::move(key), index);
  return index;
}

int TOxQRHTMLFilter::BoxClassIndex(const TQRFrame& Frame, bool Fill, TColor Color) {
  const bool framed = Frame.AnyFrame();
  const auto sides = static_cast<std::uint8_t>((Frame.DrawTop ? 1 : 0) | (Frame.DrawRight ? 2 : 0) |
                                               (Frame.DrawBottom ? 4 : 0) | (Frame.DrawLeft ? 8 : 0));
  const TBoxClassKey key{Fill, Fill ? Color : 0, sides, framed ? Frame.Width : 0, framed ? Frame.Color : 0};
  const auto found = boxClasses_.find(key);
  if (found != boxClasses_.end()) return found->second;
  const int index = ClassIndex("font:0pt; " + BoxDeclarations(Frame, Fill, Color));
  boxClasses_.emplace(key, index);
  return index;
}

int TOxQRHTMLFilter::ClassIndex(const std::string& Entry) {
  for (std::size_t i = 0; i < StyleClasses.size(); ++i)
    if (SameText(StyleClasses[i], Entry)) return static_cast<int>(i);
  StyleClasses.push_back(Entry);
  return static_cast<int>(StyleClasses.size()) - 1;
}

std::string TOxQRHTMLFilter::TextFontStyle(const TOxQrFontAttrib& Font) {
  if (!HtmlSettings().OptimizeForIE) return "; font:" + html::FontShorthand(Font);
  // The head's DIV rule carries the report's font; Charset and Pitch do not
  // show in CSS.
  const bool reportFont = Font.Size == ReportFont.Size && Font.Name == ReportFont.Name &&
                          Font.Style == ReportFont.Style && Font.Color == ReportFont.Color;
  if (reportFont) return {};
  return ClassReference(FontClassIndex(Font));
}

std::string TOxQRHTMLFilter::BoxStyle(const TQRFrame& Frame, bool Fill, TColor Color) {
  if (!Fill && !Frame.AnyFrame()) return {};
  if (HtmlSettings().OptimizeForIE) return ClassReference(BoxClassIndex(Frame, Fill, Color));
  return "; font:0pt; " + BoxDeclarations(Frame, Fill, Color);
}

std::string TOxQRHTMLFilter::EncodeText(const std::string& Text) {
  if (RawMarkup(Text)) return Text.substr(3);
  // Report data is text: "Smith & Jones <Ltd>" must not become an element.
  return html::EscapeTextLine(Text);
}

void TOxQRHTMLFilter::AddText(const TOxQrTextRec& Rec) {
  double left = Rec.X;
  switch (Rec.Alignment) {
    case TAlignment::taLeftJustify:
      break;
    case TAlignment::taRightJustify:
      left = Rec.X - Rec.Width - 2;
      break;
    case TAlignment::taCenter:
      left = Rec.X - Rec.Width / 2 - 1;
      break;
  }
  // Two and a half times the measured width, so that the line never wraps; no
  // height. Built in one string: a report has a DIV per text line.
  std::string div;
  div.reserve(112 + PositionPrefix.size() + Rec.Text.size());
  div += "<DIV STYLE=\"";
  div += PositionPrefix;
  div += "top:";
  div += FormatNumber(Rec.Y + PageOffset());
  div += "px; left:";
  div += FormatNumber(left);
  div += "px; width:";
  div += FormatNumber(Rec.Width * 2.5);
  div += "px";
  if (Rec.Orientation % 3600 != 0) {
    // Turned about the line's start, which is where top and left put the DIV's corner; CSS
    // turns clockwise.
    div += "; transform-origin:0 0; transform:rotate(";
    div += FormatNumber(-Rec.Orientation / 10.0);
    div += "deg)";
  }
  div += TextFontStyle(Rec.Font);
  div += "\">";
  div += Rec.Text;
  div += "</DIV>";
  if (InTextBlock) {
    TextBlockLines.push_back(std::move(div));
  } else if (Output) {
    div += "\r\n";
    Output->Write(div);
  }
}

void TOxQRHTMLFilter::RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Output, bool, bool, bool, bool Fill,
                                const TQRFrame& Frame) {
  Output.clear();
  if (!Fill && !Frame.AnyFrame()) return;
  // Built in one string: a report has a box per band and framed control.
  Output.reserve(112 + PositionPrefix.size());
  Output += "<DIV STYLE=\"";
  Output += PositionPrefix;
  Output += "top:";
  Output += FormatNumber(Rect.Top + PageOffset());
  Output += "px; left:";
  Output += FormatNumber(Rect.Left);
  Output += "px; width:";
  Output += FormatNumber(Rect.Width);
  Output += "px; height:";
  Output += FormatNumber(Rect.Height);
  Output += "px";
  Output += BoxStyle(Frame, Fill, Color);
  Output += "\"></DIV>";
}

std::string TOxQRHTMLFilter::PictureDiv(const TQRPrintable& Control, const TOxQrRect& Rect, const std::string& src,
                                        const std::string& alt) {
  const std::string width = FormatNumber(Rect.Width);
  const std::string height = FormatNumber(Rect.Height);
  // The control's frame lines become the DIV's borders; the browser scales the
  // file.
  return "<DIV STYLE=\"" + PositionPrefix + "top:" + FormatNumber(Rect.Top + PageOffset()) +
         "px; left:" + FormatNumber(Rect.Left) + "px; width:" + width + "px; height:" + height + "px" +
         BoxStyle(Control.Frame, false, 0) + "\"><IMG SRC=\"" + html::EncodeUrl(src) + "\" ALT=\"" +
         html::EscapeMarkup(alt) + "\" Width=" + width + " Height=" + height + "></DIV>";
}

int TOxQRHTMLFilter::WritePictureFile(const TQRPrintable& Control, const TBitmap& picture, const std::string& name) {
  const auto& settings = HtmlSettings();
  auto& files = QRExportSettings().CreatedImageFiles;
  const TOxImageFormat format = settings.ExportImageFormat;
  const std::string extension = PictureExtension(format);
  std::string fileName = name + extension;
  if (extension.empty()) {
    // A format without an encoder writes no file; the name is listed all the same.
    files.Add(ImageHref + ExtractFileName(fileName), &Control);
    return files.Count() - 1;
  }
  // Every file gets the bytes again, but each picture is encoded once per job.
  const int quality = settings.JPEGQuality;
  const auto bytes = encodedPictures_.Get(picture, extension + std::to_string(quality),
                                          [&] { return EncodedPicture(picture, format, quality); });
  if (!settings.ReuseIdenticalImages) {
    WriteFileSafely(fileName, *bytes);
  } else {
    auto& sameHash = picturesByHash_[std::hash<std::string>{}(*bytes)];
    for (const auto& earlier : sameHash) {
      // A file of the job that a handler or the user changed since is not
      // reused.
      if (FileHolds(earlier.Path, *bytes)) return earlier.Index;
    }
    WriteFileSafely(fileName, *bytes);
    sameHash.push_back({files.Count(), fileName});
  }
  files.Add(ImageHref + ExtractFileName(fileName), &Control);
  return files.Count() - 1;
}

template <class Make>
void TOxQRHTMLFilter::PictureMarkup(const TQRPrintable& Control, std::string& Output, bool UniqueImage,
                                    const TOxQrRect& Rect, Make&& make) {
  auto& settings = QRExportSettings();
  int index = -1;
  ResolveImageReuse(&Control, UniqueImage, index, settings.CreatedImageFiles);
  std::string alt;
  if (index == -1) {
    char number[16];
    std::snprintf(number, sizeof number, "%.4d", settings.CreatedImageFiles.Count() + 1);
    std::string name = ImageFolder + ExtractFileName(BaseName()) + "_I" + number;
    if (settings.OnMakeImgFileName) settings.OnMakeImgFileName(this, name, alt, PageNumber());
    // Bitmaps made here are released by their owners on every path, also when
    // writing fails.
    std::unique_ptr<TBitmap> made;
    const TBitmap* picture = make(made);
    std::unique_ptr<TBitmap> scaled;
    if (settings.HTML.ImageDPI != -1) {
      scaled = ScaleToDPI(picture, settings.HTML.ImageDPI);
      picture = scaled.get();
    }
    index = WritePictureFile(Control, *picture, name);
  }
  Output = PictureDiv(Control, Rect, settings.CreatedImageFiles[index], alt);
  NotifyEncodeGraphicDone(&Control, index);
}

void TOxQRHTMLFilter::RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Output,
                                    bool UniqueImage, const TOxQrRect& Rect) {
  Output.clear();
  if (!HtmlSettings().ExportImages) return;
  PictureMarkup(Control, Output, UniqueImage, Rect, [&](std::unique_ptr<TBitmap>& made) -> const TBitmap* {
    if (Bitmap != nullptr) return Bitmap;  // the caller's bitmap stays the caller's
    made = ControlBitmap(Control, HtmlSettings().ImagePixelFormat);
    return made.get();
  });
}

void TOxQRHTMLFilter::RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Output) {
  // A shape drawn as a picture is written whatever ExportImages says, and every
  // print of the same shape control reuses its first file unless a handler
  // decides otherwise.
  PictureMarkup(Shape, Output, false, Rect, [&](std::unique_ptr<TBitmap>& made) -> const TBitmap* {
    made = ShapeBitmap(Shape, HtmlSettings().ImagePixelFormat);
    return made.get();
  });
}

void TOxQRHTMLFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X,
                                    double Y, bool Continuing) {
  if (!PageOpen() || !HtmlSettings().ExportRichText) return;
  if (HtmlSettings().RichTextEncodingType == TOxRichTextEncodingType::rtPlainText) {
    TOxQRDocumentFilter::WriteRichText(Control, Graphic, Stream, X, Y, Continuing);
    return;
  }
  if (!BandOpen) BeginBand();
  std::string out;
  RenderPicture(Control, &Graphic, out, true, MappedRect(PictureRect(Graphic, X, Y)));
  AppendToBand(out);
  CloseBandIfLast(Control, Continuing);
}

void TOxQRHTMLFilter::PageEndContent() {
  const auto& settings = HtmlSettings();
  // A band that never ended on this page: its items belong here, and only here.
  Output->Write(TakeOpenBand());
  const double offset = PageOffset();
  if (PageFrame && PageFrame->AnyFrame()) {
    Output->Write("<DIV STYLE=\"" + PositionPrefix + "top:" + FormatNumber(TopMargin + offset) + "px; left:" +
                  FormatNumber(LeftMargin) + "px; width:" + FormatNumber(PageWidth - LeftMargin - RightMargin) +
                  "px; height:" + FormatNumber(PageHeight - TopMargin - BottomMargin) + "px " +
                  BoxStyle(*PageFrame, false, 0) + "\"></DIV>\r\n");
  }
  if (settings.SingleFile && settings.PageEndLines) {
    // At the page's own bottom edge: pages move down by PageHeight + 2 each.
    Output->Write("<DIV STYLE=\"" + PositionPrefix + "top:" + FormatNumber(offset + PageHeight) +
                  "px\"><HR SIZE= 2 WIDTH= " + FormatNumber(PageWidth - 10) + " NOSHADE></DIV>\r\n");
  }
}

}  // namespace oxqr
