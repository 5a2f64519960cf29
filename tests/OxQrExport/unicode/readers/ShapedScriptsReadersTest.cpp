// Names in scripts that are shaped (Indic vowel signs drawn before their consonant,
// conjuncts, Thai, Khmer and Myanmar marks, Arabic's lam-alef, Hebrew, a line mixing Arabic
// and Latin) exported to PDF in the Unicode mode and read back by poppler: what the page
// shows comes back as the data holds it, the name no face can draw comes back as nothing
// and is told once, and a right-to-left line stands as the page picture draws it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <QString>

#include "OxQrExport/images/ImageFilters.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "platform/Files.h"
#include "support/ExportTestSupport.h"
#include "support/Fidelity.h"
#include "support/ReaderSupport.h"
#include "unicode/UnicodeNames.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

// Composed form, every run of blanks one blank: a name split in two by a reader does not
// match.
std::string Collapsed(const std::string& utf8) {
  QString s =
      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).normalized(QString::NormalizationForm_C);
  s.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
  return s.toStdString();
}

// The left edge of the first word of poppler's -bbox output that contains `part`.
double WordLeft(const std::string& bbox, const std::string& part) {
  const std::size_t at = bbox.find(part);
  if (at == std::string::npos) return -1;
  const std::size_t word = bbox.rfind("<word xMin=\"", at);
  if (word == std::string::npos) return -1;
  return std::stod(bbox.substr(word + 12));
}

// The top edge of the first word of poppler's -bbox output that contains `part`.
double WordTop(const std::string& bbox, const std::string& part) {
  const std::size_t at = bbox.find(part);
  const std::size_t word = at == std::string::npos ? at : bbox.rfind("<word ", at);
  const std::size_t y = word == std::string::npos ? word : bbox.find("yMin=\"", word);
  return y == std::string::npos ? -1 : std::stod(bbox.substr(y + 6));
}

class ShapedScriptsReaders : public testing::UnicodeModeTest {
 protected:
  void SetUp() override {
    UnicodeModeTest::SetUp();
    for (const char* tool : {"qpdf", "pdftotext", "fc-list"})
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    // The faces of fonts-noto-core draw every script of the fixture but Thaana.
    if (RunShell("fc-list ':charset=0939' family").Output.empty()) GTEST_SKIP() << "no Devanagari face installed";
    QRExportSettings().PDF.Compressed = false;
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { messages_.push_back(m); };
    pdf_ = (fs::path(Dir()) / "shaped.pdf").string();
    TOxQRPDFFilter filter(pdf_);
    report_.Report().ExportToFilter(filter);
    ASSERT_TRUE(fs::exists(pdf_));
  }
  void TearDown() override {
    QRExportSettings().OnErrorMessage = nullptr;  // it refers to this test
    UnicodeModeTest::TearDown();
  }
  testing::TUnicodeNamesReport report_{1, testing::ShapedNames()};
  std::string pdf_;
  std::vector<std::string> messages_;
};

TEST_F(ShapedScriptsReaders, PdftotextGivesEveryDrawnNameBackAsWritten) {
  const std::string check = RunShell("qpdf --check " + ShellQuote(pdf_) + " 2>&1").Output;
  EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;

  // poppler reads the lines in logical order, but spreads the text of one glyph left to
  // right even on a right-to-left line: a ligature's letters come back swapped (so they do
  // from Chromium's PDF). MuPDF takes them as written, so the name with lam-alef is read
  // there; the line mixing Arabic and Latin comes back from poppler in the order it is
  // drawn and is checked by its positions (below).
  const std::string read = RunShell("pdftotext " + ShellQuote(pdf_) + " -").Output;
  const std::string mupdf =
      HaveProgram("mutool") ? RunShell("mutool draw -F txt " + ShellQuote(pdf_) + " 2>/dev/null").Output : read;
  const std::string text = Collapsed(read);
  int back = 0, drawn = 0;
  for (const std::string& name : testing::ShapedNames()) {
    if (name == testing::UndrawableShapedName() || name.find('@') != std::string::npos) continue;
    ++drawn;
    const bool ligature = name.find("\xD9\x84\xD8\xA7") != std::string::npos;  // lam, alef
    const bool found = Collapsed(ligature ? mupdf : read).find(Collapsed(name)) != std::string::npos;
    back += found ? 1 : 0;
    EXPECT_TRUE(found) << (ligature ? "mutool" : "pdftotext") << " lost \"" << name << "\":\n" << read;
  }
  std::printf("[ shaped ] %d of %d drawn names back exactly\n", back, drawn);

  // The name in Thaana is drawn as boxes and shows no text, not unrelated letters.
  const QString all = QString::fromUtf8(read.data(), static_cast<qsizetype>(read.size()));
  for (const QChar c : all) EXPECT_FALSE(c.unicode() >= 0x0780 && c.unicode() <= 0x07BF) << read;
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(" in Thaana had no font"), std::string::npos) << messages_[0];

  // No text for the missing glyph; spans for the clusters that are not one glyph each.
  const std::string bytes = ReadFileBytes(pdf_);
  auto count = [&bytes](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = bytes.find(what); at != std::string::npos; at = bytes.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\n<0000> <"), count("\n<0000> <FFFF>\nendcodespacerange"));  // only the code space
  EXPECT_NE(bytes.find("/ActualText <FEFF"), std::string::npos);
}

TEST_F(ShapedScriptsReaders, ArabicWithLatinStandsRightToLeftAsOnThePagePicture) {
  // The line starts with Arabic: the painter lays it right to left, so the address in
  // brackets stands left of the name.
  const std::string bbox = RunShell("pdftotext -bbox " + ShellQuote(pdf_) + " -").Output;
  const double address = WordLeft(bbox, "salama@example.com");
  ASSERT_GE(address, 0) << bbox;
  double name = -1;  // the Arabic word on the address's line
  std::istringstream lines(bbox);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t y = line.find("yMin=\"");
    if (line.find("\xD8\xB3") == std::string::npos || y == std::string::npos) continue;
    if (std::abs(std::stod(line.substr(y + 6)) - WordTop(bbox, "salama@example.com")) < 2)
      name = std::stod(line.substr(line.find("xMin=\"") + 6));
  }
  ASSERT_GE(name, 0) << bbox;
  EXPECT_GT(name, address) << bbox;

  // The whole page as poppler draws it against the page picture: the shaped names, the
  // right-to-left line and the missing-glyph boxes stand where the picture has them.
  if (!HaveProgram("pdftoppm")) return;
  const fs::path dir = fs::path(Dir()) / "pictures";
  fs::create_directories(dir);
  TOxQRJPEGFilter jpeg((dir / "page.jpg").string());
  report_.Report().ExportToFilter(jpeg);
  RunShell("pdftoppm -r 96 -png -f 1 -l 1 " + ShellQuote(pdf_) + " " + ShellQuote((dir / "render").string()));
  QImage picture, shown;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".jpg") picture.load(QString::fromStdString(e.path().string()));
    if (e.path().extension() == ".png") shown.load(QString::fromStdString(e.path().string()));
  }
  ASSERT_FALSE(picture.isNull());
  ASSERT_FALSE(shown.isNull());
  const QRect both(0, 0, std::min(picture.width(), shown.width()), std::min(picture.height(), shown.height()));
  const auto f = testing::CompareDarkPixels(picture.copy(both), shown.copy(both));
  std::printf("[ fidelity ] shaped names page 1: pdftoppm %.4f / %.4f\n", f.AInB, f.BInA);
  EXPECT_GE(f.Min(), 0.9);
}

}  // namespace
}  // namespace oxqr
