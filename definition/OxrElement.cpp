#include "definition/OxrElement.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include "platform/CodePage.h"

namespace oxqr::oxr {

namespace {

// The 1-based line that holds `offset` of `text`, and the offset where that line starts.
struct TLineStart {
  int Line = 1;
  qint64 Start = 0;
};

TLineStart LineAt(const QString& text, qint64 offset) {
  TLineStart at;
  for (qint64 i = 0; i < offset; ++i) {
    if (text[i] == u'\n') {
      ++at.Line;
      at.Start = i + 1;
    }
  }
  return at;
}

}  // namespace

void TSourceText::FailAtOffset(qint64 offset, const std::string& message) const {
  offset = std::clamp<qint64>(offset, 0, Text.size());
  const TLineStart at = LineAt(Text, offset);
  throw EDefinitionError(FileName, at.Line, static_cast<int>(offset - at.Start) + 1, message);
}

TDefinitionFault TSourceText::FaultAt(qint64 offset, int width, const std::string& message) const {
  offset = std::clamp<qint64>(offset, 0, Text.size());
  const TLineStart at = LineAt(Text, offset);
  const int line = at.Line;
  const qint64 lineStart = at.Start;
  qint64 lineEnd = Text.indexOf(u'\n', lineStart);
  if (lineEnd < 0) lineEnd = Text.size();
  QString sourceLine = Text.mid(lineStart, lineEnd - lineStart);
  if (sourceLine.endsWith(u'\r')) sourceLine.chop(1);
  TDefinitionFault f;
  f.Line = line;
  f.Column = static_cast<int>(offset - lineStart) + 1;
  f.Width = std::max(1, std::min<int>(width, static_cast<int>(lineEnd - offset)));
  f.Message = message;
  // A very long line is cut around the column so that the listing stays readable.
  if (sourceLine.size() > 200) {
    const qint64 from = std::max<qint64>(0, f.Column - 1 - 80);
    sourceLine = sourceLine.mid(from, 160);
    f.Column -= static_cast<int>(from);
  }
  f.SourceLine = sourceLine.toStdString();
  return f;
}

qint64 TSourceText::ValueCharOffset(qint64 valueStart, std::size_t byte) const {
  qint64 at = valueStart;
  for (std::size_t n = 0; n < byte && at < Text.size(); ++n) {
    if (Text[at] == u'&') {
      const qint64 semi = Text.indexOf(u';', at);
      at = semi < 0 ? at + 1 : semi + 1;
    } else {
      ++at;
    }
  }
  return at;
}

TElement::TElement(const TSourceText& source, const QXmlStreamReader& xml)
    : source_(source), name_(xml.name().toString().toStdString()), attributes_(xml.attributes()) {
  end_ = xml.characterOffset();
  // Attribute values cannot hold '<', so the last one before the end starts the tag.
  const qint64 lt = source.Text.lastIndexOf(u'<', std::max<qint64>(end_ - 1, 0));
  start_ = lt < 0 ? 0 : lt;
}

void TElement::Fail(const std::string& message) const { source_.FailAtOffset(start_, message); }

void TElement::FailAt(std::string_view attribute, const std::string& message) const {
  source_.FailAtOffset(AttributeOffset(attribute), message);
}

qint64 TElement::AttributeOffset(std::string_view attribute) const {
  const QString tag = source_.Text.mid(start_, end_ - start_);
  const QRegularExpression re(QStringLiteral("\\s(%1)\\s*=").arg(QRegularExpression::escape(
      QString::fromUtf8(attribute.data(), static_cast<qsizetype>(attribute.size())))));
  const auto m = re.match(tag);
  return m.hasMatch() ? start_ + m.capturedStart(1) : start_;
}

qint64 TElement::ValueOffset(std::string_view attribute) const {
  const qint64 name = AttributeOffset(attribute);
  for (qint64 i = name; i < end_; ++i) {
    const QChar c = source_.Text[i];
    if (c == u'"' || c == u'\'') return i + 1;
  }
  return name;
}

std::optional<std::string> TElement::Raw(std::string_view attribute) {
  asked_.emplace(attribute);
  const QString key = QString::fromUtf8(attribute.data(), static_cast<qsizetype>(attribute.size()));
  if (!attributes_.hasAttribute(key)) return std::nullopt;
  return attributes_.value(key).toString().toStdString();
}

std::string TElement::Text(std::string_view attribute, const std::string& fallback) {
  const auto raw = Raw(attribute);
  return raw ? Utf8ToAnsi(*raw) : fallback;
}

std::string TElement::Required(std::string_view attribute) {
  const auto raw = Raw(attribute);
  if (!raw || raw->empty()) Fail("<" + name_ + "> needs the attribute " + std::string(attribute));
  return *raw;
}

double TElement::Length(std::string_view attribute, double fallback, double min, double max) {
  const auto raw = Raw(attribute);
  if (!raw) return fallback;
  const auto v = ParseNumber(*raw);
  if (!v) FailAt(attribute, std::string(attribute) + " '" + *raw + "' is not a number of millimetres");
  if (*v < min || *v > max)
    FailAt(attribute, std::string(attribute) + " " + *raw + " mm is out of range (" + FormatNumber(min) + " to " +
                          FormatNumber(max) + " mm)");
  return *v;
}

int TElement::Integer(std::string_view attribute, int fallback, int min, int max) {
  const auto raw = Raw(attribute);
  if (!raw) return fallback;
  const auto v = ParseNumber(*raw);
  if (!v || *v != static_cast<double>(static_cast<long long>(*v)))
    FailAt(attribute, std::string(attribute) + " '" + *raw + "' is not a whole number");
  if (*v < min || *v > max)
    FailAt(attribute, std::string(attribute) + " " + *raw + " is out of range (" + std::to_string(min) + " to " +
                          std::to_string(max) + ")");
  return static_cast<int>(*v);
}

bool TElement::Bool(std::string_view attribute, bool fallback) {
  const auto raw = Raw(attribute);
  if (!raw) return fallback;
  const auto v = ParseBool(*raw);
  if (!v) FailAt(attribute, std::string(attribute) + " '" + *raw + "' is neither true nor false");
  return *v;
}

TColor TElement::Color(std::string_view attribute, TColor fallback) {
  const auto raw = Raw(attribute);
  if (!raw) return fallback;
  const auto v = ParseColor(*raw);
  if (!v) FailAt(attribute, "'" + *raw + "' is not a colour (a name such as teal, or #RRGGBB)");
  return *v;
}

TFont TElement::Font(const std::string& prefix, TFont font) {
  if (const auto name = Raw(prefix)) {
    if (name->empty()) FailAt(prefix, "the font name is empty");
    font.Name = Utf8ToAnsi(*name);
  }
  font.Size = Integer(prefix + "Size", font.Size, 1, 999);
  if (const auto style = Raw(prefix + "Style")) {
    const auto s = ParseFontStyles(*style);
    if (!s) FailAt(prefix + "Style", "'" + *style + "' is not a font style (bold, italic, underline, strikeout)");
    font.Style = *s;
  }
  font.Color = Color(prefix + "Color", font.Color);
  return font;
}

TQRFrame TElement::Frame(TQRFrame frame) {
  if (const auto sides = Raw("frame")) {
    const auto f = ParseFrameSides(*sides, frame);
    if (!f) FailAt("frame", "'" + *sides + "' is not a frame (all, none, or top bottom left right)");
    frame = *f;
  }
  frame.Color = Color("frameColor", frame.Color);
  frame.Width = Integer("frameWidth", frame.Width, 1, 100);
  frame.Style = Enum("frameStyle", PenStyleNames(), frame.Style);
  return frame;
}

void TElement::Finish() const {
  for (const auto& a : attributes_) {
    const std::string name = a.qualifiedName().toString().toStdString();
    if (!asked_.contains(name)) FailAt(name, "<" + name_ + "> has no attribute " + name);
  }
}

}  // namespace oxqr::oxr
