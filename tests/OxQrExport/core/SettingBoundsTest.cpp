// The property table refuses numbers that no export can use (non-finite, out of range) with
// a message giving the allowed range; --set and form text both read through it. The
// settings objects' own setters stay unchecked.
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "OxQrExport/core/Filters.h"
#include "OxQrExport/core/SettingProperties.h"
#include "platform/Errors.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::ExportTest;

struct BoundCase {
  const char* Name;
  const char* Path;
  const char* Value;
  bool Accepted;
  const char* Allowed;  // the range named by the refusal
};

// Failure output names the case instead of printing its bytes.
void PrintTo(const BoundCase& c, std::ostream* os) { *os << c.Path << "=" << c.Value; }

const BoundCase kBoundCases[] = {
    {"scale_inf", "Text.XScaleFactor", "inf", false, "above 0 up to 100"},
    {"scale_minus_inf", "Text.XScaleFactor", "-inf", false, "above 0 up to 100"},
    {"scale_nan", "Text.XScaleFactor", "nan", false, "above 0 up to 100"},
    {"scale_1e6", "Text.XScaleFactor", "1e6", false, "above 0 up to 100"},
    {"scale_1e308", "Text.XScaleFactor", "1e308", false, "above 0 up to 100"},
    {"scale_zero", "Text.XScaleFactor", "0", false, "above 0 up to 100"},
    {"scale_negative", "Text.XScaleFactor", "-1", false, "above 0 up to 100"},
    {"scale_smallest", "Text.XScaleFactor", "0.001", true, ""},
    {"scale_largest", "Text.XScaleFactor", "100", true, ""},
    {"scale_above", "Text.XScaleFactor", "100.5", false, "above 0 up to 100"},
    {"jpeg_quality_zero", "JPEG.Quality", "0", false, "1..100"},
    {"jpeg_quality_one", "JPEG.Quality", "1", true, ""},
    {"jpeg_quality_hundred", "JPEG.Quality", "100", true, ""},
    {"jpeg_quality_101", "JPEG.Quality", "101", false, "1..100"},
    {"jpeg_quality_255", "JPEG.Quality", "255", false, "1..100"},
    {"pdf_quality_zero", "PDF.JPEGQuality", "0", false, "1..100"},
    {"html_quality_101", "HTML.JPEGQuality", "101", false, "1..100"},
    {"rtf_quality_50", "RTF.JPEGQuality", "50", true, ""},
    {"dpi_keep", "HTML.ImageDPI", "-1", true, ""},
    {"dpi_zero", "HTML.ImageDPI", "0", false, "-1 or 1..1200"},
    {"dpi_minus_two", "PDF.ImageDPI", "-2", false, "-1 or 1..1200"},
    {"dpi_1200", "PDF.ImageDPI", "1200", true, ""},
    {"dpi_1201", "RTF.ImageDPI", "1201", false, "-1 or 1..1200"},
    {"compression_unknown", "PDF.CompressionMethod", "cmLevel9", false,
     "cmFastest, cmNormal, cmMaxCompress"},
};

class SettingBoundsTest : public ExportTest, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(SettingBoundsTest, SetRefusesValuesOutsideTheRangeAndNamesIt) {
  const BoundCase& c = GetParam();
  const TSettingProperty* p = FindSetting(c.Path);
  ASSERT_NE(p, nullptr);
  const TSettingValue before = p->Get(QRExportSettings());
  std::string error;
  EXPECT_EQ(SetSettingByPath(c.Path, c.Value, error), c.Accepted) << error;
  if (c.Accepted) {
    EXPECT_EQ(p->Get(QRExportSettings()), ParseCommandValue(*p, c.Value));
    return;
  }
  EXPECT_EQ(p->Get(QRExportSettings()), before);  // refused before anything changed
  EXPECT_NE(error.find(c.Path), std::string::npos) << error;
  EXPECT_NE(error.find(c.Allowed), std::string::npos) << error;

  // Form text reads through the same table: the same value is refused there too.
  TOxQRFilters filters;
  EXPECT_THROW(filters.ReadFormText("object F: TOxQRFilters\n  " + std::string(c.Path) + " = " + c.Value + "\nend\n"),
               EOxQRError);
}

INSTANTIATE_TEST_SUITE_P(Bounds, SettingBoundsTest, ::testing::ValuesIn(kBoundCases),
                         [](const ::testing::TestParamInfo<BoundCase>& info) { return std::string(info.param.Name); });

TEST_F(ExportTest, SettersOfTheSettingsObjectsStayUnchecked) {
  QRExportSettings().Text.XScaleFactor = 0;
  QRExportSettings().JPEG.Quality = 0;
  QRExportSettings().HTML.ImageDPI = 5000;
  EXPECT_EQ(QRExportSettings().Text.XScaleFactor, 0.0);
  EXPECT_EQ(QRExportSettings().JPEG.Quality, 0);
  EXPECT_EQ(QRExportSettings().HTML.ImageDPI, 5000);
}

// Every default lies inside its own range, and is read back from its --set form.
TEST_F(ExportTest, EveryDefaultIsAcceptedInCommandLineSyntax) {
  for (const auto& p : SettingProperties()) {
    SCOPED_TRACE(p.Path);
    const std::string text = FormatCommandValue(p, p.Default);
    EXPECT_EQ(ParseCommandValue(p, text), p.Default) << text;
    EXPECT_FALSE(AllowedValues(p).empty());
  }
}

}  // namespace
}  // namespace oxqr
