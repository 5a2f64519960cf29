// The README's tutorial report built in the designer as a user builds it: File > New through
// its dialog, bands from the Insert menu, labels placed from the palette, the query typed
// into the data panel, a field dragged from the data panel onto the detail band, and every
// token, name and position typed into the inspector. The saved file is exported by
// oxqr-export and read back by pdftotext beside the tutorial's own definition; undo and
// redo all the way give the empty report and the saved file again.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "designer/DataPanel.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "designer/FileActions.h"
#include "designer/Inspector.h"
#include "designer/NewReportDialog.h"
#include "designer/PageView.h"
#include "designer/Palette.h"
#include "platform/Files.h"
#include "platform/SafeFile.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

// The text of the fenced block after `marker` in the README.
std::string ReadmeBlock(const std::string& marker) {
  const std::string readme = ReadFileBytes(OXQR_TEST_SOURCE_DIR "/README.md");
  const auto at = readme.find(marker);
  if (at == std::string::npos) return {};
  const auto open = readme.find('\n', readme.find("```", at)) + 1;
  return readme.substr(open, readme.find("```", open) - open);
}

// A designer window worked by mouse and keyboard only. Each step looks its widgets up again:
// the inspector builds its form anew when the selection changes.
class TUser {
 public:
  explicit TUser(TDesignerWindow& window) : window_(window), page_(window.PageView()) {}

  // An action of a menu of the menu bar, by its text without the accelerator.
  QAction* MenuItem(const QString& menu, const QString& text) const {
    for (QAction* a : window_.Menu(menu)->actions())
      if (a->text().remove('&') == text) return a;
    ADD_FAILURE() << "no " << text.toStdString() << " in " << menu.toStdString();
    return nullptr;
  }
  void InsertBand(const QString& objectName) {
    for (QAction* a : window_.Menu("Insert")->actions())
      if (a->objectName() == objectName) return a->trigger();
    ADD_FAILURE() << "no " << objectName.toStdString() << " in the Insert menu";
  }

  // The band of `type` (the first one); clicking it in its empty middle selects it.
  TOxrNode* Band(const std::string& type) const {
    for (TOxrNode* b : window_.Document().Tree().Root().Elements("band"))
      if (b->AttributeOr("type", "") == type) return b;
    return nullptr;
  }
  void ClickBand(const std::string& type) {
    TOxrNode* band = Band(type);
    ASSERT_NE(band, nullptr) << type;
    QTest::mouseClick(&page_, Qt::LeftButton, Qt::NoModifier, page_.BandScreenRect(*band).center().toPoint());
    ASSERT_EQ(window_.Document().Selection(), std::vector<TOxrNode*>{band}) << type;
  }
  // A label from the palette, clicked into the band near its left edge; it stays selected.
  void PlaceLabel(const std::string& type) {
    QToolButton* tool = window_.Palette().Button("label");
    ASSERT_NE(tool, nullptr);
    QTest::mouseClick(tool, Qt::LeftButton);
    TOxrNode* band = Band(type);
    ASSERT_NE(band, nullptr) << type;
    const QRectF r = page_.BandScreenRect(*band);
    QTest::mouseClick(&page_, Qt::LeftButton, Qt::NoModifier, QPoint(int(r.left()) + 4, int(r.center().y())));
    ASSERT_EQ(window_.Document().Selection().size(), 1u);
    ASSERT_EQ(window_.Document().Selection().front()->Name(), "label");
  }

  // Typing into the inspector, each value ended by Return.
  void Type(const std::string& attribute, const QString& value) {
    QWidget* editor = window_.Inspector().Editor(attribute);
    ASSERT_NE(editor, nullptr) << attribute;
    if (auto* line = editor->findChild<QLineEdit*>("line")) {
      line->setFocus();
      line->selectAll();
      QTest::keyClicks(line, value);
      QTest::keyClick(line, Qt::Key_Return);
    } else if (auto* spin = editor->findChild<QAbstractSpinBox*>("spin")) {
      spin->setFocus();
      spin->selectAll();
      QTest::keyClicks(spin, value);
      QTest::keyClick(spin, Qt::Key_Return);
    } else if (auto* combo = editor->findChild<QComboBox*>("combo"); combo && combo->isEditable()) {
      combo->lineEdit()->selectAll();
      QTest::keyClicks(combo->lineEdit(), value);
      QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    } else if (combo) {
      combo->setFocus();
      QTest::keyClicks(combo, value);  // the list's own search by the first letters
    } else {
      FAIL() << attribute << " has no editor to type into";
    }
  }
  // Several attributes in the order given.
  void TypeAll(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [attribute, value] : values) Type(attribute, QString::fromUtf8(value));
  }
  void Click(const std::string& attribute, const char* box) {
    QWidget* editor = window_.Inspector().Editor(attribute);
    ASSERT_NE(editor, nullptr) << attribute;
    auto* check = editor->findChild<QCheckBox*>(box);
    ASSERT_NE(check, nullptr) << attribute << "/" << box;
    QTest::mouseClick(check, Qt::LeftButton);
  }

 private:
  TDesignerWindow& window_;
  TPageView& page_;
};

// pdftotext's text of `oxr` exported to PDF with the tutorial's database.
std::string ExportedText(const fs::path& oxr, const fs::path& db, const fs::path& pdf) {
  const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(db.string()) + " " +
                            ShellQuote(oxr.string()) + " " + ShellQuote(pdf.string()) + " 2>&1");
  EXPECT_EQ(run.Status, 0) << run.Output;
  return RunShell("pdftotext -layout " + ShellQuote(pdf.string()) + " -").Output;
}

TEST(DesignerTutorial, TheReadmeReportBuiltByHandExportsAsTheTutorialsOwnAndUndoesToTheEmptyReport) {
  for (const char* tool : {"sqlite3", "pdftotext", "xmllint"})
    if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
  const fs::path dir = fs::temp_directory_path() / ("oxqr-designer-tutorial-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string sql = ReadmeBlock("<!-- tutorial:sql -->");
  const std::string tutorial = ReadmeBlock("<!-- tutorial:oxr -->");
  ASSERT_FALSE(sql.empty());
  ASSERT_FALSE(tutorial.empty());
  WriteFileSafely((dir / "sales.sql").string(), sql);
  WriteFileSafely((dir / "tutorial.oxr").string(), tutorial);
  const fs::path db = dir / "shop.sqlite";
  ASSERT_EQ(RunShell("sqlite3 " + ShellQuote(db.string()) + " < " + ShellQuote((dir / "sales.sql").string())).Status, 0);

  TDesignerWindow window;
  window.show();
  TDesignDocument& doc = window.Document();
  // The tutorial's definition names no database: the designer reads the one given to it.
  doc.SetDefaultDatabase(QString::fromStdString(db.string()));
  auto& files = *window.findChild<TFileActions*>();
  TUser user(window);

  // File > New: the dialog's margins typed, then OK.
  bool dialogSeen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TNewReportDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialogSeen = true;
    const auto boxes = dialog->findChildren<QDoubleSpinBox*>();  // width, height, then the four margins
    ASSERT_EQ(boxes.size(), 6);
    const char* margins[4] = {"10", "10", "15", "15"};
    for (int i = 0; i < 4; ++i) {
      boxes[2 + i]->selectAll();
      QTest::keyClicks(boxes[2 + i], margins[i]);
    }
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  });
  user.MenuItem("File", "New...")->trigger();
  ASSERT_TRUE(dialogSeen);
  const std::string empty = doc.Text();
  ASSERT_NE(empty.find("leftMargin=\"15\""), std::string::npos) << empty;

  // The report's title: nothing is selected, so the inspector shows the report.
  user.Type("title", "Sales by region");

  // The query: its SQL typed into the data panel's editor, added, named and run.
  TDataPanel& data = window.DataPanel();
  data.SqlEditor().setFocus();
  QTest::keyClicks(&data.SqlEditor(), "SELECT region, city, amount FROM sales ORDER BY region, city");
  for (QPushButton* b : data.findChildren<QPushButton*>())
    if (b->text().remove('&') == "Add Query") QTest::mouseClick(b, Qt::LeftButton);
  auto* name = data.findChild<QLineEdit*>();
  for (QLineEdit* edit : data.findChildren<QLineEdit*>())
    if (edit->placeholderText() == "dataset name") name = edit;
  name->selectAll();
  QTest::keyClicks(name, "Sales");
  QTest::keyClick(name, Qt::Key_Return);
  for (QPushButton* b : data.findChildren<QPushButton*>())
    if (b->text().remove('&') == "Run") QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_EQ(data.Results().rowCount(), 100) << data.Message().text().toStdString();  // the first rows of 120
  EXPECT_EQ(doc.Tree().Root().AttributeOr("dataset", ""), "Sales");
  EXPECT_EQ(data.Database().toStdString(), db.string());

  // The bands, from the Insert menu; each is selected by a click and typed into.
  for (const char* band : {"title", "pageHeader", "groupHeader", "detail", "summary", "pageFooter"})
    user.InsertBand(QString("insertBand.") + band);
  user.ClickBand("title");
  user.Type("height", "12");
  user.ClickBand("pageHeader");
  user.Type("height", "8");
  user.ClickBand("groupFooter");
  user.TypeAll({{"name", "RegionTotal"}, {"height", "8"}});
  user.ClickBand("groupHeader");
  user.TypeAll({{"name", "ByRegion"}, {"footer", "RegionTotal"}});
  // A misspelt field is named as it is typed: the inspector checks it against the fields of
  // the document's database.
  auto* field = window.Inspector().Editor("field")->findChild<QLineEdit*>("line");
  QTest::keyClicks(field, "Sales.regoin");
  EXPECT_TRUE(window.Inspector().FaultLabel("field")->text().contains("unknown field 'regoin'"))
      << window.Inspector().FaultLabel("field")->text().toStdString();
  user.TypeAll({{"field", "Sales.region"}, {"height", "8"}, {"color", "silver"}});
  user.ClickBand("detail");
  user.Type("height", "5");
  user.ClickBand("summary");
  user.Type("height", "10");
  user.ClickBand("pageFooter");
  user.Type("height", "8");

  // The labels, each from the palette, then its place, text and look typed in.
  user.PlaceLabel("title");
  user.TypeAll({{"left", "0"}, {"top", "2"}, {"width", "180"}, {"height", "8"}, {"text", "{title}"}, {"fontSize", "16"}});
  user.Click("fontStyle", "bold");
  user.PlaceLabel("pageHeader");
  user.TypeAll({{"left", "0"}, {"top", "1"}, {"width", "90"}, {"height", "5"}, {"text", "City"}});
  user.Click("fontStyle", "bold");
  user.PlaceLabel("pageHeader");
  user.TypeAll({{"left", "130"}, {"top", "1"}, {"width", "50"}, {"height", "5"}, {"text", "Amount"}, {"align", "right"}});
  user.Click("fontStyle", "bold");
  user.PlaceLabel("groupHeader");
  user.TypeAll({{"left", "0"}, {"top", "1"}, {"width", "180"}, {"height", "5"},
                {"text", "{Sales.region}: {count(Sales, ByRegion)} sales"}});
  user.Click("fontStyle", "bold");
  user.Click("transparent", "check");
  user.PlaceLabel("detail");
  user.TypeAll({{"left", "130"}, {"top", "0"}, {"width", "50"}, {"height", "5"}, {"align", "right"},
                {"text", "{Sales.amount:#,##0.00}"}});
  user.PlaceLabel("groupFooter");
  user.TypeAll({{"left", "80"}, {"top", "1"}, {"width", "100"}, {"height", "5"}, {"align", "right"},
                {"text", "Total of {Sales.region}: {sum(Sales.amount, ByRegion):#,##0.00}"}});
  user.Click("fontStyle", "bold");
  user.PlaceLabel("summary");
  user.TypeAll({{"left", "80"}, {"top", "2"}, {"width", "100"}, {"height", "5"}, {"align", "right"},
                {"text", "Total of all regions: {sum(Sales.amount):#,##0.00}"}});
  user.Click("fontStyle", "bold");
  user.PlaceLabel("pageFooter");
  // Placed labels are counted as a user counts them.
  EXPECT_EQ(doc.Selection().front()->AttributeOr("name", ""), "Label8");
  user.TypeAll({{"left", "0"}, {"top", "2"}, {"width", "180"}, {"height", "5"}, {"align", "center"},
                {"text", "Page {page} of {pages}"}});

  // The city: its field dragged from the data panel onto the detail band. A QDrag's own event
  // loop needs a window system that moves a real pointer, so the drag's events are sent to the
  // page as Qt delivers them, carrying the mime data the panel's tree makes for the item.
  QTreeWidgetItem* city = nullptr;
  for (QTreeWidgetItem* item : data.Tree().findItems("city", Qt::MatchStartsWith | Qt::MatchRecursive))
    if (item->parent() && item->parent()->text(0).startsWith("Sales")) city = item;
  ASSERT_NE(city, nullptr);
  std::unique_ptr<QMimeData> mime(data.Tree().model()->mimeData({data.Tree().indexFromItem(city)}));
  ASSERT_TRUE(mime->hasFormat(kFieldMimeType));
  const QPoint at = window.PageView().BandScreenRect(*user.Band("detail")).center().toPoint() - QPoint(200, 0);
  QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window.PageView(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window.PageView(), &move);
  ASSERT_TRUE(move.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window.PageView(), &drop);
  ASSERT_EQ(doc.Selection().size(), 1u);
  EXPECT_EQ(doc.Selection().front()->AttributeOr("field", ""), "Sales.city");
  EXPECT_EQ(doc.Selection().front()->Parent(), user.Band("detail"));
  user.TypeAll({{"left", "0"}, {"top", "0"}, {"width", "90"}, {"height", "5"}});

  // Saved with Save As under the name the file dialog gives, then exported beside the
  // tutorial's own definition: the same lines and totals.
  const fs::path saved = dir / "sales.oxr";
  files.ChooseFile = [&](bool) { return QString::fromStdString(saved.string()); };
  user.MenuItem("File", "Save As...")->trigger();
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_FALSE(doc.IsModified());
  const std::string savedBytes = ReadFileBytes(saved.string());
  const auto valid = RunShell("xmllint --noout --schema " OXQR_TEST_SOURCE_DIR "/definition/oxr.xsd " +
                              ShellQuote(saved.string()) + " 2>&1");
  EXPECT_EQ(valid.Status, 0) << valid.Output << savedBytes;
  const std::string built = ExportedText(saved, db, dir / "built.pdf");
  const std::string own = ExportedText(dir / "tutorial.oxr", db, dir / "tutorial.pdf");
  EXPECT_EQ(built, own) << savedBytes;
  for (const char* line : {"Sales by region", "East: 40 sales", "Total of East: 6,150.00", "Total of North: 5,950.00",
                           "Total of South: 6,050.00", "Total of all regions: 18,150.00", "Page 2 of 3"})
    EXPECT_NE(built.find(line), std::string::npos) << line << "\n" << built;

  // Undo all the way: the empty report of File > New. Redo all the way: the file as saved.
  while (doc.UndoStack().canUndo()) doc.UndoStack().undo();
  EXPECT_EQ(doc.Text(), empty);
  while (doc.UndoStack().canRedo()) doc.UndoStack().redo();
  const fs::path again = dir / "again.oxr";
  files.ChooseFile = [&](bool) { return QString::fromStdString(again.string()); };
  user.MenuItem("File", "Save As...")->trigger();
  EXPECT_EQ(ReadFileBytes(again.string()), savedBytes);

  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace oxqr
