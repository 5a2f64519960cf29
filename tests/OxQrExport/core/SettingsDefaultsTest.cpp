// Defaults of every published setting, checked through the property table against the
// values the settings objects really start with.
#include <algorithm>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "OxQrExport/core/SettingProperties.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::ExportTest;

// Every published setting with its default in form text syntax.
const std::map<std::string, std::string> kDefaults = {
    {"VisibleFilters", "[fkHTML, fkPDF, fkRTF, fkExcel, fkText, fkGIF, fkJPEG, fkBMP, fkEMF, fkWMF]"},
    // Document settings, the same for HTML, PDF and RTF (added below).
    {"HTML.CSSFileName", "''"},
    {"HTML.ExportImageFormat", "ifJPG"},
    {"HTML.FirstLinkText", "'First'"},
    {"HTML.LastLinkText", "'Last'"},
    {"HTML.NextLinkText", "'Next'"},
    {"HTML.PrevLinkText", "'Previous'"},
    {"HTML.ImageDir", "''"},
    {"HTML.GraphicNavUseWebdings", "False"},
    {"HTML.NavigatorType", "ntFixedToScreen"},
    {"HTML.OptimizeForIE", "True"},
    {"HTML.OutputStylesToCSSFile", "False"},
    {"HTML.PageEndLines", "True"},
    {"HTML.RichTextEncodingType", "rtImage"},
    {"HTML.SingleFile", "False"},
    {"HTML.ShowNavigator", "True"},
    {"HTML.UseTextLinks", "False"},
    {"HTML.ReuseIdenticalImages", "False"},
    {"HTML.BarcodesAsPictures", "False"},
    {"PDF.Compressed", "True"},
    {"PDF.CompressionMethod", "cmMaxCompress"},
    {"PDF.ExportImageFormat", "ifBMP"},
    {"PDF.FontEncoding", "feWinAnsiEncoding"},
    {"PDF.RichTextEncodingType", "rtImage"},
    {"PDF.EmbedFonts", "False"},
    {"PDF.ReuseIdenticalImages", "False"},
    {"PDF.Conformance", "none"},
    {"PDF.ConformanceStrict", "True"},
    {"RTF.ExportImageFormat", "ifJPG"},
    {"Excel.ExportRichText", "True"},
    {"Excel.LineSpacing", "lsOneBlank"},
    {"Excel.SetCellAttributes", "True"},
    {"Excel.NativeNumbers", "False"},
    {"Text.ExportRichText", "True"},
    {"Text.LineSpacing", "lsOneBlank"},
    {"Text.PageBreaks", "True"},
    {"Text.PageEndLines", "True"},
    {"Text.SingleFile", "True"},
    {"Text.XScaleFactor", "1.0"},
    {"GIF.Monochrome", "False"},
    {"GIF.PixelFormat", "pf24bit"},
    {"JPEG.Monochrome", "False"},
    {"JPEG.PixelFormat", "pf24bit"},
    {"JPEG.ProgressiveEncoding", "True"},
    {"JPEG.Quality", "100"},
    {"BMP.Monochrome", "False"},
    {"BMP.PixelFormat", "pf24bit"},
    {"EMF.FillUnusedArea", "True"},
    {"WMF.FillUnusedArea", "True"},
    {"XLSX.ExportRichText", "True"},
    {"XLSX.LineSpacing", "lsOneBlank"},
    {"XLSX.FreezeHeaderRows", "True"},
    {"XLSX.SheetPerPage", "False"},
    {"XLSX.Author", "''"},
    {"XLSX.Keywords", "''"},
    {"XLSX.Subject", "''"},
    {"XLSX.Title", "''"},
    {"CSV.ExportRichText", "True"},
    {"CSV.Separator", "csComma"},
    {"CSV.ByteOrderMark", "False"},
    {"CSV.PlainNumbers", "True"},
    {"CSV.FormulaGuard", "True"},
    {"Database.StatementTimeout", "0"},
};

const std::map<std::string, std::string> kDocumentDefaults = {
    {"Author", "''"},          {"Creator", "'QRReport'"},    {"ExportImages", "True"},
    {"JPEGQuality", "100"},    {"Keywords", "''"},           {"ImageDPI", "-1"},
    {"ImagePixelFormat", "pf24bit"}, {"ExportRichText", "True"}, {"OptimizeBackgroundPainting", "True"},
    {"Subject", "''"},         {"Title", "''"},
};

std::map<std::string, std::string> AllDefaults() {
  auto all = kDefaults;
  for (const char* group : {"HTML", "PDF", "RTF"}) {
    for (const auto& [name, value] : kDocumentDefaults) all[std::string(group) + "." + name] = value;
  }
  return all;
}

TEST_F(ExportTest, EverySettingStartsAtItsDocumentedDefault) {
  const auto expected = AllDefaults();
  const auto& table = SettingProperties();
  EXPECT_EQ(table.size(), expected.size()) << "a published setting is missing from one side";
  const TOxQRExportSettings& settings = QRExportSettings();
  for (const auto& p : table) {
    SCOPED_TRACE(p.Path);
    const auto it = expected.find(p.Path);
    ASSERT_NE(it, expected.end());
    EXPECT_EQ(FormatFormValue(p, p.Default), it->second);
    EXPECT_EQ(FormatFormValue(p, p.Get(settings)), it->second);
  }
}

TEST_F(ExportTest, SettingPathsAreUniqueAndInPublishedGroupOrder) {
  const auto paths = SettingPaths();
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.front(), "VisibleFilters");
  std::string groups;
  for (const auto& path : paths) {
    EXPECT_EQ(std::count(paths.begin(), paths.end(), path), 1) << path;
    const auto dot = path.find('.');
    if (dot == std::string::npos) continue;
    const std::string group = path.substr(0, dot);
    if (groups.empty() || groups.substr(groups.rfind(' ') + 1) != group) groups += " " + group;
  }
  EXPECT_EQ(groups, " HTML PDF RTF Excel Text GIF JPEG BMP EMF WMF XLSX CSV Database");
}

}  // namespace
}  // namespace oxqr
