#pragma once
// Small emitters of the RTF format, one piece of markup each, without filter state: text
// escaping, numbers, drawing-object rectangles and lines, and the metafile records that
// wrap an embedded Windows bitmap. Positions are twips.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace oxqr {

// Appends markup to a string piece by piece with inline copies: the string is given room
// ahead and cut to what was written when the writer goes. Boxes and lines are most of a
// report's markup and are made of dozens of short words and numbers each, where a call into
// the string class per piece costs more than the copying. One writer per string at a time.
class TRtfWriter {
 public:
  explicit TRtfWriter(std::string& out, std::size_t room = 512) : out_(out), used_(out.size()) { Grow(room); }
  ~TRtfWriter() { out_.resize(used_); }
  TRtfWriter(const TRtfWriter&) = delete;
  TRtfWriter& operator=(const TRtfWriter&) = delete;

  TRtfWriter& operator<<(std::string_view s) {
    if (out_.size() - used_ < s.size()) Grow(s.size());
    std::memcpy(out_.data() + used_, s.data(), s.size());
    used_ += s.size();
    return *this;
  }
  TRtfWriter& operator<<(char c) {
    if (out_.size() == used_) Grow(1);
    out_[used_++] = c;
    return *this;
  }
  // An integer in decimal.
  TRtfWriter& Int(long long value) {
    if (out_.size() - used_ < 24) Grow(24);
    used_ = static_cast<std::size_t>(std::to_chars(out_.data() + used_, out_.data() + out_.size(), value).ptr -
                                     out_.data());
    return *this;
  }
  // A number as the format writes it (see RtfNumber).
  TRtfWriter& Number(double value) { return Int(RoundHalfEven(value)); }

 private:
  void Grow(std::size_t more) { out_.resize(std::max(out_.size() * 2, used_ + more)); }
  std::string& out_;
  std::size_t used_;
};

// A number as the format writes it: rounded half to even, plain decimal digits.
std::string RtfNumber(double value);
// The same digits appended to `out`, without a string of their own (the markup is built
// piece by piece in one buffer, and numbers are most of its pieces).
void AppendRtfNumber(std::string& out, double value);
// An integer's decimal digits appended to `out`.
void AppendRtfInt(std::string& out, long long value);

// Text for the document: "\", "{" and "}" escaped, bytes above 127 and control characters
// as \'hh, so that the file is plain 7-bit text whatever code page a reader assumes. In the
// Unicode mode, UTF-8 characters above 127 are \uN? words.
std::string RtfEscapeText(std::string_view text);
// The same text appended to `out`.
void AppendRtfEscapedText(std::string& out, std::string_view text);

// Upper-case hex digits of `value`, padded to `digits`, byte pairs in little-endian order:
// HexLE(78, 8) = "4E000000".
std::string HexLE(unsigned long value, int digits);

// Bytes as two upper-case hex digits each, no separators.
std::string HexBytes(std::string_view bytes);

// The open head of a page-anchored drawing-object rectangle from (x1, y1) to (x2, y2); the
// caller adds the line and fill words and the closing brace.
std::string RtfRectObject(double x1, double y1, double x2, double y2);
void AppendRtfRectObject(TRtfWriter& out, double x1, double y1, double x2, double y2);

// The open head of a page-anchored drawing-object line from (x1, y1) to (x2, y2), solid,
// with `linePart` (colour and width words); the caller adds the closing brace.
std::string RtfLineObject(double x1, double y1, double x2, double y2, std::string_view linePart);
void AppendRtfLineObject(TRtfWriter& out, double x1, double y1, double x2, double y2, std::string_view linePart);

// The metafile header and records in front of the bitmap data: a bitmap record of `words`
// 16-bit words for a bitmap of width x height pixels. Ends with CR LF.
std::string MetafileWrapper(unsigned long words, int width, int height);

// The metafile's end record, written after the bitmap data.
inline constexpr std::string_view MetafileEndRecord = "030000000000";

}  // namespace oxqr
