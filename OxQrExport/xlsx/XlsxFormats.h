#pragma once
// The cell formats of one workbook, each created once and reused: a cell asks for its font,
// fill, alignment and number format, and equal requests get the same format object.
#include <string>
#include <unordered_map>

#include "OxQrExport/core/DocumentFilter.h"

struct lxw_workbook;
struct lxw_format;

namespace oxqr {

struct TXlsxCellStyle {
  TOxQrFontAttrib Font;
  TColor Fill = clNone;  // clNone: no fill
  TAlignment Alignment = TAlignment::taLeftJustify;
  std::string NumberFormat;  // empty: General
  int Rotation = 0;  // degrees counterclockwise, -90 .. 90 (what a cell can show)
  friend bool operator==(const TXlsxCellStyle&, const TXlsxCellStyle&) = default;
};

class TXlsxFormats {
 public:
  explicit TXlsxFormats(lxw_workbook* workbook) : workbook_(workbook) {}
  // The workbook's format for `style` (created on first use; owned by the workbook).
  // Throws EOxQRError when the workbook cannot create one.
  lxw_format* Get(const TXlsxCellStyle& style);

 private:
  lxw_format* Find(const TXlsxCellStyle& style);

  lxw_workbook* workbook_;
  std::unordered_map<std::string, lxw_format*> formats_;  // by a key of every attribute
  // Neighbouring cells mostly share a style: the last one answers without building a key.
  TXlsxCellStyle lastStyle_;
  lxw_format* lastFormat_ = nullptr;
};

// 0xRRGGBB of a colour (system colours resolved).
unsigned RgbOf(TColor color);

}  // namespace oxqr
