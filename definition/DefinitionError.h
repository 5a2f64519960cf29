#pragma once
// The one error a report definition gives: what is wrong and where, as
// "file:line:column: what is wrong".
#include <string>

#include "platform/Errors.h"

namespace oxqr {

class EDefinitionError : public EOxQRError {
 public:
  EDefinitionError(std::string file, int line, int column, std::string message)
      : EOxQRError(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message),
        file_(std::move(file)), line_(line), column_(column), message_(std::move(message)) {}
  const std::string& File() const { return file_; }
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
  std::string message_;
  bool dataSourceFault_ = false;
};

}  // namespace oxqr
