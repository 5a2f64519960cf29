#include "VisibleText.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

// Byte offsets where characters start, and the text's end.
std::vector<std::size_t> CharacterBounds(const std::string& text) {
  const bool utf8 = AnsiCodePage() == 65001;
  std::vector<std::size_t> bounds;
  bounds.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!utf8 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) bounds.push_back(i);
  bounds.push_back(text.size());
  return bounds;
}

}  // namespace

TVisibleSpan VisibleSpan(const TFont& font, const std::string& text, int left, TPixelSpan paper, TPixelSpan clip) {
  const std::vector<std::size_t> bounds = CharacterBounds(text);
  const std::size_t n = bounds.size() - 1;  // characters
  // Pixel where character k starts (k == n: where the text ends); prefixes grow with k.
  auto at = [&](std::size_t k) { return left + TextExtent(font, text.substr(0, bounds[k])).cx; };
  // Whether character k shows, seen from the left edge (every later one then does as well)...
  auto showsFromLeft = [&](std::size_t k) {
    return k == n || (at(k) >= paper.Left && at(k) + at(k + 1) >= 2 * clip.Left);
  };
  // ... and from the right edge (every earlier one then does as well).
  auto showsFromRight = [&](std::size_t k) { return at(k + 1) <= paper.Right && at(k) + at(k + 1) <= 2 * clip.Right; };

  std::size_t lo = 0, hi = n;  // first character shown
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (showsFromLeft(mid)) hi = mid; else lo = mid + 1;
  }
  const std::size_t first = lo;
  lo = first;  // end: one past the last character shown
  hi = n;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (showsFromRight(mid - 1)) lo = mid; else hi = mid - 1;
  }
  const std::size_t end = lo;

  TVisibleSpan span;
  span.Cut = first > 0 || end < n;
  span.First = bounds[first];
  span.Count = bounds[end] - bounds[first];
  span.Left = at(first);
  span.Width = span.Count == 0 ? 0 : TextExtent(font, text.substr(span.First, span.Count)).cx;
  return span;
}

}  // namespace oxqr
