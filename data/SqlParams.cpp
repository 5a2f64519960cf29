#include "data/SqlParams.h"

#include <cctype>

#include "data/CellDataSet.h"

namespace oxqr {

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The end of the quoted or commented stretch starting at `i`, or `i` when none starts there.
std::size_t SkipQuoted(const std::string& s, std::size_t i) {
  const char c = s[i];
  if (c == '\'' || c == '"' || c == '`') {
    std::size_t j = i + 1;
    while (j < s.size()) {
      if (s[j] == c) {
        if (j + 1 < s.size() && s[j + 1] == c) {
          j += 2;  // doubled quote inside
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return s.size();
  }
  if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
    const auto end = s.find('\n', i);
    return end == std::string::npos ? s.size() : end;
  }
  if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
    const auto end = s.find("*/", i + 2);
    return end == std::string::npos ? s.size() : end + 2;
  }
  if (c == '$' && (i == 0 || !IsNameChar(s[i - 1]))) {  // $tag$ ... $tag$
    std::size_t j = i + 1;
    while (j < s.size() && IsNameChar(s[j]) && !std::isdigit(static_cast<unsigned char>(s[i + 1]))) ++j;
    if (j < s.size() && s[j] == '$') {
      const std::string tag = s.substr(i, j - i + 1);
      const auto end = s.find(tag, j + 1);
      return end == std::string::npos ? s.size() : end + tag.size();
    }
  }
  return i;
}

}  // namespace

TNamedParamSql RewriteNamedParams(const std::string& sql, const std::function<std::string(std::size_t)>& placeholder) {
  TNamedParamSql out;
  std::size_t i = 0;
  while (i < sql.size()) {
    const std::size_t skipped = SkipQuoted(sql, i);
    if (skipped != i) {
      out.Sql.append(sql, i, skipped - i);
      i = skipped;
      continue;
    }
    const char c = sql[i];
    if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
      out.Sql += "::";
      i += 2;
      continue;
    }
    if (c == ':' && i + 1 < sql.size() && IsNameStart(sql[i + 1]) && (i == 0 || !IsNameChar(sql[i - 1]))) {
      std::size_t j = i + 1;
      while (j < sql.size() && IsNameChar(sql[j])) ++j;
      const std::string name = sql.substr(i + 1, j - i - 1);
      std::size_t n = 0;
      while (n < out.Names.size() && !SameName(out.Names[n], name)) ++n;
      if (n == out.Names.size()) out.Names.push_back(name);
      out.Sql += placeholder(n + 1);
      i = j;
      continue;
    }
    out.Sql += c;
    ++i;
  }
  return out;
}

int LineOfOffset(const std::string& text, long offset) {
  int line = 1;
  for (long i = 0; i < offset && i < static_cast<long>(text.size()); ++i)
    if (text[static_cast<std::size_t>(i)] == '\n') ++line;
  return line;
}

}  // namespace oxqr
