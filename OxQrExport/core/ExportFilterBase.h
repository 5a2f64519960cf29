#pragma once
// TOxQRExportFilter: the common base of the ten filters — page counting with the page
// events, the aborted state after an output file could not be created, per-page file
// names, picture files and control bitmaps, and the error report.
#include <functional>
#include <memory>
#include <string>

#include "Settings.h"
#include "engine/ExportFilter.h"
#include "platform/Bitmap.h"

namespace oxqr {

class EFileError;
class TQRPrintable;
class TQRShape;
class TMemoryStream;

// A rectangle by position and size (Native, or output units after MapRect).
struct TOxQrRect {
  double Left = 0;
  double Top = 0;
  double Width = 0;
  double Height = 0;
  friend bool operator==(const TOxQrRect&, const TOxQrRect&) = default;
};

// Reports `message` through OnErrorMessage when assigned, else the platform's error box
// (standard error in a program without widgets). `sender` may be nullptr.
void ReportError(TOxQRExportFilter* sender, const std::string& message);
// Replaces the platform's error box (a GUI program installs a modal message box).
void SetErrorBoxHandler(std::function<void(const std::string&)> handler);

class TOxQRExportFilter : public TQRExportFilter {
 public:
  using TQRExportFilter::TQRExportFilter;

  std::string Description() const override;  // "Enhanced, WYSIWYG Export Filters"
  std::string MakerText() const override;
  bool IsContinuous() const override { return false; }
  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  // Fires OnEndPage only while a page is open (never for the engine's close before page 1
  // or after Aborted), then the engine's ClosePage; ClosedPageNumber := PageNumber.
  void ClosePage() override;
  // Unless Aborted: PageNumber + 1, BeginPage, the engine's OpenPage.
  void OpenPage() override;
  // Fires OnBeginPage; formats override it to open their page output and call this first.
  virtual void BeginPage();

  bool Aborted() const { return aborted_; }
  int PageNumber() const { return pageNumber_; }
  int ClosedPageNumber() const { return closedPageNumber_; }
  // A page is open while PageNumber != 0, != ClosedPageNumber and not Aborted.
  bool PageOpen() const { return pageNumber_ != 0 && pageNumber_ != closedPageNumber_ && !aborted_; }
  const std::string& BaseName() const { return baseName_; }

  // "%s%.4d.%s": the file name part of BaseName, the page number, the extension.
  std::string PageFileName(int PageNo) const;
  // Writes a picture file Base + ".jpg"/".bmp"/".gif" and returns its full name in FileName.
  void SaveBitmapFile(const TBitmap& Bitmap, TOxImageFormat Format, std::string& FileName,
                      const std::string& Base, int Quality);
  std::unique_ptr<TMemoryStream> EncodeJPEGStream(const TBitmap& Bitmap, int Quality);
  // Graphic size in screen pixels converted to Native at (X, Y).
  TOxQrRect PictureRect(const TGraphic& Graphic, double X, double Y) const;
  std::unique_ptr<TBitmap> ControlBitmap(const TQRPrintable& Control, TPixelFormat PixelFormat);
  std::unique_ptr<TBitmap> ShapeBitmap(const TQRShape& Shape, TPixelFormat PixelFormat);
  void NotifyEncodeGraphicDone(const void* AObject, int ObjectImageIndex);
  // Decides whether a picture of report object AObject is encoded anew (-1) or entry
  // ReuseImageIndex of Written is reused; OnEncodeGraphic may steer it. An index the
  // handler leaves out of range (>= count or < -1) means "encode anew".
  void ResolveImageReuse(const void* AObject, bool& UniqueImage, int& ReuseImageIndex,
                         const TStringObjectList& Written);
  // The same rules over `WrittenCount` entries, the first entry of a report object given by
  // `FirstOf` (-1: none), for a format that finds it without walking every entry.
  int ResolveImageReuse(const void* AObject, bool& UniqueImage, int WrittenCount,
                        const std::function<int(const void*)>& FirstOf);

 protected:
  // Sets Aborted and reports the "File could not be created!" message with this filter as sender.
  void AbortFileNotCreated();
  // The same, with a second line naming the file and the system's reason
  // ("out/report.txt: No such file or directory"), taken from the creation failure.
  void AbortFileNotCreated(const EFileError& Error);
  void SetAborted() { aborted_ = true; }
  void SetBaseName(const std::string& name) { baseName_ = name; }

 private:
  bool aborted_ = false;
  std::string baseName_;
  int pageNumber_ = 0;
  int closedPageNumber_ = 0;
};

}  // namespace oxqr
