#pragma once
#include <cstdint>

namespace oxqr {

// Units of the report; during a run the report is in Native (0.1 mm, 254 per inch).
enum class TQRUnit : std::uint8_t { MM, Inches, Pixels, Characters, Native };

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

enum class TPrinterOrientation : std::uint8_t { poPortrait, poLandscape };

enum class TQRPaperSize : std::uint8_t { A4, Letter, Custom };

constexpr double NativePerInch = 254.0;
constexpr double NativePerMM = 10.0;

// Converts a length between units; Pixels are screen pixels at 96 ppi scaled by zoom %.
double ConvertUnits(double value, TQRUnit from, TQRUnit to, int zoom = 100);

}  // namespace oxqr
