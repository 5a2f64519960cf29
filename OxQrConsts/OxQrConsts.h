#pragma once
// The library's resource strings: every message and display name the user can see, kept
// in one place so that a translation replaces them together. Report text is code page
// 1252, so these are plain 8-bit strings.
#include <string>
#include <string_view>

namespace oxqr {

// Display names of the ten filter classes, as listed in the save dialog.
extern const std::string_view SHTMLDocument;
extern const std::string_view SPDFDocument;
extern const std::string_view SRTFDocument;
extern const std::string_view SExcelWorksheet;
extern const std::string_view STextDocument;
extern const std::string_view SGIFImageFile;
extern const std::string_view SJPEGImageFile;
extern const std::string_view SBitmapFile;
extern const std::string_view SEnhancedMetafile;
extern const std::string_view SWindowsMetafile;
// Display names of the formats registered after the ten.
extern const std::string_view SExcelWorkbook;
extern const std::string_view SCSVFile;

// Default Creator of the document formats.
extern const std::string_view SQRReport;

// Link texts of the HTML navigator.
extern const std::string_view SFirst;
extern const std::string_view SLast;
extern const std::string_view SNext;
extern const std::string_view SPrevious;
// Titles of the HTML navigator's links.
extern const std::string_view SFirstPage;
extern const std::string_view SLastPage;
extern const std::string_view SNextPage;
extern const std::string_view SPreviousPage;

// An output file could not be created (the job is aborted).
extern const std::string_view SFileNotCreated;
// The style sheet file could not be created (the document itself is kept).
extern const std::string_view SCSSFileNotCreated;

// Rejected settings values.
extern const std::string_view SPDFImageFormats;
extern const std::string_view SRTFImageFormats;

// What a workbook export changed, each counted: cells past the last row or column
// (1,048,576 rows, 16,384 columns), texts longer than a cell holds (32,767 characters), and
// characters the file cannot hold (control characters, invalid UTF-8) written as '?'.
std::string WorkbookCellsLeftOut(int count);
std::string WorkbookTextsCut(int count);
std::string WorkbookCharactersReplaced(int count);

// What every filter answers as its Description, and its maker.
extern const std::string_view SFilterDescription;
extern const std::string_view SMakerText;

// The component's read-only product text and version.
extern const std::string_view SAboutText;
extern const std::string_view SVersion;

// Cells of a worksheet export that lie past the format's last row or column:
// "<n> cells lay beyond row 16384 or column 256 of the worksheet and were left out.", and
// texts longer than a cell holds in the same message: "...; <m> texts were longer than 255
// characters and were cut." (only the second part when no cell was left out).
std::string ExcelCellsLeftOut(int count, int textsCut = 0);


}  // namespace oxqr
