#include "designer/PageView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "definition/DefinitionError.h"
#include "definition/OxrDocument.h"
#include "definition/OxrValues.h"
#include "designer/BandEditing.h"
#include "designer/DesignDocument.h"
#include "designer/PageRendering.h"

namespace oxqr {

namespace {

constexpr double kHandleSize = 6;   // screen pixels
constexpr double kEdgeGrip = 3;     // screen pixels either side of a band's bottom edge
constexpr double kMinimumSize = 0.5;  // mm: a control is never resized below this
constexpr double kFineStep = 0.1;   // mm: an arrow key with Shift

// The size a new control is placed with (mm) and the attributes it needs to load.
void NewControlDefaults(TOxrNode& node) {
  const std::string& kind = node.Name();
  double w = 30, h = 5;
  if (kind == "label") node.SetAttribute("text", "Label");
  else if (kind == "text") node.SetAttribute("field", "");
  else if (kind == "sysdata") node.SetAttribute("data", "pageNumber");
  else if (kind == "memo") { w = 40; h = 15; }
  else if (kind == "shape") { w = 20; h = 10; node.SetAttribute("shape", "rectangle"); }
  else if (kind == "image") { w = 20; h = 20; }
  else if (kind == "richtext") { w = 60; h = 20; }
  else if (kind == "chart") { w = 60; h = 40; node.SetAttribute("labels", ""); node.SetAttribute("values", ""); }
  else if (kind == "barcode") { w = 40; h = 15; node.SetAttribute("text", "12345678"); }
  else { h = 10; }
  node.SetAttribute("width", page::FormatLength(w));
  node.SetAttribute("height", page::FormatLength(h));
}

QString Capitalised(const std::string& kind) {
  QString s = QString::fromStdString(kind);
  if (!s.isEmpty()) s[0] = s[0].toUpper();
  return s;
}

// The first of Label1, Label2, ... that no element of the tree holds (the next placed label
// of a report with Label1 is Label2, as a user counts them).
std::string FreshControlName(const TOxrNode& root, const std::string& kind) {
  const std::string stem = Capitalised(kind).toStdString();
  std::vector<std::unique_ptr<TOxrNode>> one;
  one.push_back(std::make_unique<TOxrNode>(kind));
  for (int i = 1;; ++i) {
    const std::string name = stem + std::to_string(i);
    one.back()->SetAttribute("name", name);
    page::MakeNamesUnique(root, one);
    if (one.back()->Attribute("name") == name) return name;
  }
}

bool HasModifier(Qt::KeyboardModifiers m, Qt::KeyboardModifier k) { return (m & k) != 0; }

}  // namespace

TPageView::TPageView(TDesignDocument& document, QWidget* parent)
    : QWidget(parent), document_(document), rendering_(std::make_unique<TPageRendering>()) {
  setObjectName("pageView");
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAcceptDrops(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setToolTip(tr("The report's page: click to select, drag to move, drag a handle to resize"));
  CreateActions();
  connect(&document_, &TDesignDocument::Changed, this, [this] {
    // A change made under a drag (an undo by key) leaves the drag's nodes behind: it ends.
    if (drag_ != TDrag::None) CancelDrag();
    renderingStale_ = true;
    updateGeometry();
    resize(sizeHint());
    UpdateActions();
    update();
  });
  connect(&document_, &TDesignDocument::SelectionChanged, this, [this] {
    UpdateActions();
    update();
  });
  resize(sizeHint());
  UpdateActions();
}

TPageView::~TPageView() = default;

// ---- geometry ----

double TPageView::Scale() const { return zoom_ / 100.0 * page::kPixelsPerMM; }

QPointF TPageView::ToScreen(const QPointF& mm) const {
  return QPointF(kRuler + kBorder, kRuler + kBorder) + mm * Scale();
}

QPointF TPageView::ToPaper(const QPointF& screen) const {
  return (screen - QPointF(kRuler + kBorder, kRuler + kBorder)) / Scale();
}

QSize TPageView::sizeHint() const {
  const page::TPaper paper = page::PaperOf(document_.Tree().Root());
  return QSize(static_cast<int>(kRuler + 2 * kBorder + paper.Width * Scale()),
               static_cast<int>(kRuler + 2 * kBorder + paper.Height * Scale()));
}

QRectF TPageView::BandBox(const TOxrNode& band) const {
  for (const auto& box : page::BandBoxes(document_.Tree().Root(), page::PaperOf(document_.Tree().Root())))
    if (box.Band == &band) return box.Rect;
  return {};
}

QRectF TPageView::BandScreenRect(const TOxrNode& band) const {
  const QRectF r = BandBox(band);
  return QRectF(ToScreen(r.topLeft()), ToScreen(r.bottomRight()));
}

QRectF TPageView::ScreenRect(const TOxrNode& control) const {
  if (!control.Parent()) return {};
  const QRectF band = BandBox(*control.Parent());
  const QRectF r = page::ControlRect(control).translated(band.topLeft());
  return QRectF(ToScreen(r.topLeft()), ToScreen(r.bottomRight()));
}

void TPageView::SetZoom(int percent) {
  percent = std::clamp(percent, kMinZoom, kMaxZoom);
  if (percent == zoom_) return;
  zoom_ = percent;
  updateGeometry();
  resize(sizeHint());
  update();
  emit ZoomChanged(zoom_);
}

void TPageView::SetGridStep(double mm) {
  if (!(mm > 0) || mm > 100) return;
  grid_ = mm;
  update();
}

void TPageView::SetSnapToGrid(bool on) {
  snap_ = on;
  if (QAction* a = Action("snapToGrid")) a->setChecked(on);
}

void TPageView::SetPendingTool(const std::string& kind) {
  pendingTool_ = kind;
  setCursor(kind.empty() ? Qt::ArrowCursor : Qt::CrossCursor);
  if (!kind.empty())
    SetMessage(tr("Click a band to place the %1, or press Enter to place it in the current band")
                   .arg(QString::fromStdString(kind)));
}

void TPageView::SetMessage(const QString& text) {
  message_ = text;
  emit Message(text);
}

TPageView::THit TPageView::HitTest(const QPointF& screen) const {
  THit hit;
  const TOxrNode& root = document_.Tree().Root();
  const auto boxes = page::BandBoxes(root, page::PaperOf(root));
  const QPointF mm = ToPaper(screen);
  const double grip = kEdgeGrip / Scale();
  // Handles of the selection first: they stand partly outside their control.
  for (TOxrNode* c : SelectedControls()) {
    const auto points = page::HandlePoints(ScreenRect(*c));
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (std::abs(points[i].x() - screen.x()) <= kHandleSize / 2 + 1 &&
          std::abs(points[i].y() - screen.y()) <= kHandleSize / 2 + 1) {
        hit.Band = c->Parent();
        hit.Control = c;
        hit.Handle = static_cast<page::THandle>(i);
        hit.InBand = mm - BandBox(*c->Parent()).topLeft();
        return hit;
      }
    }
  }
  for (const auto& box : boxes) {
    if (mm.x() < box.Rect.left() || mm.x() > box.Rect.right()) continue;
    if (std::abs(mm.y() - box.Rect.bottom()) <= grip) {
      hit.Band = box.Band;
      hit.BandEdge = true;
      hit.InBand = mm - box.Rect.topLeft();
      // A control reaching the band's bottom still wins the edge below the line.
      return hit;
    }
    if (mm.y() < box.Rect.top() || mm.y() >= box.Rect.bottom()) continue;
    hit.Band = box.Band;
    hit.InBand = mm - box.Rect.topLeft();
    const auto controls = page::Controls(*box.Band);
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
      const QRectF r = page::ControlRect(**it);
      // A line may have no width or height: it is hit within its grip.
      if (r.adjusted(-grip, -grip, grip, grip).contains(hit.InBand)) {
        hit.Control = *it;
        break;
      }
    }
    return hit;
  }
  return hit;
}

std::vector<TOxrNode*> TPageView::SelectedControls() const {
  std::vector<TOxrNode*> out;
  for (TOxrNode* n : document_.Selection())
    if (page::IsControl(*n) && n->Parent() && n->Parent()->Name() == "band") out.push_back(n);
  return out;
}

TOxrNode* TPageView::CurrentBand() const {
  for (TOxrNode* n : document_.Selection()) {
    if (n->IsElement() && n->Name() == "band") return n;
    if (page::IsControl(*n) && n->Parent()) return n->Parent();
  }
  const auto bands = document_.Tree().Root().Elements("band");
  return bands.empty() ? nullptr : bands.front();
}

// ---- edits ----

void TPageView::MoveSelection(double dx, double dy) {
  document_.SetAttributes(page::MoveChanges(SelectedControls(), dx, dy), tr("Move"));
}

void TPageView::Arrange(page::TArrange arrange) {
  document_.SetAttributes(page::ArrangeChanges(SelectedControls(), arrange), tr(page::ArrangeName(arrange)));
}

void TPageView::BringToFront() {
  const auto controls = SelectedControls();
  if (controls.empty()) return;
  document_.BeginMacro(tr("Bring to Front"));
  for (TOxrNode* c : controls) document_.MoveNode(c, c->Parent(), c->Parent()->Children().size(), tr("Bring to Front"));
  document_.EndMacro();
}

void TPageView::SendToBack() {
  auto controls = SelectedControls();
  if (controls.empty()) return;
  document_.BeginMacro(tr("Send to Back"));
  // Backwards, so that the selected controls keep their order among themselves.
  for (auto it = controls.rbegin(); it != controls.rend(); ++it)
    document_.MoveNode(*it, (*it)->Parent(), 0, tr("Send to Back"));
  document_.EndMacro();
}

std::vector<TOxrNode*> TPageView::EditedNodes() const {
  // The selected controls, or else the selected bands; what other panels select (datasets,
  // parameters) is theirs to copy and delete.
  std::vector<TOxrNode*> nodes = SelectedControls();
  if (nodes.empty())
    for (TOxrNode* n : document_.Selection())
      if (n->Name() == "band" && n->Parent() == &document_.Tree().Root()) nodes.push_back(n);
  return nodes;
}

void TPageView::CopySelection() {
  const std::vector<TOxrNode*> nodes = EditedNodes();
  if (nodes.empty()) return;
  QApplication::clipboard()->setText(QString::fromStdString(page::FragmentText(nodes)));
}

void TPageView::CutSelection() {
  const std::vector<TOxrNode*> nodes = EditedNodes();
  if (nodes.empty()) return;
  QApplication::clipboard()->setText(QString::fromStdString(page::FragmentText(nodes)));
  document_.RemoveNodes(nodes, tr("Cut"));
}

void TPageView::DeleteSelection() { document_.RemoveNodes(EditedNodes(), tr("Delete")); }

void TPageView::SelectAll() {
  std::vector<TOxrNode*> all;
  for (TOxrNode* b : document_.Tree().Root().Elements("band"))
    for (TOxrNode* c : page::Controls(*b)) all.push_back(c);
  document_.Select(std::move(all));
}

bool TPageView::Paste() {
  const std::string text = QApplication::clipboard()->text().toStdString();
  std::vector<std::unique_ptr<TOxrNode>> nodes;
  try {
    nodes = page::ReadFragment(text);
  } catch (const std::exception& e) {
    SetMessage(tr("Nothing pasted: the clipboard holds no definition elements (%1)").arg(QString::fromUtf8(e.what())));
    return false;
  }
  TOxrNode& root = document_.Tree().Root();
  TOxrNode* band = CurrentBand();
  // Only what a band or the report may hold is pasted; the rest is named and refused.
  for (const auto& n : nodes) {
    if (n->Name() == "band" || page::IsControl(*n)) continue;
    SetMessage(tr("Nothing pasted: <%1> cannot be pasted on the page").arg(QString::fromStdString(n->Name())));
    return false;
  }
  if (nodes.empty()) {
    SetMessage(tr("Nothing pasted: the clipboard holds no definition elements"));
    return false;
  }
  const bool anyControl = std::any_of(nodes.begin(), nodes.end(), [](const auto& n) { return page::IsControl(*n); });
  if (anyControl && band == nullptr) {
    SetMessage(tr("Nothing pasted: the report has no band to paste controls into"));
    return false;
  }
  page::MakeNamesUnique(root, nodes);
  std::vector<TOxrNode*> pasted;
  document_.BeginMacro(tr("Paste"));
  std::size_t bandAt = band ? root.IndexOf(band) + 1 : root.Children().size();
  for (auto& n : nodes) {
    if (n->Name() == "band") {
      pasted.push_back(document_.InsertNode(&root, bandAt++, std::move(n), tr("Paste")));
    } else {
      pasted.push_back(document_.InsertNode(band, band->Children().size(), std::move(n), tr("Paste")));
    }
  }
  document_.EndMacro();
  SelectAfterInsert(std::move(pasted));
  return true;
}

void TPageView::SelectAfterInsert(std::vector<TOxrNode*> nodes) { document_.Select(std::move(nodes)); }

TOxrNode* TPageView::InsertControl(TOxrNode* band, const std::string& kind, const QPointF& at) {
  if (!band) return nullptr;
  auto node = std::make_unique<TOxrNode>(kind);
  node->SetAttribute("name", FreshControlName(document_.Tree().Root(), kind));
  node->SetAttribute("left", page::FormatLength(std::max(0.0, snap_ ? page::Snap(at.x(), grid_) : at.x())));
  node->SetAttribute("top", page::FormatLength(std::max(0.0, snap_ ? page::Snap(at.y(), grid_) : at.y())));
  NewControlDefaults(*node);
  TOxrNode* placed = document_.InsertNode(band, band->Children().size(), std::move(node), tr("Insert %1").arg(Capitalised(kind)));
  document_.Select({placed});
  return placed;
}

TOxrNode* TPageView::InsertField(TOxrNode* band, const std::string& field, const QPointF& at, bool withCaption) {
  if (!band || field.empty()) return nullptr;
  TOxrNode& root = document_.Tree().Root();
  const QString what = tr("Insert Field");
  document_.BeginMacro(what);
  auto text = std::make_unique<TOxrNode>("text");
  text->SetAttribute("name", FreshControlName(root, "text"));
  const double left = std::max(0.0, snap_ ? page::Snap(at.x(), grid_) : at.x());
  text->SetAttribute("left", page::FormatLength(left));
  text->SetAttribute("top", page::FormatLength(std::max(0.0, snap_ ? page::Snap(at.y(), grid_) : at.y())));
  NewControlDefaults(*text);
  text->SetAttribute("field", field);
  std::vector<TOxrNode*> placed{document_.InsertNode(band, band->Children().size(), std::move(text), what)};
  if (withCaption) {
    // The nearest page or column header above the band holds the field's caption.
    TOxrNode* header = nullptr;
    for (TOxrNode* b : root.Elements("band")) {
      if (b == band) break;
      const std::string type = b->AttributeOr("type", "");
      if (type == "columnHeader" || type == "pageHeader") header = b;
    }
    if (header) {
      const auto dot = field.rfind('.');
      auto label = std::make_unique<TOxrNode>("label");
      label->SetAttribute("name", FreshControlName(root, "label"));
      label->SetAttribute("left", page::FormatLength(left));
      label->SetAttribute("top", "0");
      NewControlDefaults(*label);
      label->SetAttribute("text", dot == std::string::npos ? field : field.substr(dot + 1));
      placed.push_back(document_.InsertNode(header, header->Children().size(), std::move(label), what));
    }
  }
  document_.EndMacro();
  document_.Select(placed);
  return placed.front();
}

// ---- actions ----

QAction* TPageView::AddAction(const QString& name, const QString& text, const QKeySequence& shortcut, const QString& tip) {
  auto* a = new QAction(text, this);  // owned by the view
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  a->setToolTip(tip);
  a->setStatusTip(tip);
  // Window-wide shortcuts reach the page from any dock; the window adds the actions to menus.
  a->setShortcutContext(Qt::WindowShortcut);
  addAction(a);
  return a;
}

void TPageView::CreateActions() {
  using A = page::TArrange;
  connect(AddAction("cut", tr("Cu&t"), QKeySequence::Cut, tr("Move the selection to the clipboard as definition text")),
          &QAction::triggered, this, &TPageView::CutSelection);
  connect(AddAction("copy", tr("&Copy"), QKeySequence::Copy, tr("Copy the selection as definition text")),
          &QAction::triggered, this, &TPageView::CopySelection);
  connect(AddAction("paste", tr("&Paste"), QKeySequence::Paste, tr("Paste definition text into the current band")),
          &QAction::triggered, this, [this] { Paste(); });
  connect(AddAction("delete", tr("&Delete"), QKeySequence::Delete, tr("Delete the selection")), &QAction::triggered,
          this, &TPageView::DeleteSelection);
  connect(AddAction("selectAll", tr("Select &All"), QKeySequence::SelectAll, tr("Select every control")),
          &QAction::triggered, this, &TPageView::SelectAll);
  connect(AddAction("bringToFront", tr("Bring to &Front"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight),
                    tr("Draw the selected controls over the others in their band")),
          &QAction::triggered, this, &TPageView::BringToFront);
  connect(AddAction("sendToBack", tr("Send to &Back"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft),
                    tr("Draw the selected controls under the others in their band")),
          &QAction::triggered, this, &TPageView::SendToBack);
  const struct {
    const char* Name;
    A Arrange;
    QKeySequence Key;
    const char* Tip;
  } arrangements[] = {
      {"alignLeft", A::AlignLeft, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Left), "Align the left edges with the first selected control"},
      {"alignRight", A::AlignRight, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Right), "Align the right edges with the first selected control"},
      {"alignTop", A::AlignTop, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Up), "Align the top edges with the first selected control"},
      {"alignBottom", A::AlignBottom, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Down), "Align the bottom edges with the first selected control"},
      {"alignHorizontalCentres", A::AlignHorizontalCentres, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H), "Centre the controls on the first selected control's vertical axis"},
      {"alignVerticalCentres", A::AlignVerticalCentres, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V), "Centre the controls on the first selected control's horizontal axis"},
      {"sameWidth", A::SameWidth, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_W), "Give the controls the first selected control's width"},
      {"sameHeight", A::SameHeight, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E), "Give the controls the first selected control's height"},
      {"distributeHorizontally", A::DistributeHorizontally, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D), "Space three or more controls evenly from left to right"},
      {"distributeVertically", A::DistributeVertically, QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_D), "Space three or more controls evenly from top to bottom"},
  };
  for (const auto& a : arrangements) {
    const A arrange = a.Arrange;
    connect(AddAction(a.Name, tr(page::ArrangeName(arrange)), a.Key, tr(a.Tip)), &QAction::triggered, this,
            [this, arrange] { Arrange(arrange); });
  }
  connect(AddAction("zoomIn", tr("Zoom &In"), QKeySequence::ZoomIn, tr("Enlarge the page (up to 400 %)")),
          &QAction::triggered, this, [this] { SetZoom(zoom_ < 100 ? zoom_ + 25 : zoom_ + 50); });
  connect(AddAction("zoomOut", tr("Zoom &Out"), QKeySequence::ZoomOut, tr("Reduce the page (down to 25 %)")),
          &QAction::triggered, this, [this] { SetZoom(zoom_ <= 100 ? zoom_ - 25 : zoom_ - 50); });
  connect(AddAction("zoomActual", tr("&Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0), tr("Show the page at 100 %")),
          &QAction::triggered, this, [this] { SetZoom(100); });
  QAction* snap = AddAction("snapToGrid", tr("&Snap to Grid"), QKeySequence(Qt::CTRL | Qt::Key_G),
                            tr("Move and size controls on the grid (hold Alt to move freely)"));
  snap->setCheckable(true);
  snap->setChecked(snap_);
  connect(snap, &QAction::toggled, this, [this](bool on) { snap_ = on; });
  connect(AddAction("gridStep", tr("&Grid Step..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), tr("Set the grid's step in millimetres")),
          &QAction::triggered, this, [this] {
            bool ok = false;
            const double step = QInputDialog::getDouble(this, tr("Grid Step"), tr("Grid step (mm):"), grid_, 0.1, 100, 1, &ok);
            if (ok) SetGridStep(step);
          });
  for (const auto& kind : page::BandKinds()) {
    const std::string type = kind.Type;
    if (type == "groupFooter") continue;  // added with its header
    const QString text = tr(kind.Menu);
    connect(AddAction(QString("insertBand.") + kind.Type, text, {}, tr("Add a %1 band").arg(text.toLower().remove('&'))),
            &QAction::triggered, this, [this, type] {
              TOxrNode* band = page::AddBand(document_, type, CurrentBand());
              if (band) document_.Select({band});
            });
  }
  connect(AddAction("removeBand", tr("&Remove Band"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), tr("Remove the current band with its controls")),
          &QAction::triggered, this, [this] {
            if (TOxrNode* band = CurrentBand()) page::RemoveBand(document_, band);
          });
  connect(AddAction("moveBandUp", tr("Move Band &Up"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up), tr("Move the current band before the one above it")),
          &QAction::triggered, this, [this] {
            if (TOxrNode* band = CurrentBand()) page::MoveBand(document_, band, -1);
          });
  connect(AddAction("moveBandDown", tr("Move Band Do&wn"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down), tr("Move the current band after the one below it")),
          &QAction::triggered, this, [this] {
            if (TOxrNode* band = CurrentBand()) page::MoveBand(document_, band, +1);
          });
}

QAction* TPageView::Action(const QString& name) const { return findChild<QAction*>(name, Qt::FindDirectChildrenOnly); }

std::vector<QAction*> TPageView::MenuActions(const QString& menu) const {
  std::vector<QString> names;
  if (menu == "Edit")
    names = {"cut", "copy", "paste", "delete", "", "selectAll", "", "bringToFront", "sendToBack", "", "alignLeft",
             "alignRight", "alignTop", "alignBottom", "alignHorizontalCentres", "alignVerticalCentres", "", "sameWidth",
             "sameHeight", "distributeHorizontally", "distributeVertically"};
  else if (menu == "View")
    names = {"zoomIn", "zoomOut", "zoomActual", "", "snapToGrid", "gridStep"};
  else if (menu == "Insert") {
    for (const auto& kind : page::BandKinds())
      if (std::string(kind.Type) != "groupFooter") names.push_back(QString("insertBand.") + kind.Type);
    names.insert(names.end(), {"", "removeBand", "moveBandUp", "moveBandDown"});
  }
  std::vector<QAction*> out;
  for (const QString& n : names) out.push_back(n.isEmpty() ? nullptr : Action(n));
  return out;
}

void TPageView::UpdateActions() {
  const auto controls = SelectedControls();
  const bool any = !controls.empty();
  const bool band = CurrentBand() != nullptr;
  const bool edited = !EditedNodes().empty();
  for (const char* n : {"cut", "copy", "delete"}) Action(n)->setEnabled(edited);
  for (const char* n : {"bringToFront", "sendToBack"}) Action(n)->setEnabled(any);
  for (const char* n : {"alignLeft", "alignRight", "alignTop", "alignBottom", "alignHorizontalCentres",
                        "alignVerticalCentres", "sameWidth", "sameHeight"})
    Action(n)->setEnabled(controls.size() >= 2);
  for (const char* n : {"distributeHorizontally", "distributeVertically"}) Action(n)->setEnabled(controls.size() >= 3);
  for (const char* n : {"removeBand", "moveBandUp", "moveBandDown"}) Action(n)->setEnabled(band);
}

// ---- painting ----

void TPageView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  PaintPage(painter, event->rect());
}

void TPageView::PaintPage(QPainter& painter, const QRect& exposed) {
  if (renderingStale_ && drag_ == TDrag::None) {
    rendering_->SetDefaultDatabase(document_.DefaultDatabase().toStdString());
    rendering_->Rebuild(document_.Tree(), document_.FileName());
    renderingStale_ = false;
  }
  // While controls are dragged, what does not move is copied from the picture taken when
  // the drag started, so that a repaint costs the moving controls only.
  const bool cached = (drag_ == TDrag::Move || drag_ == TDrag::Resize) && !dragCache_.isNull() &&
                      dragCacheRect_.contains(exposed);
  if (cached) {
    const qreal ratio = dragCache_.devicePixelRatio();
    const QRectF source(QPointF(exposed.topLeft() - dragCacheRect_.topLeft()) * ratio, QSizeF(exposed.size()) * ratio);
    painter.drawImage(QRectF(exposed), dragCache_, source);
  } else {
    PaintStill(painter, exposed);
  }
  PaintDragged(painter);
  PaintSelection(painter);
}

void TPageView::TakeDragPicture() {
  QRect area = visibleRegion().boundingRect();
  if (area.isEmpty()) area = rect();
  const qreal ratio = devicePixelRatioF();
  dragCache_ = QImage((QSizeF(area.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
  dragCache_.setDevicePixelRatio(ratio);
  dragCacheRect_ = area;
  QPainter painter(&dragCache_);
  painter.translate(-area.topLeft());
  PaintStill(painter, area);
}

void TPageView::PaintStill(QPainter& painter, const QRect& exposed) {
  painter.fillRect(exposed, palette().color(QPalette::Mid));
  const TOxrNode& root = document_.Tree().Root();
  const page::TPaper paper = page::PaperOf(root);
  const QRectF paperRect(ToScreen({0, 0}), ToScreen({paper.Width, paper.Height}));
  painter.fillRect(paperRect, Qt::white);
  painter.setPen(QPen(QColor(192, 192, 192), 0, Qt::DotLine));
  painter.drawRect(QRectF(ToScreen(paper.Inner.topLeft()), ToScreen(paper.Inner.bottomRight())));
  for (const auto& box : page::BandBoxes(root, paper)) PaintBand(painter, box, exposed);
  PaintRulers(painter, exposed);
}

bool TPageView::IsDragged(const TOxrNode* control) const {
  if (drag_ == TDrag::Resize) return control == press_.Control;
  return drag_ == TDrag::Move && std::find(dragged_.begin(), dragged_.end(), control) != dragged_.end();
}

void TPageView::PaintDragged(QPainter& painter) {
  if (drag_ != TDrag::Move && drag_ != TDrag::Resize) return;
  const TOxrNode& root = document_.Tree().Root();
  const double px = page::kPixelsPerMM;
  painter.save();
  painter.translate(ToScreen({0, 0}));
  painter.scale(zoom_ / 100.0, zoom_ / 100.0);
  for (const auto& box : page::BandBoxes(root, page::PaperOf(root))) {
    const QRectF bandPx(box.Rect.left() * px, box.Rect.top() * px, box.Rect.width() * px, box.Rect.height() * px);
    for (TOxrNode* c : page::Controls(*box.Band)) {
      if (!IsDragged(c)) continue;
      QRectF r = page::ControlRect(*c);
      if (drag_ == TDrag::Move) r.translate(delta_);
      else r = page::Resized(r, press_.Handle, delta_.x(), delta_.y(), kMinimumSize);
      const QRectF rPx(bandPx.left() + r.left() * px, bandPx.top() + r.top() * px, r.width() * px, r.height() * px);
      // A control being resized is drawn from its attributes: the engine's copy has the old size.
      if (drag_ == TDrag::Resize) PaintControlFromTree(painter, *c, rPx);
      else rendering_->Paint(painter, *c, rPx, bandPx);
    }
  }
  painter.restore();
}

void TPageView::PaintSelection(QPainter& painter) {
  // Selection handles, at a fixed size whatever the zoom.
  painter.setRenderHint(QPainter::Antialiasing, false);
  const auto selected = SelectedControls();
  for (TOxrNode* c : selected) {
    QRectF r = ScreenRect(*c);
    if (drag_ == TDrag::Move && std::find(dragged_.begin(), dragged_.end(), c) != dragged_.end())
      r.translate(delta_ * Scale());
    if (drag_ == TDrag::Resize && c == press_.Control) {
      const QRectF band = BandBox(*c->Parent());
      const QRectF mm = page::Resized(page::ControlRect(*c), press_.Handle, delta_.x(), delta_.y(), kMinimumSize)
                            .translated(band.topLeft());
      r = QRectF(ToScreen(mm.topLeft()), ToScreen(mm.bottomRight()));
    }
    painter.setPen(QPen(palette().color(QPalette::Highlight), 0, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    painter.setPen(Qt::black);
    painter.setBrush(c == selected.front() ? palette().color(QPalette::Highlight) : QColor(Qt::white));
    for (const QPointF& p : page::HandlePoints(r))
      painter.drawRect(QRectF(p.x() - kHandleSize / 2, p.y() - kHandleSize / 2, kHandleSize, kHandleSize));
  }
  if (drag_ == TDrag::Rubber) {
    painter.setPen(QPen(palette().color(QPalette::Highlight), 0, Qt::DashLine));
    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlpha(40);
    painter.setBrush(fill);
    painter.drawRect(rubber_.normalized());
  }
}

void TPageView::PaintBand(QPainter& painter, const page::TBandBox& box, const QRect& exposed) {
  const QRectF screen(ToScreen(box.Rect.topLeft()), ToScreen(box.Rect.bottomRight()));
  double height = box.Rect.height();
  if (drag_ == TDrag::BandHeight && press_.Band == box.Band) height = std::max(0.0, height + delta_.y());
  if (!screen.adjusted(0, 0, 0, height * Scale() - screen.height()).intersects(exposed)) return;
  const TOxrNode& band = *box.Band;
  QColor color = Qt::white;
  if (auto c = band.Attribute("color"))
    if (auto parsed = oxr::ParseColor(*c)) color = ToQColor(*parsed);
  painter.fillRect(screen, color);

  // The grid, where its lines stand far enough apart to help.
  const double step = grid_ * Scale();
  if (step >= 6) {
    // An opaque shade of the band's colour: blended lines cost far more to draw.
    painter.setPen(QPen(color.darker(112), 0));
    QVector<QLineF> lines;
    for (double x = screen.left() + step; x < screen.right(); x += step) lines.append(QLineF(x, screen.top(), x, screen.bottom()));
    for (double y = screen.top() + step; y < screen.bottom(); y += step) lines.append(QLineF(screen.left(), y, screen.right(), y));
    painter.drawLines(lines);
  }

  // Controls in the band's child order, as the engine draws them; those being dragged are
  // drawn by PaintDragged.
  painter.save();
  painter.translate(ToScreen({0, 0}));
  painter.scale(zoom_ / 100.0, zoom_ / 100.0);
  const double px = page::kPixelsPerMM;
  const QRectF bandPx(box.Rect.left() * px, box.Rect.top() * px, box.Rect.width() * px, box.Rect.height() * px);
  for (TOxrNode* c : page::Controls(band)) {
    if (IsDragged(c)) continue;
    const QRectF r = page::ControlRect(*c);
    const QRectF rPx(bandPx.left() + r.left() * px, bandPx.top() + r.top() * px, r.width() * px, r.height() * px);
    const QRectF onScreen(ToScreen(box.Rect.topLeft() + r.topLeft()), ToScreen(box.Rect.topLeft() + r.bottomRight()));
    if (!onScreen.adjusted(-2, -2, 2, 2).intersects(exposed)) continue;
    rendering_->Paint(painter, *c, rPx, bandPx);
  }
  painter.restore();

  // The band's bottom edge and its caption: name and type.
  const double bottom = screen.top() + height * Scale();
  painter.setPen(QPen(QColor(128, 128, 128), 0, Qt::DashLine));
  painter.drawLine(QPointF(screen.left(), bottom), QPointF(screen.right(), bottom));
  QFont font = this->font();
  font.setPointSizeF(7);
  painter.setFont(font);
  // Grey on light bands, light grey on dark ones (a navy or teal band), so that it reads on both.
  painter.setPen(color.lightness() < 128 ? QColor(200, 200, 200) : QColor(110, 110, 110));
  const std::string name = band.AttributeOr("name", "");
  QString caption = page::BandCaption(band.AttributeOr("type", ""));
  if (!name.empty()) caption = QString::fromStdString(name) + " : " + caption;
  const bool selected = std::find(document_.Selection().begin(), document_.Selection().end(), &band) != document_.Selection().end();
  if (selected) {
    painter.setPen(palette().color(QPalette::Highlight));
    painter.drawRect(QRectF(screen.left(), screen.top(), screen.width(), bottom - screen.top()));
  }
  painter.drawText(QRectF(screen.left() + 2, bottom - 12, screen.width() - 4, 11), Qt::AlignLeft | Qt::AlignBottom, caption);
}

QRect TPageView::ShownArea() const {
  const QRect shown = visibleRegion().boundingRect();
  return shown.isEmpty() ? rect() : shown;
}

void TPageView::PaintRulers(QPainter& painter, const QRect& exposed) {
  // The rulers stay at the top and left of the part of the page that is shown.
  const QRect shown = ShownArea();
  const QRect top(shown.left(), shown.top(), shown.width(), kRuler), left(shown.left(), shown.top(), kRuler, shown.height());
  if (!top.intersects(exposed) && !left.intersects(exposed)) return;
  painter.fillRect(top, palette().color(QPalette::Button));
  painter.fillRect(left, palette().color(QPalette::Button));
  painter.setPen(palette().color(QPalette::ButtonText));
  QFont font = this->font();
  font.setPointSizeF(6.5);
  painter.setFont(font);
  const page::TPaper paper = page::PaperOf(document_.Tree().Root());
  // A tick every mm where they stand 3 px apart, else every 5 mm; numbers every 10 mm (or more).
  const double s = Scale();
  const int tick = s >= 3 ? 1 : 5;
  const int label = s >= 2 ? 10 : (s >= 1 ? 20 : 50);
  const double y0 = shown.top(), x0 = shown.left();
  for (int mm = 0; mm <= static_cast<int>(paper.Width); mm += tick) {
    const double x = ToScreen({static_cast<double>(mm), 0}).x();
    if (x < x0 + kRuler || x > shown.right()) continue;
    const int len = mm % 10 == 0 ? 8 : (mm % 5 == 0 ? 5 : 3);
    painter.drawLine(QPointF(x, y0 + kRuler - len), QPointF(x, y0 + kRuler));
    if (mm % label == 0) painter.drawText(QPointF(x + 2, y0 + 9), QString::number(mm));
  }
  for (int mm = 0; mm <= static_cast<int>(paper.Height); mm += tick) {
    const double y = ToScreen({0, static_cast<double>(mm)}).y();
    if (y < y0 + kRuler || y > shown.bottom()) continue;
    const int len = mm % 10 == 0 ? 8 : (mm % 5 == 0 ? 5 : 3);
    painter.drawLine(QPointF(x0 + kRuler - len, y), QPointF(x0 + kRuler, y));
    if (mm % label == 0) painter.drawText(QPointF(x0 + 1, y + 9), QString::number(mm));
  }
  painter.fillRect(QRect(shown.left(), shown.top(), kRuler, kRuler), palette().color(QPalette::Button));
}

void TPageView::moveEvent(QMoveEvent* event) {
  // Scrolling moves the page; the rulers stay where the view shows them, so all is drawn again.
  QWidget::moveEvent(event);
  update();
}

// ---- mouse ----

QPointF TPageView::DragDelta(const QPointF& screen, bool freely) const {
  const QPointF raw = (screen - pressAt_) / Scale();
  if (freely || !snap_) return raw;
  if (drag_ == TDrag::Move && press_.Control) {
    // The control under the mouse lands on the grid; the others keep their distance to it.
    const QRectF r = page::ControlRect(*press_.Control);
    return QPointF(page::Snap(r.left() + raw.x(), grid_) - r.left(), page::Snap(r.top() + raw.y(), grid_) - r.top());
  }
  if (drag_ == TDrag::Resize && press_.Control) {
    const QRectF r = page::ControlRect(*press_.Control);
    const int h = static_cast<int>(press_.Handle);
    // The dragged edges land on the grid.
    const bool leftEdge = h == 0 || h == 6 || h == 7, topEdge = h == 0 || h == 1 || h == 2;
    const double x = leftEdge ? r.left() : r.right(), y = topEdge ? r.top() : r.bottom();
    return QPointF(page::Snap(x + raw.x(), grid_) - x, page::Snap(y + raw.y(), grid_) - y);
  }
  if (drag_ == TDrag::BandHeight && press_.Band) {
    const double hgt = page::Length(*press_.Band, "height");
    return QPointF(0, page::Snap(hgt + raw.y(), grid_) - hgt);
  }
  return raw;
}

void TPageView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressAt_ = event->position();
  const QRect shown = ShownArea();
  if (pressAt_.x() < shown.left() + kRuler || pressAt_.y() < shown.top() + kRuler) return;  // on a ruler
  press_ = HitTest(pressAt_);
  delta_ = {};
  if (!pendingTool_.empty()) {
    const std::string kind = pendingTool_;
    SetPendingTool({});
    if (press_.Band) InsertControl(press_.Band, kind, press_.InBand);
    return;
  }
  const bool toggle = HasModifier(event->modifiers(), Qt::ShiftModifier) || HasModifier(event->modifiers(), Qt::ControlModifier);
  if (press_.Handle != page::THandle::None) {
    drag_ = TDrag::Resize;
    TakeDragPicture();
    return;
  }
  if (press_.Control) {
    std::vector<TOxrNode*> selection = document_.Selection();
    const auto it = std::find(selection.begin(), selection.end(), press_.Control);
    if (toggle) {
      if (it != selection.end()) {
        selection.erase(it);
        document_.Select(selection);
        drag_ = TDrag::None;
        return;
      }
      selection.push_back(press_.Control);
    } else if (it == selection.end()) {
      selection = {press_.Control};
    }
    // Bands leave the selection once a control is picked.
    selection.erase(std::remove_if(selection.begin(), selection.end(), [](TOxrNode* n) { return !page::IsControl(*n); }),
                    selection.end());
    document_.Select(selection);
    drag_ = TDrag::Press;
    return;
  }
  if (press_.BandEdge) {
    drag_ = TDrag::BandHeight;
    return;
  }
  // Empty paper or band: a rubber band; a plain click there selects the band.
  drag_ = TDrag::Rubber;
  rubber_ = QRectF(pressAt_, pressAt_);
}

void TPageView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  const bool freely = HasModifier(event->modifiers(), Qt::AltModifier);
  switch (drag_) {
    case TDrag::None: {
      const THit hit = HitTest(at);
      if (hit.Handle != page::THandle::None) {
        const int h = static_cast<int>(hit.Handle);
        setCursor(h == 1 || h == 5 ? Qt::SizeVerCursor : h == 3 || h == 7 ? Qt::SizeHorCursor
                  : h == 0 || h == 4 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
      } else if (hit.BandEdge) {
        setCursor(Qt::SplitVCursor);
      } else {
        setCursor(pendingTool_.empty() ? (hit.Control ? Qt::SizeAllCursor : Qt::ArrowCursor) : Qt::CrossCursor);
      }
      return;
    }
    case TDrag::Press:
      if ((at - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
      drag_ = TDrag::Move;
      dragged_ = SelectedControls();
      TakeDragPicture();
      [[fallthrough]];
    case TDrag::Move:
    case TDrag::Resize:
    case TDrag::BandHeight:
      delta_ = DragDelta(at, freely);
      break;
    case TDrag::Rubber:
      rubber_.setBottomRight(at);
      break;
  }
  update();
}

void TPageView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const TDrag drag = drag_;
  if (drag == TDrag::Move || drag == TDrag::Resize || drag == TDrag::BandHeight)
    delta_ = DragDelta(event->position(), HasModifier(event->modifiers(), Qt::AltModifier));
  drag_ = TDrag::None;
  switch (drag) {
    case TDrag::Press:
      // A plain click on a control of a larger selection picks that control alone.
      if (!HasModifier(event->modifiers(), Qt::ShiftModifier) && !HasModifier(event->modifiers(), Qt::ControlModifier))
        document_.Select({press_.Control});
      break;
    case TDrag::Move:
      MoveDragged();
      break;
    case TDrag::Resize: {
      TOxrNode* c = press_.Control;
      const QRectF r = page::Resized(page::ControlRect(*c), press_.Handle, delta_.x(), delta_.y(), kMinimumSize);
      // A control resized past the band's left or top edge stops there.
      const QRectF kept(QPointF(std::max(0.0, r.left()), std::max(0.0, r.top())), r.bottomRight());
      document_.SetAttributes({{c, "left", page::FormatLength(kept.left())},
                               {c, "top", page::FormatLength(kept.top())},
                               {c, "width", page::FormatLength(kept.width())},
                               {c, "height", page::FormatLength(kept.height())}},
                              tr("Resize"));
      break;
    }
    case TDrag::BandHeight: {
      const double h = std::max(0.0, page::Length(*press_.Band, "height") + delta_.y());
      document_.SetAttributes({{press_.Band, "height", page::FormatLength(h)}}, tr("Band Height"));
      break;
    }
    case TDrag::Rubber: {
      const QRectF r = rubber_.normalized();
      std::vector<TOxrNode*> hits;
      if (r.width() < 3 && r.height() < 3) {
        if (press_.Band) hits.push_back(press_.Band);
      } else {
        for (TOxrNode* b : document_.Tree().Root().Elements("band"))
          for (TOxrNode* c : page::Controls(*b))
            if (r.intersects(ScreenRect(*c).adjusted(-0.5, -0.5, 0.5, 0.5))) hits.push_back(c);
        const bool add = HasModifier(event->modifiers(), Qt::ShiftModifier) || HasModifier(event->modifiers(), Qt::ControlModifier);
        if (add) {
          std::vector<TOxrNode*> selection = SelectedControls();
          for (TOxrNode* h : hits)
            if (std::find(selection.begin(), selection.end(), h) == selection.end()) selection.push_back(h);
          hits = selection;
        }
      }
      document_.Select(hits);
      break;
    }
    default:
      break;
  }
  dragged_.clear();
  dragCache_ = QImage();
  delta_ = {};
  update();
}

void TPageView::CancelDrag() {
  drag_ = TDrag::None;
  dragged_.clear();
  dragCache_ = QImage();
  delta_ = {};
  press_ = {};
  update();
}

void TPageView::MoveDragged() {
  // Dropped with the mouse over another band, the controls go into that band, keeping where
  // they stand on the page; all of it is one step.
  const THit target = HitTest(pressAt_ + delta_ * Scale());
  TOxrNode* band = target.Band;
  if (!band || !press_.Control || band == press_.Control->Parent()) {
    document_.SetAttributes(page::MoveChanges(dragged_, delta_.x(), delta_.y()), tr("Move"));
    return;
  }
  const double bandTop = BandBox(*band).top();
  std::vector<TAttributeChange> places;
  for (TOxrNode* c : dragged_) {
    const double top = BandBox(*c->Parent()).top() + page::ControlRect(*c).top() + delta_.y() - bandTop;
    places.push_back({c, "left", page::FormatLength(std::max(0.0, page::ControlRect(*c).left() + delta_.x()))});
    places.push_back({c, "top", page::FormatLength(std::max(0.0, top))});
  }
  document_.BeginMacro(tr("Move"));
  document_.SetAttributes(std::move(places), tr("Move"));
  for (TOxrNode* c : dragged_) document_.MoveNode(c, band, band->Children().size(), tr("Move"));
  document_.EndMacro();
}

void TPageView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void TPageView::wheelEvent(QWheelEvent* event) {
  if (!HasModifier(event->modifiers(), Qt::ControlModifier)) return QWidget::wheelEvent(event);
  const int steps = event->angleDelta().y() / 120;
  if (steps != 0) SetZoom(zoom_ + steps * 25);
  event->accept();
}

// ---- keyboard ----

void TPageView::keyPressEvent(QKeyEvent* event) {
  const bool fine = HasModifier(event->modifiers(), Qt::ShiftModifier);
  const double step = fine ? kFineStep : grid_;
  if (HasModifier(event->modifiers(), Qt::ControlModifier) || HasModifier(event->modifiers(), Qt::AltModifier))
    return QWidget::keyPressEvent(event);
  switch (event->key()) {
    case Qt::Key_Left: MoveSelection(-step, 0); break;
    case Qt::Key_Right: MoveSelection(step, 0); break;
    case Qt::Key_Up: MoveSelection(0, -step); break;
    case Qt::Key_Down: MoveSelection(0, step); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      // From the keyboard a chosen tool is placed at the current band's corner, from where
      // the arrow keys move it.
      if (pendingTool_.empty() || !CurrentBand()) return QWidget::keyPressEvent(event);
      const std::string kind = pendingTool_;
      SetPendingTool({});
      InsertControl(CurrentBand(), kind, {0, 0});
      break;
    }
    case Qt::Key_Escape:
      if (!pendingTool_.empty()) SetPendingTool({});
      else if (drag_ != TDrag::None) {
        CancelDrag();
      } else {
        document_.Select({});
      }
      break;
    default: return QWidget::keyPressEvent(event);
  }
  event->accept();
}

bool TPageView::event(QEvent* event) {
  // Tab and Shift+Tab walk the controls of the current band instead of leaving the page.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !(key->modifiers() & Qt::ControlModifier)) {
      if (focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier))) return true;
    }
  }
  return QWidget::event(event);
}

bool TPageView::focusNextPrevChild(bool next) {
  TOxrNode* band = CurrentBand();
  if (!band) return QWidget::focusNextPrevChild(next);
  const auto controls = page::Controls(*band);
  if (controls.empty()) return QWidget::focusNextPrevChild(next);
  const auto selected = SelectedControls();
  long at = -1;
  if (!selected.empty()) {
    const auto it = std::find(controls.begin(), controls.end(), selected.front());
    if (it != controls.end()) at = it - controls.begin();
  }
  const long n = static_cast<long>(controls.size());
  const long to = at < 0 ? (next ? 0 : n - 1) : ((at + (next ? 1 : -1)) % n + n) % n;
  document_.Select({controls[static_cast<std::size_t>(to)]});
  return true;
}

void TPageView::contextMenuEvent(QContextMenuEvent* event) {
  // From the keyboard (the menu key, Shift+F10) the menu is the selection's.
  QPoint at = event->pos();
  if (event->reason() == QContextMenuEvent::Keyboard) {
    const auto controls = SelectedControls();
    if (!controls.empty()) at = ScreenRect(*controls.front()).center().toPoint();
    else if (TOxrNode* band = CurrentBand()) at = BandScreenRect(*band).topLeft().toPoint() + QPoint(4, 4);
  }
  const THit hit = HitTest(at);
  if (hit.Control) {
    const auto selection = document_.Selection();
    if (std::find(selection.begin(), selection.end(), hit.Control) == selection.end()) document_.Select({hit.Control});
  } else if (hit.Band) {
    document_.Select({hit.Band});
  }
  QMenu menu(this);
  for (const char* n : {"cut", "copy", "paste", "delete"}) menu.addAction(Action(n));
  menu.addSeparator();
  if (hit.Control) {
    menu.addAction(Action("bringToFront"));
    menu.addAction(Action("sendToBack"));
    QMenu* align = menu.addMenu(tr("&Align"));
    for (QAction* a : MenuActions("Edit"))
      if (a && (a->objectName().startsWith("align") || a->objectName().startsWith("same") || a->objectName().startsWith("distribute")))
        align->addAction(a);
    menu.addSeparator();
  }
  QMenu* insert = menu.addMenu(tr("&Insert Band"));
  for (QAction* a : MenuActions("Insert")) {
    if (!a) break;
    insert->addAction(a);
  }
  for (const char* n : {"removeBand", "moveBandUp", "moveBandDown"}) menu.addAction(Action(n));
  menu.exec(mapToGlobal(at));
}

// ---- drops ----

void TPageView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(kFieldMime) || event->mimeData()->hasFormat(kControlMime)) event->acceptProposedAction();
}

void TPageView::dragMoveEvent(QDragMoveEvent* event) {
  if (HitTest(event->position()).Band) event->acceptProposedAction();
  else event->ignore();
}

void TPageView::dropEvent(QDropEvent* event) {
  const THit hit = HitTest(event->position());
  if (!hit.Band) return event->ignore();
  const QMimeData* mime = event->mimeData();
  if (mime->hasFormat(kFieldMime)) {
    const std::string field = QString::fromUtf8(mime->data(kFieldMime)).trimmed().toStdString();
    InsertField(hit.Band, field, hit.InBand, HasModifier(event->modifiers(), Qt::ControlModifier));
  } else if (mime->hasFormat(kControlMime)) {
    const std::string kind = QString::fromUtf8(mime->data(kControlMime)).trimmed().toStdString();
    const auto& kinds = page::ControlKinds();
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) return event->ignore();
    InsertControl(hit.Band, kind, hit.InBand);
  }
  event->acceptProposedAction();
}

}  // namespace oxqr
