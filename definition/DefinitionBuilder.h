#pragma once
// The loader's working state (private to definition/): the XML being read, the report
// being built, and the references between bands resolved once every band is known.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "definition/OxrElement.h"
#include "definition/ReportDefinition.h"
#include "definition/SubReport.h"

class QXmlStreamReader;

namespace oxqr {

class TQuery;

// A parameter's value as a query binds it: dates as the ISO text the databases compare.
TCell ParamCell(const TParamValue& v);

// Where a sub-report being read goes (DefinitionSubReport.cpp): its bands join `Report`,
// its records print under `Master` through `Run`.
struct TSubReportEmbedding {
  TQRCustomReport* Report = nullptr;
  TQRCustomBand* Master = nullptr;
  TQRSubDetail* Run = nullptr;
  std::vector<std::string> Bound;  // parameters the holding report gives values
  // The files that led here, outermost first: each file (a canonical path and as messages
  // name it) and where the <subreport> that named it is ("sales.oxr:12:5"; empty for the
  // outermost file).
  struct TStep {
    std::string File, Shown, At;
  };
  std::vector<TStep> Chain;
  int* Count = nullptr;  // sub-reports read so far in the whole load
};

class TDefinitionBuilder {
 public:
  TDefinitionBuilder(const std::string& text, const std::string& fileName, const TDefinitionOptions& options,
                     const TSubReportEmbedding* embedding = nullptr);
  // The queries read, for a sub-report whose parameters change with each run.
  const std::vector<TQuery*>& Queries() const { return queries_; }
  ~TDefinitionBuilder();
  std::unique_ptr<TReportDefinition> Run();
  // `error` with the faults collected before it (itself when there are none).
  EDefinitionError WithEarlierFaults(const EDefinitionError& error) const;

 private:
  struct TLink {
    std::string Name;
    qint64 Offset = 0;
  };
  struct TBandLinks {
    TQRCustomBand* Band = nullptr;
    TLink Child, Master, Header, Footer;
  };

  [[noreturn]] void FailXml() const;
  // Moves to the next child element of the current one: false at its end tag.
  bool NextChild();
  // The text content of the current element (no child elements allowed).
  std::string ElementText();

  void ReadReport(oxr::TElement& e);
  void ReadParameter(oxr::TElement& e);
  void ApplyParameterValues();
  void ReadTable(oxr::TElement& e);
  void ReadQuery(oxr::TElement& e);
  // DefinitionJson.cpp: JSON datasets, and the data given for names that have none.
  void ReadJson(oxr::TElement& e);
  void CheckJsonDataNames() const;
  std::string DataSetName(oxr::TElement& e);
  const std::string& Database(oxr::TElement& e);
  void AddDataSet(const std::string& name, std::unique_ptr<TDataSet> data);
  // DefinitionCalc.cpp: <calc name expression [format]> fields of a table or a query.
  struct TCalcSite {
    std::string Name, Source, Format;
    qint64 NameAt = 0, ValueStart = 0;
  };
  TCalcSite ReadCalc(oxr::TElement& e);
  // A query's SQL: the text of the element, with <calc> elements among it read into `calcs`.
  std::string QueryText(std::vector<TCalcSite>& calcs);
  // Adds the dataset, wrapped with its calculated fields when it has any; compiles each in
  // order, collecting their faults. `followsMaster`: a detail of another dataset.
  void AddDataSet(const std::string& name, std::unique_ptr<TDataSet> data, const std::vector<TCalcSite>& calcs,
                  bool followsMaster);
  void ReadBand(oxr::TElement& e);
  // DefinitionText.cpp: token text and print conditions.
  std::unique_ptr<TQRPrintCondition> ReadPrintCondition(oxr::TElement& e);
  void ReadLabel(oxr::TElement& e, TQRCustomBand& band);
  void BindTokenText();
  TLink LinkOf(oxr::TElement& e, std::string_view attribute);
  TQRCustomBand* Resolve(const TLink& link) const;
  void ResolveBandLinks();

  // DefinitionExpressions.cpp: expressions in conditions, groups and styles, compiled once
  // every band is known; faults collected (up to kMaxFaults) and reported together.
  struct TExpressionSite {
    std::string Source;
    qint64 ValueStart = 0;  // where the attribute's value starts in the file
    const TQRPrintable* Control = nullptr;
    const TQRCustomBand* Band = nullptr;
    bool Condition = false;  // must be a boolean
    std::function<void(std::shared_ptr<const expr::TExpression>)> Set;
  };
  void AddExpression(oxr::TElement& e, std::string_view attribute, const TQRPrintable* control,
                     const TQRCustomBand* band, bool condition,
                     std::function<void(std::shared_ptr<const expr::TExpression>)> set);
  void CompileExpressions();
  void AddFault(qint64 offset, std::size_t width, const std::string& message);
  [[noreturn]] void ThrowFaults() const;
  void AddTokenFaults(const TTokenError& error, qint64 valueStart);
  void ReadStyle(oxr::TElement& e, TQRPrintable* control, TQRCustomBand* band);
  void ReadGroupExpression(oxr::TElement& e, TQRGroup& group);
  // DefinitionGroupOptions.cpp: page breaks and repeated headers of a group.
  void ReadGroupOptions(oxr::TElement& e, TQRGroup& group);

  // DefinitionControls.cpp
  void ReadControl(oxr::TElement& e, TQRCustomBand& band);
  void ReadCommon(oxr::TElement& e, TQRPrintable& c);
  // role and alt: what an accessible document says of the control.
  void ReadAccessibility(oxr::TElement& e, TQRPrintable& c);
  void ReadTextLook(oxr::TElement& e, TQRCustomLabel& c);
  void ReadImage(oxr::TElement& e, TQRCustomBand& band);
  void ReadRichText(oxr::TElement& e, TQRCustomBand& band);
  void ReadChart(oxr::TElement& e, TQRCustomBand& band);
  void ReadDataChart(oxr::TElement& e, TQRCustomBand& band);  // DefinitionChart.cpp
  void RedrawWhenKnown(class TQRDataChart& chart, const class TChartFeed& feed);
  void ReadBarcode(oxr::TElement& e, TQRCustomBand& band);
  // DefinitionSubReport.cpp: <subreport>, its file read into this report.
  void ReadSubReport(oxr::TElement& e, TQRCustomBand& band);
  void ReadBindings(oxr::TElement& e, TQRSubReport& element, std::vector<qint64>& at);
  void ReadSubReportTotals(TQRSubReport& element, std::vector<qint64>& at);
  void CompileSubReportTotals(TSubReportRun& sub, TQRSubReport& element, const std::vector<qint64>& at);
  // The report the bands join, the band a sub-report's band type becomes, and the links
  // of its bands to its run once all are read.
  TQRCustomReport& BandReport();
  TQRCustomBand& AddEmbeddedBand(oxr::TElement& e, TQRBandType type);
  void LinkEmbeddedBands();
  // DefinitionCrossTab.cpp: <crosstab>; its expressions compile once every band is known.
  void ReadCrossTab(oxr::TElement& e, TQRCustomBand& band);
  void CompileCrossTabs();
  // Fails at `e` with a fault the database gave while opening a dataset.
  [[noreturn]] void FailFromDatabase(const oxr::TElement& e, const std::string& message) const;
  std::string ReadFileName(oxr::TElement& e, const std::string& kind);
  // Checks the element's attributes and that it holds nothing.
  void EndLeaf(oxr::TElement& e);

  // Lookups that fail with the names that exist.
  TDataSet* DataSetAt(const std::string& name, qint64 offset) const;
  TField& FieldAt(TDataSet& data, const std::string& dataName, const std::string& field, oxr::TElement& e,
                  std::string_view attribute) const;
  // A "Dataset.Field" attribute: the dataset and the field's name as the dataset spells it.
  std::pair<TDataSet*, std::string> FieldRef(oxr::TElement& e, std::string_view attribute);

  oxr::TSourceText source_;
  TDefinitionOptions options_;
  std::filesystem::path baseDir_;
  std::string databasePath_;
  QXmlStreamReader* xml_ = nullptr;
  // The elements opened and not yet closed (name, offset of '<'), for "<label> opened at
  // 26:5 is not closed".
  std::vector<std::pair<std::string, qint64>> openElements_;
  qint64 reportStart_ = 0;
  std::vector<std::pair<std::string, qint64>> parameterAt_;
  bool parametersApplied_ = false;
  struct TTokenSite {
    TTokenTextOwner* Owner = nullptr;
    const TQRPrintable* Control = nullptr;
    qint64 Offset = 0;  // of the text's first character in the file
  };
  std::vector<TTokenSite> tokenSites_;
  std::map<std::string, TQRCustomBand*> bandsByName_;
  std::vector<TBandLinks> bandLinks_;
  std::unique_ptr<TReportDefinition> result_;
  std::vector<TExpressionSite> expressionSites_;
  std::vector<std::function<void()>> afterBands_;  // cross-tabs' compilations
  std::vector<TDefinitionFault> faults_;
  const TSubReportEmbedding* embedding_ = nullptr;
  int subReportCount_ = 0;  // of the whole load (the outermost builder's)
  std::vector<const TQRCustomBand*> ownBands_;  // the bands this file made
  std::vector<TQuery*> queries_;
  bool hasSubReports_ = false;
  TQRPrintable* styleTarget_ = nullptr;  // the control being read (EndLeaf reads its <style>)
  const TQRCustomBand* currentBand_ = nullptr;  // the band being read
};

}  // namespace oxqr
