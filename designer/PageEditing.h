#pragma once
// The page's edits as attribute changes on the tree: moving, aligning, sizing and spacing
// controls, and the clipboard's text of controls (the definition's own element lines).
#include <memory>
#include <string>
#include <vector>

#include "designer/DesignDocument.h"

namespace oxqr {

class TOxrNode;

namespace page {

// Moves every control by (dx, dy) mm; a control stops at its band's left and top edge.
std::vector<TAttributeChange> MoveChanges(const std::vector<TOxrNode*>& controls, double dx, double dy);

enum class TArrange {
  AlignLeft, AlignRight, AlignTop, AlignBottom, AlignHorizontalCentres, AlignVerticalCentres,
  SameWidth, SameHeight, DistributeHorizontally, DistributeVertically
};
// The changes that arrange `controls`: aligning and sizing follow the first control (the one
// selected first); distributing keeps the outermost two and spaces the others evenly between
// them (needs three controls).
std::vector<TAttributeChange> ArrangeChanges(const std::vector<TOxrNode*>& controls, TArrange arrange);
// The undo step's name for an arrangement ("Align Left").
const char* ArrangeName(TArrange arrange);

// The canonical element lines of `nodes` (each with what it holds), as the clipboard carries them.
std::string FragmentText(const std::vector<TOxrNode*>& nodes);
// The elements of a fragment of definition text (an XML declaration before them is allowed).
// A fault throws EDefinitionError with the line and column in the fragment.
std::vector<std::unique_ptr<TOxrNode>> ReadFragment(const std::string& text);
// Gives each named element of `nodes` a name no element of `tree` has yet ("Label1_2").
void MakeNamesUnique(const TOxrNode& tree, std::vector<std::unique_ptr<TOxrNode>>& nodes);

}  // namespace page
}  // namespace oxqr
