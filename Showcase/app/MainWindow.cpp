#include "MainWindow.h"

#include <exception>

#include <QApplication>
#include <QFileDialog>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QLabel>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ChartReportWindow.h"
#include "DesignerLauncher.h"
#include "ErrorBox.h"
#include "HelpWindow.h"
#include "OxQrCtrls/RichText.h"
#include "PropertiesWindow.h"
#include "ShowcaseSurfaces.h"
#include "engine/gui/PreviewWindow.h"
#include "platform/TextMetrics.h"

namespace oxqr {

const TShowcaseTab kShowcaseTabs[kShowcaseTabCount] = {
    {"Customer-Orders",
     "Master-Detail Demo. This demo uses Customer.db and Orders.db through the DEMODATA sample database."},
    {"Sporting Events", "Graphics Demo. This report uses Events.db through the DEMODATA sample database."},
    {"RichText",
     "This report demonstrates WYSYWIG RichText exporting with Color, Font and Formatting. Export this report to RTF "
     "to see RichText exporting as RichText."},
    {"Chart", "Chart Demo. This report uses Animals.db through the DEMODATA sample database."},
    {"Labels",
     "Barcode Demo. Shipping labels with a Code 128 and a QR code each, from Customer.db through the DEMODATA sample "
     "database."},
    {"Sales",
     "Grouping Demo. Orders grouped by customer with totals per customer and of all sales, turned column captions, "
     "from Customer.db and Orders.db through the DEMODATA sample database."},
};

namespace {

constexpr int kToolStripHeight = 45;
constexpr int kInfoPanelHeight = 32;
constexpr int kSpacerHeight = 7;
constexpr TColor kTeal = RGBColor(0, 128, 128);

QToolButton* ToolButton(const QString& text, const char* name, bool bold, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b->setAutoRaise(true);
  b->setFixedHeight(kToolStripHeight - 6);
  b->setMinimumWidth(80);
  if (bold) {
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
  }
  return b;
}

}  // namespace

QFont ShowcaseFont() {
  TFont f;
  f.Name = "MS Sans Serif";
  f.Size = 8;
  return ToQFont(f);
}

TfrmMain::TfrmMain(const TSampleContext& ctx, QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowTitle("OxQRFilters - Showcase");
  setFont(ShowcaseFont());
  // Loading the window opens its tables; a missing database stops here.
  sample1_ = MakeCustomersReport(ctx);
  sample2_ = MakeEventsReport(ctx);
  sample3_ = MakeRichTextReport(ctx);
  sample5_ = MakeLabelsReport(ctx);
  sample6_ = MakeSalesReport(ctx);
  tblAnimals_.DatabaseName = ctx.DatabasePath;
  tblAnimals_.TableName = "animals.dbf";
  tblAnimals_.Open();
  srcAnimals_.DataSet = &tblAnimals_;

  databasePath_ = ctx.DatabasePath;
  BuildToolStrip();
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Open definition...", this, [this] { OpenDefinitionClick(); });
  QAction* design = file->addAction("Open in &designer...", this, [this] { OpenInDesignerClick(); });
  design->setObjectName("actionOpenInDesigner");
  design->setStatusTip("Edit the opened definition (or one chosen) in the report designer");
  pcOxQRDemo_ = new QTabWidget(this);
  pcOxQRDemo_->setObjectName("pcOxQRDemo");
  pcOxQRDemo_->tabBar()->setAttribute(Qt::WA_Hover);  // hot-tracking tabs
  for (int i = 0; i < kShowcaseTabCount; ++i) pcOxQRDemo_->addTab(BuildTab(i), kShowcaseTabs[i].Caption);
  pcOxQRDemo_->setTabVisible(3, false);
  setCentralWidget(pcOxQRDemo_);
  connect(pcOxQRDemo_, &QTabWidget::currentChanged, this, [this](int i) { pcOxQRDemoChange(i); });
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, [this] { ShowHelp(); });
  FormCreate(ctx);
}

TfrmMain::~TfrmMain() {
  if (openedTab_ >= 0) delete pcOxQRDemo_->widget(openedTab_);
  // The chart's surface paints QRReport4: it goes before the chart window that owns the report.
  if (scrollBoxes_[3] != nullptr) delete scrollBoxes_[3]->takeWidget();
  frmChartReport_.reset();
}

void TfrmMain::BuildToolStrip() {
  auto* strip = new QToolBar("Tools", this);
  strip->setObjectName("ToolStrip");
  strip->setMovable(false);
  strip->setFloatable(false);
  strip->setFixedHeight(kToolStripHeight);
  strip->toggleViewAction()->setVisible(false);
  addToolBar(Qt::TopToolBarArea, strip);
  btnHelp_ = ToolButton("Help", "btnHelp", false, strip);
  btnProps_ = ToolButton("Properties", "btnProps", true, strip);
  btnProps_->setCheckable(true);
  button2_ = ToolButton("Preview", "Button2", true, strip);
  strip->addWidget(btnHelp_);
  strip->addWidget(btnProps_);
  strip->addWidget(button2_);
  connect(btnHelp_, &QToolButton::clicked, this, [this] { ShowHelp(); });
  connect(btnProps_, &QToolButton::clicked, this, [this] { btnPropsClick(); });
  connect(button2_, &QToolButton::clicked, this, [this] { Button2Click(); });
}

QWidget* TfrmMain::BuildTab(int position) {
  auto* page = new QWidget;
  page->setObjectName(QString("TabSheet%1").arg(position + 1));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* info = new QLabel(kShowcaseTabs[position].Info, page);
  info->setObjectName(QString("Panel%1").arg(position + 1));
  info->setFixedHeight(kInfoPanelHeight);
  info->setIndent(8);
  info->setAutoFillBackground(true);
  QPalette pal = info->palette();
  pal.setColor(QPalette::Window, ToQColor(clInfoBk));
  pal.setColor(QPalette::WindowText, ToQColor(kTeal));
  info->setPalette(pal);
  QFont bold = font();
  bold.setBold(true);
  info->setFont(bold);
  layout->addWidget(info);
  layout->addSpacing(kSpacerHeight);
  auto* scroll = new QScrollArea(page);
  // The chart report moves into ScrollBox3; the rich text tab's box is ScrollBox4.
  const int names[kShowcaseTabCount] = {1, 2, 4, 3, 5, 6};
  scroll->setObjectName(QString("ScrollBox%1").arg(names[position]));
  scroll->setBackgroundRole(QPalette::Mid);
  scrollBoxes_[position] = scroll;
  layout->addWidget(scroll, 1);
  TSampleReport* samples[3] = {sample1_.get(), sample2_.get(), sample3_.get()};
  if (position < 3) scroll->setWidget(MakeShowcaseSurface(samples[position]->Report(), scroll));
  if (position == 4) scroll->setWidget(MakeShowcaseSurface(sample5_->Report(), scroll));
  if (position == 5) scroll->setWidget(MakeShowcaseSurface(sample6_->Report(), scroll));
  return page;
}

void TfrmMain::FormCreate(const TSampleContext& ctx) {
  helpFile_ = HelpFileIn(ctx.ResourceDir);                         // 1
  pcOxQRDemo_->setCurrentIndex(0);                                 // 2
  // 3: the rich text sample loaded RichTextDemo.RTF and prints the reason when it could
  // not; the user also sees it here. Start-up goes on: the other reports do not need it.
  const std::string rtf = (ctx.ResourceDir.empty() ? std::string(".") : ctx.ResourceDir) + "/RichTextDemo.RTF";
  try {
    TOxQRRichEdit probe;
    probe.LoadFromFile(rtf);
  } catch (const std::exception& e) {
    ShowErrorBox("RichTextDemo.RTF could not be read: " + std::string(e.what()));
  }
  currentReport_ = &sample1_->Report();                            // 4
  frmChartReport_ = std::make_unique<TfrmChartReport>(ctx, this);  // 5
  pcOxQRDemo_->setTabVisible(3, true);                             // 6
  scrollBoxes_[3]->setWidget(frmChartReport_->Surface());
}

void TfrmMain::SetPropertiesWindow(TfrmProperties* properties) {
  frmProperties_ = properties;
  if (frmProperties_ != nullptr) frmProperties_->OnHide = [this] { PropertiesHidden(); };
}

void TfrmMain::PropertiesHidden() { btnProps_->setChecked(false); }

TQRCustomReport& TfrmMain::QRReport(int position) const {
  switch (position) {
    case 0: return sample1_->Report();
    case 1: return sample2_->Report();
    case 2: return sample3_->Report();
    case 4: return sample5_->Report();
    case 5: return sample6_->Report();
    default: return frmChartReport_->QRReport4();
  }
}

void TfrmMain::btnPropsClick() {
  if (frmProperties_ == nullptr) return;
  if (btnProps_->isChecked()) {
    frmProperties_->show();
    frmProperties_->raise();
  } else {
    frmProperties_->hide();
  }
}

void TfrmMain::Button2Click() {
  if (frmProperties_ != nullptr) frmProperties_->hide();
  if (currentReport_ == nullptr) return;
  try {
    PreviewReport(*currentReport_, this);
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
  }
}

void TfrmMain::pcOxQRDemoChange(int position) {
  if (position == openedTab_ && opened_) {
    currentReport_ = &opened_->Report();
    return;
  }
  if (position >= 0 && position < kShowcaseTabCount && (position != 3 || frmChartReport_)) currentReport_ = &QRReport(position);
}

void TfrmMain::OpenDefinitionClick() {
  const QString file = QFileDialog::getOpenFileName(this, "Open report definition", QString(),
                                                    "Report definitions (*.oxr);;All files (*)");
  if (!file.isEmpty()) OpenDefinition(file.toStdString());
}

void TfrmMain::OpenInDesignerClick() {
  std::string file = opened_ ? opened_->FileName() : std::string();
  if (file.empty()) {
    file = QFileDialog::getOpenFileName(this, "Open in designer", QString(), "Report definitions (*.oxr);;All files (*)")
               .toStdString();
    if (file.empty()) return;
  }
  try {
    OpenInDesigner(file);
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
  }
}

bool TfrmMain::OpenDefinition(const std::string& fileName) {
  std::unique_ptr<TReportDefinition> loaded;
  try {
    TDefinitionOptions options;
    options.DefaultDatabasePath = databasePath_;  // a definition that names no database reads the sample one
    loaded = LoadReportDefinition(fileName, options);
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
    return false;
  }
  // The surface paints the report: it goes before the report it shows.
  if (openedTab_ >= 0) {
    QWidget* old = pcOxQRDemo_->widget(openedTab_);
    pcOxQRDemo_->removeTab(openedTab_);
    delete old;
  }
  if (currentReport_ != nullptr && opened_ && currentReport_ == &opened_->Report()) currentReport_ = nullptr;
  opened_ = std::move(loaded);
  auto* scroll = new QScrollArea;
  scroll->setObjectName("ScrollBoxOpened");
  scroll->setBackgroundRole(QPalette::Mid);
  scroll->setWidget(MakeShowcaseSurface(opened_->Report(), scroll));
  openedTab_ = pcOxQRDemo_->addTab(scroll, "Opened report");
  pcOxQRDemo_->setTabToolTip(openedTab_, QString::fromStdString(fileName));
  pcOxQRDemo_->setCurrentIndex(openedTab_);
  currentReport_ = &opened_->Report();
  return true;
}

void TfrmMain::ShowHelp() {
  if (help_ == nullptr) help_ = new THelpWindow(this);
  if (!help_->ShowContext(helpFile_, HelpContext())) ShowErrorBox("Cannot find the help file " + helpFile_ + ".");
}

}  // namespace oxqr
