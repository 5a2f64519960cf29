#pragma once
// The structure tree of a tagged PDF, built while the pages are written. Every item the
// filter draws is either marked content of a structure element (the writer hands out its
// marked-content id) or an artifact. Items arrive per band in the order the controls print;
// a band's elements are put in reading order (top to bottom, then left to right) when the
// band ends, and the bands follow in print order. Bands marked as table rows become rows of
// a table, a column header band (or one marked as a table header) just before them its
// header row; printed again between rows (on a new page), it is a header row again. At the end the tree, its
// parent tree (page -> the element of each marked-content id) and the ids' pages are
// written as objects.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

class TOxQRPDFFilter;
class TQRPrintable;
class TQRCustomBand;

namespace pdf {

// The structure type of an element.
enum class TStructType : std::uint8_t { P, H1, H2, H3, H4, H5, H6, Figure, TD, TH };
// "P", "H1", ..., "Figure", "TD", "TH".
std::string_view StructTypeName(TStructType type);
// The type of a text of `control`: a heading for its role "heading1".."heading6", else P.
TStructType TextStructType(const TQRPrintable* control);

// How a band's items are marked.
enum class TBandKind : std::uint8_t { Content, Header, Footer };
TBandKind BandKindOf(const TQRCustomBand* band);

// Marked-content operators around `ops`.
std::string MarkedContent(TStructType type, int mcid, std::string_view ops);
std::string ArtifactContent(std::string_view ops);
std::string PaginationArtifact(TBandKind kind, std::string_view ops);

class TStructureTree final {
 public:
  // The page the next items are drawn on (its /Page object); ids restart at 0.
  void BeginPage(int pageObject);
  // The marked-content id of an item of `control` (nullptr: none known) of type `type`.
  // Consecutive items of one control are one element. `alt`: a figure's alternative text.
  int Mark(const TQRPrintable* control, TStructType type, std::string alt = {});
  // Puts the elements of the band that ended (nullptr: items outside bands) in reading order.
  void EndBand(const TQRCustomBand* band);
  // The page's ids for its /StructParents entry: the index of the page in the parent tree.
  int PageKey() const { return static_cast<int>(pages_.size()) - 1; }
  bool Empty() const { return elements_.empty(); }
  // Writes the tree; returns the object of the structure tree root.
  int Write(TOxQRPDFFilter& filter);

 private:
  struct TElement {
    TStructType Type = TStructType::P;
    int Page = 0;  // index in pages_
    std::vector<int> Ids;
    std::string Alt;
    double Top = 0, Left = 0;  // the control's place in its band, for the reading order
    int Arrival = 0;
    const TQRPrintable* Control = nullptr;
  };
  // A top-level node: an element, or a table of rows of elements.
  struct TRow {
    std::vector<int> Cells;
  };
  struct TNode {
    int Element = -1;  // >= 0: an element
    std::vector<TRow> Rows;
  };
  std::vector<int> SortedPending();
  void CloseTable();

  std::vector<TElement> elements_;
  std::vector<int> pending_;           // elements of the open band
  const TQRCustomBand* pendingBand_ = nullptr;
  std::vector<int> pages_;             // page objects
  std::vector<std::vector<int>> ids_;  // per page: the element of each id
  std::vector<TNode> nodes_;
  int openTable_ = -1;                // node of the table rows are added to
  std::vector<int> headerRow_;        // a column header band's elements waiting for a row
};

}  // namespace pdf
}  // namespace oxqr
