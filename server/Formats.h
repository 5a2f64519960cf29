#pragma once
// The formats the service answers with: the extension a request names, the media type of the
// answer. Formats that write a file per page (page pictures) are not offered: an answer is
// one file.
#include <array>
#include <string_view>

namespace oxqr::serve {

struct TFormat {
  std::string_view Extension;
  std::string_view MediaType;
};

inline constexpr std::array<TFormat, 7> kFormats{{
    {"pdf", "application/pdf"},
    {"htm", "text/html"},
    {"rtf", "application/rtf"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"csv", "text/csv"},
    {"txt", "text/plain"},
}};

inline const TFormat* FindFormat(std::string_view ext) {
  if (ext == "html") ext = "htm";
  for (const auto& f : kFormats)
    if (f.Extension == ext) return &f;
  return nullptr;
}

}  // namespace oxqr::serve
