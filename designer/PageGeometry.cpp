#include "designer/PageGeometry.h"

#include <algorithm>
#include <cmath>

#include <QXmlStreamReader>

#include "definition/OxrDocument.h"
#include "definition/OxrSchema.h"
#include "definition/OxrValues.h"

namespace oxqr::page {

namespace {

// The paper sizes a definition names (mm, portrait).
QSizeF NamedPaper(std::string_view name) {
  if (name == "Letter") return {215.9, 279.4};
  return {210, 297};  // A4, the loader's default
}

}  // namespace

double Length(const TOxrNode& node, std::string_view name, double fallback) {
  const auto raw = node.Attribute(name);
  if (!raw) return fallback;
  const auto value = oxr::ParseNumber(*raw);
  return value && std::isfinite(*value) ? *value : fallback;
}

std::string FormatLength(double mm) {
  double rounded = std::round(mm * 100.0) / 100.0;
  if (rounded == 0) rounded = 0;  // no "-0"
  return oxr::FormatNumber(rounded);
}

TPaper PaperOf(const TOxrNode& report) {
  TPaper p;
  const std::string name = report.AttributeOr("paper", "A4");
  QSizeF size = NamedPaper(name);
  if (name == "custom") size = {Length(report, "pageWidth", 210), Length(report, "pageHeight", 297)};
  if (report.AttributeOr("orientation", "portrait") == "landscape") size.transpose();
  // A broken size must not make the page vanish or grow without bound.
  p.Width = std::clamp(size.width(), 10.0, 5000.0);
  p.Height = std::clamp(size.height(), 10.0, 5000.0);
  const double left = std::clamp(Length(report, "leftMargin"), 0.0, p.Width / 2);
  const double right = std::clamp(Length(report, "rightMargin"), 0.0, p.Width / 2);
  const double top = std::clamp(Length(report, "topMargin"), 0.0, p.Height / 2);
  const double bottom = std::clamp(Length(report, "bottomMargin"), 0.0, p.Height / 2);
  p.Inner = QRectF(left, top, p.Width - left - right, p.Height - top - bottom);
  return p;
}

std::vector<TBandBox> BandBoxes(const TOxrNode& report, const TPaper& paper) {
  std::vector<TBandBox> out;
  double y = paper.Inner.top();
  for (TOxrNode* band : report.Elements("band")) {
    const double height = std::clamp(Length(*band, "height"), 0.0, 5000.0);
    out.push_back({band, QRectF(paper.Inner.left(), y, paper.Inner.width(), height)});
    y += height;
  }
  return out;
}

bool IsControl(const TOxrNode& node) {
  if (!node.IsElement()) return false;
  const auto& kinds = ControlKinds();
  return std::find(kinds.begin(), kinds.end(), node.Name()) != kinds.end();
}

std::vector<TOxrNode*> Controls(const TOxrNode& band) {
  std::vector<TOxrNode*> out;
  for (const auto& c : band.Children())
    if (IsControl(*c)) out.push_back(c.get());
  return out;
}

QRectF ControlRect(const TOxrNode& control) {
  return QRectF(Length(control, "left"), Length(control, "top"), std::max(0.0, Length(control, "width")),
                std::max(0.0, Length(control, "height")));
}

double Snap(double mm, double step) {
  if (!(step > 0)) return mm;
  return std::round(mm / step) * step;
}

QRectF Resized(const QRectF& r, THandle handle, double dx, double dy, double minimum) {
  double left = r.left(), top = r.top(), right = r.right(), bottom = r.bottom();
  switch (handle) {
    case THandle::TopLeft: left += dx; top += dy; break;
    case THandle::Top: top += dy; break;
    case THandle::TopRight: right += dx; top += dy; break;
    case THandle::Right: right += dx; break;
    case THandle::BottomRight: right += dx; bottom += dy; break;
    case THandle::Bottom: bottom += dy; break;
    case THandle::BottomLeft: left += dx; bottom += dy; break;
    case THandle::Left: left += dx; break;
    case THandle::None: break;
  }
  // The dragged edge stops at the minimum size; the opposite edge stays where it was.
  if (right - left < minimum) {
    if (handle == THandle::TopLeft || handle == THandle::BottomLeft || handle == THandle::Left)
      left = right - minimum;
    else
      right = left + minimum;
  }
  if (bottom - top < minimum) {
    if (handle == THandle::TopLeft || handle == THandle::Top || handle == THandle::TopRight)
      top = bottom - minimum;
    else
      bottom = top + minimum;
  }
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

std::vector<QPointF> HandlePoints(const QRectF& r) {
  const QPointF c = r.center();
  return {r.topLeft(), {c.x(), r.top()}, r.topRight(), {r.right(), c.y()},
          r.bottomRight(), {c.x(), r.bottom()}, r.bottomLeft(), {r.left(), c.y()}};
}

}  // namespace oxqr::page

namespace oxqr::page {

namespace {

// The elements a band's content may hold, read from the schema built into the definition library:
// every element the band type allows but its conditional styles.
std::vector<std::string> ReadControlKinds() {
  const std::string_view text = OxrSchemaText();
  std::vector<std::string> kinds;
  QXmlStreamReader xml(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  int depth = 0, bandDepth = -1;
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::EndElement) {
      if (depth-- == bandDepth) break;
      continue;
    }
    if (token != QXmlStreamReader::StartElement) continue;
    ++depth;
    if (xml.name() != u"element") continue;
    const auto attributes = xml.attributes();
    if (bandDepth < 0 && depth == 2 && attributes.value("name") == u"band") bandDepth = depth;
    const QString ref = attributes.value("ref").toString();
    if (bandDepth >= 0 && !ref.isEmpty() && ref != "style") kinds.push_back(ref.toStdString());
  }
  return kinds;
}

}  // namespace

const std::vector<std::string>& ControlKinds() {
  static const std::vector<std::string> kinds = ReadControlKinds();
  return kinds;
}

}  // namespace oxqr::page
