#pragma once
// One start tag of a definition being read: its attributes, read by name and type with
// the allowed range, and the position of each for messages. An attribute the reader never
// asked for is one the element does not have (Finish reports it).
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <QString>
#include <QXmlStreamAttributes>

#include "definition/DefinitionError.h"
#include "definition/OxrValues.h"
#include "platform/Font.h"

class QXmlStreamReader;

namespace oxqr::oxr {

// The text being read, for turning character offsets into lines and columns.
struct TSourceText {
  std::string FileName;  // as messages show it
  QString Text;
  [[noreturn]] void FailAtOffset(qint64 offset, const std::string& message) const;
  // The fault at `offset` with its line, for a listing of several.
  TDefinitionFault FaultAt(qint64 offset, int width, const std::string& message) const;
  // Where byte `byte` of an attribute's value (as read, report text) is in the file, the
  // value starting at `valueStart`: entity references (&lt;, &amp;) count as one character.
  qint64 ValueCharOffset(qint64 valueStart, std::size_t byte) const;
};

class TElement {
 public:
  TElement(const TSourceText& source, const QXmlStreamReader& xml);

  const std::string& Name() const { return name_; }
  [[noreturn]] void Fail(const std::string& message) const;
  [[noreturn]] void FailAt(std::string_view attribute, const std::string& message) const;

  // The attribute's text as written (UTF-8), or nothing when it is absent.
  std::optional<std::string> Raw(std::string_view attribute);
  // The attribute as report text (the code page of report strings).
  std::string Text(std::string_view attribute, const std::string& fallback = {});
  std::string Required(std::string_view attribute);
  // A length in millimetres within [min, max] mm, returned in millimetres.
  double Length(std::string_view attribute, double fallback, double min, double max);
  int Integer(std::string_view attribute, int fallback, int min, int max);
  bool Bool(std::string_view attribute, bool fallback);
  TColor Color(std::string_view attribute, TColor fallback);
  template <class E>
  E Enum(std::string_view attribute, const TNameTable<E>& table, E fallback) {
    const auto raw = Raw(attribute);
    if (!raw) return fallback;
    if (auto v = FindName(table, *raw)) return *v;
    FailAt(attribute, "'" + *raw + "' is not a " + std::string(attribute) + " (one of: " + NameList(table) + ")");
  }
  // prefix, prefix + "Size", prefix + "Style", prefix + "Color" ("font", "fontSize", ...).
  TFont Font(const std::string& prefix, TFont fallback);
  // frame, frameColor, frameWidth, frameStyle.
  TQRFrame Frame(TQRFrame fallback);

  // Fails at the first attribute that was never asked for.
  void Finish() const;

  // Where the attribute's name starts (the tag's start when it is absent), for messages
  // given once more of the file has been read.
  qint64 AttributeOffset(std::string_view attribute) const;
  qint64 StartOffset() const { return start_; }
  // Where the attribute's value starts (after its quote).
  qint64 ValueOffset(std::string_view attribute) const;

 private:
  const TSourceText& source_;
  std::string name_;
  QXmlStreamAttributes attributes_;
  qint64 start_ = 0;  // offset of '<'
  qint64 end_ = 0;    // offset after the start tag
  std::set<std::string, std::less<>> asked_;
};

}  // namespace oxqr::oxr
