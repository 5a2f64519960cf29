#pragma once
// TOxQRCellGridFilter: the grid of cells that the spreadsheet formats (.xls, .xlsx, .csv)
// compute from a report. Printed text lines become cells: the report's controls give one
// column grid for the whole job (ReportColumns.h; a taken cell pushes a text right), lines
// give rows by the line spacing, and pages are stacked one below the other. Texts printed
// without a report of controls take columns from the distinct positions of their page.
// Pictures, shapes, frames and backgrounds are dropped. A format gets the cells of each page
// in order through WriteGridCell.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OxQrExport/core/DocumentFilter.h"
#include "OxQrExport/core/Settings.h"
#include "ReportColumns.h"
#include "data/DataSet.h"

namespace oxqr {

class TOxQRCellGridFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;
  ~TOxQRCellGridFilter() override;
  // The grid is made from the export run alone: no preview page goes into the workbook.
  bool ReadsPreviewPages() const override { return false; }

  // Cell kinds kept in a text copy's CellType.
  static constexpr std::uint8_t kTextCell = 0;
  static constexpr std::uint8_t kIntegerCell = 1;
  static constexpr std::uint8_t kNumberCell = 2;

  struct TFontEntry {
    std::string Key;  // FontKey of the font
    TOxQrFontAttrib Font;
  };

  // A field value that a format may write as a number rather than as its shown text.
  struct TNativeValue {
    double Value = 0;          // the number, or the date as days since 1899-12-30
    std::string Format;        // worksheet number format of the field's display
    TFieldType Type = TFieldType::ftUnknown;
    bool IsDate = false;
    bool WithTime = false;     // a date with a time of day
    int FormatId = 0;          // what NativeFormatId returned for Format
  };

  // The header band a text was printed by (known for export-aware controls).
  enum class THeaderBand : std::uint8_t { hbNone, hbPageHeader, hbColumnHeader };

  // One cell of the page as the grid places it (before a taken cell pushes it right).
  struct TGridCell {
    int Row = 0;
    int Column = 0;
    const TOxQrTextRec& Text;
    const TNativeValue* Native;  // nullptr: write the text
    THeaderBand Header;
  };

  TReportColumns ReportColumns;      // the job's column grid (empty: columns are found per page)
  std::vector<int> ColumnPositions;  // distinct rounded X of the page's texts, first come first
  std::vector<int> ColumnWidths;     // parallel: the largest rounded width at that position
  std::vector<std::unique_ptr<TOxQrTextRec>> PageTexts;  // the page's text copies, sorted
  std::vector<TFontEntry> FontList;  // entry 0 is the report's font
  int CurrentRow = 0;                // worksheet row of the line being written, across pages
  int PageFirstRow = 0;              // the row the open page's rows count from
  int RowsPerPage = 0;               // page height in rows
  double CharColumnWidth = 1;        // screen pixels of one worksheet column
  double CharRowHeight = 1;          // screen pixels of one worksheet row
  int CellsLeftOut = 0;              // cells past the last row or column, not written

  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  void ClosePage() override;

  void RenderPicture(const TQRPrintable&, const TBitmap*, std::string&, bool, const TOxQrRect&) override {}
  void RenderShape(const TQRShape&, const TOxQrRect&, std::string&) override {}
  void RenderBox(const TOxQrRect&, TColor, std::string&, bool, bool, bool, bool, const TQRFrame&) override {}
  // Native -> columns and rows (not rounded); rows of later pages follow RowsPerPage lower.
  void MapSize(TSize Size, double& Width, double& Height) override;
  double MapX(double X) override;
  double MapY(double Y) override;
  void AddText(const TOxQrTextRec& Rec) override;
  void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) override;

  void EndTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing) override;
  void WriteGraphic(const TQRPrintable&, const TGraphic&, double, double, bool, bool) override {}
  void WritePicture(const TQRPrintable&, int, int, bool) override {}
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override;
  void WriteShape(const TQRShape&, int, int, bool) override {}
  bool KeepsCellAlignment() const override { return true; }

  // "Arial 10", "Arial 10 Bold Italic": name, size, then each style present.
  static std::string FontKey(const std::string& Name, int Size, TFontStyles Style);
  // Appends the font unless its key (any letter case) is listed; returns its index.
  int AddFont(const std::string& Name, int Size, TFontStyles Style);
  // Index of FontKey in FontList, -1 when missing.
  int FindFont(const std::string& Key) const;

 protected:
  // ---- What each format decides.
  virtual TTextLineSpacing GridLineSpacing() const = 0;
  virtual bool GridRichText() const = 0;
  // Whether field values are looked up for WriteGridCell's Native.
  virtual bool WantsNativeValues() const = 0;
  // The format's handle of a number format, asked when a value is first seen (in print order).
  virtual int NativeFormatId(const std::string& Format);
  // The cell kind of a text that is not a native value: by the numeric test, the text
  // control and its Tag.
  virtual std::uint8_t CellTypeOf(const std::string& Text) const;
  // Last row and column a cell may take; cells beyond are counted in CellsLeftOut.
  virtual int LastRow() const = 0;
  virtual int LastColumn() const = 0;
  // Whether the format writes row after row (a cell for an earlier row joins the current one,
  // and only the current row's taken cells are remembered).
  virtual bool StreamsRows() const { return false; }
  // One non-empty cell of the open page, in print order.
  virtual void WriteGridCell(const TGridCell& Cell) = 0;
  // After the open page's cells.
  virtual void EndGridPage() {}

  // Takes the first free cell from (Row, Column) rightwards; false (and counted) when it
  // lies past the last row or column.
  bool PlaceCell(int& Row, int& Column);
  // Clears the grid's job state (called by StartJob).
  void ResetGrid();
  // Frees the cells held for the job (at its end); fonts and counts stay readable.
  void ReleaseCells();

 private:
  // The open text block's field value when it can be written as a number.
  bool NativeValueOf(const TOxQrTextRec& Rec, TNativeValue& Value);
  // Places one text copy of the page and hands it to WriteGridCell.
  void WritePageText(const TOxQrTextRec& Rec, int& Last);
  // The slot of the job's grid for a text copy whose anchor already moved to its first character.
  int ReportSlotOf(const TOxQrTextRec& Copy);
  // Files a text copy's rounded position and width in the page's columns.
  void AddPageColumn(TOxQrTextRec& Copy);
  // The worksheet column of a text copy's slot.
  int ColumnOf(const TOxQrTextRec& Copy) const;

  // PlaceCell of a format that does not stream rows: any earlier row may still get a cell,
  // so each addressable row keeps a bit per column up to its highest taken one (cells past
  // the last row or column are only counted and need no record).
  bool TakeGridCell(int Row, int& Column);
  std::vector<std::vector<std::uint64_t>> takenColumns_;  // row -> bits of taken columns
  std::unordered_set<int> streamColumns_;  // StreamsRows: the taken columns of streamRow_
  int streamRow_ = 0;  // StreamsRows: the row being written
  std::unordered_map<const TOxQrTextRec*, TNativeValue> nativeValues_;  // of the page's copies
  std::unordered_map<const TOxQrTextRec*, THeaderBand> headerTexts_;  // page's copies in a header band
};

}  // namespace oxqr
