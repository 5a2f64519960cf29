// The file-not-created message: the specified text, then the file and the system's reason on
// a line of their own, whichever way a format reports the failed creation.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/ExportFilterBase.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::ExportTest;

class CreatingFilter final : public TOxQRExportFilter {
 public:
  using TOxQRExportFilter::TOxQRExportFilter;
  std::string Extension() const override { return "txt"; }
  std::string DisplayName() const override { return "Test"; }
  // Creates the output as a format does; `passError` chooses the overload called in the catch.
  void Create(bool passError) {
    try {
      TSafeFileStream out(FileName);
      out.Commit();
    } catch (const EFileError& e) {
      if (passError)
        AbortFileNotCreated(e);
      else
        AbortFileNotCreated();
    }
  }
  using TOxQRExportFilter::AbortFileNotCreated;
};

TEST_F(ExportTest, FileNotCreatedNamesTheFileAndTheReasonOnASecondLine) {
  std::vector<std::string> messages;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { messages.push_back(m); };
  const std::string missing = Dir() + "missing/out.txt";
  for (const bool passError : {true, false}) {
    CreatingFilter filter(missing);
    filter.Create(passError);
    EXPECT_TRUE(filter.Aborted());
  }
  const std::string expected = std::string(SFileNotCreated) + "\r\n" + missing + ": No such file or directory";
  EXPECT_EQ(messages, (std::vector<std::string>{expected, expected}));

  // Outside a failure there is nothing more to say than the specified text.
  CreatingFilter filter(missing);
  filter.AbortFileNotCreated();
  EXPECT_EQ(messages.back(), std::string(SFileNotCreated));
}

}  // namespace
}  // namespace oxqr
