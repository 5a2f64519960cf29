// Calculated fields of a dataset: <calc name="GrandTotal" expression="..." format="..."/>
// inside a <table> or a <query>. The dataset is wrapped so that its calculated fields are
// fields like the others for every reader (tokens, totals, groups, conditions, bursts); each
// expression is compiled when the dataset is read, so later elements can use the field.
#include <QXmlStreamReader>
#include <algorithm>

#include "definition/CalcScope.h"
#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "definition/NameChecks.h"
#include "expression/CalcDataSet.h"

namespace oxqr {

using oxr::TElement;

TDefinitionBuilder::TCalcSite TDefinitionBuilder::ReadCalc(TElement& e) {
  TCalcSite site;
  site.Name = e.Required("name");
  site.NameAt = e.ValueOffset("name");
  if (!IsIdentifier(site.Name))
    e.FailAt("name", "'" + site.Name + "' is not a calculated field name (letters, digits, _)");
  site.Source = e.Required("expression");
  site.ValueStart = e.ValueOffset("expression");
  site.Format = e.Text("format", "");
  e.Finish();
  if (NextChild()) TElement(source_, *xml_).Fail("<calc> holds no elements");
  return site;
}

std::string TDefinitionBuilder::QueryText(std::vector<TCalcSite>& calcs) {
  std::string sql;
  for (;;) {
    const qint64 tokenStart = xml_->characterOffset();  // where the next token's text begins
    switch (xml_->readNext()) {
      case QXmlStreamReader::Characters:
        if (calcs.empty()) {
          sql += xml_->text().toString().toStdString();
        } else if (!xml_->isWhitespace()) {
          qsizetype at = tokenStart;
          while (at < source_.Text.size() && source_.Text[at].isSpace()) ++at;
          source_.FailAtOffset(at, "the SQL of a <query> comes before its <calc> elements");
        }
        break;
      case QXmlStreamReader::StartElement: {
        openElements_.emplace_back(xml_->name().toString().toStdString(),
                                   source_.Text.lastIndexOf(u'<', std::max<qint64>(xml_->characterOffset() - 1, 0)));
        TElement c(source_, *xml_);
        if (c.Name() != "calc") c.Fail("<query> holds its SQL and no element <" + c.Name() + "> but <calc>");
        // The blanks between the SQL and its calculated fields are layout, not SQL.
        if (calcs.empty()) sql.erase(sql.find_last_not_of(" \t\r\n") + 1);
        calcs.push_back(ReadCalc(c));
        break;
      }
      case QXmlStreamReader::EndElement:
        if (!openElements_.empty()) openElements_.pop_back();
        return sql;
      case QXmlStreamReader::Invalid:
      case QXmlStreamReader::EndDocument:
        FailXml();
      default:
        break;  // comments, processing instructions
    }
  }
}

void TDefinitionBuilder::AddDataSet(const std::string& name, std::unique_ptr<TDataSet> data,
                                    const std::vector<TCalcSite>& calcs, bool followsMaster) {
  if (calcs.empty()) return AddDataSet(name, std::move(data));
  auto wrapped = std::make_unique<expr::TCalcDataSet>(std::move(data));
  expr::TCalcDataSet& calc = *wrapped;
  if (followsMaster) calc.FollowsMaster();
  AddDataSet(name, std::move(wrapped));
  TExpressionState& state = result_->Environment().State().Expressions();
  std::vector<std::string> later;
  for (const TCalcSite& c : calcs) later.push_back(c.Name);
  for (const TCalcSite& site : calcs) {
    later.erase(later.begin());
    if (calc.FindField(site.Name) != nullptr) {
      AddFault(site.NameAt, site.Name.size(), "dataset " + name + " already has a field '" + site.Name + "'");
      continue;
    }
    expr::TCompiled c = CompileCalc(state, name, site.Name, later, site.Source);
    for (const auto& f : c.Faults) {
      const qint64 at = source_.ValueCharOffset(site.ValueStart, f.Offset);
      const qint64 end = source_.ValueCharOffset(site.ValueStart, f.Offset + f.Length);
      AddFault(at, static_cast<std::size_t>(std::max<qint64>(1, end - at)), f.Message);
    }
    calc.AddCalc(site.Name, std::move(c.Expression), state.Context()).DisplayFormat = site.Format;
  }
}

}  // namespace oxqr
