#pragma once
// Loading the designer's current state as the loader reads a file: the tree's canonical
// text under the document's file name, so that relative files (pictures, rich text, a
// database) resolve beside the definition, with the document's default database for a
// definition that names none.
#include <memory>
#include <string>

#include "definition/ReportDefinition.h"

namespace oxqr {

class TDesignDocument;
class TOxrDocument;

// The name the document's text is loaded under: its file, or untitled.oxr in the current
// folder for a report never saved.
std::string DesignFileName(const TDesignDocument& document);

// Loads `tree` (canonical text, recording each element's line) as if it were the
// document's file. Throws EDefinitionError for any fault of the definition or its data.
std::unique_ptr<TReportDefinition> LoadDesign(TOxrDocument& tree, const TDesignDocument& document);

}  // namespace oxqr
