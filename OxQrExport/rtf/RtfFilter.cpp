#include "RtfFilter.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <array>
#include <cerrno>
#include <new>
#include <optional>
#include <stdexcept>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/core/Settings.h"
#include "RtfMarkup.h"
#include "RtfRichPiece.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Locale.h"
#include "platform/RtfFaceWords.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

const TOxQRRTFSettings& RTFSettings() { return QRExportSettings().RTF; }

constexpr double TwipsPerNative = 1440.0 / 254.0;
constexpr const char* CRLF = "\r\n";
constexpr const char* WebAddress = "(https://oxqrfilters.example.org)";

// A frame as wide as its measured text wraps in readers that measure a little wider; this
// much room keeps every line on one line.
double RoomyWidth(double textWidth) { return textWidth + std::max(textWidth * 0.05, 90.0); }

// The font charset written for `charset`: the default charset stands for the one of the
// ANSI code page (as the font mapper resolves it), so that readers decode \'hh correctly.
int WrittenCharset(int charset) {
  if (charset != DEFAULT_CHARSET) return charset;
  switch (AnsiCodePage()) {
    case 874: return 222;   // Thai
    case 932: return 128;   // Shift JIS
    case 936: return 134;   // GB 2312
    case 949: return 129;   // Hangul
    case 950: return 136;   // Big5
    case 1250: return 238;  // Eastern Europe
    case 1251: return 204;  // Cyrillic
    case 1253: return 161;  // Greek
    case 1254: return 162;  // Turkish
    case 1255: return 177;  // Hebrew
    case 1256: return 178;  // Arabic
    case 1257: return 186;  // Baltic
    case 1258: return 163;  // Vietnamese
    default: return ANSI_CHARSET;
  }
}

// Index of the first entry equal to `entry` ignoring case, appended when absent.
int IndexOrAppend(std::vector<std::string>& list, const std::string& entry) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (SameText(list[i], entry)) return static_cast<int>(i);
  list.push_back(entry);
  return static_cast<int>(list.size()) - 1;
}

std::string Num(int value) { return std::to_string(value); }


}  // namespace

int RtfRichTextLineSpacing(const std::string& face, int halfPoints) {
  if (halfPoints <= 0 || face.empty()) return 0;
  TFont ours;
  ours.Name = face;
  ours.Size = (halfPoints + 1) / 2;  // as the layout rounds the size
  const QFontMetricsF layout(ToQFont(ours, ScreenPPI));
  TFont exact;
  exact.Name = face;
  exact.Size = halfPoints;  // half points at twice the resolution: the exact size, finely
  constexpr int fine = 3600;
  const QFontMetricsF reader(ToQFont(exact, fine));
  const double readerLine = (reader.ascent() + reader.descent() + reader.leading()) * ScreenPPI / (2.0 * fine);
  if (readerLine <= 0) return 0;
  // Readers keep whole percents (cut off), so the spacing is written for the nearest one.
  const long percent = std::lround((layout.ascent() + layout.descent()) / readerLine * 100.0);
  return static_cast<int>((percent * 240 + 99) / 100);
}

TOxQRRTFFilter::~TOxQRRTFFilter() = default;

std::string TOxQRRTFFilter::Extension() const { return "rtf"; }

std::string TOxQRRTFFilter::DisplayName() const { return std::string(SRTFDocument); }

// ---- Units and tables

double TOxQRRTFFilter::MapX(double X) { return X * TwipsPerNative; }

double TOxQRRTFFilter::MapY(double Y) { return Y * TwipsPerNative; }

void TOxQRRTFFilter::MapSize(TSize Size, double& Width, double& Height) {
  Width = MapX(Size.cx / SourcePrinter->HorizontalFactor());
  Height = MapY(Size.cy / SourcePrinter->VerticalFactor());
}

double TOxQRRTFFilter::FrameWidthTwips(const TQRFrame& Frame) const {
  return Frame.Width / SourcePrinter->HorizontalFactor() * TwipsPerNative;
}

std::string TOxQRRTFFilter::EncodeText(const std::string& Text) { return RtfEscapeText(Text); }

void TOxQRRTFFilter::EncodeTextInto(const std::string& Text, std::string& Out) {
  Out.clear();
  AppendRtfEscapedText(Out, Text);
}

// Both tables only grow during a document, so an entry found once keeps its number; the
// numbers are remembered, as nearly every text line and box asks for one.
int TOxQRRTFFilter::ColorIndex(TColor Color) {
  const TColor rgb = ColorToRGB(Color);
  for (const auto& [known, index] : colorNumbers_)
    if (known == rgb && static_cast<std::size_t>(index) <= ColorTable.size()) return index;
  const int index = IndexOrAppend(ColorTable, RGBHex(Color)) + 1;
  colorNumbers_.emplace_back(rgb, index);
  return index;
}

int TOxQRRTFFilter::FontIndex(const TOxQrFontAttrib& Font) {
  for (const auto& known : fontNumbers_)
    if (known.Charset == Font.Charset && known.Name == Font.Name && known.Index < FontTable.size())
      return static_cast<int>(known.Index);
  // A face readers would not find by its name also gets its family and the drawn face
  // as the alternative: "\fswiss\fcharset0 Impact{\*\falt DejaVu Sans Condensed}".
  const TRtfFaceWords words = RtfFaceWords(Font.Name);
  const int index = IndexOrAppend(FontTable, words.Family + "\\fcharset" + std::to_string(WrittenCharset(Font.Charset)) +
                                                 " " + RtfEscapeText(Font.Name) + words.Alternative);
  fontNumbers_.push_back(TFontNumber{Font.Charset, Font.Name, static_cast<std::size_t>(index)});
  return index;
}

// ---- Document and pages

std::unique_ptr<TStream> TOxQRRTFFilter::CreateBodyStream() { return std::make_unique<TMemoryStream>(); }

void TOxQRRTFFilter::BeginDocument() {
  // The file is written beside its final name and replaces an older one only once complete.
  try {
    OutputStream = std::make_unique<TSafeFileStream>(FileName);
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  OptimizeBackground = RTFSettings().OptimizeBackgroundPainting;
  Output = CreateBodyStream();
  // Reserved once (address space only until written), so that the body never regrows.
  if (auto* memory = dynamic_cast<TMemoryStream*>(Output.get())) memory->Bytes().reserve(BodyMemoryBudget);
  FontTable.clear();
  ColorTable.clear();
  ExtraFontText.clear();
  FormatCodes.clear();
  CloseCodes.clear();
  Spilled = false;
  shapes_.clear();
  pictureLooks_.clear();
  colorNumbers_.clear();
  fontNumbers_.clear();
  formatCodesMade_.Valid = false;
  SpillFileName.clear();
  headRoom_ = 0;
  pictures_.Clear();
}

void TOxQRRTFFilter::BeginPage() {
  TOxQRDocumentFilter::BeginPage();
  pageFills_.clear();
  bandFills_.clear();
  openFrames_.clear();
  openHeads_.clear();
  WriteBody("{\r\n");
}

void TOxQRRTFFilter::ClosePage() {
  if (!PageOpen()) return;
  // Items of a band still open at the page's end belong to this page. They are written once:
  // later items of the band join an empty buffer.
  if (!BandBuffer.empty()) {
    FillFramesOverBoxes(nullptr);
    WriteBody(TakeOpenBand());
  }
  // "\pard" ends the last framed paragraph before the break, so that the break does not
  // carry the page's frames onto the next page. The paragraph holding the break is one
  // point high: readers flow it below a rich text box, and one that ends near the foot of
  // the page would otherwise push it, and the break, onto a page of its own.
  WriteBody(PageNumber() == TotalPages ? "\\par\\pard\\sl-20}\r\n" : "\\par\\pard\\sl-20\\page}\r\n");
  TOxQRDocumentFilter::ClosePage();
}

void TOxQRRTFFilter::WriteBody(std::string_view Text) {
  const std::size_t held = static_cast<std::size_t>(Output->Size());
  if (held + Text.size() > BodyMemoryBudget) {
    if (held > 0) SpillBody();
    if (Text.size() > BodyMemoryBudget) {  // larger than the memory body may be: straight to the file
      OpenSpillFile();
      OutputStream->Write(Text);
      return;
    }
  }
  auto tryWrite = [&] {
    try {
      Output->Write(Text);
      return true;
    } catch (const EStreamError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return false;
  };
  if (tryWrite()) return;
  OpenSpillFile();
  SpillBody();
  if (!tryWrite()) OutputStream->Write(Text);  // too large even for an empty body stream
}

std::string TOxQRRTFFilter::HeadAsItStands() {
  // EndDocument adds the page frame's colour to the table first; here on copies of the table.
  const std::vector<std::string> colors = ColorTable;
  const auto numbers = colorNumbers_;
  if (PageFrame && PageFrame->AnyFrame()) ColorIndex(PageFrame->Color);
  std::string head = DocumentHead();
  ColorTable = colors;
  colorNumbers_ = numbers;
  return head;
}

void TOxQRRTFFilter::OpenSpillFile() {
  if (Spilled) return;
  if (!OutputStream) throw EFileError(FileName, "write", EBADF);
  // The room is filled with the head as it stands, so that the file never holds a gap.
  const std::string head = HeadAsItStands();
  OutputStream->SetPosition(0);
  OutputStream->Write(head);
  headRoom_ = head.size();
  SpillFileName = OutputStream->TempName();
  Spilled = true;
}

void TOxQRRTFFilter::SpillBody() {
  OpenSpillFile();
  // The memory body is emptied in place and keeps its buffer for what follows.
  if (auto* memory = dynamic_cast<TMemoryStream*>(Output.get())) {
    OutputStream->Write(memory->Bytes());
    memory->Clear();
    return;
  }
  Output->SetPosition(0);
  OutputStream->CopyFrom(*Output);
  Output = CreateBodyStream();
}

void TOxQRRTFFilter::EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) {
  if (Aborted()) return;
  const bool fill = !OptimizeBackground || ColorToRGB(Band.Color) != clWhite;
  std::optional<TFilledBox> bandBox;
  if (Output && (fill || Band.Frame.AnyFrame())) {
    const std::size_t fills = bandFills_.size();
    std::string& box = bandBox_;
    box.clear();
    RenderBox(Rect, Band.Color, box, true, true, false, fill, Band.Frame);
    if (bandFills_.size() > fills) {  // the band's box lies under all of the band's items
      bandBox = bandFills_.back();
      bandFills_.pop_back();
    }
    box += CRLF;
    WriteBody(box);
  }
  FillFramesOverBoxes(bandBox ? &*bandBox : nullptr);
  if (Output) WriteBody(BandBuffer);
  BandOpen = false;
  BandBuffer.clear();
}

void TOxQRRTFFilter::BeginBand() {
  TOxQRDocumentFilter::BeginBand();
  bandFills_.clear();
  openFrames_.clear();
  openHeads_.clear();
}

void TOxQRRTFFilter::FillFramesOverBoxes(const TFilledBox* bandBox) {
  auto contains = [](const TOxQrRect& r, double x, double y) {
    return x >= r.Left && x <= r.Left + r.Width && y >= r.Top && y <= r.Top + r.Height;
  };
  // Later frames first, so that the positions of earlier ones stay valid.
  for (auto f = openFrames_.rbegin(); f != openFrames_.rend(); ++f) {
    const std::string_view head(openHeads_.data() + f->HeadAt, f->HeadSize);
    if (BandBuffer.compare(f->At, head.size(), head) != 0) continue;  // not written as made
    const double x = f->Rect.Left + f->Rect.Width / 2;
    const double y = f->Rect.Top + f->Rect.Height / 2;
    // The topmost filled box under the frame's centre: boxes of the band drawn before the
    // frame, then the band's own box, then those drawn earlier on the page.
    const TFilledBox* under = nullptr;
    for (auto b = bandFills_.rbegin(); b != bandFills_.rend() && under == nullptr; ++b)
      if (b->At <= f->At && contains(b->Rect, x, y)) under = &*b;
    if (under == nullptr && bandBox != nullptr && contains(bandBox->Rect, x, y)) under = bandBox;
    for (auto b = pageFills_.rbegin(); b != pageFills_.rend() && under == nullptr; ++b)
      if (contains(b->Rect, x, y)) under = &*b;
    if (under != nullptr) BandBuffer.insert(f->At + head.size() - 1, "\\cbpat" + Num(ColorIndex(under->Color)));
  }
  if (bandBox != nullptr) pageFills_.push_back(*bandBox);
  pageFills_.insert(pageFills_.end(), bandFills_.begin(), bandFills_.end());
  bandFills_.clear();
  openFrames_.clear();
  openHeads_.clear();
}

std::string TOxQRRTFFilter::DocumentHead() {
  const TOxQRRTFSettings& s = RTFSettings();
  std::string h = "{\\rtf1\\ansi\\ansicpg" + Num(AnsiCodePage()) + "\\deff0\\deftab720";

  h += "{\\fonttbl";
  for (std::size_t k = 0; k < FontTable.size(); ++k)
    if (FontTable[k] != DummyFont) h += "{\\f" + std::to_string(k) + FontTable[k] + ";}";
  h += ExtraFontText + "}";

  h += "{\\colortbl;";
  for (const auto& entry : ColorTable) {
    if (entry.find("\\red") != std::string::npos) {
      h += entry;
    } else {
      h += "\\red" + HexToDecimal(entry.substr(0, 2)) + "\\green" + HexToDecimal(entry.substr(2, 2)) + "\\blue" +
           HexToDecimal(entry.substr(4, 2)) + ";";
    }
  }
  h += "}";

  h += "{\\info{\\title " + EncodeText(s.Title.empty() ? ReportTitle : s.Title) + "}";
  if (!s.Subject.empty()) h += "{\\subject " + EncodeText(s.Subject) + "}";
  h += "{\\author " + EncodeText(s.Author) + "}{\\keywords " + EncodeText(s.Keywords) + "}";
  h += "{\\doccomm Produced by: OxQRFilters V" + std::string(SVersion) + " for QRReport " + WebAddress + "}";
  const std::tm now = Now().Tm;
  h += "{\\creatim\\yr" + Num(now.tm_year + 1900) + "\\mo" + Num(now.tm_mon + 1) + "\\dy" + Num(now.tm_mday) +
       "\\hr" + Num(now.tm_hour) + "\\min" + Num(now.tm_min) + "}}";

  h += "\\viewkind1\\paperw" + FormatNumber(PageWidth) + "\\paperh" + FormatNumber(PageHeight) + "\\margl" +
       FormatNumber(LeftMargin) + "\\margr" + FormatNumber(RightMargin) + "\\margt" + FormatNumber(TopMargin) +
       "\\margb" + FormatNumber(BottomMargin);
  if (SourcePrinter->Orientation == TPrinterOrientation::poLandscape) h += "\\landscape";
  h += "\\headery0\\footery0";

  if (PageFrame && PageFrame->AnyFrame()) {
    const std::string b = "\\brdrs\\brdrw" + FormatNumber(2 * FrameWidthTwips(*PageFrame)) + "\\brdrcf" +
                          Num(ColorIndex(PageFrame->Color));
    h += "\\pgbrdrhead\\pgbrdrfoot";
    if (PageFrame->DrawTop) h += "\\pgbrdrt" + b;
    if (PageFrame->DrawBottom) h += "\\pgbrdrb" + b;
    if (PageFrame->DrawLeft) h += "\\pgbrdrl" + b;
    if (PageFrame->DrawRight) h += "\\pgbrdrr" + b;
  }
  return h + CRLF;
}

void TOxQRRTFFilter::EndDocument() {
  if (!OutputStream || !Output) return;
  // The page frame's colour must be in the table the head is built from.
  if (PageFrame && PageFrame->AnyFrame()) ColorIndex(PageFrame->Color);
  const std::string head = DocumentHead();
  if (!Spilled) {
    OutputStream->Write(head);
  } else if (head.size() != headRoom_) {
    // The head no longer fits its room: head and spilled body go to a new file for the name.
    auto rewritten = std::make_unique<TSafeFileStream>(FileName);
    rewritten->Write(head);
    const std::int64_t spilledEnd = OutputStream->Size();
    OutputStream->SetPosition(static_cast<std::int64_t>(headRoom_));
    rewritten->CopyFrom(*OutputStream, spilledEnd - static_cast<std::int64_t>(headRoom_));
    OutputStream->Discard();
    OutputStream = std::move(rewritten);
  }
  Output->SetPosition(0);
  OutputStream->CopyFrom(*Output);
  OutputStream->Write("}");
  if (Spilled && head.size() == headRoom_) {
    OutputStream->SetPosition(0);  // the head takes its room in front of the spilled body
    OutputStream->Write(head);
  }
  OutputStream->Commit();
  SpillFileName.clear();
  Output.reset();
  FontTable.clear();
  ColorTable.clear();
  pictures_.Clear();
  shapes_.clear();
  pictureLooks_.clear();
  colorNumbers_.clear();
  fontNumbers_.clear();
  formatCodesMade_.Valid = false;
  OutputStream.reset();
}

// ---- Text

void TOxQRRTFFilter::BeginTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY) {
  TOxQRDocumentFilter::BeginTextBlock(Control, OffsetX, OffsetY);
  FormatCodes.clear();
  CloseCodes.clear();
  blockText_.clear();
  blockWidest_ = 0;
  blockAlign_ = TAlignment::taLeftJustify;
}

void TOxQRRTFFilter::AddText(const TOxQrTextRec& Rec) {
  if (Rec.Orientation % 3600 != 0) {
    if (AddTurnedText(Rec)) return;
    // Pictures switched off: the line upright at its start, placed on its own as a line
    // outside a block is (a turned block has no text frame to hold it).
    TOxQrTextRec upright = Rec;
    upright.Orientation = 0;
    const bool inBlock = InTextBlock;
    InTextBlock = false;
    AddText(upright);
    InTextBlock = inBlock;
    return;
  }
  std::string_view align = "\\ql";
  double x = Rec.X;
  if (InTextBlock && TextControl != nullptr) {
    // Aligned inside the block's frame.
    if (Rec.Alignment == TAlignment::taRightJustify) align = "\\qr";
    if (Rec.Alignment == TAlignment::taCenter) align = "\\qc";
  } else if (!InTextBlock) {
    // Placed by its left edge.
    if (Rec.Alignment == TAlignment::taRightJustify) x -= Rec.Width;
    if (Rec.Alignment == TAlignment::taCenter) x -= Rec.Width / 2;
  }
  const int n = InTextBlock ? LinesInBlock : 0;
  if (InTextBlock) {
    if (n != 0) blockText_ += "\\par ";
    blockText_ += Rec.Text;
    blockText_ += CRLF;
    blockWidest_ = std::max(blockWidest_, Rec.Width);
    blockAlign_ = Rec.Alignment;
  }

  if (n == 0 || n == 1) {
    TFormatCodesMade& made = formatCodesMade_;
    if (!made.Valid || made.Align != align || !(made.Font == Rec.Font) ||
        static_cast<std::size_t>(made.FontNumber) >= FontTable.size() ||
        static_cast<std::size_t>(made.ColorNumber) > ColorTable.size()) {
      const TFontStyles style = Rec.Font.Style;
      const bool bold = style.Has(TFontStyle::fsBold);
      const bool italic = style.Has(TFontStyle::fsItalic);
      const bool strike = style.Has(TFontStyle::fsStrikeOut);
      const bool underline = style.Has(TFontStyle::fsUnderline);
      made.FontNumber = FontIndex(Rec.Font);
      made.ColorNumber = ColorIndex(Rec.Font.Color);
      std::string& format = made.Format;
      format.clear();
      format += "\\f";
      AppendRtfInt(format, made.FontNumber);
      format += "\\cf";
      AppendRtfInt(format, made.ColorNumber);
      format += "\\fs";
      AppendRtfInt(format, 2LL * Rec.Font.Size);
      if (bold) format += " \\b";
      if (italic) format += " \\i";
      if (strike) format += " \\strike";
      if (underline) format += " \\ul";
      format += align;
      std::string& close = made.Close;
      close.clear();
      if (bold) close += " \\b0";
      if (italic) close += " \\i0";
      if (strike) close += " \\strike0";
      if (underline) close += " \\ul0";
      made.Font = Rec.Font;
      made.Align = align;
      made.Valid = true;
    }
    FormatCodes = made.Format;
    CloseCodes = made.Close;
  }
  if (InTextBlock) return;
  std::string& line = textLine_;  // one buffer for every line, so that a line costs no allocation
  line.clear();
  line += "\\par\\pard\\sbys\\pvpg\\phpg\\absw";
  AppendRtfNumber(line, RoomyWidth(Rec.Width));
  line += "\\posy";
  AppendRtfNumber(line, Rec.Y);
  line += "\\posx";
  AppendRtfNumber(line, x);
  line += FormatCodes;
  line += ' ';
  line += Rec.Text;
  line += ' ';
  line += CloseCodes;
  line += CRLF;
  WriteBody(line);
}

// ---- Boxes

std::string TOxQRRTFFilter::ParagraphBorder(const TQRFrame& Frame) {
  if (!Frame.AnyFrame()) return {};
  const std::string b =
      "\\brdrs\\brdrw" + FormatNumber(FrameWidthTwips(Frame)) + "\\brsp0\\brdrcf" + Num(ColorIndex(Frame.Color));
  if (FrameAllSides(Frame)) return "\\box" + b;
  std::string s;
  if (Frame.DrawTop) s += "\\brdrt" + b;
  if (Frame.DrawRight) s += "\\brdrr" + b;
  if (Frame.DrawBottom) s += "\\brdrb" + b;
  if (Frame.DrawLeft) s += "\\brdrl" + b;
  return s;
}

void TOxQRRTFFilter::RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Out, bool FixedWidth,
                               bool FixedHeight, bool TextFrame, bool Fill, const TQRFrame& Frame) {
  const double L = Rect.Left, T = Rect.Top, W = Rect.Width, H = Rect.Height;
  if (TextFrame) {
    // A block whose widest line nearly fills it gets the room of a single line, on the side
    // away from its alignment, so that readers that measure wider do not break its lines.
    double left = L;
    double width = W;
    if (FixedWidth && RoomyWidth(blockWidest_) > W) {
      width = RoomyWidth(blockWidest_);
      if (blockAlign_ == TAlignment::taRightJustify) left -= width - W;
      if (blockAlign_ == TAlignment::taCenter) left -= (width - W) / 2;
    }
    Out.clear();
    {
      TRtfWriter head(Out, 160);
      head << "\\par\\pard";
      if (Frame.AnyFrame()) head << ParagraphBorder(Frame);
      head << "\\pvpg\\phpg";
      if (FixedWidth) (head << "\\absw").Number(width);
      if (FixedHeight) (head << "\\absh").Number(H);
      (head << "\\posy").Number(T);
      (head << "\\posx").Number(left);
      if (Fill) {
        // The pattern colour alone shows no fill in readers; the background colour fills.
        const int c = ColorIndex(Color);
        (head << "\\shading10000\\cfpat").Int(c);
        (head << "\\cbpat").Int(c);
      }
      head << ' ';
    }
    if (!Fill) {
      openFrames_.push_back(TOpenFrame{TOxQrRect{left, T, width, H}, BandBuffer.size(), openHeads_.size(), Out.size()});
      openHeads_ += Out;
    }
    // The block's lines follow their frame between the words that set and reset their format;
    // the caller ends the last piece with CR LF.
    Out += CRLF;
    Out += FormatCodes;
    Out += CRLF;
    Out += blockText_;
    Out += CloseCodes;
    blockText_.clear();
    return;
  }

  // The drawing object is built in one buffer: boxes and frame lines are most of a report's
  // markup, and a string per word made them most of the export's time.
  const TColor fillRgb = ColorToRGB(Color);
  const TColor lineRgb = ColorToRGB(Frame.Color);
  const long long lineWidth = RoundHalfEven(FrameWidthTwips(Frame));
  // Nearly every box of a report has the same line: its words are made when it changes.
  if (boxLine_.empty() || lineRgb != boxLineRgb_ || lineWidth != boxLineWidth_) {
    boxLine_.clear();
    TRtfWriter line(boxLine_, 80);
    line << "\\dplinecor";
    line.Int(GetRValue(lineRgb)) << "\\dplinecog";
    line.Int(GetGValue(lineRgb)) << "\\dplinecob";
    line.Int(GetBValue(lineRgb)) << "\\dplinew";
    line.Int(lineWidth);
    boxLineRgb_ = lineRgb;
    boxLineWidth_ = lineWidth;
  }
  const std::string_view line = boxLine_;

  if (Fill) bandFills_.push_back(TFilledBox{Rect, Color, BandBuffer.size()});
  const bool all = FrameAllSides(Frame);
  Out.clear();
  TRtfWriter out(Out, 600);
  out << "{\\lang1024 ";
  if (Fill || all) {
    AppendRtfRectObject(out, L, T, L + W, T + H);
    out << (all && Frame.Width > 0 ? "\\dplinesolid" : "\\dplinehollow") << line;
    if (Fill) {
      const int parts[3] = {GetRValue(fillRgb), GetGValue(fillRgb), GetBValue(fillRgb)};
      static constexpr std::string_view words[6] = {"\\dpfillfgcr", "\\dpfillfgcg", "\\dpfillfgcb",
                                                    "\\dpfillbgcr", "\\dpfillbgcg", "\\dpfillbgcb"};
      for (int k = 0; k < 6; ++k) (out << words[k]).Int(parts[k % 3]);
      out << "\\dpfillpat1";
    } else {
      out << "\\dpfillpat0";
    }
    out << '}';
  }
  if (Frame.AnyFrame() && !all) {
    auto side = [&](double x1, double y1, double x2, double y2) {
      AppendRtfLineObject(out, x1, y1, x2, y2, line);
      out << '}';
    };
    if (Frame.DrawTop) side(L, T, L + W, T);
    if (Frame.DrawRight) side(L + W, T, L + W, T + H);
    if (Frame.DrawBottom) side(L, T + H, L + W, T + H);
    if (Frame.DrawLeft) side(L, T, L, T + H);
  }
  out << '}';
}

// ---- Pictures

std::string TOxQRRTFFilter::PictureGroup(const TBitmap& Picture, const TOxQrRect& Rect, int OrigHeight, int OrigWidth,
                                         bool WithBorder, const TQRFrame* Frame) {
  std::string out;
  AppendPictureGroup(out, Picture, Rect, OrigHeight, OrigWidth, WithBorder, Frame);
  return out;
}

void TOxQRRTFFilter::AppendPictureGroup(std::string& Out, const TBitmap& Picture, const TOxQrRect& Rect,
                                        int OrigHeight, int OrigWidth, bool WithBorder, const TQRFrame* Frame,
                                        TRememberedData* Remembered) {
  const bool jpeg = RTFSettings().ExportImageFormat() != TOxImageFormat::ifBMP;
  const int pw = Picture.Width();
  const int ph = Picture.Height();
  // A scale of 0 hides a picture; without a size before scaling it is shown as it is.
  auto scale = [&](int orig, int now) {
    if (OrigWidth == 0 && OrigHeight == 0) return 100LL;
    return std::max(1LL, RoundHalfEven(static_cast<double>(orig) / now * 100.0));
  };
  const long long sx = scale(OrigWidth, pw);
  const long long sy = scale(OrigHeight, ph);

  // The picture's data is the same wherever the same pixels are written with the same
  // settings: it is encoded once per job and its markup written again from the cache.
  const std::string key = jpeg ? "rtf-jpeg-" + std::to_string(RTFSettings().JPEGQuality) : std::string("rtf-bmp");
  if (Remembered != nullptr && Remembered->Bytes && Remembered->Settings == key) {
    AppendPictureParagraph(Out, *Remembered->Bytes, Rect, jpeg, sx, sy, WithBorder, Frame);
    return;
  }
  const std::size_t storedBefore = pictures_.StoredBytes();
  const std::size_t hitsBefore = pictures_.Hits();
  std::shared_ptr<const std::string> data = pictures_.Get(Picture, key, [&] {
    if (jpeg) {
      const std::string bytes = EncodeJPEGStream(Picture, RTFSettings().JPEGQuality)->Bytes();
      return "\\bin" + std::to_string(bytes.size()) + " " + bytes;
    }
    TMemoryStream bmp;
    Picture.SaveToStream(bmp);
    const std::string& file = bmp.Bytes();
    if (file.size() < 14) throw EInvalidData("bitmap file without a header");
    unsigned long size = 0;
    for (int i = 3; i >= 0; --i) size = size * 256 + static_cast<unsigned char>(file[2 + static_cast<std::size_t>(i)]);
    const unsigned long words = size / 2 + 7;
    return MetafileWrapper(words, pw, ph) + HexBytes(std::string_view(file).substr(14)) +
           std::string(MetafileEndRecord);
  });
  // Remembered only when the cache holds the data anyway, so that remembering costs no memory.
  if (Remembered != nullptr && (pictures_.Hits() != hitsBefore || pictures_.StoredBytes() != storedBefore))
    *Remembered = TRememberedData{key, data};
  AppendPictureParagraph(Out, *data, Rect, jpeg, sx, sy, WithBorder, Frame);
}

void TOxQRRTFFilter::AppendPictureParagraph(std::string& Out, const std::string& Data, const TOxQrRect& Rect,
                                            bool jpeg, long long sx, long long sy, bool WithBorder,
                                            const TQRFrame* Frame) {
  std::string_view border;
  std::string borderWords;
  if (WithBorder && Frame != nullptr && FrameAllSides(*Frame)) {
    borderWords = "\\box\\brdrs\\brdrw" + FormatNumber(FrameWidthTwips(*Frame)) + "\\brsp0\\brdrcf" +
                  Num(ColorIndex(Frame->Color));
    border = borderWords;
  }
  // The head is short; the data, often the larger part, is copied once, behind it.
  {
    TRtfWriter head(Out, 256);
    (head << "\\par\\pard\\pvpg\\phpg\\posx").Number(Rect.Left);
    (head << "\\posy").Number(Rect.Top);
    head << "{\\pict" << (jpeg ? "\\jpegblip" : "\\wmetafile8");
    (head << "\\picscalex").Int(sx);
    (head << "\\picscaley").Int(sy);
    head << "\\picbmp\\picbpp4";
    if (!jpeg) {
      // Without a goal size readers show a metafile as a dot; the goal times the scale is the rectangle.
      (head << "\\picwgoal").Number(Rect.Width * 100.0 / static_cast<double>(sx));
      (head << "\\pichgoal").Number(Rect.Height * 100.0 / static_cast<double>(sy));
    }
    if (!border.empty()) head << border;
    head << CRLF;
  }
  Out.reserve(Out.size() + Data.size() + 1);
  Out += Data;
  Out += '}';
}

TOxQRRTFFilter::TDrawnPicture TOxQRRTFFilter::DrawPicture(const TQRPrintable& Control, const TBitmap* Bitmap) {
  const TOxQRRTFSettings& s = RTFSettings();
  TDrawnPicture drawn;
  if (Bitmap == nullptr) drawn.Made = ControlBitmap(Control, s.ImagePixelFormat);
  drawn.Shown = Bitmap != nullptr ? Bitmap : drawn.Made.get();
  if (drawn.Shown == nullptr || drawn.Shown->Empty()) return TDrawnPicture{};  // a control of no size shows nothing
  drawn.OrigWidth = drawn.Shown->Width();
  drawn.OrigHeight = drawn.Shown->Height();
  if (s.ImageDPI != -1) {
    drawn.Made = ScaleToDPI(drawn.Shown, s.ImageDPI);
    drawn.Shown = drawn.Made.get();
  }
  return drawn;
}

void TOxQRRTFFilter::RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Out, bool,
                                   const TOxQrRect& Rect) {
  Out.clear();
  const TOxQRRTFSettings& s = RTFSettings();
  if (!s.ExportImages) return;
  const auto* image = Bitmap == nullptr ? dynamic_cast<const TQRImage*>(&Control) : nullptr;
  if (image == nullptr) {
    const TDrawnPicture drawn = DrawPicture(Control, Bitmap);
    if (drawn.Shown != nullptr)
      AppendPictureGroup(Out, *drawn.Shown, Rect, drawn.OrigHeight, drawn.OrigWidth, true, &Control.Frame);
    return;
  }
  // A picture control shows its one picture in every band it prints in: drawn and scaled once
  // per look (the picture's contents, the control's size and placement, the settings), its
  // data then comes from the picture cache.
  const TBitmap& source = image->Picture;
  const TPictureLook look{source.Image().cacheKey(), source.PixelFormat(), source.Monochrome(), image->Center,
                          image->Stretch, Control.Size.Width, Control.Size.Height, s.ImagePixelFormat,
                          Control.ParentBand() ? Control.ParentBand()->Color : clWhite, s.ImageDPI};
  auto known = std::find_if(pictureLooks_.begin(), pictureLooks_.end(), [&](const auto& e) { return e.first == look; });
  if (known == pictureLooks_.end()) {
    if (pictureLooks_.size() == kLooksKept) pictureLooks_.erase(pictureLooks_.begin());
    pictureLooks_.emplace_back(look, DrawPicture(Control, nullptr));
    known = std::prev(pictureLooks_.end());
  }
  TDrawnPicture& drawn = known->second;
  if (drawn.Shown != nullptr)
    AppendPictureGroup(Out, *drawn.Shown, Rect, drawn.OrigHeight, drawn.OrigWidth, true, &Control.Frame, &drawn.Data);
}

void TOxQRRTFFilter::RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Out) {
  Out.clear();
  // A shape's picture depends only on what is drawn and where it is drawn on: the same circle
  // in every band is drawn once, and its encoded data then comes from the picture cache.
  const TShapeLook look{Shape.Shape,  Shape.Width(), Shape.Height(), RTFSettings().ImagePixelFormat,
                        Shape.ParentBand() ? Shape.ParentBand()->Color : clWhite, Shape.Brush, Shape.Pen};
  auto known = std::find_if(shapes_.begin(), shapes_.end(), [&](const auto& e) { return e.first == look; });
  if (known == shapes_.end()) {
    if (shapes_.size() == kLooksKept) shapes_.erase(shapes_.begin());
    TDrawnPicture drawn;
    drawn.Made = ShapeBitmap(Shape, look.PixelFormat);
    drawn.Shown = drawn.Made.get();
    shapes_.emplace_back(look, std::move(drawn));
    known = std::prev(shapes_.end());
  }
  TDrawnPicture& drawn = known->second;
  const TBitmap* picture = drawn.Shown;
  if (picture == nullptr || picture->Empty()) return;
  AppendPictureGroup(Out, *picture, Rect, picture->Height(), picture->Width(), false, &Shape.Frame, &drawn.Data);
}

// ---- Rich text

std::string TOxQRRTFFilter::RichTextBox(std::string_view Rtf, const TOxQrRect& Rect) {
  TRtfTableSink sink;
  sink.AddFont = [this](const std::string&) {
    FontTable.emplace_back(DummyFont);
    return static_cast<int>(FontTable.size()) - 1;
  };
  sink.AddColor = [this](const std::string& entry) {
    ColorTable.push_back(entry);  // a rich text's colours are appended even when equal to an entry
    return static_cast<int>(ColorTable.size());
  };
  sink.LineSpacing = [this](const std::string& face, int halfPoints) {
    const auto key = std::make_pair(face, halfPoints);  // measured once per face and size
    auto it = lineSpacing_.find(key);
    if (it == lineSpacing_.end()) it = lineSpacing_.emplace(key, RtfRichTextLineSpacing(face, halfPoints)).first;
    return it->second;
  };
  const TRtfMergedPiece piece = MergeRichTextPiece(Rtf, sink);
  ExtraFontText += piece.FontTable;
  // The box is anchored to an empty paragraph of its own at its corner: anchored to another
  // frame, a box that a reader lays out taller than the page pushed that frame to a new page.
  // Its geometry and line follow its text group, so that readers keep it borderless.
  return "\\par\\pard\\pvpg\\phpg\\posx" + FormatNumber(Rect.Left) + "\\posy" + FormatNumber(Rect.Top) +
         "\\absw20\\absh-20 " + CRLF + "{\\lang1024{\\*\\do\\dobxpage\\dobypage\\dptxbx{\\dptxbxtext{" + piece.Body + "}}\\dpx" +
         FormatNumber(Rect.Left) + "\\dpy" + FormatNumber(Rect.Top) + "\\dpxsize" + FormatNumber(Rect.Width + 1) +
         "\\dpysize" + FormatNumber(Rect.Height + 1) + "\\dplinehollow}}" + CRLF;
}

void TOxQRRTFFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X,
                                   double Y, bool Continuing) {
  if (!PageOpen() || !RTFSettings().ExportRichText) return;
  if (!BandOpen) BeginBand();
  Stream.SetPosition(0);
  const std::string rtf = Stream.ReadAll();
  BandBuffer += RichTextBox(rtf, MappedRect(PictureRect(Graphic, X, Y)));
  CloseBandIfLast(Control, Continuing);
}

}  // namespace oxqr
