// The text format over a report run by the engine with export-aware and plain controls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "OxQrCtrls/ExportControls.h"
#include "OxQrExport/text/TextFilter.h"
#include "engine/Report.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

TEST(TextExport, ReportExportedThroughTheEngine) {
  std::string dir = (fs::temp_directory_path() / "oxqr-textrun-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string path = (fs::path(dir) / "report.txt").string();
  TQRReport report;
  auto& band = report.AddBand(TQRBandType::rbDetail);
  band.SetHeightMM(20);
  auto& aware = band.Add<TOxQRLabel>();
  aware.Caption = "Aware";
  aware.SetBoundsMM(10, 2, 40, 5);
  auto& plain = band.Add<TQRLabel>();
  plain.Caption = "Plain";
  plain.SetBoundsMM(100, 2, 40, 5);
  report.Prepare();
  TOxQRTextFilter f(path);
  report.ExportToFilter(f);
  const std::string text = ReadFileBytes(path);
  // Both kinds of control reach the grid, on one row, in column order.
  const auto aPos = text.find("Aware");
  const auto pPos = text.find("Plain");
  ASSERT_NE(aPos, std::string::npos);
  ASSERT_NE(pPos, std::string::npos);
  EXPECT_LT(aPos, pPos);
  EXPECT_EQ(text.find("\r\n", aPos), text.find("\r\n", pPos));
  EXPECT_EQ(text.substr(text.size() - 3), "\f\r\n");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace oxqr
