#pragma once
// Checking an attribute's value as it is typed, the way the loader checks it: token text
// (a label's or barcode's text, alternative text), print conditions and style conditions,
// a group's expression, a calculated field's expression, field references and a
// parameter's default. The syntax
// is always checked; names (datasets, fields, parameters, group bands) are checked against
// the report loaded as it stands, which needs its database: when that load fails (no
// database, another fault elsewhere) only the syntax is checked.
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

class TDesignDocument;
class TOxrNode;
class TReportDefinition;

enum class TCheckKind {
  None,
  TokenText,
  Condition,
  StyleCondition,
  Expression,
  CalcExpression,
  FieldRef,
  ParameterDefault,  // read as the parameter's type says
};

// What the loader reads `attribute` of `element` as (None: nothing to check as it is typed).
TCheckKind CheckKindOf(std::string_view element, std::string_view attribute, bool fieldRefType);

// A fault in a value: where it is (0-based character index and length in the value) and
// the loader's message.
struct TValueFault {
  int Position = 0;
  int Length = 1;
  std::string Message;
};

// "character 7: unknown field 'Compnay' in dataset Customer (fields: ...)".
QString FaultText(const TValueFault& fault);

class TAttributeChecker final : public QObject {
  Q_OBJECT
 public:
  explicit TAttributeChecker(TDesignDocument& document, QObject* parent = nullptr);
  ~TAttributeChecker() override;

  // The first fault of `value` as `attribute` of `nodes` (all of one element), or nullopt.
  std::optional<TValueFault> Check(TCheckKind kind, const std::vector<TOxrNode*>& nodes, const std::string& attribute,
                                   const std::string& value);
  // Trial loads of the report made so far (each opens the database).
  int Loads() const { return loads_; }

 private:
  TReportDefinition* Reference(TCheckKind kind, const std::vector<TOxrNode*>& nodes, const std::string& attribute);

  TDesignDocument& document_;
  // The report as it stands with the attribute being typed left out (so that its old
  // value, right or wrong, does not fail the load), kept until the document changes.
  std::unique_ptr<TReportDefinition> reference_;
  bool tried_ = false;
  std::vector<TOxrNode*> referenceNodes_;
  std::string referenceAttribute_;
  int loads_ = 0;
  // After a database that could not be reached (a server's connection waits up to its
  // time-out), no trial load until this time: typing is not held up again and again.
  std::chrono::steady_clock::time_point databaseDownUntil_{};
};

}  // namespace oxqr
