#pragma once
// A fault of an expression: where it is (byte offset and length in the expression's text)
// and what is wrong and what was expected. A definition's loader adds the file, line and
// column.
#include <cstddef>
#include <string>
#include <vector>

namespace oxqr::expr {

struct TFault {
  std::size_t Offset = 0;
  std::size_t Length = 1;
  std::string Message;
};

using TFaults = std::vector<TFault>;

// Bounds on what an expression may be: it comes from an untrusted file.
inline constexpr std::size_t kMaxExpressionBytes = 16 * 1024;
inline constexpr int kMaxNesting = 64;
// Levels of the tree, also those of a long chain (1 + 1 + ... + 1): evaluation recurses.
inline constexpr int kMaxDepth = 256;
inline constexpr std::size_t kMaxNodes = 4096;
// Faults kept per expression (a definition keeps its own count).
inline constexpr std::size_t kMaxFaults = 20;

}  // namespace oxqr::expr
