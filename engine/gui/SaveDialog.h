#pragma once
// The preview's save dialog: the file types of SaveDialogFilter in Qt's form, and the
// file name completed with the chosen type's extension.
#include <string>

#include <QStringList>

class QWidget;

namespace oxqr {

// "Name(*.QRP)|*.QRP|HTML (*.htm)|*.htm" -> {"Name(*.QRP)", "HTML (*.htm)"}: each entry
// keeps its description, whose parentheses already list the pattern.
QStringList ToQtNameFilters(const std::string& dialogFilter);

// The extension (without the dot) of entry `fileType` (1-based) of a dialog filter.
std::string DialogFilterExtension(const std::string& dialogFilter, int fileType);

// `fileName` with ".ext" appended when it has no extension of its own.
std::string WithDefaultExtension(const std::string& fileName, const std::string& ext);

struct TSaveChoice {
  std::string FileName;  // empty when the user cancelled
  int FileType = 0;      // 1-based position in the dialog's list
};

// Shows the "Save report" dialog over `parent` with FilterLibrary's file types; it reopens
// in the folder and type of this run's last save (kept in memory, not in a settings file).
TSaveChoice AskSaveFileName(QWidget* parent);

}  // namespace oxqr
