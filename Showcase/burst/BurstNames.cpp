#include "BurstNames.h"

namespace oxqr {

std::string FileNamePart(std::string_view utf8) {
  if (utf8.empty() || utf8 == "." || utf8 == "..") return "_";
  std::string out(utf8);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '_';
  }
  return out;
}

std::string ExpandNameTemplate(const std::string& pattern, const TFieldLookup& lookup) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if ((c == '{' || c == '}') && i + 1 < pattern.size() && pattern[i + 1] == c) {
      out += c;
      ++i;
      continue;
    }
    if (c == '}') throw EBurstError("name template: '}' at position " + std::to_string(i + 1) + " closes nothing");
    if (c != '{') {
      out += c;
      continue;
    }
    const std::size_t close = pattern.find('}', i + 1);
    if (close == std::string::npos)
      throw EBurstError("name template: '{' at position " + std::to_string(i + 1) + " is not closed");
    const std::string field = pattern.substr(i + 1, close - i - 1);
    const std::optional<std::string> value = lookup(field);
    if (!value) {
      throw EBurstError("name template: the master has no field \"" + field + "\" (position " +
                        std::to_string(i + 1) + ")");
    }
    out += FileNamePart(*value);
    i = close;
  }
  return out;
}

}  // namespace oxqr
