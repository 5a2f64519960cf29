#include "BurstNames.h"

#include <QString>
#include <array>
#include <filesystem>

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

namespace {

std::string TrimEndOfPart(std::string part) {
  while (!part.empty() && (part.back() == ' ' || part.back() == '.') && part != "." && part != "..") part.pop_back();
  return part;
}

bool IsDeviceName(const std::string& part) {
  // The name before its first dot, without the blanks such volumes drop, in upper case.
  std::string stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (const auto name : kPlain)
    if (stem == name) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

std::string PortableNameKey(const std::string& file) {
  std::string key;
  for (const auto& part : std::filesystem::path(file).lexically_normal()) {
    const std::string text = part.string();
    if (!key.empty() && key.back() != '/') key += '/';
    key += text == "/" ? text : QString::fromStdString(TrimEndOfPart(text)).toCaseFolded().toStdString();
  }
  return key;
}

std::string ReservedNamePart(const std::string& file) {
  for (const auto& part : std::filesystem::path(file))
    if (IsDeviceName(part.string())) return part.string();
  return {};
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
