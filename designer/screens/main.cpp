// designer_screens [OUTDIR] [DEFINITION]: screenshots of the designer for a person to look
// at, written as PNG files to OUTDIR (default docs/screenshots). Run it on a real X display
// (xvfb-run -a -s "-screen 0 1366x768x24" env QT_QPA_PLATFORM=xcb designer_screens DIR);
// it also runs off screen. It opens DEFINITION (default: the showcase's customers.oxr) and
// grabs the window: the page with its bands and nothing selected (the report's
// attributes), one control selected (its handles and attributes), several controls (shared
// values, differing ones blank), a token typed wrong (the message under the field), F5 on a
// misspelt field (the element selected and the fault shown), and then, with the showcase's
// labels.oxr, a query chosen in the data panel and run (its SQL and first rows). The page is
// shown at 85 % so that its width fits beside the docks. It exits 1 when a shot could not be
// written.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QScrollArea>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Showcase/samples/SampleContext.h"
#include "definition/OxrDocument.h"
#include "designer/DataPanel.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "designer/Inspector.h"
#include "designer/PageView.h"
#include "designer/PreviewAction.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;
using namespace oxqr;

namespace {

int g_status = 0;

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void Shot(TDesignerWindow& window, const fs::path& file, const char* what) {
  Settle();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  window.grab().save(&buffer, "PNG");
  try {
    WriteFileSafely(file.string(), std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    std::printf("%s  %s\n", file.filename().c_str(), what);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
    g_status = 1;
  }
}

// The first element named `name` (depth first), else the first element of tag `tag`.
TOxrNode* Find(TOxrNode& node, const std::string& name, const std::string& tag = {}) {
  if (node.IsElement() && (node.Attribute("name") == name || (!tag.empty() && node.Name() == tag))) return &node;
  for (const auto& child : node.Children())
    if (TOxrNode* found = Find(*child, name, tag)) return found;
  return nullptr;
}

// The controls of the first band that holds a text control.
std::vector<TOxrNode*> SomeControls(TOxrNode& root) {
  for (TOxrNode* band : root.Elements("band"))
    if (!band->Elements("text").empty()) return band->Elements();
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const fs::path out = argc > 1 ? fs::path(argv[1]) : fs::path("docs/screenshots");
  const fs::path definition =
      argc > 2 ? fs::path(argv[2]) : fs::path(OXQR_SOURCE_DIR) / "Showcase" / "reports" / "customers.oxr";
  fs::create_directories(out);

  TDesignerWindow window;
  TDesignDocument& doc = window.Document();
  // The shipped definitions name no database: they read the sample one, as in the designer.
  doc.SetDefaultDatabase(QString::fromStdString(DefaultSampleContext().DatabasePath));
  try {
    doc.Reset(ReadOxrDocumentFile(definition.string()), QString::fromStdString(definition.string()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  window.resize(1366, 768);
  window.PageView().SetZoom(85);
  window.show();
  TOxrNode& root = doc.Tree().Root();

  Shot(window, out / "designer-page.png", "the page with its bands; the report's attributes");

  std::vector<TOxrNode*> controls = SomeControls(root);
  TOxrNode* text = nullptr;
  for (TOxrNode* c : controls)
    if (c->Name() == "text" && text == nullptr) text = c;
  if (text != nullptr) {
    doc.Select({text});
    Shot(window, out / "designer-selection.png", "one control selected: its handles and attributes");
  }
  if (controls.size() > 1) {
    doc.Select(controls);
    Shot(window, out / "designer-multi.png", "several controls: shared values shown, differing ones blank");
  }

  if (TOxrNode* label = Find(root, "", "label")) {
    doc.Select({label});
    Settle();
    if (QWidget* editor = window.Inspector().Editor("text")) {
      auto* line = editor->findChild<QLineEdit*>("line");
      const QString typed = "Customer: {Customer.Compny}";
      line->setText(typed);
      emit line->textEdited(typed);
      line->setFocus();
      if (auto* scroll = window.Inspector().findChild<QScrollArea*>())
        scroll->ensureWidgetVisible(window.Inspector().FaultLabel("text"));
      Shot(window, out / "designer-token-fault.png", "a token typed wrong: the loader's message under the field");
      line->setText(QString::fromStdString(label->AttributeOr("text", "")));
    }
  }

  if (text != nullptr) {
    doc.SetAttributes({{text, "field", text->AttributeOr("field", "") + "x"}}, "Set field");
    doc.Select({});
    if (auto* actions = window.findChild<TReportActions*>("reportActions")) actions->Preview();
    Shot(window, out / "designer-error.png", "F5 on a misspelt field: the control selected, the fault shown");
  }

  // The data panel: a query of the labels report chosen in its tree and run.
  const fs::path labels = fs::path(OXQR_SOURCE_DIR) / "Showcase" / "reports" / "labels.oxr";
  try {
    doc.Reset(ReadOxrDocumentFile(labels.string()), QString::fromStdString(labels.string()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  Settle();
  TDataPanel& data = window.DataPanel();
  QTreeWidgetItem* query = nullptr;
  for (QTreeWidgetItemIterator it(&data.Tree()); *it && query == nullptr; ++it)
    if (const TOxrNode* node = data.NodeOf(*it); node && node->Name() == "query") query = *it;
  if (query != nullptr) {
    data.Tree().setCurrentItem(query);
    data.Run();
    Shot(window, out / "designer-data.png", "a query chosen in the data panel and run: its SQL and first rows");
  } else {
    std::fprintf(stderr, "%s: no query to run\n", labels.c_str());
    g_status = 1;
  }
  return g_status;
}
