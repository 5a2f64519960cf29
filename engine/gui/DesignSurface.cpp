#include "DesignSurface.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

#include "engine/Chart.h"
#include "engine/Controls.h"
#include "engine/Report.h"
#include "platform/Bitmap.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

constexpr double kPixelsPerNative = 96.0 / 254.0;
constexpr TColor kBandOutline = RGBColor(160, 160, 160);
constexpr TColor kMarginLine = RGBColor(192, 192, 192);

int Px(double native) { return static_cast<int>(RoundHalfEven(native * kPixelsPerNative)); }

int PrintRank(TQRBandType t) {
  switch (t) {
    case TQRBandType::rbPageHeader: return 0;  // a page starts with its header, even the first
    case TQRBandType::rbTitle: return 1;
    case TQRBandType::rbColumnHeader: return 2;
    case TQRBandType::rbSummary: return 4;
    case TQRBandType::rbPageFooter: return 5;
    default: return 3;  // groups, detail and sub-details keep their declared order
  }
}

std::string SysDataName(TQRSysDataType d) {
  switch (d) {
    case TQRSysDataType::qrsTime: return "Time";
    case TQRSysDataType::qrsDate: return "Date";
    case TQRSysDataType::qrsDateTime: return "DateTime";
    case TQRSysDataType::qrsPageNumber: return "PageNumber";
    case TQRSysDataType::qrsReportTitle: return "ReportTitle";
    case TQRSysDataType::qrsDetailCount: return "DetailCount";
    case TQRSysDataType::qrsDetailNo: return "DetailNo";
  }
  return {};
}

// What a text control shows while designing: the caption, the field name, the data kind.
std::string DesignText(const TQRCustomLabel& label) {
  if (const auto* db = dynamic_cast<const TQRDBText*>(&label)) return db->DataField;
  if (const auto* sys = dynamic_cast<const TQRSysData*>(&label)) return sys->Text_ + "(" + SysDataName(sys->Data) + ")";
  if (const auto* memo = dynamic_cast<const TQRMemo*>(&label)) {
    std::string s;
    for (const auto& l : memo->Lines) s += (s.empty() ? "" : " ") + l;
    return s;
  }
  return label.Text();
}

// Greedy word wrap at `width` pixels (a word longer than the width keeps its own line).
std::vector<std::string> WrapWords(const TFont& font, const std::string& text, int width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t space = text.find(' ', pos);
    const std::string word = text.substr(pos, space == std::string::npos ? std::string::npos : space - pos + 1);
    pos = space == std::string::npos ? text.size() : space + 1;
    if (!line.empty() && TextExtent(font, line + word).cx > width) {
      lines.push_back(line);
      line.clear();
    }
    line += word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void PaintShape(TCanvas& canvas, const TQRShape& shape, const TRect& r) {
  canvas.Pen = shape.Pen;
  canvas.Brush = shape.Brush;
  const int midX = (r.Left + r.Right) / 2;
  const int midY = (r.Top + r.Bottom) / 2;
  switch (shape.Shape) {
    case TQRShapeType::qrsRectangle: canvas.Rectangle(r); break;
    case TQRShapeType::qrsCircle: canvas.Ellipse(r.Left, r.Top, r.Right, r.Bottom); break;
    case TQRShapeType::qrsVertLine: canvas.Line(midX, r.Top, midX, r.Bottom); break;
    case TQRShapeType::qrsHorLine: canvas.Line(r.Left, midY, r.Right, midY); break;
    case TQRShapeType::qrsTopAndBottom:
      canvas.Line(r.Left, r.Top, r.Right, r.Top);
      canvas.Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
      break;
    case TQRShapeType::qrsRightAndLeft:
      canvas.Line(r.Left, r.Top, r.Left, r.Bottom);
      canvas.Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom);
      break;
  }
}

// A dashed outline with a name inside: a control whose content exists only in a run.
void PaintPlaceholder(TCanvas& canvas, const TRect& r, const std::string& name) {
  canvas.Pen = TPen{kBandOutline, 1, TPenStyle::psDot};
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Rectangle(r);
  canvas.Font = TFont{};
  canvas.Font.Size = 8;
  canvas.Font.Color = RGBColor(96, 96, 96);
  canvas.TextRect(r, r.Left + 2, r.Top + 1, name);
}

}  // namespace

std::string BandTypeName(TQRBandType type) {
  switch (type) {
    case TQRBandType::rbTitle: return "Title";
    case TQRBandType::rbPageHeader: return "Page Header";
    case TQRBandType::rbDetail: return "Detail";
    case TQRBandType::rbPageFooter: return "Page Footer";
    case TQRBandType::rbSummary: return "Summary";
    case TQRBandType::rbGroupHeader: return "Group Header";
    case TQRBandType::rbGroupFooter: return "Group Footer";
    case TQRBandType::rbSubDetail: return "Sub Detail";
    case TQRBandType::rbColumnHeader: return "Column Header";
    case TQRBandType::rbChild: return "Child";
  }
  return {};
}

std::vector<TQRCustomBand*> BandsInPrintOrder(const TQRCustomReport& report) {
  std::vector<TQRCustomBand*> children;
  for (const auto& b : report.Bands())
    if (b->ChildBand != nullptr) children.push_back(b->ChildBand);
  std::vector<TQRCustomBand*> parents;
  for (const auto& b : report.Bands())
    if (std::find(children.begin(), children.end(), b.get()) == children.end()) parents.push_back(b.get());
  std::stable_sort(parents.begin(), parents.end(),
                   [](const TQRCustomBand* a, const TQRCustomBand* b) { return PrintRank(a->BandType) < PrintRank(b->BandType); });
  std::vector<TQRCustomBand*> out;
  for (TQRCustomBand* b : parents) {
    // A chain of children, guarded against a band that names itself again.
    for (TQRCustomBand* c = b; c != nullptr && std::find(out.begin(), out.end(), c) == out.end(); c = c->ChildBand)
      out.push_back(c);
  }
  return out;
}

TQRDesignSurface::TQRDesignSurface(TQRCustomReport& report, QWidget* parent) : QWidget(parent), report_(report) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedSize(PaperSize());
}

TQRDesignSurface::~TQRDesignSurface() = default;

double TQRDesignSurface::Scale() const { return report_.Zoom() / 100.0; }

QSize TQRDesignSurface::PaperSize() const {
  const double s = Scale();
  return QSize(static_cast<int>(Px(report_.Page.NativeWidth) * s), static_cast<int>(Px(report_.Page.NativeLength) * s));
}

std::vector<std::pair<const TQRCustomBand*, TRect>> TQRDesignSurface::BandRects() const {
  const TQRPage& page = report_.Page;
  const int left = Px(page.NativeLeftMargin);
  const int right = Px(page.NativeWidth - page.NativeRightMargin);
  double y = page.NativeTopMargin;
  std::vector<std::pair<const TQRCustomBand*, TRect>> out;
  for (const TQRCustomBand* band : BandsInPrintOrder(report_)) {
    out.emplace_back(band, Rect(left, Px(y), right, Px(y + band->Size.Height)));
    y += band->Size.Height;
  }
  return out;
}

void TQRDesignSurface::PaintSurface(TCanvas& canvas) {
  const TQRPage& page = report_.Page;
  const TRect paper = Rect(0, 0, Px(page.NativeWidth), Px(page.NativeLength));
  canvas.Brush = TBrush{clWhite, TBrushStyle::bsSolid};
  canvas.FillRect(paper);
  const TRect inner = Rect(Px(page.NativeLeftMargin), Px(page.NativeTopMargin), Px(page.NativeWidth - page.NativeRightMargin),
                           Px(page.NativeLength - page.NativeBottomMargin));
  canvas.Pen = TPen{kMarginLine, 1, TPenStyle::psDot};
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Rectangle(inner);
  for (const auto& [band, r] : BandRects()) PaintBand(canvas, *band, r);
  report_.Frame.Paint(canvas, inner);
  for (const TQRSurfaceLabel& label : labels_) {
    canvas.Font = label.Font;
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.TextOut(Px(label.Left), Px(label.Top), label.Caption);
  }
}

void TQRDesignSurface::PaintBand(TCanvas& canvas, const TQRCustomBand& band, const TRect& r) {
  canvas.Brush = TBrush{band.Color, TBrushStyle::bsSolid};
  canvas.FillRect(r);
  for (const auto& control : band.Controls()) PaintControl(canvas, *control, r);
  band.Frame.Paint(canvas, r);
  canvas.Pen = TPen{kBandOutline, 1, TPenStyle::psDash};
  canvas.Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
  canvas.Font = TFont{};
  canvas.Font.Size = 7;
  canvas.Font.Color = kBandOutline;
  canvas.Brush.Style = TBrushStyle::bsClear;
  const std::string name = BandTypeName(band.BandType);
  const int h = TextExtent(canvas.Font, name).cy;
  canvas.TextRect(r, r.Left + 2, r.Bottom - h - 1, name);
}

const TBitmap* TQRDesignSurface::ChartPicture(const TQRPrintable& control, int width, int height) {
  auto& slot = charts_[&control];
  if (!slot) {
    const auto& chart = static_cast<const TQRChart&>(control);
    slot = chart.ChartBitmap(chart.Color);
    if (slot && (slot->Width() != width || slot->Height() != height) && width > 0 && height > 0) {
      auto scaled = std::make_unique<TBitmap>();
      scaled->SetImage(slot->Image().scaled(width, height));
      slot = std::move(scaled);
    }
  }
  return slot.get();
}

void TQRDesignSurface::PaintControl(TCanvas& canvas, const TQRPrintable& control, const TRect& band) {
  const TRect r = Bounds(band.Left + Px(control.Size.Left), band.Top + Px(control.Size.Top), Px(control.Size.Width),
                         Px(control.Size.Height));
  for (const auto& painter : painters_) {
    if (painter(control, canvas, r)) {
      control.Frame.Paint(canvas, r);
      return;
    }
  }
  if (const auto* label = dynamic_cast<const TQRCustomLabel*>(&control)) {
    if (!label->Transparent) {
      canvas.Brush = TBrush{label->Color, TBrushStyle::bsSolid};
      canvas.FillRect(r);
    }
    canvas.Font = label->Font;
    canvas.Brush.Style = TBrushStyle::bsClear;
    const std::string text = DesignText(*label);
    const TRect area = label->AlignToBand ? Rect(band.Left, r.Top, band.Right, r.Bottom) : r;
    const bool wrap = label->WordWrap && dynamic_cast<const TQRMemo*>(label) != nullptr;
    int y = r.Top;
    for (const std::string& line : wrap ? WrapWords(label->Font, text, r.Width()) : std::vector<std::string>{text}) {
      const TSize extent = TextExtent(label->Font, line);
      int x = area.Left;
      if (label->Alignment == TAlignment::taRightJustify) x = area.Right - extent.cx;
      if (label->Alignment == TAlignment::taCenter) x = (area.Left + area.Right - extent.cx) / 2;
      canvas.TextRect(area, x, y, line);
      y += extent.cy;
    }
  } else if (const auto* shape = dynamic_cast<const TQRShape*>(&control)) {
    PaintShape(canvas, *shape, r);
  } else if (const auto* image = dynamic_cast<const TQRImage*>(&control)) {
    if (!image->Picture.Empty()) DrawPictureInRect(canvas, r, image->Picture, image->Center, image->Stretch);
  } else if (const auto* dbImage = dynamic_cast<const TQRDBImage*>(&control)) {
    PaintPlaceholder(canvas, r, dbImage->DataField);
  } else if (dynamic_cast<const TQRChart*>(&control) != nullptr) {
    if (const TBitmap* picture = ChartPicture(control, r.Width(), r.Height())) canvas.StretchDraw(r, *picture);
  } else {
    PaintPlaceholder(canvas, r, control.Name);
  }
  control.Frame.Paint(canvas, r);
}

void TQRDesignSurface::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  painter.setClipRect(event->rect());
  painter.scale(Scale(), Scale());
  TQPainterCanvas canvas(this, &painter);
  PaintSurface(canvas);
}

}  // namespace oxqr
