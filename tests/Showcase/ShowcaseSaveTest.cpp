// Saving from the preview as a user does: every sample through every type, through the
// real file dialog, with settings edited in the Properties window, printing to a PDF file,
// cancelling a long export, and the opt-ins around a save.
#include <fstream>
#include <sstream>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

#include "ShowcaseTestSupport.h"
#include "OxQrExport/core/SettingProperties.h"
#include "Showcase/app/PropertiesWindow.h"
#include "Showcase/samples/SampleContext.h"
#include "data/Table.h"
#include "data/tools/DemoDataBuilder.h"
#include "engine/FilterLibrary.h"
#include "engine/gui/PageView.h"
#include "engine/gui/PreviewWindow.h"
#include "platform/Locale.h"
#include "platform/Metafile.h"
#include "tests/OxQrExport/support/Fidelity.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace fs = std::filesystem;

namespace oxqr::testing {
namespace {

// The save dialog's type of a format: 1 the engine's file, k >= 2 registry entry k - 2.
int FileTypeOf(const std::string& ext) {
  if (ext == "QRP") return 1;
  const auto& filters = FilterLibrary().Filters();
  for (std::size_t i = 0; i < filters.size(); ++i)
    if (filters[i].Extension == ext) return static_cast<int>(i) + 2;
  return 0;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

std::size_t WidestLine(const std::string& text) {
  std::size_t w = 0;
  for (const auto& l : Lines(text)) {
    const auto end = l.find_last_not_of(' ');
    w = std::max(w, end == std::string::npos ? 0 : end + 1);
  }
  return w;
}

std::string PageFile(const std::string& base, int page, const std::string& ext) {
  char n[16];
  std::snprintf(n, sizeof n, "%04d", page);
  return base + n + "." + ext;
}

// A prepared sample with its preview window, as after pressing Preview.
struct TPreviewed {
  explicit TPreviewed(const std::string& key, const TSampleContext& ctx = DefaultSampleContext())
      : Sample(MakeSampleReport(key, ctx)) {
    Sample->Report().Prepare();
    Window = std::make_unique<TQRPreviewWindow>(Sample->Report());
  }
  int Pages() const { return Window->PageCount(); }
  std::unique_ptr<TSampleReport> Sample;
  std::unique_ptr<TQRPreviewWindow> Window;
};

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetExportSettings(); }
  void TearDown() override {
    SetOpenAfterSaving(false);
    SetDesktopOpener(nullptr);
    SetDecimalSeparator('.');
    ResetExportSettings();
  }
};

// ---- every sample through every type -------------------------------------------------------

class SaveEverySample : public SaveTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SaveEverySample, ThroughEveryTypeNeverASuccessAfterAnError) {
  const std::string key = GetParam();
  TPreviewed p(key);
  TScratch out;
  const std::string base = out / key;
  std::vector<std::string> types{"QRP"};
  for (const auto& e : FilterLibrary().Filters()) types.push_back(e.Extension);
  ASSERT_EQ(types.size(), 13u);  // the engine's file, the ten kinds, .xlsx and .csv
  for (const std::string& ext : types) {
    SCOPED_TRACE(key + "." + ext);
    TBoxWatcher boxes;
    const bool saved = p.Window->SaveAs(base + "." + ext, FileTypeOf(ext));
    EXPECT_EQ(saved, boxes.Texts().empty()) << "an answer of true only when no error was shown";
    const bool perPage = ext == "gif" || ext == "jpg" || ext == "bmp" || ext == "emf" || ext == "wmf";
    if (perPage) {
      ASSERT_TRUE(saved);
      for (int page = 1; page <= p.Pages(); ++page) EXPECT_TRUE(fs::exists(PageFile(base, page, ext))) << page;
      EXPECT_FALSE(fs::exists(PageFile(base, p.Pages() + 1, ext)));
      EXPECT_NE(p.Window->StatusText().indexOf(QString::fromStdString(fs::path(PageFile(base, 1, ext)).filename().string())), -1)
          << p.Window->StatusText().toStdString();
    } else if (ext == "htm" || ext == "pdf" || ext == "rtf" || ext == "xls") {
      // Formats still stand-ins report "not available" in a box and write nothing.
      if (saved) {
        EXPECT_TRUE(fs::exists(base + "." + ext) || fs::exists(PageFile(base, 1, ext)));
      } else {
        EXPECT_FALSE(fs::exists(base + "." + ext));
        EXPECT_NE(p.Window->StatusText().indexOf("Not saved"), -1);
      }
    } else {
      ASSERT_TRUE(saved);
      ASSERT_TRUE(fs::exists(base + "." + ext));
    }
  }
  TQRPrinter loaded;
  loaded.LoadFromFile(base + ".QRP");
  EXPECT_EQ(loaded.PageCount(), p.Pages());
  EXPECT_EQ(ReadFile(base + ".txt").find("To export report"), std::string::npos) << "the surface hint is never printed";

  // One page file per page opens in the readers.
  const std::string first = PageFile(base, 1, "");
  if (HaveProgram("identify")) {
    for (const char* ext : {"gif", "jpg", "bmp"}) {
      const TShellRun r = RunShell("identify -format '%m' " + ShellQuote(first + ext) + "[0]");
      EXPECT_EQ(r.Status, 0) << ext;
    }
  }
  if (HaveProgram("djpeg")) {
    EXPECT_EQ(RunShell("djpeg " + ShellQuote(first + "jpg") + " >/dev/null").Status, 0);
  }
  if (HaveProgram("giftopnm")) {
    EXPECT_EQ(RunShell("giftopnm " + ShellQuote(first + "gif") + " >/dev/null").Status, 0);
  }
  if (HaveProgram("wmf2svg")) {
    const TShellRun r = RunShell("wmf2svg -o " + ShellQuote(out / "p1.svg") + " " + ShellQuote(first + "wmf") + " 2>&1");
    EXPECT_EQ(r.Status, 0) << r.Output;
    EXPECT_TRUE(fs::exists(out / "p1.svg"));
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, SaveEverySample, ::testing::Values("customers", "events", "richtext", "chart", "labels", "sales"),
                         [](const auto& info) { return info.param; });

// ---- the real file dialog ----------------------------------------------------------------

QAction* ToolAction(QWidget& window, const QString& text) {
  for (QToolBar* bar : window.findChildren<QToolBar*>())
    for (QAction* a : bar->actions())
      if (a->text() == text) return a;
  return nullptr;
}

TEST_F(SaveTest, ThroughTheSaveDialogWhichReopensInTheLastFolderAndType) {
  TPreviewed p("customers");
  TScratch out;
  const std::string name = out / "dialog";
  {
    TWindowWatcher<QFileDialog> answer([&name](QFileDialog& dialog) {
      QTimer::singleShot(50, &dialog, [&dialog, &name] {
        dialog.selectNameFilter("JPEG Image File (*.jpg)");
        QLineEdit* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QString::fromStdString(name));
        QTest::keyClick(edit, Qt::Key_Return);
      });
    });
    ToolAction(*p.Window, "Save")->trigger();
  }
  EXPECT_TRUE(fs::exists(PageFile(name, 1, "jpg")));
  EXPECT_TRUE(fs::exists(PageFile(name, p.Pages(), "jpg")));

  QString folder, type;
  TWindowWatcher<QFileDialog> look([&folder, &type](QFileDialog& dialog) {
    QTimer::singleShot(50, &dialog, [&] {
      folder = dialog.directory().absolutePath();
      type = dialog.selectedNameFilter();
      dialog.reject();
    });
  });
  ToolAction(*p.Window, "Save")->trigger();
  EXPECT_EQ(folder.toStdString(), fs::canonical(out.Dir()).string());
  EXPECT_EQ(type, "JPEG Image File (*.jpg)");
}

// ---- settings edited in the Properties window reach the file -----------------------------

class PropertiesReachTheFile : public SaveTest {
 protected:
  void SetUp() override {
    SaveTest::SetUp();
    window_ = std::make_unique<TfrmProperties>();
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    SaveTest::TearDown();
  }
  template <class T>
  T& Get(const char* name) {
    return *window_->findChild<T*>(name);
  }
  std::string Identify(const std::string& format, const std::string& file) {
    return RunShell("identify -format " + ShellQuote(format) + " " + ShellQuote(file)).Output;
  }
  std::unique_ptr<TfrmProperties> window_;
  TScratch out_;
};

TEST_F(PropertiesReachTheFile, JPEGQualityAndProgressiveEncoding) {
  if (!HaveProgram("identify")) GTEST_SKIP() << "identify is not installed";
  TPreviewed p("customers");
  ASSERT_TRUE(p.Window->SaveAs(out_ / "default.jpg", FileTypeOf("jpg")));
  EXPECT_EQ(Identify("%Q %[interlace]", PageFile(out_ / "default", 1, "jpg")), "100 JPEG");
  Get<QSpinBox>("seJPEG_Qual").setValue(10);
  Get<QCheckBox>("chbJPEG_ProgEncode").click();
  ASSERT_TRUE(p.Window->SaveAs(out_ / "edited.jpg", FileTypeOf("jpg")));
  EXPECT_EQ(Identify("%Q %[interlace]", PageFile(out_ / "edited", 1, "jpg")), "10 None");
}

TEST_F(PropertiesReachTheFile, BMPMonochrome) {
  if (!HaveProgram("identify")) GTEST_SKIP() << "identify is not installed";
  TPreviewed p("events");
  Get<QCheckBox>("chbBMP_Mono").click();
  ASSERT_TRUE(p.Window->SaveAs(out_ / "mono.bmp", FileTypeOf("bmp")));
  EXPECT_EQ(Identify("%z %[type]", PageFile(out_ / "mono", 1, "bmp")), "1 Bilevel");
}

TEST_F(PropertiesReachTheFile, TextLineSpacingAsTheCommandLineSetsIt) {
  TPreviewed p("customers");
  ASSERT_TRUE(p.Window->SaveAs(out_ / "default.txt", FileTypeOf("txt")));
  QComboBox& spacing = Get<QComboBox>("cbText_LineSpc");
  spacing.setCurrentIndex(spacing.findText("NoBlank"));
  ASSERT_TRUE(p.Window->SaveAs(out_ / "window.txt", FileTypeOf("txt")));
  ResetExportSettings();
  std::string error;
  ASSERT_TRUE(SetSettingByPath("Text.LineSpacing", "lsNoBlank", error)) << error;
  ASSERT_TRUE(p.Window->SaveAs(out_ / "command.txt", FileTypeOf("txt")));
  const std::string window = ReadFile(out_ / "window.txt");
  EXPECT_EQ(window, ReadFile(out_ / "command.txt"));
  EXPECT_LT(Lines(window).size(), Lines(ReadFile(out_ / "default.txt")).size());
}

TEST_F(PropertiesReachTheFile, XScaleFactorTypedInACommaLocaleWidensTheText) {
  SetDecimalSeparator(',');
  TPreviewed p("customers");
  ASSERT_TRUE(p.Window->SaveAs(out_ / "one.txt", FileTypeOf("txt")));
  QLineEdit& scale = Get<QLineEdit>("seText_XScale");
  scale.setFocus();
  scale.selectAll();
  QTest::keyClicks(&scale, "2,0");
  QTest::keyClick(&scale, Qt::Key_Return);
  ASSERT_TRUE(p.Window->SaveAs(out_ / "two.txt", FileTypeOf("txt")));
  const std::size_t one = WidestLine(ReadFile(out_ / "one.txt"));
  const std::size_t two = WidestLine(ReadFile(out_ / "two.txt"));
  ASSERT_GT(one, 40u);
  EXPECT_NEAR(static_cast<double>(two), 2.0 * static_cast<double>(one), 2.0);
}

// ---- printing ---------------------------------------------------------------------------------

std::string FirstCompany() {
  TTable customers;
  customers.DatabaseName = DefaultSampleContext().DatabasePath;
  customers.TableName = "customer.db";
  customers.Open();
  customers.First();
  return customers.FieldByName("Company").AsString();
}

TEST_F(SaveTest, PrintsEveryPageOnThePapersSizeIntoAPdfFile) {
  if (!HaveProgram("pdfinfo") || !HaveProgram("pdftotext")) GTEST_SKIP() << "poppler-utils are not installed";
  TScratch out;
  struct TCase {
    const char* Key;
    const char* Size;
  };
  for (const TCase& c : {TCase{"customers", "595 x 842 pts (A4)"}, TCase{"richtext", "612 x 792 pts (letter)"}}) {
    TPreviewed p(c.Key);
    const std::string pdf = out / (std::string(c.Key) + ".pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_TRUE(p.Window->PrintTo(printer));
    const std::string info = RunShell("pdfinfo " + ShellQuote(pdf)).Output;
    const std::size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pages + 6)), p.Pages()) << info;
    EXPECT_NE(info.find(c.Size), std::string::npos) << info;
    if (std::string(c.Key) == "customers") {
      const std::string text = RunShell("pdftotext -layout " + ShellQuote(pdf) + " -").Output;
      EXPECT_NE(text.find(FirstCompany()), std::string::npos);
      EXPECT_NE(text.find("Amount Paid"), std::string::npos);
    }
  }
}

TEST_F(SaveTest, PrintedPageMatchesThePagePicture) {
  if (!HaveProgram("pdftoppm")) GTEST_SKIP() << "poppler-utils are not installed";
  TScratch out;
  TPreviewed p("customers");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(out / "print.pdf"));
  ASSERT_TRUE(p.Window->PrintTo(printer, 1, 1));
  ASSERT_EQ(RunShell("pdftoppm -r 96 -png -singlefile " + ShellQuote(out / "print.pdf") + " " + ShellQuote(out / "print")).Status, 0);
  ASSERT_TRUE(p.Window->SaveAs(out / "page.jpg", FileTypeOf("jpg")));
  const QImage printed(QString::fromStdString(out / "print.png"));
  const QImage picture(QString::fromStdString(PageFile(out / "page", 1, "jpg")));
  ASSERT_FALSE(printed.isNull());
  ASSERT_FALSE(picture.isNull());
  EXPECT_LE(std::abs(printed.width() - picture.width()), 1);
  const TFidelity f = CompareDarkPixels(printed, picture);
  std::printf("printed page 1 against its JPEG page: %.4f / %.4f\n", f.AInB, f.BInA);
  EXPECT_GE(f.Min(), 0.97);
}

// ---- cancelling a long export ----------------------------------------------------------------

TEST_F(SaveTest, CancelAtPageThreeKeepsTheWholePagesAndThePreviewUsable) {
  TScratch out;
  TDemoDataOptions options;
  options.Scale = 10;
  BuildDemoDatabase(out / "DEMODATA-x10.sqlite", options);
  TSampleContext ctx = DefaultSampleContext(out / "DEMODATA-x10.sqlite");
  TPreviewed p("customers", ctx);
  ASSERT_GT(p.Pages(), 10);
  fs::create_directories(out.Dir() / "pages");
  int range = 0;
  QTimer cancel;
  QObject::connect(&cancel, &QTimer::timeout, [&range] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QProgressDialog*>(w);
      if (dialog == nullptr || !dialog->isVisible() || dialog->value() < 3) continue;
      range = dialog->maximum();
      if (auto* button = dialog->findChild<QPushButton*>()) button->click();
    }
  });
  cancel.start(0);
  TBoxWatcher boxes;
  EXPECT_FALSE(p.Window->SaveAs((out.Dir() / "pages" / "c.jpg").string(), FileTypeOf("jpg")));
  cancel.stop();
  EXPECT_EQ(range, p.Pages()) << "the progress window counts the preview's pages";
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(out.Dir() / "pages")) files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"c0001.jpg", "c0002.jpg"})) << "whole pages only, no partial file";
  // The preview still shows its pages and saves.
  EXPECT_EQ(p.Window->PageCount(), p.Pages());
  p.Window->ShowPage(p.Pages());
  EXPECT_EQ(p.Window->PageNumber(), p.Pages());
  EXPECT_TRUE(p.Window->SaveAs(out / "after.txt", FileTypeOf("txt")));
  EXPECT_TRUE(boxes.Texts().empty());
}

// ---- opt-ins ----------------------------------------------------------------------------------

TEST_F(SaveTest, OpenAfterSavingOpensTheFileOrThePageFolderAndNothingAfterAnError) {
  TPreviewed p("richtext");
  TScratch out;
  std::vector<std::string> opened;
  SetDesktopOpener([&opened](const std::string& path) { opened.push_back(path); });
  ASSERT_TRUE(p.Window->SaveAs(out / "off.txt", FileTypeOf("txt")));
  EXPECT_TRUE(opened.empty()) << "off by default";
  SetOpenAfterSaving(true);
  ASSERT_TRUE(p.Window->SaveAs(out / "on.txt", FileTypeOf("txt")));
  ASSERT_TRUE(p.Window->SaveAs(out / "pages.bmp", FileTypeOf("bmp")));
  EXPECT_EQ(opened, (std::vector<std::string>{out / "on.txt", fs::absolute(out.Dir()).string()}));
  opened.clear();
  TBoxWatcher boxes;
  EXPECT_FALSE(p.Window->SaveAs(out / "on.txt/inside.txt", FileTypeOf("txt"))) << "a file stands where the folder would be";
  EXPECT_EQ(boxes.Texts().size(), 1u);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(p.Window->StatusText().indexOf("Saved"), -1);
}

TEST_F(SaveTest, PageViewPaintsOnlyTheExposedPartAndPaintsItRight) {
  TPreviewed p("customers");
  const TQRPrinter& pages = p.Sample->Report().QRPrinter();
  const TMetafile& page = *pages.Page(1);
  TQRPageView view;
  view.SetPage(&pages, 1, 400);
  ASSERT_EQ(view.size(), QSize(page.Width * 4, page.Height * 4));
  const QRect exposed(1200, 900, 700, 500);
  QImage part(exposed.size(), QImage::Format_RGB32);
  part.fill(Qt::black);
  view.render(&part, QPoint(), QRegion(exposed));
  QImage whole(view.size(), QImage::Format_RGB32);
  whole.fill(Qt::white);
  QPainter painter(&whole);
  painter.setRenderHint(QPainter::Antialiasing);
  PlayMetafile(painter, page, 0, 0, 4.0);
  painter.end();
  const TFidelity f = CompareDarkPixels(part, whole.copy(exposed), 1);
  EXPECT_GE(f.Min(), 0.99) << f.AInB << " / " << f.BInA;
}

}  // namespace
}  // namespace oxqr::testing
