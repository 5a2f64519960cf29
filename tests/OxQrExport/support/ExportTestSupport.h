#pragma once
// Helpers shared by the export library's tests: a clean global configuration per test and
// a scratch folder removed afterwards.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "OxQrExport/core/Settings.h"

namespace oxqr::testing {

// Puts QRExportSettings back to its start-up state: default settings objects, no event
// handlers, empty file lists, and all ten filters registered in kind order.
inline void ResetExportSettings() {
  TOxQRExportSettings& s = QRExportSettings();
  s.HTML = TOxQRHTMLSettings();
  s.PDF = TOxQRPDFSettings();
  s.RTF = TOxQRRTFSettings();
  s.Excel = TOxQRExcelSettings();
  s.Text = TOxQRTextSettings();
  s.GIF = TOxQRGIFSettings();
  s.JPEG = TOxQRJPEGSettings();
  s.BMP = TOxQRBMPSettings();
  s.EMF = TOxQRMetafileSettings();
  s.WMF = TOxQRMetafileSettings();
  s.XLSX = TOxQRXLSXSettings();
  s.CSV = TOxQRCSVSettings();
  s.OnBeginJob = nullptr;
  s.OnBeginPage = nullptr;
  s.OnEndJob = nullptr;
  s.OnEndPage = nullptr;
  s.OnCreateBitmap = nullptr;
  s.OnEncodeGraphic = nullptr;
  s.OnEncodeGraphicDone = nullptr;
  s.OnErrorMessage = nullptr;
  s.OnMakeImgFileName = nullptr;
  s.OnMakeRepFileName = nullptr;
  s.CreatedImageFiles.Clear();
  s.CreatedReportFiles.Clear();
  s.ConformanceWarnings.clear();
  s.SetVisibleFilters(TOxQRVisibleFilters());
  s.SetVisibleFilters(TOxQRVisibleFilters::All());
}

// A fixture with fresh settings and a scratch folder (Dir()) for the test's files.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExportSettings();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "oxqr_" + std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';  // parameterised tests carry '/' in their names
    }
    dir_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetExportSettings();
  }
  // The scratch folder with a trailing '/'.
  std::string Dir() const { return dir_.string() + "/"; }

 private:
  std::filesystem::path dir_;
};

}  // namespace oxqr::testing
