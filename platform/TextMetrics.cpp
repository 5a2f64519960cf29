#include "TextMetrics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>
#include <unordered_map>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QRawFont>

#include "CodePage.h"
#include "FontWarnings.h"

namespace oxqr {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

struct Substitute {
  std::string Family;
  bool ForceBold = false;
  // A reader asking for the requested name gets this face or one of the same widths: it is
  // the requested face itself, or a metric-compatible one that font configurations alias.
  bool MetricAlias = false;
};

// The one substitution table: faces of the report files mapped to the faces installed with
// the program (metric-compatible ones where they exist).
const std::map<std::string, Substitute>& SubstitutionTable() {
  static const std::map<std::string, Substitute> table = {
      {"arial", {"Liberation Sans", false, true}},
      {"ms sans serif", {"Liberation Sans"}},
      {"helvetica", {"Liberation Sans", false, true}},
      {"times new roman", {"Liberation Serif", false, true}},
      {"courier new", {"Liberation Mono", false, true}},
      {"courier", {"Liberation Mono", false, true}},
      {"impact", {"DejaVu Sans Condensed", true}},
  };
  return table;
}

constexpr const char* kFallbackFamily = "Liberation Sans";

bool FamilyInstalled(const std::string& family) {
  EnsureGuiApplication();
  static std::mutex mutex;
  static std::map<std::string, bool> known;
  const std::lock_guard lock(mutex);
  const std::string key = Lower(family);
  if (const auto it = known.find(key); it != known.end()) return it->second;
  bool found = false;
  for (const QString& f : QFontDatabase::families())
    if (Lower(f.toStdString()) == key) found = true;
  known.emplace(key, found);
  return found;
}

Substitute Resolve(const std::string& requested) {
  const auto& table = SubstitutionTable();
  const auto it = table.find(Lower(requested));
  if (it != table.end()) {
    if (FamilyInstalled(it->second.Family)) return it->second;
    return Substitute{kFallbackFamily, it->second.ForceBold};
  }
  // An installed face draws itself: every reader that has it finds it by its name.
  if (!requested.empty() && FamilyInstalled(requested)) return Substitute{requested, false, true};
  return Substitute{kFallbackFamily};
}

// Measuring objects of one font, kept because text measuring is on the hot path of layout.
struct MeasureEntry {
  explicit MeasureEntry(const QFont& f) : Font(f), MetricsF(f) {
    const QFontMetrics m(f);
    Ascent = m.ascent();
    Descent = m.descent();
    for (int c = kFirstPlain; c < kEndPlain; ++c) Alone[c] = MetricsF.horizontalAdvance(QString(QChar(c)));
  }

  // Printable ASCII is the same character in every code page and in UTF-8, and the shaper
  // lays it out glyph by glyph: a text of it is as wide as its characters' own advances
  // added up, unless two neighbours shape together (a ligature or kerning). Whether they
  // do is measured once per pair met.
  static constexpr int kFirstPlain = 0x20;
  static constexpr int kEndPlain = 0x7F;
  static bool Plain(unsigned char c) { return c >= kFirstPlain && c < kEndPlain; }
  bool PairIsSum(unsigned char a, unsigned char b) {
    std::uint8_t& known = PairSum[a - kFirstPlain][b - kFirstPlain];
    if (known == kUnknown) {
      const QChar pair[2] = {QChar(a), QChar(b)};
      known = MetricsF.horizontalAdvance(QString(pair, 2)) == Alone[a] + Alone[b] ? kSum : kShaped;
    }
    return known == kSum;
  }
  // The width of `text` from the kept advances, or -1 when it needs shaping as a whole.
  double SumOfAdvances(std::string_view text) {
    double width = 0;
    unsigned char previous = 0;
    for (const char ch : text) {
      const auto c = static_cast<unsigned char>(ch);
      if (!Plain(c) || (previous != 0 && !PairIsSum(previous, c))) return -1;
      width += Alone[c];  // advances are whole 64ths of a pixel: these sums are exact
      previous = c;
    }
    return width;
  }

  QFont Font;
  QFontMetricsF MetricsF;
  int Ascent = 0;
  int Descent = 0;
  std::array<double, kEndPlain> Alone{};
  static constexpr std::uint8_t kUnknown = 0, kSum = 1, kShaped = 2;
  std::array<std::array<std::uint8_t, kEndPlain - kFirstPlain>, kEndPlain - kFirstPlain> PairSum{};
  // Widths of other texts already shaped: report texts (labels, repeated values) recur a lot.
  std::unordered_map<std::string, int> Widths;
};

// Face, points, styles and the code page the cached text widths were measured in.
struct MeasureKey {
  std::string Name;
  int Size = 0;
  std::uint8_t Style = 0;
  int CodePage = 0;
  bool Matches(const TFont& font, int codePage) const {
    return Size == std::abs(font.Size) && Style == font.Style.Bits() && CodePage == codePage && Name == font.Name;
  }
};

std::string& AppArgv0() {
  static std::string name = "oxqr";
  return name;
}

}  // namespace

void EnsureGuiApplication() {
  SilenceFontWarnings();
  static std::mutex mutex;
  static int argc = 1;
  static char* argv[] = {AppArgv0().data(), nullptr};
  const std::lock_guard lock(mutex);
  if (QCoreApplication::instance()) return;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!platform || !*platform) && (!display || !*display) && (!wayland || !*wayland))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Deliberately never destroyed: a static destructor would run after Qt's own globals
  // are gone, and destroying the application there crashes at exit.
  [[maybe_unused]] static QGuiApplication* const app = std::make_unique<QGuiApplication>(argc, argv).release();
}

std::string SubstituteFontName(const std::string& requested) { return Resolve(requested).Family; }

TDrawnFace DrawnFace(const std::string& requested) {
  // Asked per text line by some writers: each name is resolved once.
  static std::mutex mutex;
  static std::map<std::string, TDrawnFace> known;
  const std::string key = Lower(requested);
  {
    const std::lock_guard lock(mutex);
    if (const auto it = known.find(key); it != known.end()) return it->second;
  }
  EnsureGuiApplication();  // the font database needs one
  const Substitute sub = Resolve(requested);
  TDrawnFace face;
  face.Family = sub.Family;
  face.Bold = sub.ForceBold;
  face.FoundByName = sub.MetricAlias;
  const std::string family = Lower(sub.Family);
  if (family.find("mono") != std::string::npos || QFontDatabase::isFixedPitch(QString::fromStdString(sub.Family)))
    face.Kind = TFaceKind::Mono;
  else if (family.find("serif") != std::string::npos && family.find("sans") == std::string::npos)
    face.Kind = TFaceKind::Serif;
  const std::lock_guard lock(mutex);
  if (known.size() >= 256) known.clear();  // a report uses a handful of faces
  known.emplace(key, face);
  return face;
}

QFont ToQFont(const TFont& font, int ppi) {
  EnsureGuiApplication();
  const Substitute sub = Resolve(font.Name);
  QFont f(QString::fromStdString(sub.Family));
  f.setPixelSize(std::max(1, font.PixelHeight(ppi)));
  f.setBold(sub.ForceBold || font.Style.Has(TFontStyle::fsBold));
  f.setItalic(font.Style.Has(TFontStyle::fsItalic));
  f.setUnderline(font.Style.Has(TFontStyle::fsUnderline));
  f.setStrikeOut(font.Style.Has(TFontStyle::fsStrikeOut));
  // Unhinted outlines and no kerning: a text is as wide as the sum of its characters,
  // on every machine and at every scale.
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferOutline);
  f.setKerning(false);
  return f;
}

namespace {

// Runs `fn` with the cached measuring objects of `font` at the screen resolution. A report
// uses a handful of fonts and measures runs of texts in one of them, so the fonts met are
// kept in a short list, the last one used checked first, and no key is built per call.
template <typename Fn>
auto WithMeasureEntry(const TFont& font, Fn&& fn) {
  static std::mutex mutex;
  static std::vector<std::pair<MeasureKey, std::unique_ptr<MeasureEntry>>> cache;
  static std::size_t last = 0;
  const std::lock_guard lock(mutex);
  const int codePage = AnsiCodePage();
  if (last >= cache.size() || !cache[last].first.Matches(font, codePage)) {
    const auto it = std::find_if(cache.begin(), cache.end(),
                                 [&](const auto& e) { return e.first.Matches(font, codePage); });
    if (it != cache.end()) {
      last = static_cast<std::size_t>(it - cache.begin());
    } else {
      if (cache.size() >= 64) cache.clear();  // a report uses a handful of fonts
      cache.emplace_back(MeasureKey{font.Name, std::abs(font.Size), font.Style.Bits(), codePage},
                         std::make_unique<MeasureEntry>(ToQFont(font)));
      last = cache.size() - 1;
    }
  }
  return fn(*cache[last].second);
}

}  // namespace

TSize TextExtent(const TFont& font, std::string_view text) {
  if (text.empty()) return {0, 0};
  EnsureGuiApplication();
  return WithMeasureEntry(font, [&](MeasureEntry& e) {
    const TSize size{0, e.Ascent + e.Descent};
    if (const double sum = e.SumOfAdvances(text); sum >= 0)
      return TSize{static_cast<int>(RoundHalfEven(sum)), size.cy};
    const std::string key(text);
    auto it = e.Widths.find(key);
    if (it == e.Widths.end()) {
      if (e.Widths.size() >= 8192) e.Widths.clear();
      const auto width = static_cast<int>(RoundHalfEven(e.MetricsF.horizontalAdvance(AnsiToQString(text))));
      it = e.Widths.emplace(key, width).first;
    }
    return TSize{it->second, size.cy};
  });
}

int FontAscent(const TFont& font) {
  EnsureGuiApplication();
  return WithMeasureEntry(font, [](MeasureEntry& e) { return e.Ascent; });
}

TTextDecorationLines TextDecorationLines(const TFont& font) {
  const QFontMetricsF m(ToQFont(font));
  const double baseline = FontAscent(font);
  const double thickness = std::max(1.0, m.lineWidth());
  TTextDecorationLines lines;
  lines.Thickness = static_cast<int>(RoundHalfEven(thickness));
  lines.UnderlineTop = static_cast<int>(RoundHalfEven(baseline + m.underlinePos() - thickness / 2));
  lines.StrikeOutTop = static_cast<int>(RoundHalfEven(baseline - m.strikeOutPos() - thickness / 2));
  return lines;
}

namespace {

int ReadI16(const QByteArray& t, int offset) {
  if (offset + 2 > t.size()) return 0;
  return static_cast<std::int16_t>((static_cast<std::uint8_t>(t[offset]) << 8) |
                                   static_cast<std::uint8_t>(t[offset + 1]));
}

std::uint32_t ReadU32(const QByteArray& t, int offset) {
  if (offset + 4 > t.size()) return 0;
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(t[offset + i]);
  return v;
}

}  // namespace

TFontMetricsInfo GetFontMetrics(const TFont& font) {
  EnsureGuiApplication();
  TFontMetricsInfo info;
  const Substitute sub = Resolve(font.Name);
  info.FamilyName = sub.Family;
  info.Italic = font.Style.Has(TFontStyle::fsItalic);
  info.Charset = font.Charset == SYMBOL_CHARSET ? SYMBOL_CHARSET : ANSI_CHARSET;

  QFont qf = ToQFont(font);
  qf.setPixelSize(1000);
  const QRawFont raw = QRawFont::fromFont(qf);
  if (!raw.isValid()) {
    info.Outline = false;
    return info;
  }
  const double toEm = 1000.0 / raw.unitsPerEm();
  auto round = [](double v) { return static_cast<int>(RoundHalfEven(v)); };

  for (int c = 32; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const QString s = AnsiToQString(std::string_view(&ch, 1));
    const QList<quint32> glyphs = raw.glyphIndexesForString(s);
    if (glyphs.isEmpty()) continue;
    const QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    double w = 0;
    for (const QPointF& p : adv) w += p.x();
    info.Widths[c] = round(w);
  }
  info.Ascent = round(raw.ascent());
  info.Descent = round(raw.descent());
  info.AvgWidth = round(raw.averageCharWidth());
  info.MaxWidth = round(raw.maxCharWidth());
  info.CapHeight = round(raw.capHeight());

  const QByteArray head = raw.fontTable("head");
  info.BBoxLeft = round(ReadI16(head, 36) * toEm);
  info.BBoxBottom = round(ReadI16(head, 38) * toEm);
  info.BBoxRight = round(ReadI16(head, 40) * toEm);
  info.BBoxTop = round(ReadI16(head, 42) * toEm);

  const QByteArray post = raw.fontTable("post");
  const auto italicFixed = static_cast<std::int32_t>(ReadU32(post, 4));
  info.ItalicAngle = round(italicFixed / 65536.0);
  if (info.Italic && info.ItalicAngle == 0) info.ItalicAngle = -12;  // a slanted upright face
  info.UnderscorePosition = round(ReadI16(post, 8) * toEm);
  info.UnderscoreSize = round(ReadI16(post, 10) * toEm);
  info.FixedPitch = ReadU32(post, 12) != 0 || QFontInfo(qf).fixedPitch();

  const QByteArray os2 = raw.fontTable("OS/2");
  if (os2.size() >= 42) {
    info.StrikeoutSize = round(ReadI16(os2, 26) * toEm);
    info.StrikeoutPosition = round(ReadI16(os2, 28) * toEm);
  } else {
    const QFontMetricsF fm(qf);
    info.StrikeoutSize = round(fm.lineWidth());
    info.StrikeoutPosition = round(fm.strikeOutPos());
  }
  if (info.UnderscoreSize == 0) {
    const QFontMetricsF fm(qf);
    info.UnderscoreSize = round(fm.lineWidth());
    info.UnderscorePosition = -round(fm.underlinePos());
  }

  // Family from the PANOSE serif style when the font has one, else from its name.
  std::uint8_t family = 0x20;  // swiss
  const int serifStyle = os2.size() >= 34 ? static_cast<std::uint8_t>(os2[33]) : 0;
  if (info.FixedPitch) family = 0x30;
  else if (serifStyle >= 2 && serifStyle <= 10) family = 0x10;
  else if (serifStyle == 0 && Lower(sub.Family).find("serif") != std::string::npos &&
           Lower(sub.Family).find("sans") == std::string::npos)
    family = 0x10;
  info.PitchAndFamily = static_cast<std::uint8_t>(family | 0x04 | 0x02 | (info.FixedPitch ? 0 : 0x01));
  return info;
}

}  // namespace oxqr
