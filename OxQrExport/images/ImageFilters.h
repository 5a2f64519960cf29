#pragma once
// The page image filters: each closed page of an export run is taken whole from the
// SourcePrinter and written to a file of its own — a GIF, JPEG or BMP picture of the
// page, or an EMF / placeable WMF metafile of its records. Text sent through WriteText
// is ignored; the files show exactly what the preview shows.
#include <string>

#include "OxQrExport/core/ExportFilterBase.h"
#include "platform/Types.h"

namespace oxqr {

// Base of the five page image filters: names one file per page after BaseName.
class TOxQRImageFilter : public TOxQRExportFilter {
 public:
  using TOxQRExportFilter::TOxQRExportFilter;

  // Cuts Extension().size() + 1 characters off FileName to form BaseName and clears
  // CreatedReportFiles.
  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  // Names the page file (PageFileName, OnMakeRepFileName), deletes an existing file of
  // that name and records the name; a file that cannot be deleted aborts the job.
  void BeginPage() override;

  // Full path of the current page's file.
  const std::string& PageFile() const { return pageFile_; }

 protected:
  // True when ClosePage has a page to write: a page is open and the report is attached.
  bool HasPageToWrite() const;
  // Page width and length read in the report's current units (pixels while a page is
  // rendered), rounded half to even.
  TSize PagePixelSize() const;
  // Makes page PageNumber the SourcePrinter's current page and plays it at (0, 0).
  void DrawSourcePage(TCanvas& canvas) const;
  // A bitmap with the pixel format set before it gets a size.
  std::unique_ptr<TBitmap> NewPageBitmap(TPixelFormat pf) const;
  // Sizes `bitmap` to the page, draws the page and applies the monochrome switch.
  void RenderPage(TBitmap& bitmap, bool monochrome) const;
  // Fires OnCreateBitmap; false when the handler asked that nothing more be written.
  bool FireCreateBitmap(TBitmap& bitmap, TStream& fileStream);

 private:
  std::string pageFile_;
};

// A page picture written as GIF89a data (palette quantised by the platform encoder).
class TOxQRGIFFilter final : public TOxQRImageFilter {
 public:
  using TOxQRImageFilter::TOxQRImageFilter;
  std::string Extension() const override { return "gif"; }
  std::string DisplayName() const override;
  void ClosePage() override;
};

// A page picture written as JPEG with the JPEG settings' quality and progressive mode.
class TOxQRJPEGFilter final : public TOxQRImageFilter {
 public:
  using TOxQRImageFilter::TOxQRImageFilter;
  std::string Extension() const override { return "jpg"; }
  std::string DisplayName() const override;
  void ClosePage() override;
};

// A page picture written as a Windows bitmap file in the BMP settings' pixel format.
class TOxQRBMPFilter final : public TOxQRImageFilter {
 public:
  using TOxQRImageFilter::TOxQRImageFilter;
  std::string Extension() const override { return "bmp"; }
  std::string DisplayName() const override;
  void ClosePage() override;
};

// A page replayed into a metafile: enhanced (EMF) or placeable Windows (WMF).
class TOxQRMetafileFilter : public TOxQRImageFilter {
 public:
  using TOxQRImageFilter::TOxQRImageFilter;
  // Records the page (after a white fill when FillUnusedArea is set) and saves it, also
  // when drawing the page fails; the failure then travels on after the save.
  void ClosePage() override;

  bool EnhancedFormat = true;
};

class TOxQREMFFilter final : public TOxQRMetafileFilter {
 public:
  using TOxQRMetafileFilter::TOxQRMetafileFilter;
  std::string Extension() const override { return "emf"; }
  std::string DisplayName() const override;
  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
};

class TOxQRWMFFilter final : public TOxQRMetafileFilter {
 public:
  using TOxQRMetafileFilter::TOxQRMetafileFilter;
  std::string Extension() const override { return "wmf"; }
  std::string DisplayName() const override;
  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
};

}  // namespace oxqr
