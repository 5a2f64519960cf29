// Registration of the filter classes with the engine's FilterLibrary through VisibleFilters,
// the checking setters of the document settings and the error report.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OxQrExport/core/ExportFilterBase.h"
#include "OxQrExport/core/FilterKinds.h"
#include "OxQrExport/core/Filters.h"
#include "engine/FilterLibrary.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using K = TOxQRFilterKind;
using testing::ExportTest;

struct Entry {
  const char* Name;
  const char* Ext;
};
const Entry kEntries[] = {
    {"HTML Document", "htm"},          {"Adobe Acrobat Document", "pdf"}, {"Rich Text Format", "rtf"},
    {"Microsoft Excel Worksheet", "xls"}, {"Text Document", "txt"},       {"GIF Image File", "gif"},
    {"JPEG Image File", "jpg"},        {"Bitmap File", "bmp"},            {"Enhanced Metafile", "emf"},
    {"Windows Metafile", "wmf"},
};

// The save dialog's filter string for the given kinds in the given order, followed by the
// formats beyond the ten, which are always registered last.
std::string DialogFilter(const std::vector<K>& kinds) {
  std::string s = "QRReport file(*.QRP)|*.QRP";
  for (K k : kinds) {
    const Entry& e = kEntries[static_cast<int>(k)];
    s += std::string("|") + e.Name + " (*." + e.Ext + ")|*." + e.Ext;
  }
  return s + "|Excel Workbook (*.xlsx)|*.xlsx|CSV (Comma-Separated Values) (*.csv)|*.csv";
}

TEST_F(ExportTest, EveryKindRegistersItsClassWithNameAndExtension) {
  for (int i = 0; i < FilterKindCount; ++i) {
    const auto kind = static_cast<K>(i);
    SCOPED_TRACE(std::string(FilterKindName(kind)));
    const auto filter = FilterClassOfKind(kind)->Create("");
    EXPECT_EQ(filter->DisplayName(), kEntries[i].Name);
    EXPECT_EQ(filter->Extension(), kEntries[i].Ext);
    EXPECT_EQ(filter->Description(), "Enhanced, WYSIWYG Export Filters");
    EXPECT_FALSE(filter->IsContinuous());
    EXPECT_NE(dynamic_cast<TOxQRExportFilter*>(filter.get()), nullptr);
  }
}

TEST_F(ExportTest, VisibleFiltersDriveTheSaveDialog) {
  TOxQRExportSettings& s = QRExportSettings();
  const std::vector<K> inKindOrder = {K::fkHTML, K::fkPDF, K::fkRTF, K::fkExcel, K::fkText,
                                      K::fkGIF,  K::fkJPEG, K::fkBMP, K::fkEMF, K::fkWMF};
  EXPECT_EQ(s.VisibleFilters().Bits(), 1023);
  EXPECT_EQ(FilterLibrary().SaveDialogFilter(), DialogFilter(inKindOrder));

  s.SetVisibleFilters({K::fkPDF});
  EXPECT_EQ(FilterLibrary().SaveDialogFilter(), DialogFilter({K::fkPDF}));

  // Made visible together later, the others follow PDF in kind order.
  s.SetVisibleFilters(TOxQRVisibleFilters::All());
  EXPECT_EQ(FilterLibrary().SaveDialogFilter(),
            DialogFilter({K::fkPDF, K::fkHTML, K::fkRTF, K::fkExcel, K::fkText, K::fkGIF, K::fkJPEG, K::fkBMP,
                          K::fkEMF, K::fkWMF}));

  s.SetVisibleFilters({K::fkWMF, K::fkHTML});
  s.SetVisibleFilters({K::fkWMF, K::fkHTML, K::fkText});
  EXPECT_EQ(FilterLibrary().SaveDialogFilter(), DialogFilter({K::fkHTML, K::fkWMF, K::fkText}));
}

TEST_F(ExportTest, ComponentSetsVisibleFiltersOnlyOnChange) {
  // An entry registered by someone else shows whether the registry is touched: a remove
  // and re-add of HTML would move it behind that entry.
  TOxQRExportSettings& s = QRExportSettings();
  s.SetVisibleFilters({K::fkHTML});
  FilterLibrary().AddFilter(FilterClassOfKind(K::fkPDF));
  const std::string before = FilterLibrary().SaveDialogFilter();

  const TOxQRFilters filters;
  filters.SetVisibleFilters({K::fkHTML});
  EXPECT_EQ(FilterLibrary().SaveDialogFilter(), before);
  EXPECT_EQ(filters.VisibleFilters(), TOxQRVisibleFilters({K::fkHTML}));

  filters.SetVisibleFilters({K::fkHTML, K::fkBMP});
  EXPECT_EQ(FilterLibrary().SaveDialogFilter(), DialogFilter({K::fkHTML, K::fkPDF, K::fkBMP}));
  FilterLibrary().RemoveFilter(FilterClassOfKind(K::fkPDF));
}

TEST_F(ExportTest, DocumentImageFormatRefusesGIFWithAMessage) {
  std::vector<std::pair<TOxQRExportFilter*, std::string>> reports;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter* sender, const std::string& m) {
    reports.emplace_back(sender, m);
  };
  TOxQRExportSettings& s = QRExportSettings();
  s.PDF.SetExportImageFormat(TOxImageFormat::ifGIF);
  s.RTF.SetExportImageFormat(TOxImageFormat::ifJPG);
  s.RTF.SetExportImageFormat(TOxImageFormat::ifGIF);
  EXPECT_EQ(s.PDF.ExportImageFormat(), TOxImageFormat::ifBMP);
  EXPECT_EQ(s.RTF.ExportImageFormat(), TOxImageFormat::ifJPG);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].first, nullptr);
  EXPECT_EQ(reports[0].second, "The PDF export supports only JPEG and BMP image formats");
  EXPECT_EQ(reports[1].second, "The RTF export supports only JPEG and BMP image formats");

  s.PDF.SetExportImageFormat(TOxImageFormat::ifJPG);
  s.PDF.SetExportImageFormat(TOxImageFormat::ifGIF);
  EXPECT_EQ(s.PDF.ExportImageFormat(), TOxImageFormat::ifJPG) << "the previous value stays";
}

TEST_F(ExportTest, ReportErrorGoesToTheHandlerElseTheErrorBoxElseStandardError) {
  std::string handled, boxed;
  TOxQRExportFilter filter("out.txt");

  ::testing::internal::CaptureStderr();
  ReportError(nullptr, "plain message");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("plain message"), std::string::npos);

  SetErrorBoxHandler([&](const std::string& m) { boxed = m; });
  ReportError(&filter, "to the box");
  EXPECT_EQ(boxed, "to the box");

  TOxQRExportFilter* sender = nullptr;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter* s, const std::string& m) {
    sender = s;
    handled = m;
  };
  ReportError(&filter, "to the handler");
  EXPECT_EQ(handled, "to the handler");
  EXPECT_EQ(sender, &filter);
  EXPECT_EQ(boxed, "to the box") << "no box while the application handles errors";
  SetErrorBoxHandler(nullptr);
}

}  // namespace
}  // namespace oxqr
