#pragma once
// The one error a report definition gives: what is wrong and where, as
// "file:line:column: what is wrong".
#include <algorithm>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace oxqr {

// One fault of a definition with the line of the file it is on, for a listing as a compiler
// shows it (the line, then a caret under the column).
struct TDefinitionFault {
  int Line = 1;
  int Column = 1;
  int Width = 1;  // characters the fault covers
  std::string Message;
  std::string SourceLine;  // UTF-8, tabs kept
};

class EDefinitionError : public EOxQRError {
 public:
  EDefinitionError(std::string file, int line, int column, std::string message)
      : EOxQRError(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message),
        file_(std::move(file)), line_(line), column_(column), message_(std::move(message)) {}
  // Several faults found in one reading: the first gives File, Line, Column and Message;
  // what() has one line per fault.
  EDefinitionError(std::string file, std::vector<TDefinitionFault> faults)
      : EOxQRError(Lines(file, faults)), file_(std::move(file)), line_(faults.at(0).Line),
        column_(faults.at(0).Column), message_(faults.at(0).Message), faults_(std::move(faults)) {}
  const std::string& File() const { return file_; }
  // The faults with their source lines (empty for a single fault given without them).
  const std::vector<TDefinitionFault>& Faults() const { return faults_; }
  // The faults with their source lines and carets, and how many there are; what() when
  // there are no source lines.
  std::string Listing() const {
    if (faults_.empty()) return what();
    std::string out;
    for (const auto& f : faults_) {
      out += file_ + ":" + std::to_string(f.Line) + ":" + std::to_string(f.Column) + ": " + f.Message + "\n";
      out += "  " + f.SourceLine + "\n  ";
      for (int i = 1; i < f.Column && i <= static_cast<int>(f.SourceLine.size()); ++i)
        out += f.SourceLine[static_cast<std::size_t>(i - 1)] == '\t' ? '\t' : ' ';
      out += "^" + std::string(static_cast<std::size_t>(std::max(0, f.Width - 1)), '~') + "\n";
    }
    out += std::to_string(faults_.size()) + (faults_.size() == 1 ? " fault" : " faults");
    return out;
  }
  int Line() const { return line_; }
  int Column() const { return column_; }
  // What is wrong, without the position.
  const std::string& Message() const { return message_; }
  // True when the database failed the definition (a server that cannot be reached, refuses
  // the login or the query, a missing table, a timeout), not the file's own text.
  bool DataSourceFault() const { return dataSourceFault_; }
  void SetDataSourceFault() { dataSourceFault_ = true; }

 private:
  std::string file_;
  int line_;
  int column_;
  static std::string Lines(const std::string& file, const std::vector<TDefinitionFault>& faults) {
    std::string out;
    for (const auto& f : faults)
      out += (out.empty() ? "" : "\n") + file + ":" + std::to_string(f.Line) + ":" + std::to_string(f.Column) + ": " +
             f.Message;
    return out;
  }
  std::string message_;
  std::vector<TDefinitionFault> faults_;
  bool dataSourceFault_ = false;
};

}  // namespace oxqr
