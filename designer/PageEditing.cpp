#include "designer/PageEditing.h"

#include <algorithm>
#include <set>

#include "definition/OxrDocument.h"
#include "designer/PageGeometry.h"

namespace oxqr::page {

namespace {

void Put(std::vector<TAttributeChange>& out, TOxrNode* node, const char* name, double mm) {
  out.push_back({node, name, FormatLength(mm)});
}


void CollectNames(const TOxrNode& node, std::set<std::string>& names) {
  if (auto name = node.Attribute("name")) names.insert(*name);
  for (const auto& c : node.Children())
    if (c->IsElement()) CollectNames(*c, names);
}

void Rename(TOxrNode& node, std::set<std::string>& names) {
  if (auto name = node.Attribute("name"); name && !name->empty()) {
    if (names.count(*name)) {
      std::string fresh;
      for (int i = 2; names.count(fresh = *name + "_" + std::to_string(i)); ++i) {
      }
      node.SetAttribute("name", fresh);
    }
    names.insert(*node.Attribute("name"));
  }
  for (const auto& c : node.Children())
    if (c->IsElement()) Rename(*c, names);
}

}  // namespace

std::vector<TAttributeChange> MoveChanges(const std::vector<TOxrNode*>& controls, double dx, double dy) {
  std::vector<TAttributeChange> out;
  for (TOxrNode* c : controls) {
    const QRectF r = ControlRect(*c);
    if (dx != 0) Put(out, c, "left", std::max(0.0, r.left() + dx));
    if (dy != 0) Put(out, c, "top", std::max(0.0, r.top() + dy));
  }
  return out;
}

const char* ArrangeName(TArrange arrange) {
  switch (arrange) {
    case TArrange::AlignLeft: return "Align Left";
    case TArrange::AlignRight: return "Align Right";
    case TArrange::AlignTop: return "Align Top";
    case TArrange::AlignBottom: return "Align Bottom";
    case TArrange::AlignHorizontalCentres: return "Align Centres Horizontally";
    case TArrange::AlignVerticalCentres: return "Align Centres Vertically";
    case TArrange::SameWidth: return "Same Width";
    case TArrange::SameHeight: return "Same Height";
    case TArrange::DistributeHorizontally: return "Distribute Horizontally";
    case TArrange::DistributeVertically: return "Distribute Vertically";
  }
  return "";
}

std::vector<TAttributeChange> ArrangeChanges(const std::vector<TOxrNode*>& controls, TArrange arrange) {
  std::vector<TAttributeChange> out;
  if (controls.size() < 2) return out;
  const QRectF anchor = ControlRect(*controls.front());
  if (arrange == TArrange::DistributeHorizontally || arrange == TArrange::DistributeVertically) {
    if (controls.size() < 3) return out;
    const bool across = arrange == TArrange::DistributeHorizontally;
    std::vector<std::pair<QRectF, TOxrNode*>> items;
    for (TOxrNode* c : controls) items.emplace_back(ControlRect(*c), c);
    std::stable_sort(items.begin(), items.end(), [&](const auto& a, const auto& b) {
      return across ? a.first.left() < b.first.left() : a.first.top() < b.first.top();
    });
    // Equal gaps between neighbours: the span of the outermost two less the sizes of all.
    const double start = across ? items.front().first.left() : items.front().first.top();
    const double end = across ? items.back().first.right() : items.back().first.bottom();
    double sizes = 0;
    for (const auto& [r, c] : items) sizes += across ? r.width() : r.height();
    const double gap = (end - start - sizes) / static_cast<double>(items.size() - 1);
    double at = start;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const auto& [r, c] = items[i];
      if (i > 0 && i + 1 < items.size()) Put(out, c, across ? "left" : "top", at);
      at += (across ? r.width() : r.height()) + gap;
    }
    return out;
  }
  for (std::size_t i = 1; i < controls.size(); ++i) {
    TOxrNode* c = controls[i];
    const QRectF r = ControlRect(*c);
    switch (arrange) {
      case TArrange::AlignLeft: Put(out, c, "left", anchor.left()); break;
      case TArrange::AlignRight: Put(out, c, "left", std::max(0.0, anchor.right() - r.width())); break;
      case TArrange::AlignTop: Put(out, c, "top", anchor.top()); break;
      case TArrange::AlignBottom: Put(out, c, "top", std::max(0.0, anchor.bottom() - r.height())); break;
      case TArrange::AlignHorizontalCentres:
        Put(out, c, "left", std::max(0.0, anchor.center().x() - r.width() / 2));
        break;
      case TArrange::AlignVerticalCentres:
        Put(out, c, "top", std::max(0.0, anchor.center().y() - r.height() / 2));
        break;
      case TArrange::SameWidth: Put(out, c, "width", anchor.width()); break;
      case TArrange::SameHeight: Put(out, c, "height", anchor.height()); break;
      default: break;
    }
  }
  return out;
}

std::string FragmentText(const std::vector<TOxrNode*>& nodes) {
  // The canonical writer lays the elements out under a report; its first two lines (the XML
  // declaration and the report's start tag) and its last are not part of the fragment.
  TOxrDocument doc;
  for (const TOxrNode* n : nodes) doc.Root().Append(n->Clone());
  std::string text = OxrDocumentText(doc);
  const auto first = text.find('\n', text.find('\n') + 1);
  const auto last = text.rfind("</report>");
  if (first == std::string::npos || last == std::string::npos || last < first) return {};
  std::string body = text.substr(first + 1, last - first - 1);
  // One level less of indentation, so that the lines read as they stand in a band.
  std::string out;
  std::size_t pos = 0;
  while (pos < body.size()) {
    std::size_t end = body.find('\n', pos);
    if (end == std::string::npos) end = body.size();
    std::string_view line(body.data() + pos, end - pos);
    if (line.substr(0, 2) == "  ") line.remove_prefix(2);
    out.append(line).append("\n");
    pos = end + 1;
  }
  return out;
}

std::vector<std::unique_ptr<TOxrNode>> ReadFragment(const std::string& text) {
  std::string body = text;
  // A fragment saved from a text editor may carry its own declaration; it may stand only at
  // the very start of a document, so it is blanked (kept as spaces to keep the columns).
  const auto start = body.find_first_not_of(" \t\r\n");
  if (start != std::string::npos && body.compare(start, 5, "<?xml") == 0) {
    const auto end = body.find("?>", start);
    if (end != std::string::npos) std::fill(body.begin() + static_cast<long>(start), body.begin() + static_cast<long>(end) + 2, ' ');
  }
  // The wrapper stands on the fragment's first line, so that a fault's line is the fragment's.
  TOxrDocument doc = ReadOxrDocument("<report>" + body + "\n</report>", "clipboard");
  std::vector<std::unique_ptr<TOxrNode>> out;
  while (!doc.Root().Children().empty()) {
    auto node = doc.Root().Take(doc.Root().Children().front().get());
    if (node->IsElement()) out.push_back(std::move(node));
  }
  return out;
}

void MakeNamesUnique(const TOxrNode& tree, std::vector<std::unique_ptr<TOxrNode>>& nodes) {
  std::set<std::string> names;
  CollectNames(tree, names);
  for (auto& n : nodes) Rename(*n, names);
}

}  // namespace oxqr::page
