#include "designer/FileActions.h"

#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <cerrno>

#include "data/Connection.h"
#include "definition/DefinitionError.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

namespace oxqr {

namespace {

constexpr int kRecoveryMs = 60 * 1000;
constexpr int kMaxRecent = 8;
const char* const kRecentKey = "recentFiles";

QString RecoveryDir() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/recovery";
}

// The name of the definition a recovery file belongs to, kept beside it.
QString NameFileOf(const QString& recovery) { return recovery.left(recovery.size() - 4) + ".name"; }

// A recovery file's process id, from its name "recovery-PID.oxr".
qint64 RecoveryPid(const QString& path) {
  const QString base = QFileInfo(path).completeBaseName();
  return base.startsWith("recovery-") ? base.mid(9).toLongLong() : 0;
}

// The files the definition names by paths relative to its own folder (database, pictures,
// rich text, JSON data) that are missing from `folder`.
void MissingRelativeFiles(const TOxrNode& node, const QDir& folder, QStringList& out) {
  if (node.IsElement()) {
    for (const char* attribute : {"file", "database"}) {
      const auto value = node.Attribute(attribute);
      if (!value || value->empty() || IsServerUri(*value)) continue;
      const QString path = QString::fromStdString(*value);
      if (QDir::isRelativePath(path) && !QFileInfo::exists(folder.filePath(path)) && !out.contains(path)) out << path;
    }
  }
  for (const auto& c : node.Children()) MissingRelativeFiles(*c, folder, out);
}

bool ProcessRuns(qint64 pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH); }

}  // namespace

TFileActions& TFileActions::Install(TDesignerWindow& window) {
  return *new TFileActions(window);  // a child of the window
}

TFileActions::TFileActions(TDesignerWindow& window)
    : QObject(&window), window_(window), document_(window.Document()), recoveryTimer_(new QTimer(this)) {
  setObjectName("fileActions");
  ChooseFile = [this](bool save) {
    const QString filter = tr("Report definitions (*.oxr)");
    const QString dir = QFileInfo(document_.FileName()).absolutePath();
    return save ? QFileDialog::getSaveFileName(&window_, tr("Save Report Definition"), document_.FileName(), filter)
                : QFileDialog::getOpenFileName(&window_, tr("Open Report Definition"), dir, filter);
  };
  ChoosePage = [this]() -> std::optional<TNewPage> {
    TNewReportDialog dialog(&window_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Page();
  };
  AskSave = [this](const QString& question) {
    return QMessageBox::question(&window_, tr("Unsaved Changes"), question,
                                 QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  };
  AskYesNo = [this](const QString& question) {
    return QMessageBox::question(&window_, tr("Recover"), question) == QMessageBox::Yes;
  };
  ShowError = [this](const QString& message) { QMessageBox::warning(&window_, tr("OxQR Designer"), message); };

  QMenu* menu = window.Menu("File");
  auto add = [&](const QString& text, QKeySequence keys, const QString& tip, auto slot) {
    QAction* a = menu->addAction(text, this, slot);
    a->setShortcut(keys);
    a->setToolTip(tip);
    a->setStatusTip(tip);
    return a;
  };
  add(tr("&New..."), QKeySequence::New, tr("Start an empty report on a page of your choice"), [this] { New(); });
  add(tr("&Open..."), QKeySequence::Open, tr("Open a report definition (.oxr)"), [this] { Open(); });
  recentMenu_ = menu->addMenu(tr("Open &Recent"));
  menu->addSeparator();
  add(tr("&Save"), QKeySequence::Save, tr("Save the report definition"), [this] { Save(); });
  add(tr("Save &As..."), QKeySequence::SaveAs, tr("Save the report definition under another name"),
      [this] { SaveAs(); });
  menu->addSeparator();
  add(tr("&Quit"), QKeySequence::Quit, tr("Close the designer"), [this] { window_.close(); });
  RebuildRecentMenu();

  connect(&document_, &TDesignDocument::FileNameChanged, this, &TFileActions::UpdateTitle);
  connect(&document_.UndoStack(), &QUndoStack::cleanChanged, this, &TFileActions::UpdateTitle);
  connect(recoveryTimer_, &QTimer::timeout, this, &TFileActions::WriteRecovery);
  recoveryTimer_->start(kRecoveryMs);
  window.installEventFilter(this);
  UpdateTitle();
}

void TFileActions::UpdateTitle() {
  const QString name = document_.FileName().isEmpty() ? tr("Untitled") : QFileInfo(document_.FileName()).fileName();
  window_.setWindowTitle(name + "[*] - " + tr("OxQR Designer"));
  window_.setWindowModified(document_.IsModified());
}

bool TFileActions::MaybeSave() {
  if (!document_.IsModified()) return true;
  const QString name = document_.FileName().isEmpty() ? tr("the new report") : QFileInfo(document_.FileName()).fileName();
  switch (AskSave(tr("Save the changes to %1?").arg(name))) {
    case QMessageBox::Save: return Save();
    case QMessageBox::Discard: return true;
    default: return false;
  }
}

bool TFileActions::New() {
  if (!MaybeSave()) return false;
  const std::optional<TNewPage> page = ChoosePage();
  if (!page) return false;
  document_.Reset(NewReportTree(*page), {});
  RemoveRecovery();
  return true;
}

bool TFileActions::Open(const QString& fileName) {
  if (!MaybeSave()) return false;
  const QString name = fileName.isEmpty() ? ChooseFile(false) : fileName;
  if (name.isEmpty()) return false;
  try {
    TOxrDocument tree = ReadOxrDocumentFile(name.toStdString());
    const QString full = QFileInfo(name).absoluteFilePath();
    document_.Reset(std::move(tree), full);
    AddRecent(full);
    RemoveRecovery();
    return true;
  } catch (const EOxQRError& e) {
    ShowError(tr("Cannot open %1:\n%2").arg(name, QString::fromStdString(e.what())));
    return false;
  }
}

bool TFileActions::Save() {
  return document_.FileName().isEmpty() ? SaveAs() : SaveAs(document_.FileName());
}

bool TFileActions::SaveAs(const QString& fileName) {
  QString name = fileName.isEmpty() ? ChooseFile(true) : fileName;
  if (name.isEmpty()) return false;
  if (QFileInfo(name).suffix().isEmpty()) name += ".oxr";
  try {
    SaveReportDefinition(document_.Tree(), name.toStdString());
  } catch (const EOxQRError& e) {
    ShowError(tr("Cannot save %1:\n%2").arg(name, QString::fromStdString(e.what())));
    return false;
  }
  const QString full = QFileInfo(name).absoluteFilePath();
  if (QFileInfo(full).absolutePath() != QFileInfo(document_.FileName()).absolutePath()) {
    // Paths relative to the definition now start from another folder: say which files the
    // saved definition will not find there.
    QStringList missing;
    MissingRelativeFiles(document_.Tree().Root(), QFileInfo(full).absoluteDir(), missing);
    if (!missing.isEmpty())
      ShowError(tr("%1 names files relative to its folder that are not in %2:\n%3")
                    .arg(QFileInfo(full).fileName(), QFileInfo(full).absolutePath(), missing.join("\n")));
  }
  if (full != document_.FileName()) document_.SetFileName(full);
  document_.MarkSaved();
  AddRecent(full);
  RemoveRecovery();
  UpdateTitle();
  return true;
}

bool TFileActions::OpenRecent(const QString& fileName) {
  if (Open(fileName)) return true;
  // A file that is gone leaves the list; one that failed to read stays, to be opened once fixed.
  if (!QFileInfo::exists(fileName)) {
    QStringList files = RecentFiles();
    files.removeAll(fileName);
    QSettings().setValue(kRecentKey, files);
    RebuildRecentMenu();
  }
  return false;
}

QStringList TFileActions::RecentFiles() const { return QSettings().value(kRecentKey).toStringList(); }

void TFileActions::AddRecent(const QString& fileName) {
  QStringList files = RecentFiles();
  files.removeAll(fileName);
  files.prepend(fileName);
  while (files.size() > kMaxRecent) files.removeLast();
  QSettings().setValue(kRecentKey, files);
  RebuildRecentMenu();
}

void TFileActions::RebuildRecentMenu() {
  recentMenu_->clear();
  const QStringList files = RecentFiles();
  for (int i = 0; i < files.size(); ++i) {
    const QString file = files[i];
    QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()), this,
                                        [this, file] { OpenRecent(file); });
    a->setToolTip(file);
    a->setStatusTip(file);
  }
  recentMenu_->setEnabled(!files.isEmpty());
}

QString TFileActions::RecoveryFile() const {
  return RecoveryDir() + QStringLiteral("/recovery-%1.oxr").arg(::getpid());
}

void TFileActions::SetRecoveryInterval(int milliseconds) { recoveryTimer_->start(milliseconds); }

void TFileActions::WriteRecovery() {
  if (!document_.IsModified()) return RemoveRecovery();
  try {
    QDir().mkpath(RecoveryDir());
    WriteFileSafely(RecoveryFile().toStdString(), document_.Text());
    WriteFileSafely(NameFileOf(RecoveryFile()).toStdString(), document_.FileName().toStdString());
  } catch (const EOxQRError& e) {
    // A recovery file that cannot be written must not interrupt the work: the status bar says so.
    window_.statusBar()->showMessage(tr("Recovery file not written: %1").arg(QString::fromStdString(e.what())));
  }
}

void TFileActions::RemoveRecovery() {
  QFile::remove(RecoveryFile());
  QFile::remove(NameFileOf(RecoveryFile()));
}

bool TFileActions::OfferRecovery() {
  const QFileInfoList found =
      QDir(RecoveryDir()).entryInfoList({"recovery-*.oxr"}, QDir::Files, QDir::Time);  // newest first
  for (const QFileInfo& info : found) {
    const QString path = info.absoluteFilePath();
    if (path == RecoveryFile() || ProcessRuns(RecoveryPid(path))) continue;
    QFile nameFile(NameFileOf(path));
    const QString original = nameFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(nameFile.readAll()) : QString();
    const QString what = original.isEmpty() ? tr("a new report") : original;
    const QString question = tr("The designer ended without saving %1. Restore the changes kept at %2?")
                                 .arg(what, info.lastModified().toString("yyyy-MM-dd hh:mm"));
    if (!AskYesNo(question)) {
      QFile::remove(path);
      QFile::remove(NameFileOf(path));
      continue;
    }
    try {
      TOxrDocument tree = ReadOxrDocumentFile(path.toStdString());
      document_.Reset(std::move(tree), original);
      document_.UndoStack().resetClean();  // the restored state is not saved anywhere yet
      UpdateTitle();
      // This process keeps the changes from now on.
      QFile::remove(path);
      QFile::remove(NameFileOf(path));
      WriteRecovery();
      return true;
    } catch (const EOxQRError& e) {
      ShowError(tr("Cannot restore %1:\n%2").arg(path, QString::fromStdString(e.what())));
    }
  }
  return false;
}

bool TFileActions::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Close) {
    if (!MaybeSave()) {
      event->ignore();
      return true;
    }
    RemoveRecovery();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace oxqr
