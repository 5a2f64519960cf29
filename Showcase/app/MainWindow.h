#pragma once
// TfrmMain: the showcase's main window. A tool strip (Help, Properties, Preview) above the
// page control pcOxQRDemo with one sample report per tab, each shown as its design surface
// under an info line. Preview opens the engine's preview of CurrentReport, the report of
// the active tab.
#include <memory>
#include <string>

#include <QMainWindow>

#include "Showcase/samples/SampleReports.h"
#include "definition/ReportDefinition.h"
#include "data/Table.h"

class QScrollArea;
class QTabWidget;
class QToolButton;

namespace oxqr {

class TfrmChartReport;
class TfrmProperties;
class THelpWindow;

// Captions and info texts of the five tabs, in position order.
struct TShowcaseTab {
  const char* Caption;
  const char* Info;
};
constexpr int kShowcaseTabCount = 6;
extern const TShowcaseTab kShowcaseTabs[kShowcaseTabCount];

class TfrmMain final : public QMainWindow {
 public:
  // Loads the window: opens the tables (throws EDatabaseError without the database), then
  // runs the start-up steps (FormCreate).
  explicit TfrmMain(const TSampleContext& ctx, QWidget* parent = nullptr);
  ~TfrmMain() override;  // FormDestroy

  // The Properties window the Properties button shows; its hiding raises the button.
  void SetPropertiesWindow(TfrmProperties* properties);
  // Sets the Properties button up (the Properties window was hidden).
  void PropertiesHidden();

  TQRCustomReport* CurrentReport() const { return currentReport_; }
  TQRCustomReport& QRReport(int position) const;  // 0..4
  TfrmChartReport* ChartReportWindow() const { return frmChartReport_.get(); }
  QTabWidget* PageControl() const { return pcOxQRDemo_; }
  QToolButton* PropertiesButton() const { return btnProps_; }
  QToolButton* PreviewButton() const { return button2_; }
  QScrollArea* ScrollBox(int position) const { return scrollBoxes_[position]; }
  int HelpContext() const { return 100; }
  const std::string& HelpFile() const { return helpFile_; }
  THelpWindow* HelpViewer() const { return help_; }

  // File > Open: loads a report definition into the tab "Opened report" (design surface;
  // Preview shows it), replacing the one opened before. Faults show in an error box.
  void OpenDefinitionClick();
  bool OpenDefinition(const std::string& fileName);
  int OpenedReportTab() const { return openedTab_; }
  // File > Open in designer: starts the designer program on the opened definition (or on
  // one chosen when none is open); a program that does not start gives an error box.
  void OpenInDesignerClick();

  void btnPropsClick();
  void Button2Click();
  void pcOxQRDemoChange(int position);
  void ShowHelp();

 private:
  void FormCreate(const TSampleContext& ctx);
  void BuildToolStrip();
  QWidget* BuildTab(int position);

  std::unique_ptr<TSampleReport> sample1_, sample2_, sample3_;  // QRReport1..3 with their tables
  std::unique_ptr<TSampleReport> sample5_;                      // the labels, QRReport5
  std::unique_ptr<TSampleReport> sample6_;                      // the sales by customer
  std::unique_ptr<TReportDefinition> opened_;                   // File > Open
  int openedTab_ = -1;
  std::string databasePath_;
  TTable tblAnimals_;                                          // opened with the window, unused
  TDataSource srcAnimals_;
  std::unique_ptr<TfrmChartReport> frmChartReport_;
  TQRCustomReport* currentReport_ = nullptr;
  TfrmProperties* frmProperties_ = nullptr;
  THelpWindow* help_ = nullptr;
  std::string helpFile_;
  QToolButton* btnHelp_ = nullptr;
  QToolButton* btnProps_ = nullptr;
  QToolButton* button2_ = nullptr;
  QTabWidget* pcOxQRDemo_ = nullptr;
  QScrollArea* scrollBoxes_[kShowcaseTabCount] = {};
};

// The window font of the showcase: MS Sans Serif 8 pt through the platform's font
// substitution, in pixels, so that it does not follow the screen's font scaling.
QFont ShowcaseFont();

}  // namespace oxqr
