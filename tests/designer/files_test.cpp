// The File menu's actions driven as a user would: New, Open, Save, Save As, the title bar's
// mark, the question before changes are lost, recent files and the recovery file.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "designer/FileActions.h"

namespace oxqr {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

const QString kShowcase = QStringLiteral(OXQR_TEST_SOURCE_DIR "/Showcase/reports/");

// A window whose dialogs answer from the test instead of waiting for a user.
struct TWindow {
  TWindow() : Files(*Window.findChild<TFileActions*>()) {
    Files.ChooseFile = [this](bool) { return NextFile; };
    Files.ChoosePage = [this] { return NextPage; };
    Files.AskSave = [this](const QString&) {
      ++Questions;
      return Answer;
    };
    Files.AskYesNo = [this](const QString&) { return Restore; };
    Files.ShowError = [this](const QString& m) { Errors << m; };
  }
  TDesignDocument& Doc() { return Window.Document(); }
  // One undoable edit.
  void Edit() { Doc().SetAttributes({{&Doc().Tree().Root(), "title", "Edited " + std::to_string(++edits)}}, "Title"); }

  TDesignerWindow Window;
  TFileActions& Files;
  QString NextFile;
  std::optional<TNewPage> NextPage;
  int Answer = QMessageBox::Cancel;
  bool Restore = true;
  int Questions = 0;
  int edits = 0;
  QStringList Errors;
};

TEST(FileActions, NewGivesAnEmptyReportOnTheChosenPage) {
  TWindow w;
  TNewPage page;
  page.Paper = "custom";
  page.Width = 100;
  page.Height = 150.5;
  page.Landscape = true;
  page.Left = 12.5;
  w.NextPage = page;
  ASSERT_TRUE(w.Files.New());
  const std::string text = w.Doc().Text();
  EXPECT_NE(text.find("<report paper=\"custom\" pageWidth=\"100\" pageHeight=\"150.5\" orientation=\"landscape\" "
                      "topMargin=\"10\" bottomMargin=\"10\" leftMargin=\"12.5\" rightMargin=\"10\"/>"),
            std::string::npos)
      << text;
  EXPECT_TRUE(w.Doc().FileName().isEmpty());
  EXPECT_FALSE(w.Doc().IsModified());
  EXPECT_TRUE(w.Window.windowTitle().startsWith("Untitled[*]"));

  // A cancelled dialog keeps the report.
  w.Edit();
  w.Answer = QMessageBox::Discard;
  w.NextPage.reset();
  EXPECT_FALSE(w.Files.New());
  EXPECT_TRUE(w.Doc().IsModified());
}

// The dialog's fields as a user fills them in, by keyboard.
TEST(FileActions, NewReportDialogGivesThePageAsEntered) {
  TNewReportDialog dialog;
  auto* paper = dialog.findChild<QComboBox*>();
  const auto boxes = dialog.findChildren<QDoubleSpinBox*>();
  ASSERT_NE(paper, nullptr);
  ASSERT_EQ(boxes.size(), 6);  // width, height, then the four margins
  EXPECT_FALSE(boxes[0]->isEnabled()) << "the size of A4 is not asked for";
  paper->setCurrentIndex(paper->findData("Letter"));
  boxes[2]->selectAll();
  QTest::keyClicks(boxes[2], "25.4");
  TNewPage page = dialog.Page();
  EXPECT_EQ(page.Paper, "Letter");
  EXPECT_DOUBLE_EQ(page.Top, 25.4);
  paper->setCurrentIndex(paper->findData("custom"));
  EXPECT_TRUE(boxes[0]->isEnabled());
  boxes[0]->setValue(1);  // smaller than the loader's smallest page
  EXPECT_EQ(dialog.Page().Width, 10);
}

TEST(FileActions, OpenEditSaveFollowsTheCleanStateAndKeepsRecentFiles) {
  QTemporaryDir dir;
  const QString copy = dir.filePath("customers.oxr");
  ASSERT_TRUE(QFile::copy(kShowcase + "customers.oxr", copy));
  TWindow w;
  ASSERT_TRUE(w.Files.Open(copy));
  EXPECT_EQ(w.Doc().FileName(), QFileInfo(copy).absoluteFilePath());
  EXPECT_FALSE(w.Window.isWindowModified());
  EXPECT_TRUE(w.Window.windowTitle().startsWith("customers.oxr[*]"));

  w.Edit();
  EXPECT_TRUE(w.Window.isWindowModified());
  ASSERT_TRUE(w.Files.Save());
  EXPECT_FALSE(w.Window.isWindowModified());
  TOxrDocument reread = ReadOxrDocumentFile(copy.toStdString());
  EXPECT_EQ(OxrDocumentText(reread), w.Doc().Text());
  EXPECT_EQ(reread.Root().AttributeOr("title", ""), "Edited 1");
  // Undo past the saved state marks the window again.
  w.Doc().UndoStack().undo();
  EXPECT_TRUE(w.Window.isWindowModified());

  // Save As without a suffix adds .oxr and the file becomes the document's.
  w.NextFile = dir.filePath("renamed");
  ASSERT_TRUE(w.Files.SaveAs());
  EXPECT_EQ(w.Doc().FileName(), QFileInfo(dir.filePath("renamed.oxr")).absoluteFilePath());
  EXPECT_TRUE(QFile::exists(dir.filePath("renamed.oxr")));
  const QStringList recent = w.Files.RecentFiles();
  ASSERT_GE(recent.size(), 2);
  EXPECT_EQ(recent[0], w.Doc().FileName());
  EXPECT_EQ(recent[1], QFileInfo(copy).absoluteFilePath());
  EXPECT_EQ(recent.count(recent[1]), 1);
  EXPECT_TRUE(w.Errors.isEmpty());

  // Saved into another folder, the picture the report names relative to its own is missing.
  QTemporaryDir other;
  ASSERT_TRUE(w.Files.SaveAs(other.filePath("moved.oxr")));
  ASSERT_EQ(w.Errors.size(), 1);
  EXPECT_TRUE(w.Errors[0].contains("logo.png")) << w.Errors[0].toStdString();

  // A recent file that is gone leaves the list when chosen.
  ASSERT_TRUE(QFile::remove(copy));
  EXPECT_FALSE(w.Files.OpenRecent(QFileInfo(copy).absoluteFilePath()));
  EXPECT_FALSE(w.Files.RecentFiles().contains(QFileInfo(copy).absoluteFilePath()));
}

// Opened and saved without edits: the canonical form, and the same bytes on every later save.
TEST(FileActions, SavingUnchangedGivesTheCanonicalFormEveryTime) {
  QTemporaryDir dir;
  for (const char* name : {"customers.oxr", "events.oxr", "labels.oxr", "chart.oxr", "richtext.oxr"}) {
    TWindow w;
    ASSERT_TRUE(w.Files.Open(kShowcase + name)) << name;
    const QString first = dir.filePath(QString("1-") + name), second = dir.filePath(QString("2-") + name);
    ASSERT_TRUE(w.Files.SaveAs(first));
    TWindow again;
    ASSERT_TRUE(again.Files.Open(first));
    ASSERT_TRUE(again.Files.SaveAs(second));
    EXPECT_EQ(ReadAll(first), ReadAll(second)) << name;
    TOxrDocument original = ReadOxrDocumentFile((kShowcase + name).toStdString());
    EXPECT_EQ(ReadAll(first).toStdString(), OxrDocumentText(original)) << name;
  }
}

TEST(FileActions, MalformedOrMissingFilesAreReportedAndChangeNothing) {
  QTemporaryDir dir;
  const QString bad = dir.filePath("bad.oxr");
  WriteAll(bad, "<report>\n  <band type=\"title\">\n</report>\n");
  TWindow w;
  w.Edit();
  w.Answer = QMessageBox::Discard;
  EXPECT_FALSE(w.Files.Open(bad));
  EXPECT_FALSE(w.Files.Open(dir.filePath("missing.oxr")));
  ASSERT_EQ(w.Errors.size(), 2);
  EXPECT_TRUE(w.Errors[0].contains("bad.oxr:3:")) << w.Errors[0].toStdString();
  EXPECT_TRUE(w.Errors[1].contains("missing.oxr")) << w.Errors[1].toStdString();
  EXPECT_EQ(w.Doc().Tree().Root().AttributeOr("title", ""), "Edited 1");
  // A save that fails says so and keeps the changes marked unsaved.
  EXPECT_FALSE(w.Files.SaveAs(dir.filePath("no/such/folder/x.oxr")));
  EXPECT_EQ(w.Errors.size(), 3);
  EXPECT_TRUE(w.Doc().IsModified());
}

// Closing, New and Open ask before unsaved changes are lost; Cancel keeps everything.
TEST(FileActions, AsksBeforeLosingChanges) {
  QTemporaryDir dir;
  TWindow w;
  w.Window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.Window));
  w.Edit();
  w.Answer = QMessageBox::Cancel;
  EXPECT_FALSE(w.Window.close());
  EXPECT_TRUE(w.Window.isVisible());
  EXPECT_FALSE(w.Files.Open(kShowcase + "events.oxr"));
  EXPECT_EQ(w.Questions, 2);
  EXPECT_EQ(w.Doc().Tree().Root().AttributeOr("title", ""), "Edited 1");

  // Save from the question writes the file and then goes on.
  w.Answer = QMessageBox::Save;
  w.NextFile = dir.filePath("kept.oxr");
  ASSERT_TRUE(w.Files.Open(kShowcase + "events.oxr"));
  EXPECT_EQ(ReadOxrDocumentFile(dir.filePath("kept.oxr").toStdString()).Root().AttributeOr("title", ""), "Edited 1");

  // Nothing unsaved: no question.
  const int asked = w.Questions;
  EXPECT_TRUE(w.Window.close());
  EXPECT_EQ(w.Questions, asked);
}

TEST(FileActions, RecoveryFileFollowsUnsavedChangesAndIsOfferedAfterACrash) {
  QTemporaryDir dir;
  const QString file = dir.filePath("events.oxr");
  ASSERT_TRUE(QFile::copy(kShowcase + "events.oxr", file));
  QString crashed;
  {
    TWindow w;
    ASSERT_TRUE(w.Files.Open(file));
    w.Files.WriteRecovery();
    EXPECT_FALSE(QFile::exists(w.Files.RecoveryFile())) << "nothing to recover";
    w.Edit();
    w.Files.SetRecoveryInterval(10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(w.Files.RecoveryFile()); }, 5000)) << "written by the timer";
    EXPECT_EQ(ReadAll(w.Files.RecoveryFile()).toStdString(), w.Doc().Text());
    ASSERT_TRUE(w.Files.Save());
    EXPECT_FALSE(QFile::exists(w.Files.RecoveryFile())) << "removed by a clean save";
    w.Edit();
    w.Files.WriteRecovery();
    // The designer dies here: its recovery file stays, under a process id that runs no more.
    crashed = QFileInfo(w.Files.RecoveryFile()).absolutePath() + "/recovery-2147483646.oxr";
    ASSERT_EQ(::kill(2147483646, 0), -1);
    ASSERT_TRUE(QFile::rename(w.Files.RecoveryFile(), crashed));
    ASSERT_TRUE(QFile::rename(w.Files.RecoveryFile().replace(".oxr", ".name"), QString(crashed).replace(".oxr", ".name")));
    w.Answer = QMessageBox::Discard;
  }
  TWindow next;
  ASSERT_TRUE(next.Files.OfferRecovery());
  EXPECT_EQ(next.Doc().Tree().Root().AttributeOr("title", ""), "Edited 2");
  EXPECT_EQ(next.Doc().FileName(), QFileInfo(file).absoluteFilePath());
  EXPECT_TRUE(next.Doc().IsModified());
  EXPECT_TRUE(next.Window.isWindowModified());
  EXPECT_FALSE(QFile::exists(crashed));
  // The restored changes now live in this process's own recovery file, which is not offered.
  EXPECT_FALSE(next.Files.OfferRecovery());
  next.Answer = QMessageBox::Discard;
  EXPECT_TRUE(next.Window.close());
  EXPECT_FALSE(QFile::exists(next.Files.RecoveryFile())) << "removed when the window closes";
}

}  // namespace
}  // namespace oxqr
