#include "designer/AttributeCheck.h"

#include <algorithm>

#include "definition/DefinitionError.h"
#include "definition/EnvironmentState.h"
#include "definition/ExpressionState.h"
#include "definition/OxrDocument.h"
#include "definition/PrintCondition.h"
#include "definition/ReportDefinition.h"
#include "definition/ReportEnvironment.h"
#include "definition/TokenText.h"
#include "designer/DesignDocument.h"
#include "designer/DesignLoad.h"
#include "expression/Parser.h"
#include "platform/CodePage.h"

namespace oxqr {

namespace {

// The character index in `utf8` of byte `offset`.
int CharIndex(const std::string& utf8, std::size_t offset) {
  offset = std::min(offset, utf8.size());
  return static_cast<int>(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(offset)).size());
}

TValueFault FaultAt(const std::string& utf8, std::size_t offset, std::size_t length, std::string message) {
  TValueFault f;
  f.Position = CharIndex(utf8, offset);
  f.Length = std::max(1, CharIndex(utf8, offset + length) - f.Position);
  f.Message = std::move(message);
  return f;
}

// The same fault for text the loader reads in the report's 8-bit code page.
TValueFault AnsiFaultAt(const std::string& ansi, std::size_t offset, std::size_t length, std::string message) {
  offset = std::min(offset, ansi.size());
  length = std::min(length, ansi.size() - offset);
  const std::string before = AnsiToUtf8(ansi.substr(0, offset));
  const std::string covered = AnsiToUtf8(ansi.substr(offset, length));
  TValueFault f;
  f.Position = static_cast<int>(QString::fromStdString(before).size());
  f.Length = std::max(1, static_cast<int>(QString::fromStdString(covered).size()));
  f.Message = std::move(message);
  return f;
}

std::optional<TValueFault> FirstFault(const std::string& source, const expr::TFaults& faults, bool ansi) {
  if (faults.empty()) return std::nullopt;
  const auto& f = faults.front();
  return ansi ? AnsiFaultAt(source, f.Offset, f.Length, f.Message) : FaultAt(source, f.Offset, f.Length, f.Message);
}

std::optional<TValueFault> SyntaxFault(const std::string& ansi) {
  expr::TFault fault;
  if (expr::Parse(ansi, fault)) return std::nullopt;
  return AnsiFaultAt(ansi, fault.Offset, fault.Length, fault.Message);
}

// The path of child indices from the root to `node`.
std::vector<std::size_t> PathOf(const TOxrNode* node) {
  std::vector<std::size_t> path;
  for (; node->Parent() != nullptr; node = node->Parent()) path.push_back(node->Parent()->IndexOf(node));
  std::reverse(path.begin(), path.end());
  return path;
}

TOxrNode* NodeAt(TOxrNode& root, const std::vector<std::size_t>& path) {
  TOxrNode* node = &root;
  for (std::size_t i : path) {
    if (i >= node->Children().size()) return nullptr;
    node = node->Children()[i].get();
  }
  return node;
}

// A value the loader accepts in place of the one being typed, for attributes that must be
// present.
std::optional<std::string> NeutralValue(const std::string& element, const std::string& attribute) {
  if (element == "style" && attribute == "when") return "true";
  if (element == "calc" && attribute == "expression") return "0";
  return std::nullopt;
}

}  // namespace

TCheckKind CheckKindOf(std::string_view element, std::string_view attribute, bool fieldRefType) {
  if (fieldRefType) return TCheckKind::FieldRef;
  if (attribute == "alt") return TCheckKind::TokenText;
  if (attribute == "text" && (element == "label" || element == "barcode")) return TCheckKind::TokenText;
  if (attribute == "printWhen") return TCheckKind::Condition;
  if (element == "style" && attribute == "when") return TCheckKind::StyleCondition;
  if (element == "band" && attribute == "expression") return TCheckKind::Expression;
  if (element == "calc" && attribute == "expression") return TCheckKind::CalcExpression;
  if (element == "parameter" && attribute == "default") return TCheckKind::ParameterDefault;
  return TCheckKind::None;
}

QString FaultText(const TValueFault& fault) {
  return QObject::tr("character %1: %2").arg(fault.Position + 1).arg(QString::fromStdString(fault.Message));
}

TAttributeChecker::TAttributeChecker(TDesignDocument& document, QObject* parent)
    : QObject(parent), document_(document) {
  connect(&document_, &TDesignDocument::Changed, this, [this] {
    reference_.reset();
    tried_ = false;
  });
}

TAttributeChecker::~TAttributeChecker() = default;

TReportDefinition* TAttributeChecker::Reference(TCheckKind kind, const std::vector<TOxrNode*>& nodes,
                                                const std::string& attribute) {
  if (tried_ && nodes == referenceNodes_ && attribute == referenceAttribute_) return reference_.get();
  tried_ = true;
  referenceNodes_ = nodes;
  referenceAttribute_ = attribute;
  reference_.reset();
  // A copy of the tree with the attribute of the edited elements left out.
  TOxrDocument copy;
  const TOxrNode& root = document_.Tree().Root();
  copy.Root().SetName(root.Name());
  for (const auto& [name, value] : root.Attributes()) copy.Root().SetAttribute(name, value);
  for (const auto& child : root.Children()) copy.Root().Append(child->Clone());
  // Paths first: taking a control out changes the indices of those after it.
  std::vector<std::vector<std::size_t>> paths;
  for (TOxrNode* node : nodes) paths.push_back(PathOf(node));
  std::vector<TOxrNode*> twins;
  for (const auto& path : paths) twins.push_back(NodeAt(copy.Root(), path));
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    TOxrNode* twin = twins[i];
    if (twin == nullptr) continue;
    // A control's field reference is required or decides its kind: the control goes.
    if (kind == TCheckKind::FieldRef && twin->Parent() != nullptr && twin->Parent()->Name() == "band") {
      twin->Parent()->Take(twin);
      continue;
    }
    twin->SetAttribute(attribute, NeutralValue(nodes[i]->Name(), attribute));
  }
  if (std::chrono::steady_clock::now() < databaseDownUntil_) return nullptr;
  ++loads_;
  try {
    reference_ = LoadDesign(copy, document_);
  } catch (const EDefinitionError& error) {
    // Names unchecked: the syntax is all that can be checked.
    if (error.DataSourceFault()) databaseDownUntil_ = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  } catch (const std::exception&) {
    reference_.reset();
  }
  return reference_.get();
}

std::optional<TValueFault> TAttributeChecker::Check(TCheckKind kind, const std::vector<TOxrNode*>& nodes,
                                                    const std::string& attribute, const std::string& value) {
  switch (kind) {
    case TCheckKind::None:
      return std::nullopt;
    case TCheckKind::TokenText: {
      if (value.find_first_of("{}") == std::string::npos) return std::nullopt;  // printed as written
      try {
        const TTokenText text(value);
        if (TReportDefinition* ref = Reference(kind, nodes, attribute)) ref->Environment().Validate(text);
      } catch (const TExpressionFaults& err) {
        return FirstFault(value, err.Faults, false);
      } catch (const TTokenError& err) {
        return FaultAt(value, err.Offset, err.Length, err.what());
      }
      return std::nullopt;
    }
    case TCheckKind::FieldRef: {
      const auto dot = value.find('.');
      if (dot == std::string::npos || dot == 0 || dot + 1 == value.size())
        return FaultAt(value, 0, value.size(), "'" + value + "' is not a field reference (Dataset.Field)");
      TReportDefinition* ref = Reference(kind, nodes, attribute);
      if (ref == nullptr) return std::nullopt;
      try {
        ref->Environment().Validate(TTokenText("{" + EscapeTokenText(value) + "}"));
      } catch (const TTokenError& err) {
        return FaultAt(value, 0, value.size(), err.what());  // the loader puts it at the attribute
      }
      return std::nullopt;
    }
    case TCheckKind::Condition:
    case TCheckKind::StyleCondition:
    case TCheckKind::Expression: {
      const std::string ansi = Utf8ToAnsi(value);
      TReportDefinition* ref = Reference(kind, nodes, attribute);
      if (ref == nullptr) return SyntaxFault(ansi);
      if (kind == TCheckKind::Condition) {
        // The field form (Orders.AmountPaid > 1000) names its dataset and field first.
        try {
          (void)ParsePrintCondition(ansi, ref->Environment());
          return std::nullopt;
        } catch (const TTokenError& err) {
          const std::string_view what = err.what();
          if (what.starts_with("unknown dataset") || what.starts_with("unknown field"))
            return AnsiFaultAt(ansi, err.Offset, err.Length, err.what());
        }
      }
      const expr::TType wanted = kind == TCheckKind::Expression ? expr::TType::Null : expr::TType::Boolean;
      const expr::TCompiled compiled = ref->Environment().State().Expressions().Compile(ansi, nullptr, nullptr, wanted);
      return FirstFault(ansi, compiled.Faults, true);
    }
    case TCheckKind::CalcExpression:
      return SyntaxFault(Utf8ToAnsi(value));
    case TCheckKind::ParameterDefault: {
      if (nodes.empty()) return std::nullopt;
      const auto type = ParamTypeFromName(nodes.front()->AttributeOr("type", "string"));
      if (!type) return std::nullopt;  // the type's own fault, shown by the loader
      try {
        (void)ParseParamValue(*type, Utf8ToAnsi(value));
      } catch (const TParamError& err) {
        // The loader puts it at the attribute.
        return FaultAt(value, 0, value.size(),
                       "parameter " + nodes.front()->AttributeOr("name", "") + ": " + err.what());
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace oxqr
