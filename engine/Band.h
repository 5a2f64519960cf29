#pragma once
// Bands of a report and their controls (owned by the band, printed in child order).
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Printable.h"

namespace oxqr {

class TDataSet;
class TQRCustomReport;

enum class TQRBandType : std::uint8_t {
  rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbGroupHeader, rbGroupFooter,
  rbSubDetail, rbColumnHeader, rbChild
};

class TQRCustomBand {
 public:
  explicit TQRCustomBand(TQRBandType type);
  virtual ~TQRCustomBand();
  TQRCustomBand(const TQRCustomBand&) = delete;
  TQRCustomBand& operator=(const TQRCustomBand&) = delete;

  TQRBandType BandType;
  std::string Name;
  TQRSize Size;  // Height and Width in Native; Width follows the page's printable width
  TColor Color = clWhite;
  TQRFrame Frame;
  // "tableRow": an accessible document makes the band a table row (its controls the
  // cells); "tableHeader": the header row of the rows printed after it (a column header
  // band is one unmarked); empty: its controls are paragraphs.
  std::string Role;
  bool Enabled = true;
  // nullptr: always printed. A band left out leaves out its child band too.
  std::unique_ptr<TQRPrintCondition> PrintCondition;
  bool ShouldPrint() const { return PrintCondition == nullptr || PrintCondition->Holds(); }
  // The band's colour for the current record (conditional styles), set while the band
  // prints; nullptr: Color always.
  class TColorRule {
   public:
    virtual ~TColorRule() = default;
    virtual TColor ColorNow(TColor made) const = 0;
  };
  std::unique_ptr<TColorRule> ColorRule;
  // Height gained while stretching in this printing (Native).
  double Expanded = 0;
  // A child band printed right after this band (owned by the report), or nullptr.
  TQRCustomBand* ChildBand = nullptr;

  // Adds an owned control; the band becomes its parent.
  template <class T, class... Args>
  T& Add(Args&&... args) {
    auto c = std::make_unique<T>(std::forward<Args>(args)...);
    T& ref = *c;
    Adopt(std::move(c));
    return ref;
  }
  const std::vector<std::unique_ptr<TQRPrintable>>& Controls() const { return controls_; }
  TQRCustomReport* ParentReport() const { return report_; }

  void SetHeightMM(double mm) { Size.Height = mm * 10.0; }

  // Whether the page has room for the band's height + Expanded + v (compared as integers).
  bool CanExpand(double v) const;
  // Grows the band by v for `caller` (see the engine contract); `total` receives the
  // band's total Expanded. Answers true exactly when it did not add.
  bool ExpandBy(double v, const TQRPrintable* caller, double& total);
  // Clears Expanded and the record of which controls expanded the band.
  void ResetExpansion();

 protected:
  void Adopt(std::unique_ptr<TQRPrintable> c);

 private:
  friend class TQRCustomReport;
  std::vector<std::unique_ptr<TQRPrintable>> controls_;
  std::set<const TQRPrintable*> expandedBy_;
  TQRCustomReport* report_ = nullptr;
};

// A band printed for each record of DataSet, for each record of its master.
class TQRSubDetail : public TQRCustomBand {
 public:
  TQRSubDetail() : TQRCustomBand(TQRBandType::rbSubDetail) {}
  TDataSet* DataSet = nullptr;
  // The band after which it prints for each of its records (nullptr: the report's detail).
  TQRCustomBand* Master = nullptr;
  TQRCustomBand* HeaderBand = nullptr;  // printed before the first record
  TQRCustomBand* FooterBand = nullptr;  // printed after the last record
  bool PrintIfEmpty = false;            // header and footer print even without records
};

// What a group breaks on when it is not a field: a value computed from the record.
class TQRGroupKey {
 public:
  virtual ~TQRGroupKey() = default;
  // The current record's value as text; a change starts a new group.
  virtual std::string Value() const = 0;
};

// A group header: printed when the value of field Expression (or of Key) changes in the data.
class TQRGroup : public TQRCustomBand {
 public:
  TQRGroup() : TQRCustomBand(TQRBandType::rbGroupHeader) {}
  std::string Expression;  // a field name of the report's (or Master's) dataset
  std::unique_ptr<TQRGroupKey> Key;  // used instead of Expression when set
  TQRCustomBand* FooterBand = nullptr;
  TQRCustomBand* Master = nullptr;
  // Printed again (with its child band) at the top of each page the group continues on;
  // a repetition starts no new group for totals.
  bool RepeatHeader = false;
  // A group that does not fit what is left of the page starts on a new one, unless it
  // would not fit on any page.
  bool KeepTogether = false;
  // Each group after the first starts a new page.
  bool NewPage = false;
  // Each group starts its own page numbering ({page} and {pages} count its pages).
  // Implies NewPage.
  bool ResetPageNumber = false;
  // The header moves to the next page unless it fits there with the first OrphanLines
  // records of its group (0: the header may stand alone at a page's foot).
  int OrphanLines = 0;
};

}  // namespace oxqr
