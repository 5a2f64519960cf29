// The options of a group header band: repeated headers and the page breaks before groups.
#include "definition/DefinitionBuilder.h"

namespace oxqr {

using oxr::TElement;

namespace {
// More records than any page holds: a bound for the value, not a judgement of it.
constexpr int kMaxOrphanLines = 10000;
}  // namespace

void TDefinitionBuilder::ReadGroupOptions(TElement& e, TQRGroup& group) {
  group.RepeatHeader = e.Bool("repeatHeader", group.RepeatHeader);
  group.KeepTogether = e.Bool("keepTogether", group.KeepTogether);
  group.NewPage = e.Bool("newPage", group.NewPage);
  group.ResetPageNumber = e.Bool("resetPageNumber", group.ResetPageNumber);
  // keepWithNext keeps the header with its first record; orphanLines with that many.
  const bool keepWithNext = e.Bool("keepWithNext", false);
  if (e.Raw("orphanLines")) {
    if (e.Raw("keepWithNext") && !keepWithNext)
      e.FailAt("orphanLines", "orphanLines keeps the header with its first records, which keepWithNext=\"false\" "
                              "forbids");
    group.OrphanLines = e.Integer("orphanLines", 1, 1, kMaxOrphanLines);
  } else if (keepWithNext) {
    group.OrphanLines = 1;
  }
}

}  // namespace oxqr
