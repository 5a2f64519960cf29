#pragma once
// Shared fixtures of the page image tests: a report of N pages with labels, shapes and a
// picture built in code, a scratch folder, and a guard that puts the global export
// settings back after a test.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <QImage>
#include <QPainter>

#include "OxQrExport/core/Settings.h"
#include "data/CountingDataSet.h"
#include "engine/Controls.h"
#include "engine/Report.h"

namespace oxqr::test {

// A report of `pages` A4 pages: one detail band of 250 mm per page holding a large bold
// title, a record number, a filled rectangle, a circle and a picture.
struct TPageReport {
  explicit TPageReport(int pages) : Data(pages) {
    Report.DataSet = &Data;
    Report.Page.SetPaper(TQRPaperSize::A4);
    Report.Page.SetMarginsMM(10, 10, 10, 10);
    auto& band = Report.AddBand(TQRBandType::rbDetail);
    band.SetHeightMM(250);

    auto& title = band.Add<TQRLabel>();
    title.Caption = "Quarterly Sales";
    title.Font.Size = 36;
    title.Font.Style = {TFontStyle::fsBold};
    title.SetBoundsMM(15, 5, 160, 20);

    auto& number = band.Add<TQRSysData>();
    number.Data = TQRSysDataType::qrsDetailNo;
    number.Text_ = "Record ";
    number.Font.Size = 20;
    number.SetBoundsMM(15, 30, 80, 10);

    auto& box = band.Add<TQRShape>();
    box.Shape = TQRShapeType::qrsRectangle;
    box.Brush = TBrush{clBlack, TBrushStyle::bsSolid};
    box.SetBoundsMM(15, 50, 80, 40);

    auto& circle = band.Add<TQRShape>();
    circle.Shape = TQRShapeType::qrsCircle;
    circle.Brush = TBrush{clNavy, TBrushStyle::bsSolid};
    circle.SetBoundsMM(110, 50, 50, 50);

    auto& image = band.Add<TQRImage>();
    image.Picture.SetImage(Checkerboard());
    image.Stretch = true;
    image.SetBoundsMM(15, 120, 120, 80);
  }

  // Black and white squares, 8 x 6, so that the picture is plainly visible when scaled down.
  static QImage Checkerboard() {
    QImage img(160, 120, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x)
        if ((x + y) % 2 == 0) p.fillRect(x * 20, y * 20, 20, 20, Qt::black);
    return img;
  }

  TCountingDataSet Data;
  TQRReport Report;
};

// A fresh folder under the system's temporary folder, removed with its contents.
class TScratchDir {
 public:
  TScratchDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("oxqr-images-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  // OXQR_KEEP_SCRATCH=1 keeps the folder for a look at the files after a failure.
  ~TScratchDir() {
    if (std::getenv("OXQR_KEEP_SCRATCH") != nullptr) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  static inline int counter_ = 0;
};

// Puts the image settings and every event handler of QRExportSettings back.
class TSettingsGuard {
 public:
  TSettingsGuard() : s_(QRExportSettings()), gif_(s_.GIF), jpeg_(s_.JPEG), bmp_(s_.BMP), emf_(s_.EMF), wmf_(s_.WMF) {}
  ~TSettingsGuard() {
    s_.GIF = gif_;
    s_.JPEG = jpeg_;
    s_.BMP = bmp_;
    s_.EMF = emf_;
    s_.WMF = wmf_;
    s_.OnBeginPage = nullptr;
    s_.OnEndPage = nullptr;
    s_.OnCreateBitmap = nullptr;
    s_.OnErrorMessage = nullptr;
    s_.OnMakeRepFileName = nullptr;
  }
  TSettingsGuard(const TSettingsGuard&) = delete;
  TSettingsGuard& operator=(const TSettingsGuard&) = delete;

 private:
  TOxQRExportSettings& s_;
  TOxQRGIFSettings gif_;
  TOxQRJPEGSettings jpeg_;
  TOxQRBMPSettings bmp_;
  TOxQRMetafileSettings emf_;
  TOxQRMetafileSettings wmf_;
};

}  // namespace oxqr::test
