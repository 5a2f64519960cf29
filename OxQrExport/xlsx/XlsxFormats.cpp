#include "XlsxFormats.h"

#include <xlsxwriter.h>

#include "platform/CodePage.h"
#include "platform/Color.h"
#include "platform/Errors.h"

namespace oxqr {

unsigned RgbOf(TColor color) {
  const auto bgr = static_cast<unsigned>(ColorToRGB(color));
  return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

lxw_format* TXlsxFormats::Get(const TXlsxCellStyle& style) {
  if (lastFormat_ != nullptr && style == lastStyle_) return lastFormat_;
  lastStyle_ = style;
  lastFormat_ = Find(style);
  return lastFormat_;
}

lxw_format* TXlsxFormats::Find(const TXlsxCellStyle& style) {
  const TOxQrFontAttrib& font = style.Font;
  const std::string key = font.Name + '\t' + std::to_string(font.Size) + '\t' + std::to_string(font.Style.Bits()) +
                          '\t' + std::to_string(font.Color) + '\t' + std::to_string(style.Fill) + '\t' +
                          std::to_string(static_cast<int>(style.Alignment)) + '\t' + style.NumberFormat + '\t' +
                          std::to_string(style.Rotation);
  const auto found = formats_.find(key);
  if (found != formats_.end()) return found->second;

  lxw_format* format = workbook_add_format(workbook_);
  if (format == nullptr) throw EOxQRError("The workbook could not create a cell format");
  format_set_font_name(format, AnsiToUtf8(font.Name).c_str());
  format_set_font_size(format, font.Size);
  if (font.Style.Has(TFontStyle::fsBold)) format_set_bold(format);
  if (font.Style.Has(TFontStyle::fsItalic)) format_set_italic(format);
  if (font.Style.Has(TFontStyle::fsUnderline)) format_set_underline(format, LXW_UNDERLINE_SINGLE);
  if (font.Style.Has(TFontStyle::fsStrikeOut)) format_set_font_strikeout(format);
  if (RgbOf(font.Color) != 0) format_set_font_color(format, RgbOf(font.Color));
  if (style.Fill != clNone) {
    format_set_pattern(format, LXW_PATTERN_SOLID);
    format_set_bg_color(format, RgbOf(style.Fill));
  }
  if (style.Alignment == TAlignment::taRightJustify) format_set_align(format, LXW_ALIGN_RIGHT);
  if (style.Alignment == TAlignment::taCenter) format_set_align(format, LXW_ALIGN_CENTER);
  if (style.Rotation != 0) format_set_rotation(format, static_cast<int16_t>(style.Rotation));
  if (!style.NumberFormat.empty()) format_set_num_format(format, AnsiToUtf8(style.NumberFormat).c_str());
  formats_.emplace(key, format);
  return format;
}

}  // namespace oxqr
