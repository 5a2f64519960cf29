// The default line breaker of rich text: the plain text of an RTF document, one line per
// paragraph. It knows nothing about fonts or widths; the rich text layer replaces it with
// its real layout (TOxQRDocumentFilter::RichTextLineBreaker).
#include <cctype>
#include <string>
#include <vector>

#include "DocumentFilter.h"

namespace oxqr {

namespace {

// Destinations whose text is never shown.
bool SkippedDestination(const std::string& word) {
  static const char* const names[] = {"fonttbl", "colortbl", "stylesheet", "info",   "pict",
                                      "object",  "header",   "footer",     "listtable", "listoverridetable"};
  for (const char* n : names)
    if (word == n) return true;
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> PlainTextLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') lines.emplace_back();
    else lines.back() += c;
  }
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

std::vector<std::string> TOxQRDocumentFilter::PlainRichTextLines(TStream& rtf, int /*widthPx*/, int /*heightPx*/) {
  const std::string src = rtf.ReadAll();
  if (src.rfind("{\\rtf", 0) != 0) return PlainTextLines(src);

  std::vector<std::string> lines(1);
  // Per group: whether its text is skipped and how many characters follow a \u.
  struct Group {
    bool skip = false;
    int uc = 1;
  };
  std::vector<Group> stack{Group{}};
  bool groupStart = false;  // the next control word is the first of its group
  int pendingSkip = 0;      // fallback characters still to drop after a \u
  auto put = [&](char c) {
    if (pendingSkip > 0) {
      --pendingSkip;
      return;
    }
    if (!stack.back().skip) lines.back() += c;
  };

  for (std::size_t i = 0; i < src.size();) {
    const char c = src[i];
    if (c == '{') {
      stack.push_back(stack.back());
      groupStart = true;
      ++i;
      continue;
    }
    if (c == '}') {
      if (stack.size() > 1) stack.pop_back();
      groupStart = false;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      put(c);
      groupStart = false;
      ++i;
      continue;
    }
    // A control symbol or control word.
    ++i;
    if (i >= src.size()) break;
    const char s = src[i];
    if (s == '\\' || s == '{' || s == '}') {
      put(s);
      ++i;
    } else if (s == '\'') {
      const int hi = i + 1 < src.size() ? HexValue(src[i + 1]) : -1;
      const int lo = i + 2 < src.size() ? HexValue(src[i + 2]) : -1;
      if (hi >= 0 && lo >= 0) put(static_cast<char>(hi * 16 + lo));
      i += 3;
    } else if (s == '*') {
      if (groupStart) stack.back().skip = true;  // {\* ...}: an ignorable destination
      ++i;
    } else if (s == '~') {
      put(' ');
      ++i;
    } else if (std::isalpha(static_cast<unsigned char>(s))) {
      std::string word;
      while (i < src.size() && std::isalpha(static_cast<unsigned char>(src[i]))) word += src[i++];
      std::string num;
      if (i < src.size() && (src[i] == '-' || std::isdigit(static_cast<unsigned char>(src[i])))) {
        num += src[i++];
        while (i < src.size() && std::isdigit(static_cast<unsigned char>(src[i]))) num += src[i++];
      }
      if (i < src.size() && src[i] == ' ') ++i;  // the delimiter belongs to the word
      const int value = num.empty() || num == "-" ? 0 : std::stoi(num);
      if (groupStart && SkippedDestination(word)) stack.back().skip = true;
      if (word == "par" || word == "line") {
        if (!stack.back().skip) lines.emplace_back();
      } else if (word == "tab") {
        put('\t');
      } else if (word == "uc") {
        stack.back().uc = value;
      } else if (word == "u") {
        const int code = value < 0 ? value + 65536 : value;
        put(code < 256 ? static_cast<char>(code) : '?');
        pendingSkip = stack.back().uc;
      }
    } else {
      ++i;  // other control symbols (\-, \_, \|, \:) show nothing here
    }
    groupStart = false;
  }
  // A rich text ends with a paragraph mark that starts no further line.
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

TOxQRDocumentFilter::TRichTextLineBreaker TOxQRDocumentFilter::RichTextLineBreaker = &TOxQRDocumentFilter::PlainRichTextLines;

}  // namespace oxqr
