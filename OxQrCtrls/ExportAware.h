#pragma once
// The test every export-aware control makes before it calls a document filter hook.
namespace oxqr {

class TQRPrintable;
class TOxQRDocumentFilter;

// True when the control is enabled, belongs to a report, that report is being exported,
// and its active filter is a TOxQRDocumentFilter (tested in this order). False in the
// preview, when printing and when exporting through any other filter.
bool DocumentExportActive(const TQRPrintable& control);

// The report's active filter as a document filter, or nullptr when DocumentExportActive
// does not hold for the control.
TOxQRDocumentFilter* ActiveDocumentFilter(const TQRPrintable& control);

}  // namespace oxqr
