#include "OxQrConsts/OxQrConsts.h"

namespace oxqr {

const std::string_view SHTMLDocument = "HTML Document";
const std::string_view SPDFDocument = "Adobe Acrobat Document";
const std::string_view SRTFDocument = "Rich Text Format";
const std::string_view SExcelWorksheet = "Microsoft Excel Worksheet";
const std::string_view STextDocument = "Text Document";
const std::string_view SGIFImageFile = "GIF Image File";
const std::string_view SJPEGImageFile = "JPEG Image File";
const std::string_view SBitmapFile = "Bitmap File";
const std::string_view SEnhancedMetafile = "Enhanced Metafile";
const std::string_view SWindowsMetafile = "Windows Metafile";
const std::string_view SExcelWorkbook = "Excel Workbook";
const std::string_view SCSVFile = "CSV (Comma-Separated Values)";

const std::string_view SQRReport = "QRReport";

const std::string_view SFirst = "First";
const std::string_view SLast = "Last";
const std::string_view SNext = "Next";
const std::string_view SPrevious = "Previous";
const std::string_view SFirstPage = "First Page";
const std::string_view SLastPage = "Last Page";
const std::string_view SNextPage = "Next Page";
const std::string_view SPreviousPage = "Previous Page";

const std::string_view SFileNotCreated =
    "File could not be created!\r\n\r\n"
    "Possible cause: It could be in use by some other application.\r\n\r\n"
    "Solution: Re-try the failed operation after closing the other application or specify another file name.";
const std::string_view SCSSFileNotCreated =
    "CSS File could not be created!\r\n\r\n"
    "Possible cause: It could be in use by some other application.\r\n\r\n"
    "Solution: Re-try the failed operation after closing the other application or specify another file name.";

const std::string_view SPDFImageFormats = "The PDF export supports only JPEG and BMP image formats";
const std::string_view SRTFImageFormats = "The RTF export supports only JPEG and BMP image formats";

std::string WorkbookCellsLeftOut(int count) {
  return std::to_string(count) + (count == 1 ? " cell lay" : " cells lay") +
         " beyond row 1048576 or column 16384 of the sheet and " + (count == 1 ? "was" : "were") + " left out.";
}

std::string WorkbookTextsCut(int count) {
  return std::to_string(count) + (count == 1 ? " text was" : " texts were") +
         " longer than 32767 characters and " + (count == 1 ? "was" : "were") + " cut.";
}

std::string WorkbookCharactersReplaced(int count) {
  return std::to_string(count) + (count == 1 ? " character" : " characters") +
         " that the file cannot hold (control characters, invalid UTF-8) " + (count == 1 ? "was" : "were") +
         " written as '?'.";
}

const std::string_view SFilterDescription = "Enhanced, WYSIWYG Export Filters";
const std::string_view SMakerText = "OxQRFilters Project";

const std::string_view SAboutText =
    "OxQRFilters - WYSIWYG Export Filters for QRReport (https://oxqrfilters.example.org)";
const std::string_view SVersion = "2.11";

std::string ExcelCellsLeftOut(int count, int textsCut) {
  std::string s;
  if (count > 0 || textsCut == 0) {
    s = std::to_string(count) + (count == 1 ? " cell lay" : " cells lay") +
        " beyond row 16384 or column 256 of the worksheet and " + (count == 1 ? "was" : "were") + " left out";
  }
  if (textsCut > 0) {
    if (!s.empty()) s += "; ";
    s += std::to_string(textsCut) + (textsCut == 1 ? " text was" : " texts were") +
         " longer than 255 characters and " + (textsCut == 1 ? "was" : "were") + " cut";
  }
  return s + ".";
}

}  // namespace oxqr
