#pragma once
// TQRPrinter: the device a report prints on and its page store. The preview printer
// keeps every rendered page as a page metafile in screen pixels (96 per inch): the page
// being printed as it is recorded, finished pages packed in a TMetafileStore, which
// moves pages to a temporary file once they pass PageMemoryBudget.
#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "EngineTypes.h"
#include "platform/Metafile.h"
#include "platform/MetafileStore.h"

namespace oxqr {

class TStream;

class TQRPrinter {
 public:
  TQRPrinter();
  ~TQRPrinter();

  // Device pixels per Native unit (96 / 254 for the screen).
  double HorizontalFactor() const { return xFactor_; }
  double VerticalFactor() const { return yFactor_; }
  // (v - waste) x factor, rounded to the nearest integer (wastes are 0 here).
  int ToDeviceX(double x) const;
  int ToDeviceY(double y) const;
  int ToDeviceWidth(double w) const;
  int ToDeviceHeight(double h) const;

  std::string Title;
  TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;
  double PaperWidth = 2100;   // Native
  double PaperLength = 2970;  // Native

  // Page store.
  int PageCount() const { return store_.Count() + droppedPages_ + (printing_ ? 1 : 0); }
  // Off for a run whose pages nobody reads again (an export's own run: its filter gets the
  // page through its calls): finished pages are then counted and dropped instead of packed
  // into the store, and Page() gives nullptr for them. Set before the first page.
  bool KeepsPages() const { return keepsPages_; }
  void SetKeepsPages(bool keep) { keepsPages_ = keep; }
  // Bytes of finished pages the printer may keep in memory before further pages go to a
  // temporary file (removed by Clear and by the destructor); 0 keeps every page in memory.
  // Applies to pages finished after it is set.
  std::size_t PageMemoryBudget() const { return store_.MemoryBudget(); }
  void SetPageMemoryBudget(std::size_t bytes) { store_.SetMemoryBudget(bytes); }
  // Bytes the page store holds in memory, and how many pages are in the temporary file.
  std::size_t PageStoreBytes() const;
  int PagesOnDisk() const { return store_.PagesOnDisk(); }
  // Starts a new page of paper size and makes it the page being printed; the previous
  // page is packed into the store (throws EFileError when the temporary file fails).
  void NewPage();
  // The canvas of the page being printed (records into its metafile).
  TCanvas& Canvas();
  int CurrentPage() const { return currentPage_; }
  void SetCurrentPage(int n);
  // The picture of CurrentPage; nullptr when CurrentPage is outside the stored pages.
  // The picture stays valid until a few other pages have been read (pages are unpacked
  // on demand into a small cache) or the store changes.
  const TMetafile* PageMetafile() const;
  const TMetafile* Page(int n) const;  // 1-based; nullptr outside
  // The page being printed (the last one NewPage started), nullptr before the first;
  // lets the engine put a band's background under controls already recorded.
  TMetafile* PrintingPage();
  // Puts `page` in place of stored page `n` (1-based; the page being printed included), for
  // values filled in after the run. Throws std::out_of_range outside the counted pages; a
  // dropped page is left as it was.
  void ReplacePage(int n, const TMetafile& page);
  void Clear();

  // The engine's prepared-report file (.QRP): title, paper and every stored page.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s);  // throws EInvalidData
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);

 private:
  double xFactor_;
  double yFactor_;
  // Pages unpacked from the store, the most recently read first.
  struct TCachedPage {
    int Number = 0;
    std::unique_ptr<TMetafile> Page;
  };

  TMetafileStore store_;
  std::unique_ptr<TMetafile> printing_;  // the last page, still being recorded
  mutable std::array<TCachedPage, 4> cache_;
  int currentPage_ = 0;
  int droppedPages_ = 0;  // finished pages counted but not kept (KeepsPages off)
  bool keepsPages_ = true;
  std::unique_ptr<TMetafileCanvas> canvas_;
};

}  // namespace oxqr
