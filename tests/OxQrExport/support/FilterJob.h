#pragma once
// Drives a filter through one job as the engine's export run does: StartJob, the engine's
// ClosePage before page 1, then OpenPage / page k / ClosePage for each page, and FinishJob.
#include <functional>

#include "engine/ExportFilter.h"
#include "engine/Printer.h"
#include "platform/Font.h"

namespace oxqr::testing {

inline void RunFilterJob(TQRExportFilter& filter, TQRPrinter& printer, int pages,
                         const std::function<void(int)>& page, const TFont& font = TFont(), int width = 2100,
                         int height = 2970) {
  filter.SourcePrinter = &printer;
  filter.StartJob(width, height, font);
  filter.ClosePage();
  for (int k = 1; k <= pages; ++k) {
    filter.OpenPage();
    if (page) page(k);
    filter.ClosePage();
  }
  filter.FinishJob();
}

}  // namespace oxqr::testing
