// The Properties window: what it shows at start, that each control writes its own setting
// through the property table, the enabling rules, and the refusal of texts that are not
// accepted numbers.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include "ShowcaseTestSupport.h"
#include "OxQrExport/core/SettingProperties.h"
#include "Showcase/app/PropertiesWindow.h"
#include "engine/FilterLibrary.h"
#include "engine/gui/SaveDialog.h"
#include "platform/Locale.h"

namespace oxqr::testing {
namespace {

std::string Value(const char* path) { return FormatFormValue(*FindSetting(path), FindSetting(path)->Get(QRExportSettings())); }

class Properties : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExportSettings();
    window_ = std::make_unique<TfrmProperties>();
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    SetDecimalSeparator('.');
    ResetExportSettings();
  }
  template <class T>
  T& Get(const char* name) {
    T* w = window_->findChild<T*>(name);
    if (w == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *w;
  }
  QStringList Items(const char* combo) {
    QStringList out;
    for (int i = 0; i < Get<QComboBox>(combo).count(); ++i) out << Get<QComboBox>(combo).itemText(i);
    return out;
  }
  // Types `text` into the line edit `name` and ends editing with Enter.
  void Type(const char* name, const QString& text) {
    QLineEdit& edit = Get<QLineEdit>(name);
    edit.setFocus();
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClicks(&edit, text);
    QTest::keyClick(&edit, Qt::Key_Return);
  }
  std::unique_ptr<TfrmProperties> window_;
};

TEST_F(Properties, ShowsTheSettingsInEffectAtStart) {
  for (const char* edit : {"edPDF_Keywords", "edHTML_Keywords", "edRTF_Keywords", "edHTML_ImgDir", "edPDF_Title"})
    EXPECT_EQ(Get<QLineEdit>(edit).text(), "") << edit << ": the setting is empty";
  EXPECT_EQ(Get<QLineEdit>("edPDF_ImageDPI").text(), "-1");
  EXPECT_EQ(Get<QLineEdit>("seText_XScale").text(), "1.0");
  EXPECT_EQ(Get<QSpinBox>("sePDF_JPEGQual").value(), 100);
  EXPECT_EQ(Get<QComboBox>("cbPDF_ExFormat").currentText(), "BMP");
  EXPECT_EQ(Get<QComboBox>("cbHTML_ExFormat").currentText(), "JPEG");
  EXPECT_EQ(Get<QComboBox>("cbRTF_ExFormat").currentText(), "JPEG");
  EXPECT_EQ(Get<QComboBox>("cbText_LineSpc").currentText(), "OneBlank");
  EXPECT_EQ(Get<QComboBox>("cbJPEG_Pix").currentText(), "24bit");
  EXPECT_EQ(Get<QComboBox>("cbNavigatorType").currentText(), "FixedToScreen");
  // PDF pictures start as BMP, so PDF's JPEG quality starts disabled; HTML's and RTF's not.
  EXPECT_FALSE(Get<QSpinBox>("sePDF_JPEGQual").isEnabled());
  EXPECT_TRUE(Get<QSpinBox>("seHTML_JPEGQual").isEnabled());
  EXPECT_TRUE(Get<QSpinBox>("seRTF_JPEGQual").isEnabled());
  EXPECT_TRUE(Get<QCheckBox>("chbHTML_ShowNavigator").isEnabled());
}

TEST_F(Properties, AWindowCreatedLaterShowsWhatWasChangedBefore) {
  window_.reset();
  QRExportSettings().PDF.Keywords = "kw";
  QRExportSettings().HTML.ImageDir = "pics";
  QRExportSettings().HTML.SingleFile = true;
  QRExportSettings().JPEG.Quality = 55;
  QRExportSettings().RTF.ExportImages = false;
  window_ = std::make_unique<TfrmProperties>();
  EXPECT_EQ(Get<QLineEdit>("edPDF_Keywords").text(), "kw");
  EXPECT_EQ(Get<QLineEdit>("edHTML_ImgDir").text(), "pics");
  EXPECT_TRUE(Get<QCheckBox>("chbHTML_Single").isChecked());
  EXPECT_FALSE(Get<QComboBox>("cbNavigatorType").isEnabled()) << "rules apply from the start";
  EXPECT_EQ(Get<QSpinBox>("seJPEG_Qual").value(), 55);
  EXPECT_FALSE(Get<QComboBox>("cbRTF_ExFormat").isEnabled());
  // The window's component reads its design values: the factor and all ten filters.
  EXPECT_EQ(Value("Text.XScaleFactor"), "1.0");
}

TEST_F(Properties, ComboListsAndTheirValues) {
  EXPECT_EQ(Items("cbPDF_ExFormat"), (QStringList{"JPEG", "BMP"}));
  EXPECT_EQ(Items("cbRTF_ExFormat"), (QStringList{"JPEG", "BMP"}));
  EXPECT_EQ(Items("cbHTML_ExFormat"), (QStringList{"GIF", "JPEG", "BMP"}));
  EXPECT_EQ(Items("cbNavigatorType"), (QStringList{"FixedToScreen", "FixedToPage"}));
  EXPECT_EQ(Items("cbExcel_LineSpc"),
            (QStringList{"Actual", "NoBlank", "OneBlank", "TwoBlank", "ThreeBlank", "FourBlank", "FiveBlank"}));
  EXPECT_EQ(Items("cbBMP_Pix"),
            (QStringList{"Device", "1bit", "4bit", "8bit", "15bit", "16bit", "24bit", "32bit", "Custom"}));
  EXPECT_EQ(Items("cbPDF_RichTextEncodingType"), (QStringList{"Image", "Plain Text"}));
  EXPECT_EQ(Items("cbPDF_Conformance"), (QStringList{"None", "PDF/A-2b", "PDF/UA-1", "PDF/A-2b and PDF/UA-1"}));

  struct TCase {
    const char* Combo;
    const char* Entry;
    const char* Path;
    const char* Expected;
  };
  for (const TCase& c : {TCase{"cbPDF_ExFormat", "JPEG", "PDF.ExportImageFormat", "ifJPG"},
                         TCase{"cbRTF_ExFormat", "BMP", "RTF.ExportImageFormat", "ifBMP"},
                         TCase{"cbHTML_ExFormat", "GIF", "HTML.ExportImageFormat", "ifGIF"},
                         TCase{"cbNavigatorType", "FixedToPage", "HTML.NavigatorType", "ntFixedToPage"},
                         TCase{"cbExcel_LineSpc", "FiveBlank", "Excel.LineSpacing", "lsFiveBlank"},
                         TCase{"cbText_LineSpc", "NoBlank", "Text.LineSpacing", "lsNoBlank"},
                         TCase{"cbXLSX_LineSpc", "Actual", "XLSX.LineSpacing", "lsActual"},
                         TCase{"cbCSV_Separator", "Semicolon (;)", "CSV.Separator", "csSemicolon"},
                         TCase{"cbGIF_Pix", "8bit", "GIF.PixelFormat", "pf8bit"},
                         TCase{"cbJPEG_Pix", "Device", "JPEG.PixelFormat", "pfDevice"},
                         TCase{"cbBMP_Pix", "1bit", "BMP.PixelFormat", "pf1bit"},
                         TCase{"cbPDF_ImagePixelFormat", "4bit", "PDF.ImagePixelFormat", "pf4bit"},
                         TCase{"cbHTML_ImagePixelFormat", "32bit", "HTML.ImagePixelFormat", "pf32bit"},
                         TCase{"cbRTF_ImagePixelFormat", "15bit", "RTF.ImagePixelFormat", "pf15bit"},
                         TCase{"cbPDF_RichTextEncodingType", "Plain Text", "PDF.RichTextEncodingType", "rtPlainText"},
                         TCase{"cbHTML_RichTextEncodingType", "Plain Text", "HTML.RichTextEncodingType", "rtPlainText"},
                         TCase{"cbPDF_Conformance", "PDF/A-2b and PDF/UA-1", "PDF.Conformance", "pdfA2bUA1"}}) {
    QComboBox& combo = Get<QComboBox>(c.Combo);
    combo.setCurrentIndex(combo.findText(c.Entry));
    EXPECT_EQ(Value(c.Path), c.Expected) << c.Combo;
  }
}

TEST_F(Properties, EachControlWritesItsOwnSetting) {
  struct TCase {
    const char* Control;
    const char* Path;
    const char* After;  // the setting's form text after one click
  };
  const TCase checks[] = {
      {"chbPDF_Images", "PDF.ExportImages", "False"},         {"chbPDF_Compress", "PDF.Compressed", "False"},
      {"chkPDF_ExportRichText", "PDF.ExportRichText", "False"}, {"chbHTML_Images", "HTML.ExportImages", "False"},
      {"chbHTML_ShowNavigator", "HTML.ShowNavigator", "False"}, {"chbHTML_WebDings", "HTML.GraphicNavUseWebdings", "True"},
      {"chbHTML_Optimize", "HTML.OptimizeForIE", "False"},      {"chkPageEndLines", "HTML.PageEndLines", "False"},
      {"chkHTML_ExportRichText", "HTML.ExportRichText", "False"}, {"chbHTML_Single", "HTML.SingleFile", "True"},
      {"chbRTF_Images", "RTF.ExportImages", "False"},           {"chkRTF_ExportRichText", "RTF.ExportRichText", "False"},
      {"chbExcel_SetCellAttrib", "Excel.SetCellAttributes", "False"},
      {"chkExcel_ExportRichText", "Excel.ExportRichText", "False"},
      {"chbText_PageBreaks", "Text.PageBreaks", "False"},       {"chbText_PageEndLines", "Text.PageEndLines", "False"},
      {"chbText_SingleFile", "Text.SingleFile", "False"},       {"chkText_ExportRichText", "Text.ExportRichText", "False"},
      {"chbGIF_Mono", "GIF.Monochrome", "True"},                {"chbJPEG_Mono", "JPEG.Monochrome", "True"},
      {"chbJPEG_ProgEncode", "JPEG.ProgressiveEncoding", "False"}, {"chbBMP_Mono", "BMP.Monochrome", "True"},
      {"chbEMF_Fill", "EMF.FillUnusedArea", "False"},           {"chbWMF_Fill", "WMF.FillUnusedArea", "False"},
      {"chbXLSX_SheetPerPage", "XLSX.SheetPerPage", "True"},    {"chbXLSX_FreezeHeaderRows", "XLSX.FreezeHeaderRows", "False"},
      {"chbCSV_FormulaGuard", "CSV.FormulaGuard", "False"},     {"chbCSV_ByteOrderMark", "CSV.ByteOrderMark", "True"},
      {"chbPDF_ConformanceStrict", "PDF.ConformanceStrict", "False"},
  };
  const TCase texts[] = {{"edPDF_Title", "PDF.Title", "'typed'"},     {"edPDF_Subject", "PDF.Subject", "'typed'"},
                         {"edPDF_Keywords", "PDF.Keywords", "'typed'"}, {"edHTML_Title", "HTML.Title", "'typed'"},
                         {"edHTML_ImgDir", "HTML.ImageDir", "'typed'"}, {"edRTF_Keywords", "RTF.Keywords", "'typed'"},
                         {"edXLSX_Author", "XLSX.Author", "'typed'"}};
  for (const TCase& c : texts) {
    QTest::keyClicks(&Get<QLineEdit>(c.Control), "typed");
    EXPECT_EQ(Value(c.Path), c.After) << c.Control;
  }
  for (const TCase& c : checks) {
    QCheckBox& box = Get<QCheckBox>(c.Control);
    box.click();
    EXPECT_EQ(Value(c.Path), c.After) << c.Control;
  }
  // Editing the PDF keywords back to nothing empties the setting.
  Get<QLineEdit>("edPDF_Keywords").setFocus();
  for (int i = 0; i < 5; ++i) QTest::keyClick(&Get<QLineEdit>("edPDF_Keywords"), Qt::Key_Backspace);
  EXPECT_EQ(Value("PDF.Keywords"), "''");

  Get<QSpinBox>("seJPEG_Qual").setValue(10);
  EXPECT_EQ(Value("JPEG.Quality"), "10");
  Get<QSpinBox>("seRTF_JPEGQual").setValue(35);
  EXPECT_EQ(Value("RTF.JPEGQuality"), "35");
}

TEST_F(Properties, JPEGQualityTakesDigitsOnlyUpTo100) {
  QSpinBox& quality = Get<QSpinBox>("seJPEG_Qual");
  EXPECT_EQ(quality.maximum(), 100);
  EXPECT_LE(quality.minimum(), 1);
  quality.setFocus();
  QTest::keyClicks(&quality, "ab");
  EXPECT_EQ(Value("JPEG.Quality"), "100") << "letters cannot be typed";
  quality.setValue(250);
  EXPECT_EQ(Value("JPEG.Quality"), "100") << "the edit stops at 100";
}

TEST_F(Properties, EnablingRules) {
  QComboBox& pdfFormat = Get<QComboBox>("cbPDF_ExFormat");
  pdfFormat.setCurrentIndex(pdfFormat.findText("JPEG"));
  EXPECT_TRUE(Get<QSpinBox>("sePDF_JPEGQual").isEnabled());
  EXPECT_TRUE(Get<QLabel>("lblsePDF_JPEGQual").isEnabled());
  QComboBox& htmlFormat = Get<QComboBox>("cbHTML_ExFormat");
  htmlFormat.setCurrentIndex(htmlFormat.findText("BMP"));
  EXPECT_FALSE(Get<QSpinBox>("seHTML_JPEGQual").isEnabled());
  htmlFormat.setCurrentIndex(htmlFormat.findText("JPEG"));
  EXPECT_TRUE(Get<QSpinBox>("seHTML_JPEGQual").isEnabled());

  Get<QCheckBox>("chbHTML_Images").click();
  for (const char* name : {"cbHTML_ExFormat", "edHTML_ImageDPI", "edHTML_ImgDir", "seHTML_JPEGQual", "lblcbHTML_ExFormat",
                           "lbledHTML_ImageDPI", "lbledHTML_ImgDir"})
    EXPECT_FALSE(Get<QWidget>(name).isEnabled()) << name;
  EXPECT_TRUE(Get<QComboBox>("cbHTML_ImagePixelFormat").isEnabled()) << "pixel format is not an image switch";
  Get<QCheckBox>("chbHTML_Images").click();
  EXPECT_TRUE(Get<QLineEdit>("edHTML_ImgDir").isEnabled());
  EXPECT_TRUE(Get<QSpinBox>("seHTML_JPEGQual").isEnabled());

  Get<QCheckBox>("chbHTML_Single").click();
  for (const char* name : {"chbHTML_ShowNavigator", "chbHTML_WebDings", "cbNavigatorType", "lblcbNavigatorType", "chkPageEndLines"})
    EXPECT_FALSE(Get<QWidget>(name).isEnabled()) << name;
  Get<QCheckBox>("chbHTML_Single").click();
  EXPECT_TRUE(Get<QComboBox>("cbNavigatorType").isEnabled());
  EXPECT_TRUE(Get<QCheckBox>("chkPageEndLines").isEnabled());
}

TEST_F(Properties, ImageDPIAcceptsMinusOneOrOneTo1200AndRefusesOtherTexts) {
  struct TCase {
    const char* Text;
    bool Accepted;
  };
  for (const TCase& c : {TCase{"300", true}, TCase{"abc", false}, TCase{"", false}, TCase{"-", false},
                         TCase{"20000", false}, TCase{"0", false}, TCase{"-5", false}, TCase{"1200", true},
                         TCase{"12.5", false}, TCase{"-1", true}}) {
    const std::string before = Value("PDF.ImageDPI");
    TBoxWatcher boxes;
    Type("edPDF_ImageDPI", c.Text);
    if (c.Accepted) {
      EXPECT_TRUE(boxes.Texts().empty()) << c.Text;
      EXPECT_EQ(Value("PDF.ImageDPI"), c.Text);
    } else {
      ASSERT_EQ(boxes.Texts().size(), 1u) << c.Text;
      EXPECT_NE(boxes.Texts()[0].find("'" + std::string(c.Text) + "'"), std::string::npos) << boxes.Texts()[0];
      EXPECT_EQ(Value("PDF.ImageDPI"), before) << c.Text;
      EXPECT_EQ(Get<QLineEdit>("edPDF_ImageDPI").text().toStdString(), before) << "the edit shows the setting again";
    }
  }
}

TEST_F(Properties, NumbersAreJudgedWhenEditingEndsNotWhileTyping) {
  TBoxWatcher boxes;
  QLineEdit& dpi = Get<QLineEdit>("edHTML_ImageDPI");
  dpi.setFocus();
  dpi.selectAll();
  QTest::keyClick(&dpi, Qt::Key_Backspace);
  QTest::keyClicks(&dpi, "-");
  EXPECT_TRUE(boxes.Texts().empty()) << "an empty field and a lone minus are steps of typing";
  QTest::keyClicks(&dpi, "1");
  QTest::keyClick(&dpi, Qt::Key_Return);
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_EQ(Value("HTML.ImageDPI"), "-1");
}

TEST_F(Properties, XScaleFactorReadsTheLocalesDecimalSeparator) {
  SetDecimalSeparator(',');
  struct TCase {
    const char* Text;
    const char* Stored;  // nullptr: refused
  };
  for (const TCase& c : {TCase{"2,0", "2.0"}, TCase{"0,5", "0.5"}, TCase{"2.0", nullptr}, TCase{"1e6", nullptr},
                         TCase{"0", nullptr}, TCase{"-1", nullptr}, TCase{"abc", nullptr}, TCase{"100", "100.0"},
                         TCase{"inf", nullptr}}) {
    const std::string before = Value("Text.XScaleFactor");
    TBoxWatcher boxes;
    Type("seText_XScale", c.Text);
    EXPECT_EQ(boxes.Texts().size(), c.Stored ? 0u : 1u) << c.Text;
    EXPECT_EQ(Value("Text.XScaleFactor"), c.Stored ? c.Stored : before) << c.Text;
  }
}

TEST_F(Properties, VisibleFilterBoxesRegisterAndUnregisterFormats) {
  EXPECT_EQ(Get<QCheckBox>("chbGIF").property("tag").toInt(), 5);
  EXPECT_EQ(Get<QCheckBox>("chbHTML").property("tag").toInt(), 0);
  auto types = [] { return ToQtNameFilters(FilterLibrary().SaveDialogFilter()); };
  // The engine's own file, the ten kinds, then .xlsx and .csv.
  ASSERT_EQ(types().size(), 13);
  Get<QCheckBox>("chbGIF").click();
  EXPECT_EQ(types().size(), 12);
  for (const QString& t : types()) EXPECT_FALSE(t.startsWith("GIF")) << t.toStdString();
  Get<QCheckBox>("chbGIF").click();
  ASSERT_EQ(types().size(), 13);
  EXPECT_EQ(types()[10], "GIF Image File (*.gif)") << "a format checked again comes last of the ten";
  EXPECT_EQ(types().back(), "CSV (Comma-Separated Values) (*.csv)") << "the formats beyond the ten stay behind them";
}

}  // namespace
}  // namespace oxqr::testing
