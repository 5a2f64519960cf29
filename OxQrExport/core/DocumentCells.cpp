// TOxQRDocumentFilter: the cells of a table control, shared by the document formats.
#include "DocumentFilter.h"
#include "engine/Controls.h"

namespace oxqr {

void TOxQRDocumentFilter::WriteTextCells(const TQRPrintable& Control, std::span<const TQRTextCell> Cells,
                                         int OffsetX, int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  for (const TQRTextCell& cell : Cells) {
    // A label in no band, so that each cell is a box with its line and closes no band.
    TQRLabel label;
    label.AutoSize = false;
    label.WordWrap = false;
    label.Font = cell.Font;
    label.Color = Control.Color;
    label.Frame = Control.Frame;
    label.Alignment = cell.Alignment;
    label.Caption = cell.Text;
    label.Size = TQRSize{cell.Height, cell.Left, cell.Top, cell.Width};
    TextCell = &cell;
    BeginTextBlock(label, OffsetX, OffsetY);
    TextControl = &Control;  // the texts are the table's (its band, its place in a grid)
    if (!cell.Text.empty()) {
      TextClipLeft = OffsetX + cell.Left;
      TextClipRight = OffsetX + cell.Left + cell.Width;
      WriteText(OffsetX + cell.TextX, OffsetY + cell.TextY, cell.Font, Control.Color, cell.Alignment, cell.Text);
      TextClipLeft = TextClipRight = 0;
    }
    EndTextBlock(label, OffsetX, OffsetY, false);
    TextCell = nullptr;
  }
  CloseBandIfLast(Control, Continuing);
}

}  // namespace oxqr
