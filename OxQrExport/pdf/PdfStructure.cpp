#include "OxQrExport/pdf/PdfStructure.h"

#include <algorithm>

#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "engine/Band.h"
#include "engine/Printable.h"

namespace oxqr::pdf {
namespace {

std::string Ref(int object) { return std::to_string(object) + " 0 R"; }

// A cell's type: header cells in a column header row, data cells elsewhere.
TStructType CellType(TStructType type, bool header) {
  if (type == TStructType::Figure) return type;
  return header ? TStructType::TH : TStructType::TD;
}

}  // namespace

std::string_view StructTypeName(TStructType type) {
  static constexpr std::string_view kNames[] = {"P", "H1", "H2", "H3", "H4", "H5", "H6", "Figure", "TD", "TH"};
  return kNames[static_cast<int>(type)];
}

TStructType TextStructType(const TQRPrintable* control) {
  if (control == nullptr) return TStructType::P;
  const std::string& role = control->Role;
  if (role.size() == 8 && role.starts_with("heading") && role[7] >= '1' && role[7] <= '6')
    return static_cast<TStructType>(static_cast<int>(TStructType::H1) + (role[7] - '1'));
  return TStructType::P;
}

TBandKind BandKindOf(const TQRCustomBand* band) {
  if (band == nullptr) return TBandKind::Content;
  if (band->BandType == TQRBandType::rbPageHeader) return TBandKind::Header;
  if (band->BandType == TQRBandType::rbPageFooter) return TBandKind::Footer;
  return TBandKind::Content;
}

std::string MarkedContent(TStructType type, int mcid, std::string_view ops) {
  std::string out = "/";
  out += StructTypeName(type);
  out += " <</MCID ";
  AppendInt(out, mcid);
  out += ">> BDC\r\n";
  out += ops;
  out += "\r\nEMC";
  return out;
}

std::string ArtifactContent(std::string_view ops) {
  std::string out = "/Artifact BMC\r\n";
  out += ops;
  out += "\r\nEMC";
  return out;
}

std::string PaginationArtifact(TBandKind kind, std::string_view ops) {
  std::string out = "/Artifact <</Type /Pagination /Subtype /";
  out += kind == TBandKind::Footer ? "Footer" : "Header";
  out += ">> BDC\r\n";
  out += ops;
  out += "\r\nEMC";
  return out;
}

void TStructureTree::BeginPage(int pageObject) {
  // A band still open goes on with the next page: its elements stay pending.
  pages_.push_back(pageObject);
  ids_.emplace_back();
}

int TStructureTree::Mark(const TQRPrintable* control, TStructType type, std::string alt) {
  // A band whose last control did not print was never ended: its elements go before the
  // next band's. Items of no band (a barcode's text lines) stay with the band they are in.
  const TQRCustomBand* band = control != nullptr ? control->ParentBand() : nullptr;
  if (band != nullptr) {
    if (band != pendingBand_ && !pending_.empty()) EndBand(pendingBand_);
    pendingBand_ = band;
  }
  const int page = static_cast<int>(pages_.size()) - 1;
  std::vector<int>& ids = ids_.back();
  const int id = static_cast<int>(ids.size());
  if (!pending_.empty() && control != nullptr) {
    TElement& last = elements_[static_cast<std::size_t>(pending_.back())];
    if (last.Control == control && last.Type == type && last.Page == page && type != TStructType::Figure) {
      last.Ids.push_back(id);
      ids.push_back(pending_.back());
      return id;
    }
  }
  TElement e;
  e.Type = type;
  e.Page = page;
  e.Ids.push_back(id);
  e.Alt = std::move(alt);
  e.Control = control;
  e.Arrival = static_cast<int>(pending_.size());
  if (control != nullptr) {
    e.Top = control->Size.Top;
    e.Left = control->Size.Left;
  } else {
    e.Top = e.Left = 1e12;  // after the band's controls, in the order they came
  }
  const int index = static_cast<int>(elements_.size());
  elements_.push_back(std::move(e));
  pending_.push_back(index);
  ids.push_back(index);
  return id;
}

std::vector<int> TStructureTree::SortedPending() {
  std::vector<int> order = pending_;
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
    const TElement& x = elements_[static_cast<std::size_t>(a)];
    const TElement& y = elements_[static_cast<std::size_t>(b)];
    if (x.Page != y.Page) return x.Page < y.Page;
    if (x.Top != y.Top) return x.Top < y.Top;
    return x.Left < y.Left;
  });
  pending_.clear();
  return order;
}

void TStructureTree::CloseTable() {
  openTable_ = -1;
  for (const int e : headerRow_) nodes_.push_back(TNode{e, {}});
  headerRow_.clear();
}

void TStructureTree::EndBand(const TQRCustomBand* band) {
  if (pending_.empty()) return;
  pendingBand_ = nullptr;
  std::vector<int> order = SortedPending();
  if (band != nullptr && (band->BandType == TQRBandType::rbColumnHeader || band->Role == "tableHeader")) {
    // A header row when table rows follow; its texts stay paragraphs otherwise.
    if (openTable_ < 0) CloseTable();
    if (openTable_ >= 0) {
      for (const int e : order)
        elements_[static_cast<std::size_t>(e)].Type = CellType(elements_[static_cast<std::size_t>(e)].Type, true);
      nodes_[static_cast<std::size_t>(openTable_)].Rows.push_back(TRow{order});
    } else {
      headerRow_ = order;
    }
    return;
  }
  if (band != nullptr && band->Role == "tableRow") {
    if (openTable_ < 0) {
      nodes_.push_back(TNode{});
      openTable_ = static_cast<int>(nodes_.size()) - 1;
      if (!headerRow_.empty()) {
        for (const int e : headerRow_)
          elements_[static_cast<std::size_t>(e)].Type = CellType(elements_[static_cast<std::size_t>(e)].Type, true);
        nodes_.back().Rows.push_back(TRow{headerRow_});
        headerRow_.clear();
      }
    }
    for (const int e : order)
      elements_[static_cast<std::size_t>(e)].Type = CellType(elements_[static_cast<std::size_t>(e)].Type, false);
    nodes_[static_cast<std::size_t>(openTable_)].Rows.push_back(TRow{order});
    return;
  }
  CloseTable();
  for (const int e : order) nodes_.push_back(TNode{e, {}});
}

int TStructureTree::Write(TOxQRPDFFilter& filter) {
  EndBand(nullptr);
  CloseTable();
  const int root = filter.NextObject();
  const int document = filter.NextObject();
  const int parentTree = filter.NextObject();
  std::vector<int> objectOf(elements_.size());
  for (auto& object : objectOf) object = filter.NextObject();

  // An element's dictionary; `parent` its parent's object.
  auto writeElement = [&](int index, int parent) {
    const TElement& e = elements_[static_cast<std::size_t>(index)];
    std::string body = "/Type /StructElem\r\n/S /";
    body += StructTypeName(e.Type);
    body += "\r\n/P " + Ref(parent) + "\r\n/Pg " + Ref(pages_[static_cast<std::size_t>(e.Page)]) + "\r\n/K [";
    for (std::size_t i = 0; i < e.Ids.size(); ++i) {
      if (i > 0) body += ' ';
      AppendInt(body, e.Ids[i]);
    }
    body += ']';
    if (e.Type == TStructType::Figure) body += "\r\n/Alt " + InfoString(e.Alt);
    if (e.Type == TStructType::TH) body += "\r\n/A << /O /Table /Scope /Column >>";
    filter.WriteObject(body, objectOf[static_cast<std::size_t>(index)], true);
    filter.Writer->SubmitWhenLarge();
  };

  std::string kids;
  for (const TNode& node : nodes_) {
    if (node.Element >= 0) {
      kids += ' ' + Ref(objectOf[static_cast<std::size_t>(node.Element)]);
      writeElement(node.Element, document);
      continue;
    }
    const int table = filter.NextObject();
    kids += ' ' + Ref(table);
    std::string rows;
    for (const TRow& row : node.Rows) {
      const int tr = filter.NextObject();
      rows += ' ' + Ref(tr);
      std::string cells;
      for (const int cell : row.Cells) {
        const TElement& e = elements_[static_cast<std::size_t>(cell)];
        if (e.Type != TStructType::Figure) {
          cells += ' ' + Ref(objectOf[static_cast<std::size_t>(cell)]);
          writeElement(cell, tr);
          continue;
        }
        // A figure in a row sits in a cell of its own.
        const int td = filter.NextObject();
        cells += ' ' + Ref(td);
        filter.WriteObject("/Type /StructElem\r\n/S /TD\r\n/P " + Ref(tr) + "\r\n/K [" +
                               Ref(objectOf[static_cast<std::size_t>(cell)]) + "]",
                           td, true);
        writeElement(cell, td);
      }
      filter.WriteObject("/Type /StructElem\r\n/S /TR\r\n/P " + Ref(table) + "\r\n/K [" + cells.substr(1) + "]", tr,
                         true);
    }
    filter.WriteObject("/Type /StructElem\r\n/S /Table\r\n/P " + Ref(document) + "\r\n/K [" +
                           (rows.empty() ? std::string() : rows.substr(1)) + "]",
                       table, true);
  }
  filter.WriteObject("/Type /StructElem\r\n/S /Document\r\n/P " + Ref(root) + "\r\n/K [" +
                         (kids.empty() ? std::string() : kids.substr(1)) + "]",
                     document, true);

  std::string nums;
  for (std::size_t page = 0; page < ids_.size(); ++page) {
    nums += "\r\n";
    AppendInt(nums, static_cast<long long>(page));
    nums += " [";
    for (std::size_t i = 0; i < ids_[page].size(); ++i) {
      if (i > 0) nums += ' ';
      nums += Ref(objectOf[static_cast<std::size_t>(ids_[page][i])]);
    }
    nums += ']';
  }
  filter.WriteObject("/Nums [" + nums + "\r\n]", parentTree, true);
  filter.WriteObject("/Type /StructTreeRoot\r\n/K [" + Ref(document) + "]\r\n/ParentTree " + Ref(parentTree) +
                         "\r\n/ParentTreeNextKey " + std::to_string(ids_.size()),
                     root, true);
  return root;
}

}  // namespace oxqr::pdf
