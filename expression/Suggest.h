#pragma once
// "did you mean" for a misspelt name: the closest candidate by edit distance (a swap of
// two neighbours counts as one edit, case is ignored), when it is close enough.
#include <string>
#include <string_view>
#include <vector>

namespace oxqr::expr {

// The closest of `candidates` to `name`, or empty when none is within a third of its length
// (at least one edit).
std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates);
// "; did you mean 'Company'?" or empty.
std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace oxqr::expr
