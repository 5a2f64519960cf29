#include "RichDocument.h"

#include <algorithm>

namespace oxqr {

std::size_t TRichParagraph::Length() const {
  std::size_t n = 0;
  for (const auto& r : Runs) n += r.Text.size();
  return n;
}

std::string TRichParagraph::Text() const {
  std::string s;
  for (const auto& r : Runs) s += r.Text;
  return s;
}

void TRichParagraph::Append(std::string_view text, const TRichCharFormat& format) {
  if (text.empty()) return;
  if (!Runs.empty() && Runs.back().Format == format) {
    Runs.back().Text.append(text);
  } else {
    Runs.push_back(TRichRun{std::string(text), format});
  }
}

int TRichDocument::TextLength() const {
  if (Paragraphs.empty()) return 0;
  std::size_t n = Paragraphs.size() - 1;  // marks of all paragraphs but the last
  for (const auto& p : Paragraphs) n += p.Length();
  return static_cast<int>(n);
}

int TRichDocument::ParagraphStart(std::size_t index) const {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < index && i < Paragraphs.size(); ++i) pos += Paragraphs[i].Length() + 1;
  return static_cast<int>(pos);
}

TRichDocument::TLocation TRichDocument::Locate(int pos) const {
  if (Paragraphs.empty() || pos <= 0) return {};
  std::size_t rest = static_cast<std::size_t>(pos);
  for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
    const std::size_t len = Paragraphs[i].Length();
    if (rest <= len || i + 1 == Paragraphs.size()) return {i, std::min(rest, len)};
    rest -= len + 1;
  }
  return {};
}

namespace {

// Appends the characters [from, to) of `src` to `dst`, keeping the run formats.
void CopyChars(const TRichParagraph& src, std::size_t from, std::size_t to, TRichParagraph& dst) {
  std::size_t runStart = 0;
  for (const auto& run : src.Runs) {
    const std::size_t runEnd = runStart + run.Text.size();
    const std::size_t a = std::max(from, runStart);
    const std::size_t b = std::min(to, runEnd);
    if (a < b) dst.Append(std::string_view(run.Text).substr(a - runStart, b - a), run.Format);
    runStart = runEnd;
  }
}

// The character format in effect at offset `at` of a paragraph (the mark's for its end).
const TRichCharFormat& FormatAt(const TRichParagraph& p, std::size_t at) {
  std::size_t runStart = 0;
  for (const auto& run : p.Runs) {
    if (at < runStart + run.Text.size()) return run.Format;
    runStart += run.Text.size();
  }
  return p.MarkFormat;
}

}  // namespace

TRichDocument TRichDocument::Slice(int start, int end) const {
  TRichDocument out;
  const int length = TextLength();
  if (end < 0 || end > length) end = length;
  start = std::clamp(start, 0, length);
  if (Paragraphs.empty() || end <= start) {
    TRichParagraph empty;
    if (!Paragraphs.empty()) {
      const auto loc = Locate(start);
      empty.Format = Paragraphs[loc.Paragraph].Format;
      empty.MarkFormat = FormatAt(Paragraphs[loc.Paragraph], loc.Offset);
    }
    out.Paragraphs.push_back(std::move(empty));
    return out;
  }
  const auto first = Locate(start);
  const auto last = Locate(end);
  for (std::size_t i = first.Paragraph; i <= last.Paragraph; ++i) {
    const TRichParagraph& src = Paragraphs[i];
    TRichParagraph p;
    p.Format = src.Format;
    const std::size_t from = i == first.Paragraph ? first.Offset : 0;
    const std::size_t to = i == last.Paragraph ? last.Offset : src.Length();
    CopyChars(src, from, to, p);
    // A paragraph cut before its mark ends in the format of its last copied character.
    p.MarkFormat = (i == last.Paragraph && to < src.Length()) ? FormatAt(src, to > 0 ? to - 1 : 0)
                                                               : src.MarkFormat;
    out.Paragraphs.push_back(std::move(p));
  }
  return out;
}

std::string TRichDocument::PlainText(int start, int end) const {
  const TRichDocument part = Slice(start, end);
  std::string s;
  for (std::size_t i = 0; i < part.Paragraphs.size(); ++i) {
    if (i > 0) s += "\r\n";
    s += part.Paragraphs[i].Text();
  }
  return s;
}

TRichDocument DocumentFromLines(const std::vector<std::string>& lines, const TRichCharFormat& format,
                                const TRichParaFormat& para) {
  TRichDocument doc;
  for (const auto& line : lines) {
    TRichParagraph p;
    p.Format = para;
    p.MarkFormat = format;
    p.Append(line, format);
    doc.Paragraphs.push_back(std::move(p));
  }
  if (doc.Paragraphs.empty()) {
    TRichParagraph p;
    p.Format = para;
    p.MarkFormat = format;
    doc.Paragraphs.push_back(std::move(p));
  }
  return doc;
}

}  // namespace oxqr
