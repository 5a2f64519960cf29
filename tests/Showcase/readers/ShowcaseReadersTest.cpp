// A page saved from the showcase's preview as an enhanced metafile opens in LibreOffice.
#include "../ShowcaseTestSupport.h"
#include "Showcase/samples/SampleContext.h"
#include "engine/FilterLibrary.h"
#include "engine/gui/PreviewWindow.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr::testing {
namespace {

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TShowcaseEnvironment);

TEST(ShowcaseReaders, EmfPageSavedFromThePreviewOpensInLibreOffice) {
  if (!HaveProgram("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  ResetExportSettings();
  const auto sample = MakeSampleReport("customers", DefaultSampleContext());
  sample->Report().Prepare();
  TQRPreviewWindow window(sample->Report());
  int type = 0;
  const auto& filters = FilterLibrary().Filters();
  for (std::size_t i = 0; i < filters.size(); ++i)
    if (filters[i].Extension == "emf") type = static_cast<int>(i) + 2;
  TScratch out;
  ASSERT_TRUE(window.SaveAs(out / "page.emf", type));
  const auto png = SofficeConvert(out / "page0001.emf", "png", out.Dir() / "lo");
  ASSERT_TRUE(std::filesystem::exists(png)) << "LibreOffice did not open the page";
  EXPECT_GT(std::filesystem::file_size(png), 1000u);
}

}  // namespace
}  // namespace oxqr::testing
