// TOxQRDocumentFilter: the cells of a table control, shared by the document formats.
#include "DocumentFilter.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "platform/TextMetrics.h"

namespace oxqr {

void TOxQRDocumentFilter::WriteTextCells(const TQRPrintable& Control, std::span<const TQRTextCell> Cells, int OffsetX,
                                         int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  const double factor = SourcePrinter->HorizontalFactor();
  for (const TQRTextCell& cell : Cells) {
    // The cell's box, filled and framed: a label without lines in no band (closes no band).
    TQRLabel box;
    box.AutoSize = false;
    box.Color = Control.Color;
    box.Frame = Control.Frame;
    box.Size = TQRSize{cell.Height, cell.Left, cell.Top, cell.Width};
    BeginTextBlock(box, OffsetX, OffsetY);
    EndTextBlock(box, OffsetX, OffsetY, false);
    if (cell.Text.empty()) continue;
    // Its line: a transparent label just as wide as the text, where the page draws it.
    // Formats that place lines by their own alignment rules get it by its left edge there;
    // a grid keeps the alignment for its cell.
    const TSize extent = TextExtent(cell.Font, cell.Text);
    const double width = extent.cx / factor;
    const double shift = cell.Alignment == TAlignment::taRightJustify ? width
                         : cell.Alignment == TAlignment::taCenter     ? width / 2
                                                                      : 0;
    const bool aligned = KeepsCellAlignment();
    TQRLabel line;
    line.AutoSize = false;
    line.WordWrap = false;
    line.Transparent = true;
    line.Font = cell.Font;
    line.Alignment = aligned ? cell.Alignment : TAlignment::taLeftJustify;
    line.Caption = cell.Text;
    line.Size = TQRSize{extent.cy / SourcePrinter->VerticalFactor(), cell.TextX - shift, cell.TextY, width};
    TextCell = &cell;
    BeginTextBlock(line, OffsetX, OffsetY);
    TextControl = &Control;  // the texts are the table's (its band, its place in a grid)
    TextClipLeft = OffsetX + cell.Left;
    TextClipRight = OffsetX + cell.Left + cell.Width;
    WriteText(OffsetX + (aligned ? cell.TextX : cell.TextX - shift), OffsetY + cell.TextY, cell.Font, Control.Color,
              line.Alignment, cell.Text);
    TextClipLeft = TextClipRight = 0;
    EndTextBlock(line, OffsetX, OffsetY, false);
    TextCell = nullptr;
  }
  CloseBandIfLast(Control, Continuing);
}

}  // namespace oxqr
