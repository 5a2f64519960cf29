#include "designer/BandEditing.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/PageGeometry.h"

namespace oxqr::page {

namespace {

// The place of a band type on a printed page, top to bottom.
int Rank(const std::string& type) {
  static const std::vector<std::string> order = {"pageHeader", "title", "columnHeader", "groupHeader", "detail",
                                                 "subDetail", "groupFooter", "summary", "pageFooter"};
  for (std::size_t i = 0; i < order.size(); ++i)
    if (order[i] == type) return static_cast<int>(i);
  return static_cast<int>(order.size());
}

std::string FreshName(const TOxrNode& report, const std::string& type, std::set<std::string>& taken) {
  for (const TOxrNode* b : report.Elements()) taken.insert(b->AttributeOr("name", ""));
  std::string base = type;
  base[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(base[0])));
  base += "Band";
  for (int i = 1;; ++i) {
    const std::string name = base + std::to_string(i);
    if (taken.insert(name).second) return name;
  }
}

std::unique_ptr<TOxrNode> Band(const std::string& type, const std::string& name, double height) {
  auto band = std::make_unique<TOxrNode>("band");
  band->SetAttribute("type", type);
  band->SetAttribute("name", name);
  band->SetAttribute("height", FormatLength(height));
  return band;
}

// The index among the report's children before the first band printed after `type`.
std::size_t PlaceFor(const TOxrNode& report, const std::string& type) {
  for (std::size_t i = 0; i < report.Children().size(); ++i) {
    const TOxrNode& c = *report.Children()[i];
    if (c.IsElement() && c.Name() == "band" && Rank(c.AttributeOr("type", "")) > Rank(type)) return i;
  }
  return report.Children().size();
}

}  // namespace

const std::vector<TBandKind>& BandKinds() {
  static const std::vector<TBandKind> kinds = {
      {"title", "Title", "&Title"},
      {"pageHeader", "Page Header", "Page &Header"},
      {"columnHeader", "Column Header", "&Column Header"},
      {"groupHeader", "Group Header", "&Group Header and Footer"},
      {"detail", "Detail", "&Detail"},
      {"subDetail", "Sub Detail", "&Sub Detail"},
      {"groupFooter", "Group Footer", "Group &Footer"},
      {"summary", "Summary", "Su&mmary"},
      {"pageFooter", "Page Footer", "Page &Footer"},
      {"child", "Child", "Chi&ld"}};
  return kinds;
}

QString BandCaption(const std::string& type) {
  for (const auto& k : BandKinds())
    if (type == k.Type) return QString::fromLatin1(k.Caption);
  return QString::fromStdString(type);
}

TOxrNode* AddBand(TDesignDocument& document, const std::string& type, TOxrNode* after) {
  TOxrNode& report = document.Tree().Root();
  std::set<std::string> taken;
  const QString what = QObject::tr("Add %1 Band").arg(BandCaption(type == "groupFooter" ? "groupHeader" : type));
  document.BeginMacro(what);
  TOxrNode* added = nullptr;
  if (type == "child") {
    const auto bands = report.Elements("band");
    TOxrNode* parent = after && after->Parent() == &report ? after : (bands.empty() ? nullptr : bands.back());
    const std::string name = FreshName(report, type, taken);
    const std::size_t at = parent ? report.IndexOf(parent) + 1 : report.Children().size();
    added = document.InsertNode(&report, at, Band(type, name, 10), what);
    if (parent) document.SetAttributes({{parent, "child", name}}, what);
  } else if (type == "groupHeader" || type == "groupFooter") {
    const std::string header = FreshName(report, "groupHeader", taken);
    const std::string footer = FreshName(report, "groupFooter", taken);
    auto headerBand = Band("groupHeader", header, 8);
    headerBand->SetAttribute("footer", footer);
    added = document.InsertNode(&report, PlaceFor(report, "groupHeader"), std::move(headerBand), what);
    document.InsertNode(&report, PlaceFor(report, "groupFooter"), Band("groupFooter", footer, 8), what);
  } else {
    added = document.InsertNode(&report, PlaceFor(report, type), Band(type, FreshName(report, type, taken), 10), what);
  }
  document.EndMacro();
  return added;
}

void RemoveBand(TDesignDocument& document, TOxrNode* band) {
  TOxrNode& report = document.Tree().Root();
  const QString what = QObject::tr("Remove Band");
  std::vector<TAttributeChange> references;
  if (const auto name = band->Attribute("name"); name && !name->empty())
    for (TOxrNode* other : report.Elements("band"))
      for (const char* attribute : {"child", "header", "footer", "master"})
        if (other != band && other->Attribute(attribute) == *name) references.push_back({other, attribute, std::nullopt});
  document.BeginMacro(what);
  document.SetAttributes(std::move(references), what);
  document.RemoveNodes({band}, what);
  document.EndMacro();
}

bool MoveBand(TDesignDocument& document, TOxrNode* band, int direction) {
  TOxrNode& report = document.Tree().Root();
  const auto bands = report.Elements("band");
  const auto it = std::find(bands.begin(), bands.end(), band);
  if (it == bands.end()) return false;
  const auto pos = it - bands.begin();
  const auto target = pos + direction;
  if (target < 0 || target >= static_cast<long>(bands.size())) return false;
  // The move takes the band out before it inserts it: the neighbour's index is then the place
  // before it (moving up) or, shifted down by one, the place after it (moving down).
  const std::size_t index = report.IndexOf(bands[static_cast<std::size_t>(target)]);
  document.MoveNode(band, &report, index, QObject::tr("Move Band"));
  return true;
}

}  // namespace oxqr::page
