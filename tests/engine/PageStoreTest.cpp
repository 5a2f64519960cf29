// The printer's page store: pages packed in memory and pages moved to the temporary
// file read back as they were recorded, for preview navigation and for export runs.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include <QImage>
#include <gtest/gtest.h>

#include "OxQrExport/core/Settings.h"
#include "OxQrExport/images/ImageFilters.h"
#include "OxQrExport/text/TextFilter.h"
#include "ReportFixture.h"
#include "data/CountingDataSet.h"
#include "engine/FilterLibrary.h"
#include "engine/Printer.h"
#include "engine/SaveCommand.h"
#include "platform/Bitmap.h"
#include "platform/Errors.h"
#include "platform/MetafileStore.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

// A folder of its own, set as TMPDIR while the object lives (the page store's temporary
// file goes there), removed afterwards.
class TTempDirGuard {
 public:
  explicit TTempDirGuard(const std::string& tag, bool create = true) {
    path_ = fs::temp_directory_path() / ("oxqr-pagestore-" + tag + "-" + std::to_string(::getpid()));
    fs::remove_all(path_);
    if (create) fs::create_directories(path_);
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", path_.c_str(), 1);
  }
  ~TTempDirGuard() {
    if (old_)
      ::setenv("TMPDIR", old_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TTempDirGuard(const TTempDirGuard&) = delete;
  TTempDirGuard& operator=(const TTempDirGuard&) = delete;
  const fs::path& Path() const { return path_; }
  // Files of the page store in the folder.
  int StoreFiles() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(path_)) n += e.path().filename().string().starts_with("oxqr-pages-");
    return n;
  }

 private:
  fs::path path_;
  std::optional<std::string> old_;
};

// Every file of `dir` by name with its bytes.
std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    out[e.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
  }
  return out;
}

// A small-paper report of `records` detail bands, five to a page: numbered text in two
// fonts, a coloured band, a framed circle and the same picture on every band.
class TManyPages {
 public:
  explicit TManyPages(int records) : data_(records) {
    report_.DataSet = &data_;
    report_.Page.SetPaper(TQRPaperSize::Custom);
    report_.Page.NativeWidth = 800;
    report_.Page.NativeLength = 600;
    report_.Page.SetMarginsMM(0, 0, 0, 0);
    auto& band = test::AddBand(report_, TQRBandType::rbDetail, 120);
    band.Color = clYellow;
    band.Frame.SetAll(true);
    test::AddLabel(band, "Customer and the amount due", 10, 5, 500);
    auto& number = band.Add<TQRSysData>();
    number.Data = TQRSysDataType::qrsDetailNo;
    number.Text_ = "Record ";
    number.Font.Style.Include(TFontStyle::fsBold);
    number.Size = TQRSize{45, 10, 60, 300};
    auto& shape = band.Add<TQRShape>();
    shape.Shape = TQRShapeType::qrsCircle;
    shape.Brush = TBrush{clTeal, TBrushStyle::bsDiagCross};
    shape.Size = TQRSize{100, 550, 10, 100};
    auto& image = band.Add<TQRImage>();
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(qRgb(200, 40, 40));
    image.Picture.SetImage(picture);
    image.Stretch = true;
    image.Size = TQRSize{80, 680, 10, 100};
  }
  TQRReport& Report() { return report_; }

 private:
  TCountingDataSet data_;
  TQRReport report_;
};

// Prepares with the given budget and exports to text and JPEG in `out`.
void PrepareAndExport(TManyPages& r, std::size_t budget, const fs::path& out) {
  r.Report().QRPrinter().SetPageMemoryBudget(budget);
  r.Report().Prepare();
  fs::create_directories(out);
  ExportReport(r.Report(), *ClassOf<TOxQRTextFilter>(), (out / "report.txt").string());
  ExportReport(r.Report(), *ClassOf<TOxQRJPEGFilter>(), (out / "page.jpg").string());
}

TEST(PageStore, PagesOnDiskReadBackAsRecordedBothWaysAndExportTheSame) {
  const TTempDirGuard temp("navigate");
  TManyPages inMemory(1000), onDisk(1000);
  PrepareAndExport(inMemory, 0, temp.Path() / "memory");
  PrepareAndExport(onDisk, 1, temp.Path() / "disk");

  const TQRPrinter& a = inMemory.Report().QRPrinter();
  const TQRPrinter& b = onDisk.Report().QRPrinter();
  ASSERT_EQ(a.PageCount(), 200);
  ASSERT_EQ(b.PageCount(), 200);
  EXPECT_EQ(a.PagesOnDisk(), 0);
  EXPECT_GE(b.PagesOnDisk(), 198);  // all but the first finished page and the last one
  for (int n = b.PageCount(); n >= 1; --n) ASSERT_TRUE(*b.Page(n) == *a.Page(n)) << "backwards, page " << n;
  for (int n = 1; n <= b.PageCount(); ++n) ASSERT_TRUE(*b.Page(n) == *a.Page(n)) << "forwards, page " << n;

  const auto memoryFiles = Files(temp.Path() / "memory");
  ASSERT_EQ(memoryFiles.size(), 201u);  // the text file and a picture per page
  EXPECT_TRUE(memoryFiles == Files(temp.Path() / "disk"));
  EXPECT_EQ(temp.StoreFiles(), 0);
}

TEST(PageStore, PackedPageKeepsEveryFieldAndSharesTheTables) {
  TMetafile page(300, 200);
  TMetafileCanvas canvas(page);
  canvas.Font.Name = "Times New Roman";
  canvas.Font.Size = -12;
  canvas.Font.Style = {TFontStyle::fsItalic, TFontStyle::fsUnderline};
  canvas.Brush = TBrush{clNone, TBrushStyle::bsClear};
  canvas.TextOut(-5, 7, "Caf\xE9");
  canvas.Brush = TBrush{static_cast<TColor>(0x80000005), TBrushStyle::bsSolid};
  canvas.TextRect(TRect{1, 2, 30, 40}, 3, 4, "");
  canvas.Pen = TPen{clRed, 3, TPenStyle::psDashDot};
  canvas.Rectangle(0, 0, 100000, 5);
  canvas.Ellipse(-1, -2, 3, 4);
  canvas.Line(1, 2, 1, 2);
  canvas.FillRect(TRect{5, 6, 7, 8});
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  canvas.StretchDraw(TRect{0, 0, 9, 9}, bitmap);
  page.Records.push_back(MrBitmap{TRect{1, 1, 2, 2}, nullptr});
  TMetafile moved(300, 200);
  TMetafileCanvas(moved).Draw(11, 13, page);  // unclipped text gets a moved clip rectangle

  for (const std::size_t budget : {std::size_t{0}, std::size_t{1}}) {
    TMetafileStore store(budget);
    for (int i = 0; i < 3; ++i) store.Add(i == 1 ? moved : page);
    EXPECT_EQ(store.PagesOnDisk(), budget == 0 ? 0 : 3) << budget;
    EXPECT_TRUE(store.Page(0) == page) << budget;
    EXPECT_TRUE(store.Page(1) == moved) << budget;
    EXPECT_TRUE(store.Page(2) == page) << budget;
    // One picture for every page that shows it.
    const TMetafile first = store.Page(0), last = store.Page(2);
    EXPECT_EQ(std::get<MrBitmap>(first.Records[6]).Image, std::get<MrBitmap>(last.Records[6]).Image) << budget;
  }
}

// Values filled in after a run replace stored pages: a smaller and a larger page, in memory
// and on disk, the page being printed and a page the printer has already unpacked.
TEST(PageStore, ReplacedPagesReadBackAndLeaveTheOthersAlone) {
  auto pageWith = [](const std::string& text) {
    TMetafile page(300, 200);
    TMetafileCanvas(page).TextOut(1, 2, text);
    return page;
  };
  const TMetafile shorter = pageWith("1"), longer = pageWith(std::string(500, 'x'));
  for (const std::size_t budget : {std::size_t{0}, std::size_t{1}}) {
    TQRPrinter printer;
    printer.SetPageMemoryBudget(budget);
    for (const char* text : {"one", "two", "three"}) {
      printer.NewPage();
      printer.Canvas().TextOut(1, 2, text);
    }
    ASSERT_NE(printer.Page(1), nullptr);  // unpacked into the printer's cache
    printer.ReplacePage(1, longer);
    printer.ReplacePage(2, shorter);
    printer.ReplacePage(3, shorter);
    printer.Canvas().TextOut(5, 6, "more");  // the page being printed keeps recording
    printer.NewPage();
    EXPECT_TRUE(*printer.Page(1) == longer) << budget;
    EXPECT_TRUE(*printer.Page(2) == shorter) << budget;
    EXPECT_EQ(printer.Page(3)->Records.size(), 2u) << budget;
    EXPECT_TRUE(*printer.Page(4) == TMetafile(printer.Page(4)->Width, printer.Page(4)->Height)) << budget;
    printer.ReplacePage(2, longer);  // larger than the page it replaces
    EXPECT_TRUE(*printer.Page(2) == longer) << budget;
    EXPECT_TRUE(*printer.Page(1) == longer) << budget;
    EXPECT_THROW(printer.ReplacePage(5, shorter), std::out_of_range);
  }
}

TEST(PageStore, PrinterThatKeepsNoPagesCountsThemAndKeepsOnlyThePageBeingPrinted) {
  TTempDirGuard dir("nokeep");
  TQRPrinter printer, keeping;
  printer.SetPageMemoryBudget(1);  // would spill every page if it kept them
  printer.SetKeepsPages(false);
  keeping.SetPageMemoryBudget(0);  // keeps every page in memory
  for (TQRPrinter* p : {&printer, &keeping})
    for (const char* text : {"one", "two", "three"}) {
      p->NewPage();
      p->Canvas().TextOut(1, 2, text);
    }
  EXPECT_EQ(printer.PageCount(), 3);
  EXPECT_LT(printer.PageStoreBytes(), keeping.PageStoreBytes());  // only the page being printed
  EXPECT_EQ(printer.PagesOnDisk(), 0);
  EXPECT_EQ(dir.StoreFiles(), 0);
  EXPECT_EQ(printer.Page(1), nullptr);
  EXPECT_EQ(printer.Page(2), nullptr);
  ASSERT_NE(printer.Page(3), nullptr);
  EXPECT_EQ(printer.Page(3), printer.PrintingPage());
  TMetafile replacement(300, 200);
  {
    TMetafileCanvas canvas(replacement);
    for (const char* text : {"new", "newer"}) canvas.TextOut(1, 2, text);
  }
  printer.ReplacePage(2, replacement);  // a dropped page: nothing to replace, nothing thrown
  printer.ReplacePage(3, replacement);
  EXPECT_EQ(printer.Page(3)->Records.size(), replacement.Records.size());
  EXPECT_THROW(printer.ReplacePage(4, replacement), std::out_of_range);
  printer.Clear();
  EXPECT_EQ(printer.PageCount(), 0);
}

TEST(PageStore, TemporaryFileGoneAfterAnExportThatThrows) {
  const TTempDirGuard temp("throws");
  TManyPages r(200);
  r.Report().QRPrinter().SetPageMemoryBudget(1);
  r.Report().Prepare();
  ASSERT_GT(r.Report().QRPrinter().PagesOnDisk(), 30);
  auto& settings = QRExportSettings();
  int pages = 0;
  settings.OnEndPage = [&pages](TOxQRExportFilter*) {
    if (++pages == 12) throw std::runtime_error("stopped by the handler");
  };
  const fs::path out = temp.Path() / "out";
  fs::create_directories(out);
  EXPECT_THROW(ExportReport(r.Report(), *ClassOf<TOxQRJPEGFilter>(), (out / "page.jpg").string()),
               std::runtime_error);
  settings.OnEndPage = nullptr;
  EXPECT_EQ(temp.StoreFiles(), 0);
  r.Report().QRPrinter().Clear();
  EXPECT_EQ(r.Report().QRPrinter().PagesOnDisk(), 0);
}

TEST(PageStore, UnwritableTemporaryFolderNamesThePathAndTheReason) {
  const TTempDirGuard temp("missing", false);  // TMPDIR names a folder that does not exist
  TManyPages r(50);
  r.Report().QRPrinter().SetPageMemoryBudget(1);
  try {
    r.Report().Prepare();
    FAIL() << "no error although the pages could not leave memory";
  } catch (const EFileError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(temp.Path().string() + "/oxqr-pages-"), std::string::npos) << what;
    EXPECT_NE(what.find("No such file or directory"), std::string::npos) << what;
  }
}

}  // namespace
}  // namespace oxqr
