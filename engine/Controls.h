#pragma once
// The engine's standard controls: labels, memos, database texts, system data, shapes,
// images and database images.
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "EngineTypes.h"
#include "Printable.h"
#include "platform/Bitmap.h"

namespace oxqr {

class TDataSet;

// Text controls: format their text into lines (word wrap at the control's width), print
// as many lines as fit and, while the report is exported, send each printed line to the
// active filter's WriteText. An AutoStretch control grows its band and continues on the
// next page with Finished false.
class TQRCustomLabel : public TQRPrintable {
 public:
  TQRCustomLabel();
  TAlignment Alignment = TAlignment::taLeftJustify;
  bool AlignToBand = false;   // aligns to the band's edges instead of the control's
  bool AutoSize = true;
  bool AutoStretch = false;
  bool WordWrap = true;
  bool Transparent = false;
  // Drops the lines that hold nothing but spaces (an address without its second line).
  bool SuppressBlankLines = false;
  // Degrees counterclockwise the text is turned by inside the control's box: 0, 90 (reads
  // bottom to top), 180 or 270 (top to bottom). A turned text keeps the box; its lines run
  // along the turned direction, wrap at the box's extent that way and do not stretch.
  int Rotation = 0;
  TFont Font;
  // Whether the text is turned (Rotation 90, 180 or 270; any other value prints upright).
  bool Turned() const { return Rotation == 90 || Rotation == 180 || Rotation == 270; }

  // The text this control prints (lines separated by '\n').
  virtual std::string Text() const = 0;
  void Print(int OffsetX, int OffsetY) override;
  void BeforePrint() override;
  bool Stretches() const override { return AutoStretch; }
  double PrintedHeight() const override { return printedHeight_; }

 protected:
  std::vector<std::string> FormatLines(const std::string& text) const;
  // Draws `lines` (the first at the control's top) on `canvas` in `printer`'s pixels: the
  // box, the lines at their alignment and the frame, exactly as Print draws them.
  void DrawLines(TCanvas& canvas, const TQRPrinter& printer, std::span<const std::string> lines, int OffsetX,
                 int OffsetY) const;
  // Draws `lines` turned by Rotation in the control's box, as DrawLines does for them.
  void DrawTurnedLines(TCanvas& canvas, const TQRPrinter& printer, std::span<const std::string> lines, int OffsetX,
                       int OffsetY) const;
  // Sends `lines` turned by Rotation to the active filter, each at its turned start.
  void WriteTurnedLines(const TQRPrinter& printer, std::span<const std::string> lines, int OffsetX,
                        int OffsetY) const;
  // The line the next Print starts with: 0 for a fresh printing, else the first line left.
  std::size_t NextLine() const { return nextLine_; }

 private:
  // The Native x the lines align to.
  double AnchorX(int OffsetX) const;
  // The left edge and width (Native) of the box `lines` print in.
  std::pair<double, double> BoxSpan(const TQRPrinter& printer, std::span<const std::string> lines, int OffsetX) const;
  std::vector<std::string> pending_;  // lines of an unfinished print
  std::size_t nextLine_ = 0;
  double printedHeight_ = 0;          // of the lines the last Print placed
};

class TQRLabel : public TQRCustomLabel {
 public:
  std::string Caption;
  std::string Text() const override { return Caption; }
};

class TQRMemo : public TQRCustomLabel {
 public:
  TQRMemo() { AutoSize = false; }
  std::vector<std::string> Lines;
  std::string Text() const override;
};

class TQRDBText : public TQRCustomLabel {
 public:
  TDataSet* DataSet = nullptr;
  std::string DataField;
  // The field's display text; throws EDatabaseError when the field does not exist.
  std::string Text() const override;
};

enum class TQRSysDataType : std::uint8_t {
  qrsTime, qrsDate, qrsDateTime, qrsPageNumber, qrsReportTitle, qrsDetailCount, qrsDetailNo
};

class TQRSysData : public TQRCustomLabel {
 public:
  TQRSysDataType Data = TQRSysDataType::qrsTime;
  std::string Text_;  // the prefix printed before the value ("Page: ")
  std::string Text() const override;
};

enum class TQRShapeType : std::uint8_t {
  qrsRectangle, qrsCircle, qrsVertLine, qrsHorLine, qrsTopAndBottom, qrsRightAndLeft
};

class TQRShape : public TQRPrintable {
 public:
  TQRShapeType Shape = TQRShapeType::qrsRectangle;
  TBrush Brush;
  TPen Pen;
  // Size in screen pixels (Native x 96 / 254, rounded).
  int Height() const;
  int Width() const;
  void Print(int OffsetX, int OffsetY) override;
};

class TQRImage : public TQRPrintable {
 public:
  TBitmap Picture;
  bool Center = false;
  bool Stretch = false;
  bool AutoSize = false;
  void Print(int OffsetX, int OffsetY) override;
};

class TQRDBImage : public TQRPrintable {
 public:
  TDataSet* DataSet = nullptr;
  std::string DataField;
  bool Center = true;
  bool Stretch = false;
  // Loads the current record's picture: a blob field directly, any other field as a file
  // name (expanded, ".bmp" added without extension; a missing file gives a 1 x 1 bitmap).
  // Load failures leave what was loaded so far. False when there is no bound field.
  bool LoadPicture(TBitmap& out) const;
  void Print(int OffsetX, int OffsetY) override;
};

// Draws `picture` into the device rectangle `r` with centring and stretching as the image
// controls do (shared by the printing of images and the filters' control bitmaps).
void DrawPictureInRect(TCanvas& canvas, const TRect& r, const TBitmap& picture, bool center, bool stretch);

}  // namespace oxqr
