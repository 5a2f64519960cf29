// CSV files read back by Python's csv module and by LibreOffice: the same rows and fields,
// and a text that looks like a formula stays a text.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "OxQrExport/core/Settings.h"
#include "OxQrExport/csv/CsvFilter.h"
#include "engine/Printer.h"
#include "excel/SheetReaders.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "support/ExportTestSupport.h"
#include "support/FilterJob.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;
using TFields = std::map<TCellPos, std::string>;

// Non-empty fields of a CSV file as Python's csv module reads it (UTF-8, BOM skipped).
bool ReadWithPythonCsv(const fs::path& csv, char separator, TFields& fields) {
  static const char* script =
      "import sys, csv, json\n"
      "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
      "  rows = list(csv.reader(f, delimiter=sys.argv[2], strict=True))\n"
      "sys.stdout.write(json.dumps(rows))\n";
  const auto run = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(csv.string()) + " " +
                            ShellQuote(std::string(1, separator)) + " 2>&1");
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(run.Output));
  if (run.Status != 0 || !doc.isArray()) return false;
  const QJsonArray rows = doc.array();
  for (int r = 0; r < rows.size(); ++r) {
    const QJsonArray row = rows[r].toArray();
    for (int c = 0; c < row.size(); ++c)
      if (!row[c].toString().isEmpty()) fields[{r, c}] = row[c].toString().toStdString();
  }
  return true;
}

// Non-empty fields as LibreOffice imports the file (UTF-8, `separator`, text as it is) and
// shows them, through a conversion to CSV with a profile of its own.
bool ReadWithSoffice(const fs::path& csv, char separator, const fs::path& dir, TFields& fields) {
  fs::create_directories(dir);
  const std::string in = "CSV:" + std::to_string(static_cast<int>(separator)) + ",34,76,1";
  RunShell("timeout 300 soffice -env:UserInstallation=file://" + (dir / ".lo-profile").string() +
           " --headless --infilter=" + ShellQuote(in) + " --convert-to " +
           ShellQuote("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true") + " --outdir " +
           ShellQuote(dir.string()) + " " + ShellQuote(csv.string()) + " >/dev/null 2>&1");
  const fs::path out = dir / csv.filename();
  if (!fs::exists(out)) return false;
  fields = ParseCsv(ReadFileBytes(out.string()));
  return true;
}

// The fields where two readings differ, shortened for the message.
std::vector<std::string> Differences(const TFields& a, const TFields& b) {
  std::vector<std::string> out;
  auto shown = [](const TFields& f, const TCellPos& pos) {
    const auto it = f.find(pos);
    return it == f.end() ? std::string("(none)") : "\"" + it->second.substr(0, 40) + "\"";
  };
  TFields all = a;
  all.insert(b.begin(), b.end());
  for (const auto& [pos, text] : all) {
    const auto x = a.find(pos), y = b.find(pos);
    if (x == a.end() || y == b.end() || x->second != y->second)
      out.push_back("(" + std::to_string(pos.first) + "," + std::to_string(pos.second) + ") " + shown(a, pos) +
                    " / " + shown(b, pos));
  }
  return out;
}

class CsvReadersTest : public ExportTest {
 protected:
  void SetUp() override {
    if (!HaveProgram("soffice")) GTEST_SKIP() << "soffice missing";
    ExportTest::SetUp();
    SetAnsiCodePage(1252);
  }
  // One text a line in two columns (code page 1252).
  fs::path Write(const std::vector<std::pair<std::string, std::string>>& lines) {
    const fs::path path = Dir() + "in.csv";
    TOxQRCSVFilter f(path.string());
    TQRPrinter printer;
    TFont font;
    RunFilterJob(f, printer, 1, [&](int) {
      double y = 50;
      for (const auto& [left, right] : lines) {
        f.WriteText(100, y, font, clWhite, TAlignment::taLeftJustify, left);
        f.WriteText(1500, y, font, clWhite, TAlignment::taLeftJustify, right);
        y += 50;
      }
    });
    return path;
  }
  const std::vector<std::pair<std::string, std::string>> kLines = {
      {"& < > \" '", "a,b;c"},
      {Utf8ToAnsi("café Müller €"), "say \"hi\""},
      {std::string(40000, 'L'), "end"},
      {"=1+1", "+1"},
      {"-5", "@SUM(A1)"},
      {"two\nlines", "tab\there"}};
};

TEST_F(CsvReadersTest, PythonAndLibreOfficeReadTheSameFields) {
  // The tab separator is quoted the same way (unit tests); each LibreOffice run costs seconds.
  for (const auto separator : {TCSVSeparator::csComma, TCSVSeparator::csSemicolon}) {
    QRExportSettings().CSV.Separator = separator;
    QRExportSettings().CSV.ByteOrderMark = separator == TCSVSeparator::csSemicolon;
    const char sep = separator == TCSVSeparator::csComma ? ',' : ';';
    SCOPED_TRACE(std::string("separator ") + sep);
    const fs::path csv = Write(kLines);
    TFields python;
    ASSERT_TRUE(ReadWithPythonCsv(csv, sep, python));
    ASSERT_EQ(python.size(), 2 * kLines.size());
    for (std::size_t i = 0; i < kLines.size(); ++i) {
      const std::string left = AnsiToUtf8(kLines[i].first);
      const bool guarded = std::string("=+-@").find(left[0]) != std::string::npos;
      EXPECT_EQ(python.at({static_cast<int>(i), 0}), (guarded ? "'" : "") + left);
    }
    TFields office;
    ASSERT_TRUE(ReadWithSoffice(csv, sep, Dir() + "office" + std::to_string(static_cast<int>(separator)), office));
    EXPECT_EQ(Differences(office, python), std::vector<std::string>());
  }
}

TEST_F(CsvReadersTest, FormulaLookingTextStaysText) {
  QRExportSettings().CSV.FormulaGuard = true;
  const fs::path csv = Write({{"=1+1", "=SUM(1,2)"}});
  TFields office;
  ASSERT_TRUE(ReadWithSoffice(csv, ',', Dir() + "office", office));
  EXPECT_EQ(office.at({0, 0}), "'=1+1");
  EXPECT_EQ(office.at({0, 1}), "'=SUM(1,2)");
}

}  // namespace
}  // namespace oxqr
