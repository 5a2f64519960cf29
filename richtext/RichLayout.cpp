#include "RichLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include <QFontMetricsF>
#include <QTextLayout>

#include "platform/Canvas.h"
#include "platform/CodePage.h"
#include "platform/TextMetrics.h"
#include "platform/Utf8.h"

namespace oxqr {

namespace {

// Unicode of each byte of the current ANSI code page (one UTF-16 unit per byte, so that
// QString positions are byte positions).
const std::array<QChar, 256>& AnsiTable() {
  static int codePage = -1;
  static std::array<QChar, 256> table;
  if (codePage != AnsiCodePage()) {
    codePage = AnsiCodePage();
    for (int b = 0; b < 256; ++b) {
      const QString s = b < 0x80 ? QString(QChar(b)) : AnsiToQString(std::string(1, static_cast<char>(b)));
      table[static_cast<std::size_t>(b)] = s.size() == 1 ? s[0] : QChar('?');
    }
    table['\v'] = QChar(QChar::LineSeparator);
  }
  return table;
}

// The Unicode mode's layout text: each UTF-8 character, then as many word joiners (zero
// width, no break) as it has bytes beyond its UTF-16 units, so that positions stay bytes.
QString Utf8LayoutText(std::string_view bytes) {
  QString s;
  s.reserve(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = U'?';
    std::size_t len = DecodeUtf8At(bytes, i, &c);
    if (len == 0) len = 1, c = U'?';
    const QString ch = c == U'\v' ? QString(QChar(QChar::LineSeparator)) : QString::fromUcs4(&c, 1);
    s += ch;
    for (auto k = static_cast<std::size_t>(ch.size()); k < len; ++k) s += QChar(0x2060);
    i += len;
  }
  return s;
}

QString ToLayoutText(std::string_view bytes) {
  if (UnicodeMode()) return Utf8LayoutText(bytes);
  const auto& table = AnsiTable();
  QString s;
  s.reserve(static_cast<qsizetype>(bytes.size()));
  for (char c : bytes) s += table[static_cast<unsigned char>(c)];
  return s;
}

// The font a run is drawn in. The canvas holds whole points, so an odd half-point size is
// rounded up; layout uses the same font, so measuring and drawing agree.
TFont CanvasFont(const TRichCharFormat& f) {
  TFont font;
  font.Name = f.FontName;
  font.Charset = static_cast<TFontCharset>(f.Charset);
  font.Size = std::max(1, (f.SizeHalfPoints + 1) / 2);
  font.Color = f.Color == clNone ? clBlack : f.Color;
  if (f.Bold) font.Style.Include(TFontStyle::fsBold);
  if (f.Italic) font.Style.Include(TFontStyle::fsItalic);
  if (f.Underline) font.Style.Include(TFontStyle::fsUnderline);
  if (f.StrikeOut) font.Style.Include(TFontStyle::fsStrikeOut);
  return font;
}

struct TFragment {
  double X = 0;
  double Baseline = 0;
  std::string Text;
  const TRichCharFormat* Format = nullptr;
};

struct TLayoutResult {
  int End = 0;
  std::vector<TFragment> Fragments;
};

// One paragraph (from byte offset `from`) laid out into lines of `widthPx`.
class TParagraphLayout {
 public:
  TParagraphLayout(const TRichParagraph& p, std::size_t from, double widthPx, int ppiX, int ppiY)
      : para_(p), from_(from) {
    const std::string text = p.Text();
    layout_ = std::make_unique<QTextLayout>(ToLayoutText(std::string_view(text).substr(from)),
                                            ToQFont(CanvasFont(p.MarkFormat), ppiY));
    QList<QTextLayout::FormatRange> formats;
    std::size_t runStart = 0;
    for (const auto& run : p.Runs) {
      const std::size_t a = std::max(runStart, from), b = runStart + run.Text.size();
      if (a < b) {
        QTextLayout::FormatRange r;
        r.start = static_cast<int>(a - from);
        r.length = static_cast<int>(b - a);
        r.format.setFont(ToQFont(CanvasFont(run.Format), ppiY));
        formats.append(r);
      }
      runStart = b;
    }
    layout_->setFormats(formats);
    QTextOption option;
    switch (p.Format.Align) {
      case TRichAlign::raRight: option.setAlignment(Qt::AlignRight); break;
      case TRichAlign::raCenter: option.setAlignment(Qt::AlignHCenter); break;
      case TRichAlign::raJustify: option.setAlignment(Qt::AlignJustify); break;
      case TRichAlign::raLeft: option.setAlignment(Qt::AlignLeft); break;
    }
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(ppiX / 2.0);  // the default tab stops every half inch
    layout_->setTextOption(option);

    const double twipX = ppiX / 1440.0;
    const double left = p.Format.LeftIndent * twipX;
    const double right = p.Format.RightIndent * twipX;
    const double first = from == 0 ? p.Format.FirstIndent * twipX : 0;
    layout_->beginLayout();
    for (;;) {
      QTextLine line = layout_->createLine();
      if (!line.isValid()) break;
      const double indent = left + (layout_->lineCount() == 1 ? first : 0);
      line.setLineWidth(std::max(1.0, widthPx - indent - right));
      line.setPosition(QPointF(indent, 0));
    }
    layout_->endLayout();
  }

  int LineCount() const { return layout_->lineCount(); }
  QTextLine Line(int i) const { return layout_->lineAt(i); }
  // Paragraph offset just behind line i (its trailing spaces included).
  std::size_t LineEnd(int i) const {
    const QTextLine l = layout_->lineAt(i);
    return from_ + static_cast<std::size_t>(l.textStart() + l.textLength());
  }
  std::size_t LineStart(int i) const { return from_ + static_cast<std::size_t>(layout_->lineAt(i).textStart()); }

  // Fragments of line i to draw: per run, cut at tabs and line breaks (and at spaces
  // when justified, so that the widened spaces show).
  void Fragments(int i, double x0, double baseline, std::vector<TFragment>& out) const {
    const QTextLine line = layout_->lineAt(i);
    const std::size_t ls = LineStart(i), le = LineEnd(i);
    const bool splitSpaces = para_.Format.Align == TRichAlign::raJustify;
    std::size_t runStart = 0;
    for (const auto& run : para_.Runs) {
      const std::size_t runEnd = runStart + run.Text.size();
      std::size_t a = std::max(ls, runStart);
      const std::size_t b = std::min(le, runEnd);
      while (a < b) {
        std::size_t e = a;
        auto isCut = [&](char c) { return c == '\t' || c == '\v' || (splitSpaces && c == ' '); };
        while (e < b && !isCut(run.Text[e - runStart])) ++e;
        if (e > a) {
          TFragment f;
          f.X = x0 + line.cursorToX(static_cast<int>(a - from_));
          f.Baseline = baseline;
          f.Text = run.Text.substr(a - runStart, e - a);
          f.Format = &run.Format;
          out.push_back(std::move(f));
        }
        a = e + (e < b ? 1 : 0);
      }
      runStart = runEnd;
    }
  }

 private:
  const TRichParagraph& para_;
  std::size_t from_;
  std::unique_ptr<QTextLayout> layout_;
};

// Height of a line under the paragraph's line spacing.
double LineHeight(const TRichParaFormat& p, const QTextLine& line, int ppiY) {
  const double natural = line.ascent() + line.descent();
  const double sl = p.LineSpacing * ppiY / 1440.0;
  if (p.LineMultiple && p.LineSpacing > 0) return natural * p.LineSpacing / 240.0;
  if (p.LineSpacing > 0) return std::max(natural, sl);
  if (p.LineSpacing < 0) return -sl;
  return natural;
}

// Lays out the lines from req.Start in order and calls visit(paragraph layout, line index,
// line top, line height, position after the line) for each until it returns false.
// Answers true when every line was visited.
template <class Visit>
bool ForEachLine(const TRichDocument& doc, const TRichFormatRequest& req, Visit&& visit) {
  const int length = doc.TextLength();
  const int start = std::clamp(req.Start, 0, length);
  if (doc.Paragraphs.empty() || start >= length) return true;
  const double width = req.Rect.Width() * req.PpiX / 1440.0;
  const double twipY = req.PpiY / 1440.0;
  const auto loc = doc.Locate(start);
  double y = 0;
  int paraStart = doc.ParagraphStart(loc.Paragraph);
  for (std::size_t i = loc.Paragraph; i < doc.Paragraphs.size(); ++i) {
    const TRichParagraph& p = doc.Paragraphs[i];
    const std::size_t from = i == loc.Paragraph ? loc.Offset : 0;
    const bool lastParagraph = i + 1 == doc.Paragraphs.size();
    if (from == 0) y += p.Format.SpaceBefore * twipY;
    const TParagraphLayout pl(p, from, width, req.PpiX, req.PpiY);
    int end = paraStart + static_cast<int>(p.Length()) + (lastParagraph ? 0 : 1);
    for (int l = 0; l < pl.LineCount(); ++l) {
      const QTextLine line = pl.Line(l);
      const double h = LineHeight(p.Format, line, req.PpiY);
      const bool lastLine = l + 1 == pl.LineCount();
      end = paraStart + static_cast<int>(pl.LineEnd(l)) + (lastLine && !lastParagraph ? 1 : 0);
      if (!visit(pl, l, y, h, end)) return false;
      y += h;
    }
    y += p.Format.SpaceAfter * twipY;
    paraStart += static_cast<int>(p.Length()) + 1;
    if (end >= length) break;  // an empty last paragraph holds no characters
  }
  return true;
}

constexpr double kTolerance = 0.01;  // pixels lost to the rounding of twips conversions

TLayoutResult Layout(const TRichDocument& doc, const TRichFormatRequest& req, bool collect) {
  EnsureGuiApplication();
  TLayoutResult result;
  result.End = std::clamp(req.Start, 0, doc.TextLength());
  const double x0 = req.Rect.Left * req.PpiX / 1440.0;
  const double y0 = req.Rect.Top * req.PpiY / 1440.0;
  const double height = req.Rect.Height() * req.PpiY / 1440.0;
  bool placedAny = false;
  const bool complete =
      ForEachLine(doc, req, [&](const TParagraphLayout& pl, int l, double top, double h, int end) {
        if (top + h > height + kTolerance && !(req.AtLeastOneLine && !placedAny)) return false;
        if (collect) pl.Fragments(l, x0, y0 + top + h - pl.Line(l).descent(), result.Fragments);
        placedAny = true;
        result.End = end;
        return true;
      });
  if (complete) result.End = doc.TextLength();
  return result;
}

// Keeps the canvas's font and brush for the duration of a drawing.
class TCanvasStateSaver {
 public:
  explicit TCanvasStateSaver(TCanvas& c) : canvas_(c), font_(c.Font), brush_(c.Brush) {}
  ~TCanvasStateSaver() {
    canvas_.Font = font_;
    canvas_.Brush = brush_;
  }
  TCanvasStateSaver(const TCanvasStateSaver&) = delete;
  TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;

 private:
  TCanvas& canvas_;
  TFont font_;
  TBrush brush_;
};

}  // namespace

int FormatRange(const TRichDocument& doc, const TRichFormatRequest& request) {
  return Layout(doc, request, false).End;
}

TRichMeasure::TRichMeasure(const TRichDocument& doc, const TRichFormatRequest& request, int maxHeightTwips)
    : request_(request), length_(doc.TextLength()), maxHeightTwips_(maxHeightTwips) {
  EnsureGuiApplication();
  const double maxHeight = maxHeightTwips * request.PpiY / 1440.0;
  complete_ = ForEachLine(doc, request, [&](const TParagraphLayout&, int, double top, double h, int end) {
    if (top + h > maxHeight + kTolerance && !lines_.empty()) return false;
    lines_.push_back(TLine{top + h, end});
    return true;
  });
}

int TRichMeasure::FormatRange(int heightTwips) const {
  const double height = heightTwips * request_.PpiY / 1440.0;
  std::size_t fit = 0;
  while (fit < lines_.size() && lines_[fit].Bottom <= height + kTolerance) ++fit;
  if (fit == 0 && request_.AtLeastOneLine && !lines_.empty()) fit = 1;
  if (fit == lines_.size() && complete_) return length_;
  return fit == 0 ? std::clamp(request_.Start, 0, length_) : lines_[fit - 1].End;
}

int DrawRange(const TRichDocument& doc, const TRichFormatRequest& request, TCanvas& canvas) {
  const TLayoutResult r = Layout(doc, request, true);
  const TCanvasStateSaver saver(canvas);
  for (const TFragment& f : r.Fragments) {
    canvas.Font = CanvasFont(*f.Format);
    const double ascent = QFontMetricsF(ToQFont(canvas.Font, request.PpiY)).ascent();
    canvas.Brush = f.Format->Highlight == clNone ? TBrush{clWhite, TBrushStyle::bsClear}
                                                 : TBrush{f.Format->Highlight, TBrushStyle::bsSolid};
    canvas.TextOut(static_cast<int>(std::lround(f.X)), static_cast<int>(std::lround(f.Baseline - ascent)), f.Text);
  }
  return r.End;
}

std::vector<std::string> LinesAtWidth(const TRichDocument& doc, int widthPx, int ppi) {
  EnsureGuiApplication();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < doc.Paragraphs.size(); ++i) {
    const TRichParagraph& p = doc.Paragraphs[i];
    if (i + 1 == doc.Paragraphs.size() && i > 0 && p.Length() == 0) break;  // no characters
    const std::string text = p.Text();
    const TParagraphLayout pl(p, 0, widthPx, ppi, ppi);
    for (int l = 0; l < pl.LineCount(); ++l) {
      std::string line = text.substr(pl.LineStart(l), pl.LineEnd(l) - pl.LineStart(l));
      std::erase(line, '\v');
      lines.push_back(std::move(line));
    }
    if (pl.LineCount() == 0) lines.emplace_back();
  }
  return lines;
}

}  // namespace oxqr
