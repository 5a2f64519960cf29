#include "PropertiesWindow.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ErrorBox.h"
#include "MainWindow.h"
#include "OxQrExport/core/FilterKinds.h"
#include "OxQrExport/core/SettingProperties.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

// ---- the value lists of the combo boxes (text, setting value) ---------------------------

using TEntries = std::vector<std::pair<const char*, int>>;
const TEntries kImageFormats{{"GIF", 0}, {"JPEG", 1}, {"BMP", 2}};
const TEntries kNavigatorTypes{{"FixedToScreen", 0}, {"FixedToPage", 1}};
const TEntries kLineSpacings{{"Actual", 0},     {"NoBlank", 1},    {"OneBlank", 2}, {"TwoBlank", 3},
                             {"ThreeBlank", 4}, {"FourBlank", 5}, {"FiveBlank", 6}};
const TEntries kPixelFormats{{"Device", 0}, {"1bit", 1},  {"4bit", 2},  {"8bit", 3},  {"15bit", 4},
                             {"16bit", 5},  {"24bit", 6}, {"32bit", 7}, {"Custom", 8}};
const TEntries kRichTextEncodings{{"Image", 0}, {"Plain Text", 1}};
const TEntries kPdfConformance{{"None", 0}, {"PDF/A-2b", 1}, {"PDF/UA-1", 2}, {"PDF/A-2b and PDF/UA-1", 3}};
const TEntries kCsvSeparators{{"Comma (,)", 0}, {"Semicolon (;)", 1}, {"Tab", 2}};

constexpr int kVisibleFiltersHeight = 69;
constexpr const char* kPathProperty = "settingPath";

// ---- the property table ----------------------------------------------------------------

const TSettingProperty& Property(const QString& path) {
  const TSettingProperty* p = FindSetting(path.toStdString());
  if (p == nullptr) throw std::logic_error("No setting " + path.toStdString());
  return *p;
}

TSettingValue Read(const QString& path) { return Property(path).Get(QRExportSettings()); }

// Stores through the table's setter; a value the table refuses is shown in the box.
bool Write(const QString& path, const TSettingValue& value) {
  try {
    Property(path).Set(QRExportSettings(), value);
    return true;
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
    return false;
  }
}

QString PathOf(const QObject* o) { return o->property(kPathProperty).toString(); }

void Bind(QObject* o, const QString& path) { o->setProperty(kPathProperty, path); }

// ---- numbers typed as text ---------------------------------------------------------------

// The platform's conversion errors.
std::string NotInteger(const std::string& text) { return "'" + text + "' is not a valid integer value"; }
std::string NotFloat(const std::string& text) { return "'" + text + "' is not a valid floating point value"; }

bool ParseInteger(const std::string& s, long long& v) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// A number with the locale's decimal separator (and no other), finite.
bool ParseLocaleFloat(std::string s, double& v) {
  const char sep = DecimalSeparator();
  if (sep != '.' && s.find('.') != std::string::npos) return false;
  for (char& c : s)
    if (c == sep) c = '.';
  if (s.empty() || s.find_first_not_of("0123456789.+-eE") != std::string::npos) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(v);
}

std::string FormatLocaleFloat(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, ec == std::errc() ? end : buf);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  for (char& c : s)
    if (c == '.') c = DecimalSeparator();
  return s;
}

std::string CommandFloat(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, ec == std::errc() ? end : buf);
}

// The values the window accepts: larger ones hang the program or fill the disk.
bool AcceptedImageDPI(long long v) { return v == -1 || (v >= 1 && v <= 1200); }
bool AcceptedXScaleFactor(double v) { return v > 0 && v <= 100; }

QString ShownNumber(const QString& path) {
  const TSettingValue v = Read(path);
  if (std::holds_alternative<double>(v)) return QString::fromStdString(FormatLocaleFloat(std::get<double>(v)));
  return QString::number(std::get<long long>(v));
}

// Image DPI and XScaleFactor: the text is converted when editing ends (Enter or leaving
// the field), so intermediate texts such as "" or "-" are never judged. A text that is not
// an accepted number keeps the setting, shows it again and explains in the error box.
void CommitNumber(QLineEdit* edit) {
  static bool busy = false;  // the box takes the focus, which ends editing once more
  if (busy) return;
  const QString path = PathOf(edit);
  const std::string text = QStringToAnsi(edit->text().trimmed());
  const bool isFloat = Property(path).Type == TSettingType::stFloat;
  std::string error, command;
  if (isFloat) {
    double v = 0;
    if (!ParseLocaleFloat(text, v)) {
      error = NotFloat(text);
    } else if (!AcceptedXScaleFactor(v)) {
      error = NotFloat(text) + ": XScaleFactor must be above 0 and at most 100";
    } else {
      command = CommandFloat(v);
    }
  } else {
    long long v = 0;
    if (!ParseInteger(text, v)) {
      error = NotInteger(text);
    } else if (!AcceptedImageDPI(v)) {
      error = "'" + text + "' is not a valid value for Image DPI: use -1 or 1 to 1200";
    } else {
      command = std::to_string(v);
    }
  }
  if (error.empty() && !SetSettingByPath(path.toStdString(), command, error) && error.empty()) error = "Invalid value";
  if (error.empty()) return;
  busy = true;
  edit->setText(ShownNumber(path));
  ShowErrorBox(error);
  busy = false;
}

// ---- controls ------------------------------------------------------------------------------

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, const char* path) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  Bind(box, path);
  box->setChecked(std::get<bool>(Read(path)));
  QObject::connect(box, &QCheckBox::toggled, box, [box](bool on) {
    if (!Write(PathOf(box), on)) {
      const QSignalBlocker block(box);
      box->setChecked(std::get<bool>(Read(PathOf(box))));
    }
  });
  return box;
}

// Filled and selected by FormCreate; bound afterwards.
QComboBox* Combo(QWidget* parent, const char* name, const char* path) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  Bind(combo, path);
  return combo;
}

void Fill(QComboBox* combo, const TEntries& entries) {
  for (const auto& [text, value] : entries) combo->addItem(text, value);
}

void SelectFromSetting(QComboBox* combo) {
  const QSignalBlocker block(combo);
  combo->setCurrentIndex(combo->findData(static_cast<int>(std::get<long long>(Read(PathOf(combo))))));
}

QLineEdit* TextEdit(QWidget* parent, const char* name, const char* path) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  Bind(edit, path);
  edit->setText(AnsiToQString(std::get<std::string>(Read(path))));
  QObject::connect(edit, &QLineEdit::textEdited, edit,
                   [edit](const QString& text) { Write(PathOf(edit), QStringToAnsi(text)); });
  return edit;
}

QLineEdit* NumberEdit(QWidget* parent, const char* name, const char* path) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  Bind(edit, path);
  edit->setText(ShownNumber(path));
  QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit] { CommitNumber(edit); });
  return edit;
}

// JPEG quality: an edit with up-down buttons, 0 to 100 (the encoder reads 0 as 1), within
// what the property table accepts.
QSpinBox* QualitySpin(QWidget* parent, const char* name, const char* path) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  Bind(spin, path);
  const TSettingProperty& p = Property(path);
  spin->setRange(static_cast<int>(std::max<long long>(0, p.Min)), static_cast<int>(std::min<long long>(100, p.Max)));
  spin->setValue(static_cast<int>(std::get<long long>(Read(path))));
  QObject::connect(spin, &QSpinBox::valueChanged, spin, [spin](int v) {
    if (!Write(PathOf(spin), static_cast<long long>(v))) {
      const QSignalBlocker block(spin);
      spin->setValue(static_cast<int>(std::get<long long>(Read(PathOf(spin)))));
    }
  });
  return spin;
}

QLabel* Label(QWidget* parent, const char* text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString("lbl") + buddy->objectName());
  label->setBuddy(buddy);
  return label;
}

// One lowered panel per tab, holding the tab's controls.
QFrame* Panel(QWidget*& content) {
  auto* panel = new QFrame;
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  content = panel;
  return panel;
}

QGridLayout* Grid(QWidget* w) {
  auto* g = new QGridLayout(w);
  g->setContentsMargins(6, 4, 6, 4);
  g->setHorizontalSpacing(8);
  g->setVerticalSpacing(2);
  return g;
}

QFormLayout* Form() {
  auto* f = new QFormLayout;
  f->setContentsMargins(0, 0, 0, 0);
  f->setVerticalSpacing(2);
  f->setHorizontalSpacing(6);
  return f;
}

}  // namespace

TfrmProperties::TfrmProperties(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("frmProperties");
  setWindowTitle("OxQRFilters - Properties");
  setFont(ShowcaseFont());
  // The component's design values, as a form file holds them.
  OxQRFilters.ReadFormText("Text.XScaleFactor = 1.0\nVisibleFilters = " +
                           FormatFormValue(*FindSetting("VisibleFilters"),
                                           static_cast<long long>(TOxQRVisibleFilters::All().Bits())) +
                           "\n");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(BuildVisibleFilters());
  pages_ = new QTabWidget(this);
  pages_->setObjectName("PageControl1");
  pages_->addTab(DocumentTab(pdf_), "PDF");
  pages_->addTab(HtmlTab(), "HTML");
  pages_->addTab(DocumentTab(rtf_), "RTF");
  pages_->addTab(ExcelTab(), "Excel");
  pages_->addTab(TextTab(), "Text");
  pages_->addTab(PictureTab("GIF", false), "GIF");
  pages_->addTab(PictureTab("JPEG", true), "JPEG");
  pages_->addTab(PictureTab("BMP", false), "BMP");
  pages_->addTab(MetafileTab("EMF"), "EMF");
  pages_->addTab(MetafileTab("WMF"), "WMF");
  pages_->addTab(XlsxTab(), "XLSX");
  pages_->addTab(CsvTab(), "CSV");
  pages_->setCurrentIndex(0);
  pages_->setCornerWidget(BuildUnicodeBox(), Qt::TopRightCorner);
  layout->addWidget(pages_, 1);
  FormCreate();
  // Big enough for the tallest and widest tab with every row whole and for every tab's
  // name beside the Unicode box (the sizes follow the font and the style, so no fixed size
  // fits every machine); never smaller than its rows need.
  setMinimumSize(minimumSizeHint());
  const QMargins margins = layout->contentsMargins();
  const int tabsWidth = pages_->tabBar()->sizeHint().width() + pages_->cornerWidget()->sizeHint().width() +
                        margins.left() + margins.right() + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  resize(sizeHint().expandedTo(QSize(std::max(411, tabsWidth), 350)));
}

QWidget* TfrmProperties::BuildVisibleFilters() {
  auto* group = new QGroupBox("VisibleFilters:", this);
  group->setObjectName("gbVisibleFilters");
  group->setFixedHeight(kVisibleFiltersHeight);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(8, 2, 8, 2);
  grid->setVerticalSpacing(0);
  const TOxQRFilterKind rows[2][5] = {
      {TOxQRFilterKind::fkPDF, TOxQRFilterKind::fkHTML, TOxQRFilterKind::fkRTF, TOxQRFilterKind::fkExcel,
       TOxQRFilterKind::fkText},
      {TOxQRFilterKind::fkGIF, TOxQRFilterKind::fkJPEG, TOxQRFilterKind::fkBMP, TOxQRFilterKind::fkEMF,
       TOxQRFilterKind::fkWMF}};
  const TOxQRVisibleFilters visible = OxQRFilters.VisibleFilters();
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 5; ++c) {
      const TOxQRFilterKind kind = rows[r][c];
      const QString name = QString::fromUtf8(FilterKindName(kind).data(), static_cast<int>(FilterKindName(kind).size()));
      auto* box = new QCheckBox(name, group);
      box->setObjectName("chb" + name.mid(2));
      box->setProperty("tag", static_cast<int>(kind));
      box->setChecked(visible.Has(kind));
      connect(box, &QCheckBox::clicked, this, [this, box] { cbVisibleFilterClick(box); });
      grid->addWidget(box, r, c);
    }
  }
  return group;
}

QWidget* TfrmProperties::BuildUnicodeBox() {
  // The Unicode mode: report text as UTF-8 in every format; off returns to the code page
  // that was in force when the box was checked.
  auto* box = new QCheckBox("Unicode", this);
  box->setObjectName("chbUnicode");
  box->setToolTip("Report text as UTF-8 (code page 65001): no character becomes \"?\"");
  box->setChecked(UnicodeMode());
  connect(box, &QCheckBox::toggled, this, [this](bool on) {
    if (on && !UnicodeMode()) codePageBeforeUnicode_ = AnsiCodePage();
    SetAnsiCodePage(on ? CP_UTF8 : codePageBeforeUnicode_);
  });
  return box;
}

void TfrmProperties::cbVisibleFilterClick(QCheckBox* box) {
  const int kind = box->property("tag").toInt();
  auto bits = static_cast<long long>(std::get<long long>(Read("VisibleFilters")));
  bits = box->isChecked() ? (bits | (1LL << kind)) : (bits & ~(1LL << kind));
  Write("VisibleFilters", bits);
}

QWidget* TfrmProperties::BuildImageGroup(TImageGroup& g) {
  const std::string p = g.Prefix;
  auto* group = new QGroupBox("Images");
  group->setObjectName(QString::fromStdString("gb" + p + "_Images"));
  auto* form = Form();
  group->setLayout(form);
  form->setContentsMargins(6, 2, 6, 4);
  g.Format = Combo(group, ("cb" + p + "_ExFormat").c_str(), (p + ".ExportImageFormat").c_str());
  g.Quality = QualitySpin(group, ("se" + p + "_JPEGQual").c_str(), (p + ".JPEGQuality").c_str());
  g.DPI = NumberEdit(group, ("ed" + p + "_ImageDPI").c_str(), (p + ".ImageDPI").c_str());
  g.PixelFormat = Combo(group, ("cb" + p + "_ImagePixelFormat").c_str(), (p + ".ImagePixelFormat").c_str());
  QLabel* format = Label(group, "Export Image Format", g.Format);
  QLabel* quality = Label(group, "JPEG Quality", g.Quality);
  QLabel* dpi = Label(group, "Image DPI", g.DPI);
  form->addRow(format, g.Format);
  form->addRow(quality, g.Quality);
  form->addRow(dpi, g.DPI);
  form->addRow(Label(group, "Image Pixel Format", g.PixelFormat), g.PixelFormat);
  g.Labels = {format, quality, dpi};
  if (p == "HTML") {
    g.Folder = TextEdit(group, "edHTML_ImgDir", "HTML.ImageDir");
    QLabel* folder = Label(group, "Image Folder", g.Folder);
    form->addRow(folder, g.Folder);
    g.Labels.push_back(folder);
  }
  return group;
}

QWidget* TfrmProperties::DocumentTab(TImageGroup& g) {
  const std::string p = g.Prefix;
  QWidget* panel = nullptr;
  Panel(panel);
  auto* grid = Grid(panel);
  auto* left = new QVBoxLayout;
  left->setSpacing(2);
  g.Images = Check(panel, ("chb" + p + "_Images").c_str(), "Export Images", (p + ".ExportImages").c_str());
  left->addWidget(g.Images);
  if (p == "PDF") left->addWidget(Check(panel, "chbPDF_Compress", "Compressed", "PDF.Compressed"));
  left->addWidget(Check(panel, ("chk" + p + "_ExportRichText").c_str(), "Export RichText", (p + ".ExportRichText").c_str()));
  left->addWidget(BuildImageGroup(g));
  left->addStretch(1);
  auto* right = Form();
  if (p == "PDF") {
    QComboBox* encoding = Combo(panel, "cbPDF_RichTextEncodingType", "PDF.RichTextEncodingType");
    right->addRow(Label(panel, "RichText Encoding Type", encoding));
    right->addRow(encoding);
    QComboBox* conformance = Combo(panel, "cbPDF_Conformance", "PDF.Conformance");
    right->addRow(Label(panel, "Conformance", conformance));
    right->addRow(conformance);
    right->addRow(Check(panel, "chbPDF_ConformanceStrict", "Refuse a file that would not conform",
                        "PDF.ConformanceStrict"));
  }
  for (const char* field : {"Title", "Subject", "Keywords"}) {
    QLineEdit* edit = TextEdit(panel, ("ed" + p + "_" + field).c_str(), (p + "." + field).c_str());
    right->addRow(Label(panel, field, edit));
    right->addRow(edit);
  }
  grid->addLayout(left, 0, 0);
  grid->addLayout(right, 0, 1, Qt::AlignTop);
  connect(g.Images, &QCheckBox::toggled, this, [this] { ApplyEnablingRules(); });
  return panel;
}

QWidget* TfrmProperties::HtmlTab() {
  QWidget* panel = nullptr;
  Panel(panel);
  auto* grid = Grid(panel);
  auto* left = new QVBoxLayout;
  left->setSpacing(2);
  html_.Images = Check(panel, "chbHTML_Images", "Export Images", "HTML.ExportImages");
  left->addWidget(html_.Images);
  left->addWidget(BuildImageGroup(html_));
  left->addWidget(Check(panel, "chkHTML_ExportRichText", "Export RichText", "HTML.ExportRichText"));
  QComboBox* encoding = Combo(panel, "cbHTML_RichTextEncodingType", "HTML.RichTextEncodingType");
  left->addWidget(encoding);
  left->addStretch(1);

  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  auto* nav = new QGroupBox("Navigator options:", panel);
  nav->setObjectName("gbHTML_Navigator");
  auto* navLayout = Form();
  navLayout->setContentsMargins(6, 2, 6, 4);
  nav->setLayout(navLayout);
  QCheckBox* show = Check(nav, "chbHTML_ShowNavigator", "Show Navigator", "HTML.ShowNavigator");
  QCheckBox* webdings = Check(nav, "chbHTML_WebDings", "GraphicNavUseWebdings", "HTML.GraphicNavUseWebdings");
  QComboBox* type = Combo(nav, "cbNavigatorType", "HTML.NavigatorType");
  QLabel* typeLabel = Label(nav, "Navigator Type", type);
  navLayout->addRow(show);
  navLayout->addRow(webdings);
  navLayout->addRow(typeLabel);
  navLayout->addRow(type);
  right->addWidget(nav);
  htmlSingle_ = Check(panel, "chbHTML_Single", "Single File", "HTML.SingleFile");
  right->addWidget(htmlSingle_);
  right->addWidget(Check(panel, "chbHTML_Optimize", "Optimize For Internet Explorer", "HTML.OptimizeForIE"));
  QCheckBox* pageEnd = Check(panel, "chkPageEndLines", "Page End Lines", "HTML.PageEndLines");
  right->addWidget(pageEnd);
  auto* texts = Form();
  for (const char* field : {"Title", "Subject", "Keywords"}) {
    QLineEdit* edit = TextEdit(panel, (std::string("edHTML_") + field).c_str(), (std::string("HTML.") + field).c_str());
    texts->addRow(Label(panel, field, edit), edit);
  }
  right->addLayout(texts);
  right->addStretch(1);
  navigatorControls_ = {show, webdings, typeLabel, type, pageEnd};
  grid->addLayout(left, 0, 0);
  grid->addLayout(right, 0, 1);
  connect(html_.Images, &QCheckBox::toggled, this, [this] { ApplyEnablingRules(); });
  connect(htmlSingle_, &QCheckBox::toggled, this, [this] { ApplyEnablingRules(); });
  return panel;
}

QWidget* TfrmProperties::ExcelTab() {
  QWidget* panel = nullptr;
  Panel(panel);
  auto* form = Form();
  form->setContentsMargins(8, 6, 8, 6);
  panel->setLayout(form);
  form->addRow(Check(panel, "chbExcel_SetCellAttrib", "SetCellAttributes", "Excel.SetCellAttributes"));
  QComboBox* spacing = Combo(panel, "cbExcel_LineSpc", "Excel.LineSpacing");
  form->addRow(Label(panel, "LineSpacing", spacing), spacing);
  form->addRow(Check(panel, "chkExcel_ExportRichText", "ExportRichText", "Excel.ExportRichText"));
  return panel;
}

QWidget* TfrmProperties::XlsxTab() {
  QWidget* panel = nullptr;
  Panel(panel);
  auto* grid = Grid(panel);
  auto* left = new QVBoxLayout;
  left->setSpacing(2);
  left->addWidget(Check(panel, "chbXLSX_FreezeHeaderRows", "Freeze Header Rows", "XLSX.FreezeHeaderRows"));
  left->addWidget(Check(panel, "chbXLSX_SheetPerPage", "Sheet Per Page", "XLSX.SheetPerPage"));
  left->addWidget(Check(panel, "chkXLSX_ExportRichText", "Export RichText", "XLSX.ExportRichText"));
  auto* spacingForm = Form();
  QComboBox* spacing = Combo(panel, "cbXLSX_LineSpc", "XLSX.LineSpacing");
  spacingForm->addRow(Label(panel, "LineSpacing", spacing), spacing);
  left->addLayout(spacingForm);
  left->addStretch(1);
  auto* right = Form();
  for (const char* field : {"Title", "Subject", "Author", "Keywords"}) {
    QLineEdit* edit = TextEdit(panel, (std::string("edXLSX_") + field).c_str(), (std::string("XLSX.") + field).c_str());
    right->addRow(Label(panel, field, edit));
    right->addRow(edit);
  }
  grid->addLayout(left, 0, 0);
  grid->addLayout(right, 0, 1, Qt::AlignTop);
  return panel;
}

QWidget* TfrmProperties::CsvTab() {
  QWidget* panel = nullptr;
  Panel(panel);
  auto* form = Form();
  form->setContentsMargins(8, 6, 8, 6);
  panel->setLayout(form);
  QComboBox* separator = Combo(panel, "cbCSV_Separator", "CSV.Separator");
  form->addRow(Label(panel, "Separator", separator), separator);
  form->addRow(Check(panel, "chbCSV_PlainNumbers", "Plain Numbers and ISO Dates", "CSV.PlainNumbers"));
  form->addRow(Check(panel, "chbCSV_FormulaGuard", "Guard Formula-Like Text", "CSV.FormulaGuard"));
  form->addRow(Check(panel, "chbCSV_ByteOrderMark", "Byte-Order Mark", "CSV.ByteOrderMark"));
  form->addRow(Check(panel, "chkCSV_ExportRichText", "Export RichText", "CSV.ExportRichText"));
  return panel;
}

QWidget* TfrmProperties::TextTab() {
  QWidget* panel = nullptr;
  Panel(panel);
  auto* form = Form();
  form->setContentsMargins(8, 6, 8, 6);
  panel->setLayout(form);
  form->addRow(Check(panel, "chbText_PageBreaks", "Page Breaks", "Text.PageBreaks"));
  QComboBox* spacing = Combo(panel, "cbText_LineSpc", "Text.LineSpacing");
  form->addRow(Label(panel, "LineSpacing", spacing), spacing);
  QLineEdit* scale = NumberEdit(panel, "seText_XScale", "Text.XScaleFactor");
  form->addRow(Label(panel, "XScaleFactor", scale), scale);
  form->addRow(Check(panel, "chbText_PageEndLines", "Page End Lines", "Text.PageEndLines"));
  form->addRow(Check(panel, "chbText_SingleFile", "Single File", "Text.SingleFile"));
  form->addRow(Check(panel, "chkText_ExportRichText", "Export RichText", "Text.ExportRichText"));
  return panel;
}

QWidget* TfrmProperties::PictureTab(const char* prefix, bool jpeg) {
  const std::string p = prefix;
  QWidget* panel = nullptr;
  Panel(panel);
  auto* form = Form();
  form->setContentsMargins(8, 6, 8, 6);
  panel->setLayout(form);
  form->addRow(Check(panel, ("chb" + p + "_Mono").c_str(), "Monochrome", (p + ".Monochrome").c_str()));
  QComboBox* pix = Combo(panel, ("cb" + p + "_Pix").c_str(), (p + ".PixelFormat").c_str());
  form->addRow(Label(panel, "PixelFormat", pix), pix);
  if (jpeg) {
    form->addRow(Check(panel, "chbJPEG_ProgEncode", "ProgressiveEncoding", "JPEG.ProgressiveEncoding"));
    QSpinBox* quality = QualitySpin(panel, "seJPEG_Qual", "JPEG.Quality");
    form->addRow(Label(panel, "JPEGQuality", quality), quality);
  }
  return panel;
}

QWidget* TfrmProperties::MetafileTab(const char* prefix) {
  const std::string p = prefix;
  QWidget* panel = nullptr;
  Panel(panel);
  auto* form = Form();
  form->setContentsMargins(8, 6, 8, 6);
  panel->setLayout(form);
  form->addRow(Check(panel, ("chb" + p + "_Fill").c_str(), "FillUnusedArea", (p + ".FillUnusedArea").c_str()));
  return panel;
}

void TfrmProperties::FormCreate() {
  auto combo = [this](const char* name) { return findChild<QComboBox*>(name); };
  // Image formats: all three everywhere, then GIF leaves PDF and RTF, then each selects.
  for (QComboBox* c : {html_.Format, pdf_.Format, rtf_.Format}) Fill(c, kImageFormats);
  for (QComboBox* c : {pdf_.Format, rtf_.Format}) c->removeItem(c->findText("GIF"));
  for (QComboBox* c : {html_.Format, pdf_.Format, rtf_.Format}) SelectFromSetting(c);
  Fill(combo("cbNavigatorType"), kNavigatorTypes);
  SelectFromSetting(combo("cbNavigatorType"));
  Fill(combo("cbCSV_Separator"), kCsvSeparators);
  SelectFromSetting(combo("cbCSV_Separator"));
  for (const char* name : {"cbExcel_LineSpc", "cbText_LineSpc", "cbXLSX_LineSpc"}) {
    Fill(combo(name), kLineSpacings);
    SelectFromSetting(combo(name));
  }
  for (QComboBox* c : {combo("cbGIF_Pix"), combo("cbBMP_Pix"), combo("cbJPEG_Pix"), pdf_.PixelFormat,
                       html_.PixelFormat, rtf_.PixelFormat}) {
    Fill(c, kPixelFormats);
    SelectFromSetting(c);
  }
  for (const char* name : {"cbPDF_RichTextEncodingType", "cbHTML_RichTextEncodingType"}) {
    Fill(combo(name), kRichTextEncodings);
    SelectFromSetting(combo(name));
  }
  Fill(combo("cbPDF_Conformance"), kPdfConformance);
  SelectFromSetting(combo("cbPDF_Conformance"));
  // Every combo writes the value of its entry; the setting's own check may refuse it.
  for (QComboBox* c : findChildren<QComboBox*>()) {
    connect(c, &QComboBox::currentIndexChanged, this, [this, c] {
      Write(PathOf(c), static_cast<long long>(c->currentData().toInt()));
      SelectFromSetting(c);
    });
  }
  for (TImageGroup* g : {&pdf_, &html_, &rtf_})
    connect(g->Format, &QComboBox::currentIndexChanged, this, [this, g] { FormatChanged(*g); });
  ApplyEnablingRules();
}

void TfrmProperties::FormatChanged(TImageGroup&) { ApplyEnablingRules(); }

void TfrmProperties::ApplyEnablingRules() {
  for (TImageGroup* g : {&pdf_, &html_, &rtf_}) {
    const bool images = g->Images->isChecked();
    const bool jpeg = g->Format->currentData().toInt() == static_cast<int>(TOxImageFormat::ifJPG);
    for (QWidget* w : {static_cast<QWidget*>(g->Format), static_cast<QWidget*>(g->DPI), g->Labels[0], g->Labels[2]})
      w->setEnabled(images);
    if (g->Folder != nullptr) {
      g->Folder->setEnabled(images);
      g->Labels[3]->setEnabled(images);
    }
    g->Quality->setEnabled(images && jpeg);
    g->Labels[1]->setEnabled(images && jpeg);
  }
  for (QWidget* w : navigatorControls_) w->setEnabled(!htmlSingle_->isChecked());
}

void TfrmProperties::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (OnHide) OnHide();
}

}  // namespace oxqr
