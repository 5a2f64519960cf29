#include "PdfType0Font.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <unordered_map>

#include <QFont>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include "OxQrExport/core/Settings.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfFontSubset.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "platform/TextMetrics.h"

namespace oxqr::pdf {

struct TType0FontSet::TFace {
  QRawFont Raw;
  std::string Name;  // the face's name without blanks, as /BaseFont shows it
  int Type0Object = 0;
  std::map<unsigned, int> Widths;            // glyphs shown, thousandths of the font size
  std::map<unsigned, std::u16string> Text;   // what each glyph shows (the first seen)
  std::unordered_map<unsigned, double> Advances;  // exact advances, asked of the font once

  // The advances of `ids`, from the cache where known.
  std::vector<double> AdvancesOf(const QList<quint32>& ids) {
    std::vector<double> out(static_cast<std::size_t>(ids.size()));
    QList<quint32> missing;
    for (qsizetype i = 0; i < ids.size(); ++i) {
      const auto it = Advances.find(ids[i]);
      if (it != Advances.end()) out[static_cast<std::size_t>(i)] = it->second;
      else missing.push_back(ids[i]);
    }
    if (missing.isEmpty()) return out;
    const QList<QPointF> asked = Raw.advancesForGlyphIndexes(missing, QRawFont::UseDesignMetrics);
    for (qsizetype k = 0; k < missing.size(); ++k) Advances[missing[k]] = asked[k].x();
    for (qsizetype i = 0; i < ids.size(); ++i) out[static_cast<std::size_t>(i)] = Advances[ids[i]];
    return out;
  }
};

// A glyph of a shaped line as Qt draws it.
struct TType0FontSet::TDrawn {
  TShapedGlyph Glyph;
  QRectF Box;  // the box's outline, for a glyph without a face
};

// A character (code point) of a shaped line: where it is in the text and the glyphs Qt
// gives for it.
struct TType0FontSet::TChar {
  qsizetype At = 0, Length = 1;
  std::vector<std::size_t> Glyphs;
};

namespace {

// Layout at 1000 pixels per em: positions and advances are thousandths of the font size.
constexpr int kEm = 1000;

QFont LayoutFont(const TFont& font) {
  QFont f = ToQFont(font);
  f.setPixelSize(kEm);
  return f;
}

// Text that the font's own glyphs show one to one, left to right, without shaping: no
// combining marks, no right-to-left or complex scripts.
bool IsSimple(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 0x0590 || (u >= 0x0300 && u <= 0x036F)) return false;
  }
  return true;
}

// Whether Qt found a face for a glyph run. For characters that no face covers (or whose
// only faces Qt rejects for the script) Qt draws boxes from a font without a face, whose
// description is empty: asking it for its family name crashes.
bool HasFace(const QRawFont& raw) { return raw.isValid() && raw.pixelSize() > 0; }

std::string FaceKey(const QRawFont& raw) {
  return raw.familyName().toStdString() + "|" + raw.styleName().toStdString() + "|" + std::to_string(raw.weight()) +
         "|" + std::to_string(static_cast<int>(raw.style()));
}

std::string FaceName(const QRawFont& raw) {
  std::string name = raw.familyName().toStdString();
  const std::string style = raw.styleName().toStdString();
  if (!style.empty() && style != "Regular" && style != "Book" && style != "Normal") name += "-" + style;
  name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
  return name;
}

std::string Hex4(unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 12) & 15], kDigits[(value >> 8) & 15], kDigits[(value >> 4) & 15], kDigits[value & 15]};
}

std::string Utf16Hex(const std::u16string& text) {
  std::string out;
  for (const char16_t u : text) out += Hex4(u);
  return out;
}

// A stream object: `dict` entries (may be empty) with /Length and the filter.
void WriteStream(TOxQRPDFFilter& filter, int object, const std::string& dict, const std::string& data) {
  TMemoryStream packed;
  const std::int64_t length = filter.DeflateInto(data, packed, 9);
  std::string body = "/Length " + std::to_string(length);
  if (!dict.empty()) body += "\r\n" + dict;
  if (QRExportSettings().PDF.Compressed) body += "\r\n/Filter /FlateDecode";
  if (body.find("\r\n") == std::string::npos) body = "<< " + body + " >>";
  filter.WriteObject(body, object, false);
  filter.Writer->Write("stream\r\n");
  filter.Writer->Write(packed.Bytes());
  filter.Writer->Write("\r\nendstream\r\nendobj\r\n");
}

}  // namespace

TType0FontSet::TType0FontSet() = default;
TType0FontSet::~TType0FontSet() = default;

int TType0FontSet::FaceIndex(const QRawFont& raw, TOxQRPDFFilter& filter) {
  const std::string key = FaceKey(raw);
  const auto it = faceIndex_.find(key);
  if (it != faceIndex_.end()) return it->second;
  auto face = std::make_unique<TFace>();
  face->Raw = raw;
  face->Name = FaceName(raw);
  face->Type0Object = filter.NextObject();
  faces_.push_back(std::move(face));
  const int index = static_cast<int>(faces_.size()) - 1;
  faceIndex_.emplace(key, index);
  return index;
}

TShapedLine TType0FontSet::Shape(const TFont& font, std::string_view utf8, TOxQRPDFFilter& filter) {
  EnsureGuiApplication();
  TShapedLine line;
  const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  if (text.isEmpty()) return line;
  // The layout font and its own face, once per face name and style: most lines need
  // nothing else.
  const std::string key = font.Name + "|" + std::to_string(font.Style.Bits());
  auto primary = primary_.find(key);
  if (primary == primary_.end()) {
    const QFont qf = LayoutFont(font);
    const QRawFont raw = QRawFont::fromFont(qf);
    primary = primary_.emplace(key, TPrimary{qf, raw, HasFace(raw) ? FaceIndex(raw, filter) : -1}).first;
  }
  const QFont& qf = primary->second.Font;

  if (IsSimple(text) && primary->second.Face >= 0) {
    const QRawFont& raw = primary->second.Raw;
    const QList<quint32> ids = raw.glyphIndexesForString(text);
    if (ids.size() == text.size() && std::find(ids.begin(), ids.end(), 0u) == ids.end()) {
      const int face = primary->second.Face;
      TFace& f = *faces_[static_cast<std::size_t>(face)];
      const std::vector<double> advances = f.AdvancesOf(ids);
      double x = 0;
      for (qsizetype i = 0; i < ids.size(); ++i) {
        const double advance = advances[static_cast<std::size_t>(i)];
        line.Glyphs.push_back({face, ids[i], x, 0, advance});
        f.Widths.try_emplace(ids[i], static_cast<int>(std::lround(advance)));
        f.Text.try_emplace(ids[i], std::u16string(1, text[i].unicode()));
        x += advance;
      }
      line.Width = x;
      return line;
    }
  }
  ShapeComplex(qf, text, filter, line);
  return line;
}

// Shaped as the page picture draws it: Qt's layout with its fallback faces, the line's
// direction from its first strong character as the painter takes it. Each glyph is tied
// to the characters it shows through the glyphs Qt gives for each character; characters
// that share glyphs form a cluster. A cluster drawn with one glyph (a character, or a
// ligature of several) maps that glyph to its text in /ToUnicode; a cluster of several
// glyphs (a vowel sign drawn before its consonant, stacked marks), or one whose glyph
// already shows another text, is a span with its text as /ActualText.
void TType0FontSet::ShapeComplex(const QFont& qf, const QString& text, TOxQRPDFFilter& filter, TShapedLine& line) {
  QTextLayout layout(text, qf);
  QTextOption option;
  option.setTextDirection(Qt::LayoutDirectionAuto);
  option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine textLine = layout.createLine();
  textLine.setLineWidth(1e7);
  layout.endLayout();
  const double baseline = textLine.ascent();

  // Every glyph drawn, in the order of the runs; a face of -1 is a missing-glyph box.
  std::vector<TDrawn> drawn;
  using Where = std::tuple<int, unsigned, long>;
  std::map<Where, std::size_t> where;
  auto positionKey = [](double x) { return std::lround(x * 16); };
  auto faceOf = [this](const QRawFont& raw) {
    if (!HasFace(raw)) return -1;
    const auto it = faceIndex_.find(FaceKey(raw));
    return it == faceIndex_.end() ? -2 : it->second;
  };
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont raw = run.rawFont();
    const bool hasFace = HasFace(raw);
    const int face = hasFace ? FaceIndex(raw, filter) : -1;
    const QList<quint32> ids = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(ids, QRawFont::UseDesignMetrics);
    for (qsizetype k = 0; k < ids.size(); ++k) {
      TDrawn d{{face, ids[k], positions[k].x(), baseline - positions[k].y(), advances[k].x()}, {}};
      if (hasFace)
        faces_[static_cast<std::size_t>(face)]->Widths.try_emplace(ids[k],
                                                                   static_cast<int>(std::lround(advances[k].x())));
      else
        d.Box = raw.pathForGlyph(ids[k]).boundingRect();
      where.emplace(Where{face, ids[k], positionKey(positions[k].x())}, drawn.size());
      drawn.push_back(d);
    }
  }

  // The characters (code points) and the glyphs Qt gives for each.
  std::vector<TChar> chars;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    TChar c{i, len, {}};
    for (const QGlyphRun& run : layout.glyphRuns(static_cast<int>(i), static_cast<int>(len))) {
      const int face = faceOf(run.rawFont());
      const QList<quint32> ids = run.glyphIndexes();
      const QList<QPointF> positions = run.positions();
      for (qsizetype k = 0; k < ids.size(); ++k) {
        const auto it = where.find(Where{face, ids[k], positionKey(positions[k].x())});
        if (it != where.end()) c.Glyphs.push_back(it->second);
      }
    }
    chars.push_back(std::move(c));
    i += len;
  }

  const std::size_t n = chars.size();
  std::vector<long> owner(drawn.size(), -1);  // the first character that names each glyph
  const std::vector<std::size_t> clusterStart = ClusterStarts(chars, owner);
  std::vector<std::size_t> clusterOf(n);
  for (std::size_t k = 0; k < clusterStart.size(); ++k)
    for (std::size_t c = clusterStart[k]; c < (k + 1 < clusterStart.size() ? clusterStart[k + 1] : n); ++c)
      clusterOf[c] = k;
  const std::size_t clusters = clusterStart.size();
  std::vector<std::vector<std::size_t>> glyphsOf(clusters);
  std::size_t previous = 0;
  for (std::size_t g = 0; g < drawn.size(); ++g) {
    // A glyph no character names (a mark Qt gives with no character) goes with the glyph
    // drawn before it.
    const std::size_t cluster = owner[g] >= 0 ? clusterOf[static_cast<std::size_t>(owner[g])] : previous;
    glyphsOf[cluster].push_back(g);
    previous = cluster;
  }

  bool spanOpen = false;  // the span before ends short of its right edge
  double spanRight = 0;
  for (std::size_t k = 0; k < clusters; ++k) {
    const std::size_t from = clusterStart[k];
    const std::size_t to = k + 1 < clusters ? clusterStart[k + 1] : n;
    const qsizetype at = chars[from].At;
    const std::u16string shown = text.mid(at, chars[to - 1].At + chars[to - 1].Length - at).toStdU16String();
    const std::vector<std::size_t>& glyphs = glyphsOf[k];
    const bool missing = std::any_of(glyphs.begin(), glyphs.end(), [&](std::size_t g) {
      return drawn[g].Glyph.Face < 0 || drawn[g].Glyph.Glyph == 0;
    });
    // One glyph shows the cluster (a character, or a ligature of several) when its map
    // says so or is still free; otherwise the cluster is a span.
    bool spanned = false;
    std::vector<std::size_t> logical;  // a right-to-left cluster's glyphs, each mapped
    if (missing) {
      // Drawn as the page draws it; its characters had no face and show no text.
      for (std::size_t c = from; c < to; ++c) {
        const char32_t ch = text.mid(chars[c].At, chars[c].Length).toUcs4().value(0);
        if (!QChar::isSpace(ch)) missing_.Add(ch);
      }
    } else if (glyphs.size() > 1 && !(logical = MapRightToLeftGlyphs(text, chars, from, to, glyphs, drawn)).empty()) {
      spanned = spanOpen;
    } else if (!glyphs.empty()) {
      spanned = glyphs.size() > 1;
      if (!spanned) {
        const TShapedGlyph& g = drawn[glyphs.front()].Glyph;
        const auto [mapped, added] = faces_[static_cast<std::size_t>(g.Face)]->Text.try_emplace(g.Glyph, shown);
        spanned = !added && mapped->second != shown;
      }
      // A span whose last glyph (a mark) ends before the span does takes the next cluster
      // in: readers give a span's text the width from its first glyph to the end of its
      // last, and would see a gap after it.
      spanned = spanned || spanOpen;
    }
    if (spanned) {
      // Neighbouring spans are one span.
      const bool joins = !line.Glyphs.empty() && line.Glyphs.back().Span >= 0 &&
                         line.Glyphs.back().Span + 1 == static_cast<int>(line.Spans.size());
      if (joins) line.Spans.back() += shown;
      else line.Spans.push_back(shown);
    }
    std::vector<std::size_t> listed = logical;
    if (listed.empty())
      listed = spanned && glyphs.size() > 1 ? MapSpanGlyphs(text, chars, from, to, glyphs, drawn) : glyphs;
    for (const std::size_t g : listed) {
      const TDrawn& d = drawn[g];
      line.Width = std::max(line.Width, d.Glyph.X + d.Glyph.Advance);
      if (d.Glyph.Face < 0) {
        if (!d.Box.isEmpty())
          line.Boxes.push_back(
              {d.Glyph.X + d.Box.left(), d.Glyph.Rise - d.Box.bottom(), d.Box.width(), d.Box.height()});
        continue;
      }
      TShapedGlyph shownGlyph = d.Glyph;
      if (spanned) {
        shownGlyph.Span = static_cast<int>(line.Spans.size()) - 1;
        spanRight = std::max(spanRight, d.Glyph.X + d.Glyph.Advance);
      }
      line.Glyphs.push_back(shownGlyph);
    }
    spanOpen = spanned && !line.Glyphs.empty() && line.Glyphs.back().X + line.Glyphs.back().Advance + 1 < spanRight;
    if (!spanned) spanRight = 0;
  }
}

// Clusters: characters that share a glyph, widened to unbroken ranges of characters. A
// character without glyphs of its own (a joiner) goes with the one before it. Returns the
// first character of each cluster; `owner` gets the first character that names each glyph.
std::vector<std::size_t> TType0FontSet::ClusterStarts(const std::vector<TChar>& chars, std::vector<long>& owner) {
  const std::size_t n = chars.size();
  std::vector<std::size_t> first(n);  // the earliest character sharing a glyph with each
  for (std::size_t c = 0; c < n; ++c) {
    first[c] = c;
    if (chars[c].Glyphs.empty() && c > 0) first[c] = c - 1;
    for (const std::size_t g : chars[c].Glyphs) {
      if (owner[g] < 0) owner[g] = static_cast<long>(c);
      first[c] = std::min(first[c], static_cast<std::size_t>(owner[g]));
    }
  }
  std::vector<std::size_t> clusterStart;
  for (std::size_t c = 0; c < n; ++c) {
    if (clusterStart.empty() || first[c] >= c) {
      clusterStart.push_back(c);
      continue;
    }
    // Reaching back: the cluster holding first[c] takes every character up to c.
    while (clusterStart.size() > 1 && clusterStart.back() > first[c]) clusterStart.pop_back();
  }
  return clusterStart;
}

// The character each of `glyphs` is the own glyph of in its face (`to` for none), each
// character taken once: a vowel sign or mark drawn apart from its base, a letter.
std::vector<std::size_t> TType0FontSet::OwnCharacters(const QString& text, const std::vector<TChar>& chars,
                                                      std::size_t from, std::size_t to,
                                                      const std::vector<std::size_t>& glyphs,
                                                      const std::vector<TDrawn>& drawn) const {
  std::vector<std::size_t> shows(glyphs.size(), to);
  std::vector<bool> shown(to - from, false);
  for (std::size_t k = 0; k < glyphs.size(); ++k) {
    const TShapedGlyph& g = drawn[glyphs[k]].Glyph;
    const QRawFont& raw = faces_[static_cast<std::size_t>(g.Face)]->Raw;
    for (std::size_t c = from; c < to && shows[k] == to; ++c) {
      if (shown[c - from]) continue;
      const QList<quint32> own = raw.glyphIndexesForString(text.mid(chars[c].At, chars[c].Length));
      if (own.size() == 1 && own.front() == g.Glyph) {
        shows[k] = c;
        shown[c - from] = true;
      }
    }
  }
  return shows;
}

// A right-to-left cluster of letters and marks that are each their own glyph: each glyph
// maps to its character, listed in the characters' order. Readers spread a span's text
// left to right over its box and then read the line right to left, which would turn the
// marks before their letters. Empty when the glyphs are not so.
std::vector<std::size_t> TType0FontSet::MapRightToLeftGlyphs(const QString& text, const std::vector<TChar>& chars,
                                                             std::size_t from, std::size_t to,
                                                             const std::vector<std::size_t>& glyphs,
                                                             const std::vector<TDrawn>& drawn) {
  const QChar::Direction direction = QChar::direction(text.mid(chars[from].At, chars[from].Length).toUcs4().value(0));
  if (direction != QChar::DirR && direction != QChar::DirAL) return {};
  if (glyphs.size() != to - from) return {};
  const std::vector<std::size_t> shows = OwnCharacters(text, chars, from, to, glyphs, drawn);
  if (std::find(shows.begin(), shows.end(), to) != shows.end()) return {};
  for (std::size_t k = 0; k < glyphs.size(); ++k) {
    const TShapedGlyph& g = drawn[glyphs[k]].Glyph;
    const std::u16string own = text.mid(chars[shows[k]].At, chars[shows[k]].Length).toStdU16String();
    const auto [mapped, added] = faces_[static_cast<std::size_t>(g.Face)]->Text.try_emplace(g.Glyph, own);
    if (!added && mapped->second != own) return {};
  }
  std::vector<std::size_t> order(glyphs.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&shows](std::size_t a, std::size_t b) { return shows[a] < shows[b]; });
  std::vector<std::size_t> listed;
  for (const std::size_t k : order) listed.push_back(glyphs[k]);
  return listed;
}

// The glyphs of a span of several glyphs, left to right, each mapped for readers that do
// not take /ActualText: a glyph that is a character's own glyph
// in its face shows that character, the first of the others shows the characters left
// (a conjunct's virama, a mark merged into its base). A glyph's earlier text is kept.
std::vector<std::size_t> TType0FontSet::MapSpanGlyphs(const QString& text, const std::vector<TChar>& chars,
                                                      std::size_t from, std::size_t to,
                                                      const std::vector<std::size_t>& glyphs,
                                                      const std::vector<TDrawn>& drawn) {
  const std::vector<std::size_t> shows = OwnCharacters(text, chars, from, to, glyphs, drawn);
  std::vector<bool> shown(to - from, false);
  for (const std::size_t c : shows)
    if (c < to) shown[c - from] = true;
  std::u16string rest;
  for (std::size_t c = from; c < to; ++c)
    if (!shown[c - from]) rest += text.mid(chars[c].At, chars[c].Length).toStdU16String();
  for (std::size_t k = 0; k < glyphs.size(); ++k) {
    const TShapedGlyph& g = drawn[glyphs[k]].Glyph;
    TFace& face = *faces_[static_cast<std::size_t>(g.Face)];
    if (shows[k] < to) {
      face.Text.try_emplace(g.Glyph, text.mid(chars[shows[k]].At, chars[shows[k]].Length).toStdU16String());
    } else {
      if (!rest.empty()) face.Text.try_emplace(g.Glyph, rest);
      rest.clear();
    }
  }
  // Left to right as drawn: readers place the span's text over the box from its first
  // glyph to the end of its last.
  std::vector<std::size_t> listed = glyphs;
  std::stable_sort(listed.begin(), listed.end(),
                   [&drawn](std::size_t a, std::size_t b) { return drawn[a].Glyph.X < drawn[b].Glyph.X; });
  return listed;
}

std::string TType0FontSet::ShowGlyphs(const TShapedLine& line, int size) const {
  std::string ops;
  std::string hex;  // glyphs waiting to be written as one string
  int face = -1;
  long rise = 0;
  int span = -1;
  bool open = false;
  bool risen = false;
  double pen = 0;  // where the reader's pen is, thousandths of the font size
  auto flush = [&] {
    if (!hex.empty()) ops += "<" + hex + ">";
    hex.clear();
  };
  auto close = [&] {
    flush();
    if (open) ops += "] TJ\r\n";
    open = false;
  };
  for (const TShapedGlyph& g : line.Glyphs) {
    if (g.Span != span) {
      close();
      if (span >= 0) ops += "EMC\r\n";
      if (g.Span >= 0)
        ops += "/Span << /ActualText <FEFF" + Utf16Hex(line.Spans[static_cast<std::size_t>(g.Span)]) + "> >> BDC\r\n";
      span = g.Span;
    }
    const long glyphRise = std::lround(g.Rise);
    if (!open || g.Face != face || glyphRise != rise) {
      close();
      if (g.Face != face) ops += "/U" + std::to_string(g.Face) + " " + std::to_string(size) + " Tf\r\n";
      if (glyphRise != rise) {
        ops += FormatNumber(static_cast<double>(glyphRise) * size / kEm) + " Ts\r\n";
        risen = true;
      }
      ops += "[";
      open = true;
      face = g.Face;
      rise = glyphRise;
    }
    // A TJ number moves the pen back by thousandths of the font size.
    const long shift = std::lround(g.X - pen);
    if (shift != 0) {
      flush();
      ops += std::to_string(-shift);
      pen += static_cast<double>(shift);
    }
    hex += Hex4(g.Glyph);
    pen += std::lround(g.Advance);
  }
  close();
  if (span >= 0) ops += "EMC\r\n";
  if (risen) ops += "0 Ts\r\n";
  return ops;
}

bool TType0FontSet::Empty() const { return faces_.empty(); }

std::string TType0FontSet::ResourceEntries() const {
  std::string entries;
  for (std::size_t i = 0; i < faces_.size(); ++i)
    entries += "/U" + std::to_string(i) + " " + std::to_string(faces_[i]->Type0Object) + " 0 R\r\n";
  return entries;
}

std::string CidWidths(const std::map<unsigned, int>& widths) {
  std::string out = "[";
  unsigned next = 0;
  bool open = false;
  for (const auto& [glyph, width] : widths) {
    if (!open || glyph != next) {
      if (open) out += "]";
      out += (out.size() > 1 ? " " : "") + std::to_string(glyph) + " [" + std::to_string(width);
      open = true;
    } else {
      out += " " + std::to_string(width);
    }
    next = glyph + 1;
  }
  if (open) out += "]";
  return out + "]";
}

std::string ToUnicodeCMap(const std::map<unsigned, std::u16string>& map) {
  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  std::vector<std::pair<unsigned, std::u16string>> entries(map.begin(), map.end());
  for (std::size_t start = 0; start < entries.size(); start += 100) {
    const std::size_t end = std::min(entries.size(), start + 100);
    cmap += std::to_string(end - start) + " beginbfchar\n";
    for (std::size_t i = start; i < end; ++i)
      cmap += "<" + Hex4(entries[i].first) + "> <" + Utf16Hex(entries[i].second) + ">\n";
    cmap += "endbfchar\n";
  }
  return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

void TType0FontSet::WriteObjects(TOxQRPDFFilter& filter) {
  for (const auto& face : faces_) {
    std::set<unsigned> glyphs{0};
    std::string seed = face->Name;
    for (const auto& [glyph, width] : face->Widths) {
      glyphs.insert(glyph);
      seed += "," + std::to_string(glyph);
    }
    const std::string name = EscapeName(SubsetTag(seed) + "+" + face->Name);
    const std::string program = SubsetFontGlyphs(face->Raw, glyphs);
    int fontFile = 0;
    if (!program.empty()) {
      fontFile = filter.NextObject();
      WriteStream(filter, fontFile, "/Length1 " + std::to_string(program.size()), program);
    }
    const QRawFont& raw = face->Raw;
    const auto ascent = std::lround(raw.ascent());
    const auto descent = -std::lround(raw.descent());
    const int descriptor = filter.NextObject();
    std::string d = "/Type /FontDescriptor\r\n/FontName /" + name + "\r\n/Flags " +
                    std::to_string(raw.style() == QFont::StyleNormal ? 4 : 4 + 64) + "\r\n/FontBBox [0 " +
                    std::to_string(descent) + " " + std::to_string(std::lround(raw.maxCharWidth())) + " " +
                    std::to_string(ascent) + "]\r\n/ItalicAngle 0\r\n/Ascent " + std::to_string(ascent) +
                    "\r\n/Descent " + std::to_string(descent) + "\r\n/CapHeight " +
                    std::to_string(std::lround(raw.capHeight())) + "\r\n/StemV 80";
    if (fontFile != 0) d += "\r\n/FontFile2 " + std::to_string(fontFile) + " 0 R";
    filter.WriteObject(d, descriptor, true);

    const int cidFont = filter.NextObject();
    filter.WriteObject("/Type /Font\r\n/Subtype /CIDFontType2\r\n/BaseFont /" + name +
                           "\r\n/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                           "\r\n/FontDescriptor " + std::to_string(descriptor) + " 0 R\r\n/DW 1000\r\n/W " +
                           CidWidths(face->Widths) + "\r\n/CIDToGIDMap /Identity",
                       cidFont, true);
    const int toUnicode = filter.NextObject();
    // Never a text for the missing glyph.
    face->Text.erase(0);
    WriteStream(filter, toUnicode, "", ToUnicodeCMap(face->Text));
    filter.WriteObject("/Type /Font\r\n/Subtype /Type0\r\n/BaseFont /" + name +
                           "\r\n/Encoding /Identity-H\r\n/DescendantFonts [" + std::to_string(cidFont) +
                           " 0 R]\r\n/ToUnicode " + std::to_string(toUnicode) + " 0 R",
                       face->Type0Object, true);
  }
  faces_.clear();
  faceIndex_.clear();
  primary_.clear();
}

}  // namespace oxqr::pdf
