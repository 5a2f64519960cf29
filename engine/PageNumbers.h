#pragma once
// Page numbers as a report prints them: the pages of a run fall into sections, each
// numbered from 1 ({page}) with its own page count ({pages}). A report without groups
// that restart the numbering has one section: the page number is the printer's page.
#include <vector>

namespace oxqr {

class TQRPageNumbers {
 public:
  // Forgets the pages of an earlier run.
  void Clear() { sectionStart_.clear(); }
  // A page was added to the run; `restart` begins a new section with it.
  void PageStarted(bool restart);
  // Makes the current page the first of a new section (a group that restarts the numbering
  // on the page it starts on).
  void RestartAtCurrentPage();
  // Pages of the run so far.
  int Pages() const { return static_cast<int>(sectionStart_.size()); }
  // The number `page` (1-based, counted over the run) prints; 0 for a page not in the run.
  int NumberOf(int page) const;
  // The page count of the section holding `page` (as far as the run has gone); 0 for a
  // page not in the run.
  int CountOf(int page) const;
  // The number of the last page started (0 before the first).
  int Current() const { return NumberOf(Pages()); }

 private:
  std::vector<int> sectionStart_;  // per page: the first page of its section
};

}  // namespace oxqr
