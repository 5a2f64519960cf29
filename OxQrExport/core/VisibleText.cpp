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

TVisibleSpan VisibleSpan(const TFont& font, const std::string& text, int left, int clipLeft, int clipRight) {
  const int width = TextExtent(font, text).cx;
  TVisibleSpan span{0, text.size(), left, width, false};
  if (left >= clipLeft && left + width <= clipRight) return span;

  // Prefix widths grow with the prefix: binary searches over the character bounds.
  const std::vector<std::size_t> bounds = CharacterBounds(text);
  auto prefix = [&](std::size_t b) { return TextExtent(font, text.substr(0, bounds[b])).cx; };
  // First character that starts at or after clipLeft.
  std::size_t lo = 0, hi = bounds.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (left + prefix(mid) >= clipLeft) hi = mid; else lo = mid + 1;
  }
  const std::size_t first = lo;
  // Last bound (end of the characters shown) that ends at or before clipRight.
  lo = first;
  hi = bounds.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (left + prefix(mid) <= clipRight) lo = mid; else hi = mid - 1;
  }
  const std::size_t last = lo;
  span.First = bounds[first];
  span.Count = bounds[last] - bounds[first];
  span.Left = left + prefix(first);
  span.Width = span.Count == 0 ? 0 : TextExtent(font, text.substr(span.First, span.Count)).cx;
  span.Cut = true;
  return span;
}

}  // namespace oxqr
