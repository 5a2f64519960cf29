#pragma once
// Errors of the service as problem details (application/problem+json): a title per kind of
// fault, the status, and a detail with the same message and position the command line
// gives; extension members (pointer, line, column) where the fault has them.
#include <string>

#include <nlohmann/json.hpp>

namespace oxqr::serve {

inline nlohmann::json Problem(int status, const std::string& title, const std::string& detail = {}) {
  nlohmann::json p{{"type", "about:blank"}, {"title", title}, {"status", status}};
  if (!detail.empty()) p["detail"] = detail;
  return p;
}

inline constexpr const char* kProblemType = "application/problem+json";

}  // namespace oxqr::serve
