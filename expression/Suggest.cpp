#include "expression/Suggest.h"

#include <algorithm>
#include <cctype>

namespace oxqr::expr {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Optimal string alignment distance.
std::size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) && Lower(a[i - 2]) == Lower(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates) {
  if (name.size() > 64) return {};
  const std::size_t limit = std::max<std::size_t>(1, name.size() / 3);
  std::string best;
  std::size_t bestDistance = limit + 1;
  for (const std::string& c : candidates) {
    if (c.size() > 64) continue;
    const std::size_t d = Distance(name, c);
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates) {
  const std::string best = ClosestName(name, candidates);
  return best.empty() ? std::string() : "; did you mean '" + best + "'?";
}

}  // namespace oxqr::expr
