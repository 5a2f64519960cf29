#include "WorkbookText.h"

#include <algorithm>
#include <cctype>

namespace oxqr {

namespace {

// Length of the UTF-8 sequence at `s` (1..4) when it is well formed, 0 otherwise.
std::size_t SequenceLength(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  unsigned min = 0;
  unsigned cp = 0;
  if ((c & 0xE0) == 0xC0) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  // Overlong forms, surrogates, values past U+10FFFF and the two non-characters XML refuses.
  if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF || cp == 0xFFFE || cp == 0xFFFF) return 0;
  return n;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The first `chars` characters of well-formed UTF-8 `s`.
std::string_view Prefix(std::string_view s, std::size_t chars) {
  std::size_t at = 0;
  for (std::size_t n = 0; n < chars && at < s.size(); ++n) at += std::max<std::size_t>(1, SequenceLength(s.substr(at)));
  return s.substr(0, std::min(at, s.size()));
}

}  // namespace

std::string WorkbookCellText(std::string_view utf8, TCellTextCounts& counts) {
  std::string out;
  out.reserve(std::min(utf8.size(), kMaxCellChars * 4));
  std::size_t chars = 0;
  std::size_t at = 0;
  while (at < utf8.size()) {
    if (chars == kMaxCellChars) {
      ++counts.Cut;
      break;
    }
    const std::size_t n = SequenceLength(utf8.substr(at));
    const auto c = static_cast<unsigned char>(utf8[at]);
    if (n == 0 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) {
      out += '?';
      ++counts.Replaced;
      at += 1;
    } else {
      out.append(utf8.substr(at, n));
      at += n;
    }
    ++chars;
  }
  return out;
}

std::string UniqueSheetName(std::string_view title, std::set<std::string>& taken) {
  std::string base;
  for (std::size_t at = 0; at < title.size();) {
    const std::size_t n = SequenceLength(title.substr(at));
    const char c = title[at];
    if (n == 0 || static_cast<unsigned char>(c) < 0x20 || std::string_view("[]:*?/\\").find(c) != std::string_view::npos) {
      at += std::max<std::size_t>(n, 1);
      continue;
    }
    base.append(title.substr(at, n));
    at += n;
  }
  const auto first = base.find_first_not_of('\'');
  base = first == std::string::npos ? std::string() : base.substr(first);
  while (!base.empty() && base.back() == '\'') base.pop_back();
  if (base.empty()) base = "Sheet";
  std::string name(Prefix(base, kMaxSheetNameChars));
  for (int suffix = 2; taken.count(Upper(name)) != 0; ++suffix) {
    const std::string tail = " " + std::to_string(suffix);
    name = std::string(Prefix(base, kMaxSheetNameChars - tail.size())) + tail;
  }
  // A cut may leave an apostrophe at the end, which a sheet name may not have.
  while (name.back() == '\'') name.back() = '_';
  taken.insert(Upper(name));
  return name;
}

}  // namespace oxqr
