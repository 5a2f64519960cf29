#pragma once
// QRExportSettings: the one global configuration of the export filters — which formats
// are registered, the options of each format, the application's event handlers and the
// lists of files written by the current export.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/PixelFormat.h"

namespace oxqr {

class TOxQRExportFilter;
class TBitmap;
class TStream;

enum class TOxQRFilterKind : std::uint8_t { fkHTML, fkPDF, fkRTF, fkExcel, fkText, fkGIF, fkJPEG, fkBMP, fkEMF, fkWMF };
constexpr int FilterKindCount = 10;

// Set of filter kinds as a 16-bit bit set (bit n = kind n); all ten = 1023.
class TOxQRVisibleFilters {
 public:
  constexpr TOxQRVisibleFilters() = default;
  constexpr explicit TOxQRVisibleFilters(std::uint16_t bits) : bits_(bits & 0x3FF) {}
  constexpr TOxQRVisibleFilters(std::initializer_list<TOxQRFilterKind> kinds) {
    for (auto k : kinds) Include(k);
  }
  static constexpr TOxQRVisibleFilters All() { return TOxQRVisibleFilters(1023); }
  constexpr bool Has(TOxQRFilterKind k) const { return (bits_ >> static_cast<int>(k)) & 1u; }
  constexpr void Include(TOxQRFilterKind k) { bits_ |= static_cast<std::uint16_t>(1u << static_cast<int>(k)); }
  constexpr void Exclude(TOxQRFilterKind k) { bits_ &= static_cast<std::uint16_t>(~(1u << static_cast<int>(k))); }
  constexpr std::uint16_t Bits() const { return bits_; }
  friend constexpr bool operator==(TOxQRVisibleFilters, TOxQRVisibleFilters) = default;

 private:
  std::uint16_t bits_ = 0;
};

enum class TOxImageFormat : std::uint8_t { ifGIF, ifJPG, ifBMP };
enum class TOxRichTextEncodingType : std::uint8_t { rtImage, rtPlainText };
enum class TOxQRNavigatorType : std::uint8_t { ntFixedToScreen, ntFixedToPage };
enum class TPDFFontEncoding : std::uint8_t {
  feWinAnsiEncoding, feMacRomanEncoding, feMacExpertEncoding, feStandardEncoding, fePDFDocEncoding
};
enum class TPDFCompressionMethod : std::uint8_t { cmFastest, cmNormal, cmMaxCompress };
// Archival (PDF/A-2b) and accessible (tagged, PDF/UA-1) files; none writes the plain file.
enum class TPDFConformance : std::uint8_t { none, pdfA2b, pdfUA1, pdfA2bUA1 };
enum class TTextLineSpacing : std::uint8_t {
  lsActual, lsNoBlank, lsOneBlank, lsTwoBlank, lsThreeBlank, lsFourBlank, lsFiveBlank
};
using TJPEGQualityRange = std::uint8_t;  // 1..100, not checked by the setters

// Event types: handlers may change the parameters passed by reference.
using TOxQRNotifyEvent = std::function<void(TOxQRExportFilter* Filter)>;
using TEncodeGraphicEvent =
    std::function<void(TOxQRExportFilter* Sender, const void* AObject, bool& UniqueImage, int& ReuseImageIndex)>;
using TEncodeGraphicDoneEvent =
    std::function<void(TOxQRExportFilter* Sender, const void* AObject, int ObjectImageIndex)>;
using TErrorMessageEvent = std::function<void(TOxQRExportFilter* Sender, const std::string& ErrMsg)>;
using TMakeRepFileNameEvent = std::function<void(TOxQRExportFilter* Sender, std::string& FileName, int PageNo)>;
using TMakeImgFileNameEvent =
    std::function<void(TOxQRExportFilter* Sender, std::string& FileName, std::string& AltText, int PageNo)>;
using TCreateBitmapEvent =
    std::function<void(TOxQRExportFilter* Sender, TBitmap& Bmp, TStream& FileStream, int PageNo, bool& Continue)>;

// A string list whose entries may carry the report object they were made from.
struct TStringObjectList {
  struct Entry {
    std::string Text;
    const void* Object = nullptr;
  };
  std::vector<Entry> Items;
  void Clear() { Items.clear(); }
  int Count() const { return static_cast<int>(Items.size()); }
  void Add(const std::string& s, const void* obj = nullptr) { Items.push_back({s, obj}); }
  const std::string& operator[](int i) const { return Items[static_cast<std::size_t>(i)].Text; }
};

struct TOxQRDocumentFilterSettings {
  TOxQRDocumentFilterSettings();
  std::string Author;
  std::string Creator;  // default: the resource string "QRReport"
  bool ExportImages = true;
  TJPEGQualityRange JPEGQuality = 100;
  std::string Keywords;
  int ImageDPI = -1;
  TPixelFormat ImagePixelFormat = TPixelFormat::pf24bit;
  bool ExportRichText = true;
  bool OptimizeBackgroundPainting = true;
  std::string Subject;
  std::string Title;
};

struct TOxQRHTMLSettings : TOxQRDocumentFilterSettings {
  TOxQRHTMLSettings();
  std::string CSSFileName;
  TOxImageFormat ExportImageFormat = TOxImageFormat::ifJPG;
  std::string FirstLinkText, LastLinkText, NextLinkText, PrevLinkText;  // resource strings
  std::string ImageDir;
  bool GraphicNavUseWebdings = false;
  TOxQRNavigatorType NavigatorType = TOxQRNavigatorType::ntFixedToScreen;
  bool OptimizeForIE = true;
  bool OutputStylesToCSSFile = false;
  bool PageEndLines = true;
  TOxRichTextEncodingType RichTextEncodingType = TOxRichTextEncodingType::rtImage;
  bool SingleFile = false;
  bool ShowNavigator = true;
  bool UseTextLinks = false;
  // Opt-in: a picture whose encoded bytes equal an earlier one of the job reuses its file.
  bool ReuseIdenticalImages = false;
  // Opt-in: barcodes as picture files instead of inline SVG.
  bool BarcodesAsPictures = false;
};

struct TOxQRPDFSettings : TOxQRDocumentFilterSettings {
  bool Compressed = true;
  TPDFCompressionMethod CompressionMethod = TPDFCompressionMethod::cmMaxCompress;
  TPDFFontEncoding FontEncoding = TPDFFontEncoding::feWinAnsiEncoding;
  TOxRichTextEncodingType RichTextEncodingType = TOxRichTextEncodingType::rtImage;
  // Opt-in: embed a subset of each font's program (only the glyphs used).
  bool EmbedFonts = false;
  // Opt-in: an image whose data equals an earlier image object of the job is placed again.
  bool ReuseIdenticalImages = false;
  // The conformance level (none: as the report's definition asks, else the plain file).
  TPDFConformance Conformance = TPDFConformance::none;
  // With a conformance level, a file that would not conform is not written (False: it is
  // written and the faults are reported as warnings).
  bool ConformanceStrict = true;
  TOxImageFormat ExportImageFormat() const { return exportImageFormat_; }
  // Accepts ifJPG and ifBMP; reports "The PDF export supports only JPEG and BMP image formats" otherwise.
  void SetExportImageFormat(TOxImageFormat f);

 private:
  TOxImageFormat exportImageFormat_ = TOxImageFormat::ifBMP;
};

struct TOxQRRTFSettings : TOxQRDocumentFilterSettings {
  TOxImageFormat ExportImageFormat() const { return exportImageFormat_; }
  // Accepts ifJPG and ifBMP; reports "The RTF export supports only JPEG and BMP image formats" otherwise.
  void SetExportImageFormat(TOxImageFormat f);

 private:
  TOxImageFormat exportImageFormat_ = TOxImageFormat::ifJPG;
};

struct TOxQRExcelSettings {
  bool ExportRichText = true;
  TTextLineSpacing LineSpacing = TTextLineSpacing::lsOneBlank;
  bool SetCellAttributes = true;
  // Opt-in: numeric and date fields become number cells with a display format.
  bool NativeNumbers = false;
};

struct TOxQRTextSettings {
  bool ExportRichText = true;
  TTextLineSpacing LineSpacing = TTextLineSpacing::lsOneBlank;
  bool PageBreaks = true;
  bool PageEndLines = true;
  bool SingleFile = true;
  double XScaleFactor = 1.0;
};

// Workbook (.xlsx): the grid of the worksheet format written with fonts, fills, number
// formats and Unicode text.
struct TOxQRXLSXSettings {
  bool ExportRichText = true;
  TTextLineSpacing LineSpacing = TTextLineSpacing::lsOneBlank;
  // The rows down to the first page's column header (without one, its page header) stay
  // in view while scrolling.
  bool FreezeHeaderRows = true;
  // One sheet per page instead of one sheet for the whole report.
  bool SheetPerPage = false;
  // Document properties; an empty Title takes the report's title.
  std::string Author;
  std::string Keywords;
  std::string Subject;
  std::string Title;
};

enum class TCSVSeparator : std::uint8_t { csComma, csSemicolon, csTab };

// Comma-separated values (.csv): one line per row of the grid that holds a cell.
struct TOxQRCSVSettings {
  bool ExportRichText = true;
  TCSVSeparator Separator = TCSVSeparator::csComma;
  // A UTF-8 byte-order mark in front of the first line.
  bool ByteOrderMark = false;
  // Numeric and date fields as plain values ("1234.5", "2025-12-09") instead of as shown.
  bool PlainNumbers = true;
  // A text starting with = + - @ tab or CR gets a leading ' so that no reader takes it for
  // a formula.
  bool FormulaGuard = true;
};

struct TOxQRGIFSettings {
  bool Monochrome = false;
  TPixelFormat PixelFormat = TPixelFormat::pf24bit;
};
using TOxQRBMPSettings = TOxQRGIFSettings;

struct TOxQRJPEGSettings {
  bool Monochrome = false;
  TPixelFormat PixelFormat = TPixelFormat::pf24bit;
  bool ProgressiveEncoding = true;
  TJPEGQualityRange Quality = 100;
};

struct TOxQRMetafileSettings {
  bool FillUnusedArea = true;
};

class TOxQRExportSettings {
 public:
  // Creates the lists and the settings objects, then registers all ten filters and the
  // formats beyond them (ExtraFilterClasses).
  TOxQRExportSettings();
  // Unregisters every filter it registered.
  ~TOxQRExportSettings();
  TOxQRExportSettings(const TOxQRExportSettings&) = delete;
  TOxQRExportSettings& operator=(const TOxQRExportSettings&) = delete;

  TStringObjectList CreatedImageFiles;
  TStringObjectList CreatedReportFiles;
  // What the last PDF export with a conformance level could not make conformant, when
  // PDF.ConformanceStrict is off and the file was written all the same.
  std::vector<std::string> ConformanceWarnings;

  TOxQRVisibleFilters VisibleFilters() const { return visible_; }
  // Removes the kinds no longer visible and adds the new ones, each in kind order; the
  // formats beyond the ten (ExtraFilterClasses) move behind them.
  void SetVisibleFilters(TOxQRVisibleFilters value);

  TOxQRHTMLSettings HTML;
  TOxQRPDFSettings PDF;
  TOxQRRTFSettings RTF;
  TOxQRExcelSettings Excel;
  TOxQRTextSettings Text;
  TOxQRGIFSettings GIF;
  TOxQRJPEGSettings JPEG;
  TOxQRBMPSettings BMP;
  TOxQRMetafileSettings EMF;
  TOxQRMetafileSettings WMF;
  // Formats beyond the ten filter kinds, always registered after them.
  TOxQRXLSXSettings XLSX;
  TOxQRCSVSettings CSV;

  TOxQRNotifyEvent OnBeginJob;
  TOxQRNotifyEvent OnBeginPage;
  TOxQRNotifyEvent OnEndJob;
  TOxQRNotifyEvent OnEndPage;
  TCreateBitmapEvent OnCreateBitmap;
  TEncodeGraphicEvent OnEncodeGraphic;
  TEncodeGraphicDoneEvent OnEncodeGraphicDone;
  TErrorMessageEvent OnErrorMessage;
  TMakeImgFileNameEvent OnMakeImgFileName;
  TMakeRepFileNameEvent OnMakeRepFileName;

 private:
  TOxQRVisibleFilters visible_;
};

// The global settings object, created on first use (library start-up) and alive until exit.
TOxQRExportSettings& QRExportSettings();

// Creates QRExportSettings, which registers the visible filters with FilterLibrary.
// Every program calls it once at start, before a report can be saved; later calls do nothing.
void InitializeExportLibrary();

}  // namespace oxqr
