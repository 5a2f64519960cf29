// The file-not-created message: the specified text, then the file and the system's reason on
// a line of their own.
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
  // Creates the output as a format does.
  void Create() {
    try {
      TSafeFileStream out(FileName);
      out.Commit();
    } catch (const EFileError& e) {
      AbortFileNotCreated(e);
    }
  }
  using TOxQRExportFilter::AbortFileNotCreated;
};

TEST_F(ExportTest, FileNotCreatedNamesTheFileAndTheReasonOnASecondLine) {
  std::vector<std::string> messages;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { messages.push_back(m); };
  const std::string missing = Dir() + "missing/out.txt";
  {
    CreatingFilter filter(missing);
    filter.Create();
    EXPECT_TRUE(filter.Aborted());
  }
  const std::string expected = std::string(SFileNotCreated) + "\r\n" + missing + ": No such file or directory";
  EXPECT_EQ(messages, std::vector<std::string>{expected});

  // Without a file error there is nothing more to say than the message itself.
  CreatingFilter filter(missing);
  filter.AbortFileNotCreated();
  EXPECT_EQ(messages.back(), std::string(SFileNotCreated));
}

}  // namespace
}  // namespace oxqr
