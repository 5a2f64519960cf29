#include "PageNumbers.h"

namespace oxqr {

void TQRPageNumbers::PageStarted(bool restart) {
  const int page = Pages() + 1;
  sectionStart_.push_back(restart || sectionStart_.empty() ? page : sectionStart_.back());
}

void TQRPageNumbers::RestartAtCurrentPage() {
  if (!sectionStart_.empty()) sectionStart_.back() = Pages();
}

int TQRPageNumbers::NumberOf(int page) const {
  if (page < 1 || page > Pages()) return 0;
  return page - sectionStart_[static_cast<std::size_t>(page - 1)] + 1;
}

int TQRPageNumbers::CountOf(int page) const {
  if (page < 1 || page > Pages()) return 0;
  const int start = sectionStart_[static_cast<std::size_t>(page - 1)];
  int last = page;
  while (last < Pages() && sectionStart_[static_cast<std::size_t>(last)] == start) ++last;
  return last - start + 1;
}

}  // namespace oxqr
