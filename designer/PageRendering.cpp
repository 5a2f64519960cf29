#include "designer/PageRendering.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "OxQrCtrls/gui/ControlPainters.h"
#include "definition/DefinitionError.h"
#include "definition/OxrDocument.h"
#include "definition/OxrValues.h"
#include "definition/ReportDefinition.h"
#include "designer/PageGeometry.h"
#include "engine/gui/DesignSurface.h"
#include "platform/Bitmap.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

QColor ColorAttribute(const TOxrNode& node, std::string_view name, QColor fallback) {
  const auto raw = node.Attribute(name);
  if (!raw) return fallback;
  const auto color = oxr::ParseColor(*raw);
  return color ? ToQColor(*color) : fallback;
}

TFont FontOf(const TOxrNode& control) {
  TFont font;
  // The report's font is the default of every control in it.
  const TOxrNode* report = control.Parent() ? control.Parent()->Parent() : nullptr;
  for (const TOxrNode* n : {report, &control}) {
    if (!n) continue;
    if (auto name = n->Attribute("font")) font.Name = *name;
    if (auto size = oxr::ParseNumber(n->AttributeOr("fontSize", ""))) font.Size = std::clamp(static_cast<int>(*size), 1, 400);
    if (auto styles = oxr::ParseFontStyles(n->AttributeOr("fontStyle", ""))) font.Style = *styles;
  }
  return font;
}

// What a text control shows while designing: the caption, the field's name, the data kind.
QString DesignText(const TOxrNode& control) {
  const std::string& kind = control.Name();
  if (kind == "text" || kind == "richtext" || kind == "image")
    return QString::fromStdString(control.AttributeOr("field", control.AttributeOr("file", "")));
  if (kind == "sysdata")
    return QString::fromStdString(control.AttributeOr("text", "") + "(" + control.AttributeOr("data", "") + ")");
  if (kind == "memo") {
    QStringList lines;
    for (const TOxrNode* line : control.Elements("line"))
      for (const auto& t : line->Children()) lines << QString::fromStdString(t->Name());
    return lines.join('\n');
  }
  if (kind == "chart") return QString::fromStdString("chart: " + control.AttributeOr("values", ""));
  return QString::fromStdString(control.AttributeOr("text", ""));
}

}  // namespace

TPageRendering::TPageRendering() = default;
TPageRendering::~TPageRendering() = default;

namespace {

// What the engine's drawing depends on: the tree's text but where controls stand in their
// bands (the page moves the engine's drawing there), and which nodes the controls are.
std::string LoadKey(const TOxrDocument& tree, const QString& fileName) {
  TOxrDocument copy;
  for (const auto& [name, value] : tree.Root().Attributes()) copy.Root().SetAttribute(name, value);
  std::string nodes = fileName.toStdString();
  for (const auto& child : tree.Root().Children()) {
    TOxrNode* c = copy.Root().Append(child->Clone());
    if (!c->IsElement() || c->Name() != "band") continue;
    for (const auto& control : c->Children()) {
      if (!page::IsControl(*control)) continue;
      control->SetAttribute("left", std::nullopt);
      control->SetAttribute("top", std::nullopt);
    }
    for (const TOxrNode* control : page::Controls(*child)) nodes += "," + std::to_string(reinterpret_cast<std::uintptr_t>(control));
  }
  return OxrDocumentText(copy) + nodes;
}

}  // namespace

void TPageRendering::Rebuild(TOxrDocument& tree, const QString& fileName) {
  std::string key = LoadKey(tree, fileName) + "\n" + defaultDatabase_;
  if (key == key_) return;
  key_ = std::move(key);
  engine_.clear();
  surface_.reset();
  definition_.reset();
  error_.clear();
  const std::string name = fileName.isEmpty() ? std::string("untitled.oxr") : fileName.toStdString();
  try {
    TDefinitionOptions options;
    options.DefaultDatabasePath = defaultDatabase_;
    definition_ = LoadReportDefinitionText(OxrDocumentText(tree), name, options);
  } catch (const std::exception& e) {
    error_ = QString::fromUtf8(e.what());
    return;
  }
  surface_ = std::make_unique<TQRDesignSurface>(definition_->Report());
  AddControlPainters(*surface_);
  // The loader builds the bands and their controls in the order the file holds them.
  const auto bands = tree.Root().Elements("band");
  const auto& engineBands = definition_->Report().Bands();
  if (bands.size() != engineBands.size()) return;
  for (std::size_t b = 0; b < bands.size(); ++b) {
    const auto controls = page::Controls(*bands[b]);
    const auto& engineControls = engineBands[b]->Controls();
    if (controls.size() != engineControls.size()) continue;
    for (std::size_t c = 0; c < controls.size(); ++c) engine_[controls[c]] = engineControls[c].get();
  }
}

void TPageRendering::Paint(QPainter& painter, const TOxrNode& control, const QRectF& r, const QRectF& band) const {
  const auto it = engine_.find(&control);
  if (it == engine_.end()) return PaintControlFromTree(painter, control, r);
  // The engine draws the control at its own rectangle in the band; moved by `r`'s offset
  // from there (a control being dragged).
  const TQRPrintable& c = *it->second;
  const QPointF engineAt(band.left() + c.Size.Left * 96.0 / 254.0, band.top() + c.Size.Top * 96.0 / 254.0);
  painter.save();
  painter.translate(r.topLeft() - engineAt);
  TQPainterCanvas canvas(painter.device(), &painter);
  surface_->PaintControl(canvas, c, Rect(static_cast<int>(band.left()), static_cast<int>(band.top()),
                                         static_cast<int>(band.right()), static_cast<int>(band.bottom())));
  painter.restore();
}

void PaintControlFromTree(QPainter& painter, const TOxrNode& control, const QRectF& r) {
  painter.save();
  const std::string& kind = control.Name();
  if (kind == "shape") {
    const double width = oxr::ParseNumber(control.AttributeOr("penWidth", "1")).value_or(1);
    painter.setPen(QPen(ColorAttribute(control, "penColor", Qt::black), std::clamp(width, 1.0, 100.0)));
    const std::string style = control.AttributeOr("brushStyle", "solid");
    painter.setBrush(style == "clear" ? QBrush(Qt::NoBrush) : QBrush(ColorAttribute(control, "brushColor", Qt::white)));
    const std::string shape = control.AttributeOr("shape", "rectangle");
    if (shape == "circle") painter.drawEllipse(r);
    else if (shape == "verticalLine") painter.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    else if (shape == "horizontalLine") painter.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    else painter.drawRect(r);
    painter.restore();
    return;
  }
  const bool textual = kind == "label" || kind == "text" || kind == "memo" || kind == "sysdata";
  if (textual && control.AttributeOr("transparent", "false") != "true") {
    const QColor fill = ColorAttribute(control, "color", Qt::transparent);
    if (fill.isValid() && fill.alpha() > 0) painter.fillRect(r, fill);
  }
  if (!textual) {
    painter.setPen(QPen(QColor(128, 128, 128), 0, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
  }
  const TFont font = FontOf(control);
  painter.setFont(ToQFont(font));
  painter.setPen(textual ? ColorAttribute(control, "fontColor", Qt::black) : QColor(96, 96, 96));
  const std::string align = control.AttributeOr("align", "left");
  int flags = align == "right" ? Qt::AlignRight : align == "center" ? Qt::AlignHCenter : Qt::AlignLeft;
  flags |= Qt::AlignTop | (kind == "memo" ? Qt::TextWordWrap : 0);
  QString text = DesignText(control);
  if (!textual) text = QString::fromStdString(kind) + (text.isEmpty() ? QString() : ": " + text);
  painter.setClipRect(r, Qt::IntersectClip);
  painter.drawText(r, flags, text);
  painter.restore();
}

}  // namespace oxqr
