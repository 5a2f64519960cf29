#pragma once
// TOxQRExcelFilter: the report as one worksheet in the binary interchange file format with
// the version 2 record layout (8-bit text, three attribute bytes per cell, at most four
// fonts). Printed text lines become cells: lines become rows, distinct horizontal
// positions columns, and texts that are whole decimal numbers numeric cells. Pictures,
// shapes, frames and backgrounds are dropped. Cells past the last row or column the
// record layout can address are left out and counted in one error report.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "BiffRecords.h"
#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr {

class TSafeFileStream;

class TOxQRExcelFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;
  ~TOxQRExcelFilter() override;

  // Cell kinds kept in a text copy's CellType.
  static constexpr std::uint8_t kTextCell = 0;
  static constexpr std::uint8_t kIntegerCell = 1;
  static constexpr std::uint8_t kNumberCell = 2;

  struct TFontEntry {
    std::string Key;  // FontKey of the font
    TOxQrFontAttrib Font;
  };

  std::vector<int> ColumnPositions;  // distinct rounded X of the page's texts, first come first
  std::vector<int> ColumnWidths;     // parallel: the largest rounded width at that position
  // Row (high 32 bits) and column (low 32 bits) of every cell written in the job.
  std::unordered_set<std::uint64_t> UsedCells;
  TMemoryStream CellStream;                   // the job's cell records in the order written
  std::vector<std::unique_ptr<TOxQrTextRec>> PageTexts;  // the page's text copies, sorted
  std::vector<TFontEntry> FontList;  // entry 0 is the report's font
  int CurrentRow = 0;                // worksheet row of the line being written, across pages
  int RowsPerPage = 0;               // page height in rows
  double CharColumnWidth = 1;        // screen pixels of one worksheet column
  double CharRowHeight = 1;          // screen pixels of one worksheet row
  int CellsLeftOut = 0;              // cells past the last row or column, not written
  int TextsCut = 0;                  // texts longer than a LABEL holds, written cut

  std::string DisplayName() const override;  // "Microsoft Excel Worksheet"
  std::string Extension() const override;    // "xls"

  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  void ClosePage() override;

  void RenderPicture(const TQRPrintable&, const TBitmap*, std::string&, bool, const TOxQrRect&) override {}
  void RenderShape(const TQRShape&, const TOxQrRect&, std::string&) override {}
  void RenderBox(const TOxQrRect&, TColor, std::string&, bool, bool, bool, bool, const TQRFrame&) override {}
  // Native -> columns and rows (not rounded); rows of later pages follow RowsPerPage lower.
  void MapSize(TSize Size, double& Width, double& Height) override;
  double MapX(double X) override;
  double MapY(double Y) override;
  void BeginDocument() override;
  void AddText(const TOxQrTextRec& Rec) override;
  void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) override;
  void EndDocument() override;

  void EndTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing) override;
  void WriteGraphic(const TQRPrintable&, const TGraphic&, double, double, bool, bool) override {}
  void WritePicture(const TQRPrintable&, int, int, bool) override {}
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override;
  void WriteShape(const TQRShape&, int, int, bool) override {}

  // "Arial 10", "Arial 10 Bold Italic": name, size, then each style present.
  static std::string FontKey(const std::string& Name, int Size, TFontStyles Style);
  // Appends the font unless its key (any letter case) is listed; returns its index.
  int AddFont(const std::string& Name, int Size, TFontStyles Style);
  // One cell record into CellStream; a taken cell pushes it right (see PlaceCell).
  void WriteCell(int Row, int Column, const biff::TCellAttributes& Attributes, std::uint8_t CellType,
                 const std::string& Text);

 private:
  // A field value written as a number (Excel.NativeNumbers).
  struct TNativeCell {
    double Value = 0;
    std::uint8_t FormatIndex = 0;
  };
  // Index of FontKey in FontList, -1 when missing.
  int FindFont(const std::string& Key) const;
  // The cell kind of a text copy by the numeric test, the text control and its Tag.
  std::uint8_t CellTypeOf(const std::string& Text) const;
  // The open text block's field value when it can be written as a number.
  bool NativeCellOf(const TOxQrTextRec& Rec, TNativeCell& Cell);
  // Index of a number format (0 is "General"), added on first use; 0 once 64 are listed.
  std::uint8_t FormatIndexOf(const std::string& Format);
  // Takes the first free cell from (Row, Column) rightwards; false (and counted) when it
  // lies past the last row or column.
  bool PlaceCell(int& Row, int& Column);
  // Writes the records of ClosePage for one text copy.
  void WritePageText(const TOxQrTextRec& Rec, int& Last);

  TSafeFileStream* file_ = nullptr;  // Output while it is open
  std::vector<std::string> formats_;  // number formats of native cells; empty when none
  std::unordered_map<const TOxQrTextRec*, TNativeCell> nativeCells_;  // of the page's copies
};

}  // namespace oxqr
