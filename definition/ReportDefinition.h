#pragma once
// Report definition files (.oxr): a report described in XML (millimetres, UTF-8), loaded
// into the same engine objects a program builds in C++, and written back out.
//
// LoadReportDefinition reads the file with QXmlStreamReader (a document type declaration is
// refused, so no entity is ever expanded and nothing external is fetched), opens the
// datasets it names and checks every field, dataset, band and parameter it refers to. Any
// fault throws EDefinitionError naming the file, line and column; nothing is left half built.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/DataSet.h"
#include "definition/DefinitionError.h"
#include "definition/ReportEnvironment.h"
#include "engine/Report.h"

namespace oxqr {

class TJsonDocument;
class TSubReportRun;

struct TDefinitionOptions {
  // The database file every dataset reads; empty: the report's own `database` attribute
  // (relative to the definition).
  std::string DatabasePath;
  // The database when neither DatabasePath nor the definition names one.
  std::string DefaultDatabasePath;
  // Values for the report's parameters (NAME=VALUE of the command line), checked by type.
  std::vector<std::pair<std::string, std::string>> Parameters;
  // JSON datasets' data by dataset name: files (--data NAME=FILE) instead of the definition's
  // file attribute, or the records themselves (an array, given by a request).
  std::map<std::string, std::string> JsonFiles;
  std::map<std::string, std::shared_ptr<const TJsonDocument>> JsonData;
};

// A loaded definition: the report with the datasets it reads and the environment its
// token text and print conditions refer to (all owned here).
class TReportDefinition {
 public:
  TReportDefinition();
  ~TReportDefinition();
  TReportDefinition(const TReportDefinition&) = delete;
  TReportDefinition& operator=(const TReportDefinition&) = delete;

  TQRReport& Report() { return *report_; }
  const TQRReport& Report() const { return *report_; }
  const std::string& FileName() const { return fileName_; }
  const std::string& DatabasePath() const { return databasePath_; }
  // The datasets in file order with their names in the definition.
  const std::vector<std::pair<std::string, TDataSet*>>& DataSets() const { return dataSetNames_; }
  TDataSet* FindDataSet(const std::string& name) const;
  // Datasets and parameters by name, as token text reads them.
  TReportEnvironment& Environment() { return *environment_; }
  const TReportEnvironment& Environment() const { return *environment_; }
  // The files the definition names (pictures, rich text) per control, as full paths.
  const std::map<const TQRPrintable*, std::string>& ControlFiles() const { return controlFiles_; }
  // The field of the report's dataset whose values make one output each, and the template of
  // the outputs' names ("out/{CustNo}.pdf"); empty when the definition names none.
  const std::string& BurstField() const { return burstField_; }
  const std::string& BurstName() const { return burstName_; }

 private:
  friend class TDefinitionBuilder;
  friend class TSubReportRun;
  std::string fileName_;
  std::string databasePath_;
  std::vector<std::unique_ptr<TDataSet>> dataSets_;
  std::vector<std::unique_ptr<TDataSource>> sources_;
  std::vector<std::pair<std::string, TDataSet*>> dataSetNames_;
  std::map<const TQRPrintable*, std::string> controlFiles_;
  std::string burstField_;
  std::string burstName_;
  // The sub-reports whose bands joined the report: their datasets outlive the report; the
  // destructor detaches what in them observes the report first.
  std::vector<std::unique_ptr<TSubReportRun>> subReports_;
  std::unique_ptr<TQRReport> report_;  // destroyed before the datasets it reads
  std::unique_ptr<TReportEnvironment> environment_;  // last: it observes the report
};

// Loads `fileName`. Throws EDefinitionError for any fault of the definition, its data or
// its files.
std::unique_ptr<TReportDefinition> LoadReportDefinition(const std::string& fileName,
                                                        const TDefinitionOptions& options = {});
// Loads a definition held in memory; `fileName` names it in messages and its folder is
// where relative file names are resolved.
std::unique_ptr<TReportDefinition> LoadReportDefinitionText(const std::string& text, const std::string& fileName,
                                                            const TDefinitionOptions& options = {});

// Names the writer gives what a report object does not name itself.
struct TDefinitionNames {
  std::map<const TDataSet*, std::string> DataSets;  // default: the table's name
  std::string DatabaseAttribute;                    // written as the report's database when set
  // Files whose bytes are copied for a control instead of writing its picture or text anew.
  std::map<const TQRPrintable*, std::string> ControlFiles;
  std::string BurstField;  // written as the report's burstField when set
  std::string BurstName;   // written as the report's burstName when set
  // The parameters written (with their values as defaults); none when null.
  const TReportEnvironment* Environment = nullptr;
};

// Writes `report` as a definition to `fileName` (through the safe file writer). Pictures
// and rich text are written beside it as files named after the definition and the control
// ("<name>-<control>.png", ".rtf"). Throws EOxQRError for what a definition cannot express
// (a dataset that is not a table, a control of an unknown kind) and EFileError when writing
// fails.
void SaveReportDefinition(const TQRCustomReport& report, const std::string& fileName,
                          const TDefinitionNames& names = {});
// The names of a loaded definition, so that saving it writes the same datasets.
TDefinitionNames DefinitionNames(const TReportDefinition& definition);

}  // namespace oxqr
