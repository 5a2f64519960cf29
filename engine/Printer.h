#pragma once
// TQRPrinter: the device a report prints on and its page store. The preview printer
// keeps every rendered page as a page metafile in screen pixels (96 per inch).
#include <memory>
#include <string>
#include <vector>

#include "EngineTypes.h"
#include "platform/Metafile.h"

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
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Starts a new page of paper size and makes it the page being printed.
  void NewPage();
  // The canvas of the page being printed (records into its metafile).
  TCanvas& Canvas();
  int CurrentPage() const { return currentPage_; }
  void SetCurrentPage(int n);
  // The picture of CurrentPage; nullptr when CurrentPage is outside the stored pages.
  const TMetafile* PageMetafile() const;
  const TMetafile* Page(int n) const;  // 1-based; nullptr outside
  // The page being printed (the last one NewPage started), nullptr before the first;
  // lets the engine put a band's background under controls already recorded.
  TMetafile* PrintingPage();
  void Clear();

  // The engine's prepared-report file (.QRP): title, paper and every stored page.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s);  // throws EInvalidData
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);

 private:
  double xFactor_;
  double yFactor_;
  std::vector<std::shared_ptr<TMetafile>> pages_;
  int currentPage_ = 0;
  std::unique_ptr<TMetafileCanvas> canvas_;
};

}  // namespace oxqr
