// The page view driven as a user drives it: mouse and key events on the widget, the
// clipboard, drops from the palette and the data panel, and the undo stack behind them.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "designer/PageEditing.h"
#include "designer/PageGeometry.h"
#include "designer/PageRendering.h"
#include "designer/PageView.h"
#include "designer/Palette.h"

namespace oxqr {
namespace {

// A page header and a detail band with three labels: A4, 10 mm margins, so the detail band
// starts 20 mm from the paper's top.
constexpr const char* kReport = R"(<?xml version="1.0" encoding="UTF-8"?>
<report name="R" paper="A4" topMargin="10" bottomMargin="10" leftMargin="10" rightMargin="10">
  <!-- kept through every edit -->
  <band type="pageHeader" name="Header" height="10"/>
  <band type="detail" name="Detail" height="20" color="white">
    <label name="A" left="10" top="2" width="20" height="5" text="A"/>
    <label name="B" left="40" top="4" width="30" height="5" text="B"/>
    <label name="C" left="100" top="8" width="10" height="6" text="C"/>
  </band>
</report>
)";

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_.Reset(ReadOxrDocument(kReport, "test.oxr"), {});
    original_ = doc_.Text();
  }

  TOxrNode* Node(const std::string& name) { return Find(doc_.Tree().Root(), name); }
  static TOxrNode* Find(TOxrNode& n, const std::string& name) {
    if (n.AttributeOr("name", "") == name) return &n;
    for (const auto& c : n.Children())
      if (TOxrNode* hit = Find(*c, name)) return hit;
    return nullptr;
  }
  std::string Attr(const std::string& node, const char* attribute) { return Node(node)->AttributeOr(attribute, "?"); }

  // A point `dx`, `dy` mm from the top-left corner of a control (or band) on the screen.
  QPointF At(const std::string& name, double dx, double dy) {
    TOxrNode* n = Node(name);
    const QRectF r = n->Name() == "band" ? view_.BandScreenRect(*n) : view_.ScreenRect(*n);
    return r.topLeft() + QPointF(dx, dy) * view_.Zoom() / 100.0 * page::kPixelsPerMM;
  }
  void Mouse(QEvent::Type type, const QPointF& p, Qt::KeyboardModifiers m = Qt::NoModifier) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(type, p, view_.mapToGlobal(p), Qt::LeftButton, held, m);
    QApplication::sendEvent(&view_, &e);
  }
  void Click(const QPointF& p, Qt::KeyboardModifiers m = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, p, m);
    Mouse(QEvent::MouseButtonRelease, p, m);
  }
  // A drag in steps, as a hand moves the mouse.
  void Drag(const QPointF& from, const QPointF& to, Qt::KeyboardModifiers m = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, from, m);
    for (int i = 1; i <= 4; ++i) Mouse(QEvent::MouseMove, from + (to - from) * i / 4.0, m);
    Mouse(QEvent::MouseButtonRelease, to, m);
  }
  std::vector<std::string> Selected() {
    std::vector<std::string> out;
    for (TOxrNode* n : doc_.Selection()) out.push_back(n->AttributeOr("name", ""));
    return out;
  }

  TDesignDocument doc_;
  TPageView view_{doc_};
  std::string original_;
};

TEST_F(PageTest, ClickShiftCtrlAndRubberBandSelect) {
  Click(At("A", 5, 2));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A"}));
  Click(At("B", 5, 2), Qt::ShiftModifier);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A", "B"}));
  Click(At("A", 5, 2), Qt::ControlModifier);  // toggles A off
  EXPECT_EQ(Selected(), (std::vector<std::string>{"B"}));
  // A plain click on the band's empty area selects the band.
  Click(At("Detail", 150, 1));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Detail"}));
  // A rubber band from the band's empty corner over A and B but short of C.
  Drag(At("Detail", 1, 1), At("Detail", 60, 15));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A", "B"}));
  // The topmost control wins where two overlap: a later child is drawn over an earlier one.
  doc_.SetAttributes({{Node("B"), "left", "15"}}, "Move");
  Click(At("A", 10, 3));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"B"}));
}

TEST_F(PageTest, DraggingMovesOnTheGridAndAltMovesFreely) {
  struct Case {
    int Zoom;
    double Grid;
    double Dx, Dy;
    Qt::KeyboardModifiers Modifiers;
    const char* Left;
    const char* Top;
  } cases[] = {
      {100, 1, 3.3, 1.6, Qt::NoModifier, "13", "4"},
      {200, 1, 3.3, 1.6, Qt::NoModifier, "13", "4"},
      {100, 5, 3.3, 1.6, Qt::NoModifier, "15", "5"},
      {100, 1, 3.34, 1.6, Qt::AltModifier, "13.34", "3.6"},
      {100, 1, -30, -30, Qt::NoModifier, "0", "0"},  // stops at the band's corner
  };
  for (const auto& c : cases) {
    SetUp();
    view_.SetZoom(c.Zoom);
    view_.SetGridStep(c.Grid);
    Drag(At("A", 5, 2), At("A", 5 + c.Dx, 2 + c.Dy), c.Modifiers);
    SCOPED_TRACE(testing::Message() << "zoom " << c.Zoom << " grid " << c.Grid << " dx " << c.Dx);
    EXPECT_EQ(Attr("A", "left"), c.Left);
    EXPECT_EQ(Attr("A", "top"), c.Top);
    EXPECT_EQ(doc_.UndoStack().count(), 1);
    EXPECT_EQ(doc_.UndoStack().undoText(), "Move");
  }
}

TEST_F(PageTest, DraggingSeveralControlsIsOneStep) {
  Click(At("A", 5, 2));
  Click(At("B", 5, 2), Qt::ShiftModifier);
  Drag(At("B", 5, 2), At("B", 7, 3));
  EXPECT_EQ(Attr("A", "left"), "12");
  EXPECT_EQ(Attr("B", "left"), "42");
  EXPECT_EQ(Attr("B", "top"), "5");
  ASSERT_EQ(doc_.UndoStack().count(), 1);
  doc_.UndoStack().undo();
  EXPECT_EQ(doc_.Text(), original_);
}

TEST_F(PageTest, DraggingIntoAnotherBandMovesTheControlsThere) {
  Click(At("A", 5, 2));
  Click(At("B", 5, 2), Qt::ShiftModifier);
  // From the detail band up into the page header: A's top 2 mm in the detail band, 8 mm up,
  // stands 4 mm into the header (the header is 10 mm high).
  Drag(At("A", 5, 2), At("A", 5, -6));
  EXPECT_EQ(Node("A")->Parent(), Node("Header"));
  EXPECT_EQ(Node("B")->Parent(), Node("Header"));
  EXPECT_EQ(Attr("A", "top"), "4");
  EXPECT_EQ(Attr("B", "top"), "6");
  EXPECT_EQ(Attr("A", "left"), "10");
  ASSERT_EQ(doc_.UndoStack().count(), 1);
  EXPECT_EQ(doc_.UndoStack().undoText(), "Move");
  doc_.UndoStack().undo();
  EXPECT_EQ(doc_.Text(), original_);
}

TEST_F(PageTest, AChangeUnderADragEndsIt) {
  // An undo by key while the mouse is held: the release must not move what the drag held.
  Mouse(QEvent::MouseButtonPress, At("A", 5, 2));
  Mouse(QEvent::MouseMove, At("A", 10, 2));
  doc_.SetAttributes({{Node("B"), "left", "50"}}, "Move");
  Mouse(QEvent::MouseButtonRelease, At("A", 10, 2));
  EXPECT_EQ(Attr("A", "left"), "10");
  EXPECT_EQ(doc_.UndoStack().count(), 1);
}

TEST_F(PageTest, CtrlWheelZoomsWithinItsLimits) {
  auto wheel = [&](int notches, Qt::KeyboardModifiers m) {
    QWheelEvent e(QPointF(100, 100), view_.mapToGlobal(QPointF(100, 100)), {}, QPoint(0, 120 * notches), Qt::NoButton, m,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view_, &e);
  };
  wheel(1, Qt::ControlModifier);
  EXPECT_EQ(view_.Zoom(), 125);
  wheel(1, Qt::NoModifier);  // scrolls, does not zoom
  EXPECT_EQ(view_.Zoom(), 125);
  wheel(40, Qt::ControlModifier);
  EXPECT_EQ(view_.Zoom(), 400);
  wheel(-40, Qt::ControlModifier);
  EXPECT_EQ(view_.Zoom(), 25);
  // The widget follows the zoom: A4 at 25 % is about a quarter of its size at 100 %.
  const int small = view_.width();
  view_.SetZoom(100);
  EXPECT_NEAR(view_.width() - 2 * TPageView::kBorder - TPageView::kRuler,
              4 * (small - 2 * TPageView::kBorder - TPageView::kRuler), 4);
}

TEST_F(PageTest, HandlesResizeOnTheGridAndNeverBelowTheMinimum) {
  Click(At("A", 5, 2));
  // The bottom-right handle: the right edge 30 + 5.2 lands on 35, the bottom 7 + 1.4 on 8.
  Drag(At("A", 20, 5), At("A", 25.2, 6.4));
  EXPECT_EQ(Attr("A", "width"), "25");
  EXPECT_EQ(Attr("A", "height"), "6");
  EXPECT_EQ(doc_.UndoStack().undoText(), "Resize");
  // The left handle dragged past the right edge stops at the minimum width, right edge kept.
  Drag(At("A", 0, 3), At("A", 40, 3));
  EXPECT_EQ(Attr("A", "width"), "0.5");
  EXPECT_EQ(Attr("A", "left"), "34.5");
  // The top-left handle dragged beyond the band's corner stops at it.
  Drag(At("A", 0, 0), At("A", -50, -50));
  EXPECT_EQ(Attr("A", "left"), "0");
  EXPECT_EQ(Attr("A", "top"), "0");
  EXPECT_EQ(Attr("A", "width"), "35");
}

TEST_F(PageTest, ArrowKeysMoveByTheGridOrATenthWithShift) {
  Click(At("A", 5, 2));
  QTest::keyClick(&view_, Qt::Key_Right);
  EXPECT_EQ(Attr("A", "left"), "11");
  QTest::keyClick(&view_, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(Attr("A", "left"), "11.1");
  QTest::keyClick(&view_, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Attr("A", "top"), "2.1");
  for (int i = 0; i < 4; ++i) QTest::keyClick(&view_, Qt::Key_Up);
  EXPECT_EQ(Attr("A", "top"), "0");  // stops at the band's top
  EXPECT_EQ(doc_.UndoStack().count(), 6);  // the last press moved nothing and adds no step
}

TEST(PageArrange, AlignSizeAndDistribute) {
  using A = page::TArrange;
  // Controls as left, top, width, height; the first is the anchor.
  const std::vector<QRectF> start = {{10, 2, 20, 5}, {40, 4, 30, 6}, {100, 8, 10, 2}};
  struct Case {
    A Arrange;
    std::vector<QRectF> Expected;
  } cases[] = {
      {A::AlignLeft, {{10, 2, 20, 5}, {10, 4, 30, 6}, {10, 8, 10, 2}}},
      {A::AlignRight, {{10, 2, 20, 5}, {0, 4, 30, 6}, {20, 8, 10, 2}}},  // 30 - 30 = 0
      {A::AlignTop, {{10, 2, 20, 5}, {40, 2, 30, 6}, {100, 2, 10, 2}}},
      {A::AlignBottom, {{10, 2, 20, 5}, {40, 1, 30, 6}, {100, 5, 10, 2}}},
      {A::AlignHorizontalCentres, {{10, 2, 20, 5}, {5, 4, 30, 6}, {15, 8, 10, 2}}},
      {A::AlignVerticalCentres, {{10, 2, 20, 5}, {40, 1.5, 30, 6}, {100, 3.5, 10, 2}}},
      {A::SameWidth, {{10, 2, 20, 5}, {40, 4, 20, 6}, {100, 8, 20, 2}}},
      {A::SameHeight, {{10, 2, 20, 5}, {40, 4, 30, 5}, {100, 8, 10, 5}}},
      // Span 10..110 holds 60 mm of controls: two gaps of 20.
      {A::DistributeHorizontally, {{10, 2, 20, 5}, {50, 4, 30, 6}, {100, 8, 10, 2}}},
      // Span 2..10 holds 13 mm: the middle (by top) is B at 2 + 5 + (8 - 13) / 2 = 4.5.
      {A::DistributeVertically, {{10, 2, 20, 5}, {40, 4.5, 30, 6}, {100, 8, 10, 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(page::ArrangeName(c.Arrange));
    TDesignDocument doc;
    TOxrNode* band = doc.Tree().Root().Append(std::make_unique<TOxrNode>("band"));
    std::vector<TOxrNode*> controls;
    for (const QRectF& r : start) {
      TOxrNode* n = band->Append(std::make_unique<TOxrNode>("label"));
      n->SetAttribute("left", page::FormatLength(r.left()));
      n->SetAttribute("top", page::FormatLength(r.top()));
      n->SetAttribute("width", page::FormatLength(r.width()));
      n->SetAttribute("height", page::FormatLength(r.height()));
      controls.push_back(n);
    }
    doc.SetAttributes(page::ArrangeChanges(controls, c.Arrange), page::ArrangeName(c.Arrange));
    for (std::size_t i = 0; i < controls.size(); ++i) EXPECT_EQ(page::ControlRect(*controls[i]), c.Expected[i]) << i;
  }
  // Distributing needs three controls; aligning two is enough.
  TOxrNode a("label"), b("label");
  EXPECT_TRUE(page::ArrangeChanges({&a, &b}, A::DistributeHorizontally).empty());
}

TEST_F(PageTest, ClipboardCarriesDefinitionLinesAndPastesThemBack) {
  Click(At("A", 5, 2));
  Click(At("B", 5, 2), Qt::ShiftModifier);
  view_.CopySelection();
  const QString text = QApplication::clipboard()->text();
  EXPECT_EQ(text.toStdString(),
            "<label name=\"A\" left=\"10\" top=\"2\" width=\"20\" height=\"5\" text=\"A\"/>\n"
            "<label name=\"B\" left=\"40\" top=\"4\" width=\"30\" height=\"5\" text=\"B\"/>\n");
  ASSERT_TRUE(view_.Paste());
  // The copies keep every attribute but take names of their own; they are selected.
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A_2", "B_2"}));
  EXPECT_EQ(Attr("A_2", "left"), "10");
  EXPECT_EQ(Node("B_2")->Parent(), Node("Detail"));
  EXPECT_EQ(doc_.UndoStack().undoText(), "Paste");
  // Cut removes them again in one step.
  view_.CutSelection();
  EXPECT_EQ(doc_.Text(), original_);
  // What another panel selected (a dataset) is neither cut nor deleted from the page.
  TOxrNode* table = doc_.Tree().Root().Insert(0, std::make_unique<TOxrNode>("table"));
  table->SetAttribute("name", "T");
  doc_.Select({table});
  view_.CutSelection();
  view_.DeleteSelection();
  EXPECT_EQ(Node("T"), table);
  // The table leaves the tree behind the document's back: it must not stay selected.
  doc_.Select({});
  doc_.Tree().Root().Take(table);
  // Text from an editor: a declaration and a comment before the element are fine.
  QApplication::clipboard()->setText("<?xml version=\"1.0\"?>\n<!-- x -->\n<shape name=\"S\" left=\"1\" top=\"1\" width=\"5\" height=\"5\"/>");
  ASSERT_TRUE(view_.Paste());
  EXPECT_EQ(Attr("S", "width"), "5");
  // What is not definition text, or not a control, changes nothing and says where it failed.
  const std::string before = doc_.Text();
  for (const char* bad : {"plain words", "<label name=\"X\"\n  left=\"1>", "<dataset name=\"D\"/>", ""}) {
    QApplication::clipboard()->setText(bad);
    EXPECT_FALSE(view_.Paste()) << bad;
    EXPECT_EQ(doc_.Text(), before) << bad;
    EXPECT_FALSE(view_.StatusMessage().isEmpty());
  }
  // The fault's position is the fragment's own line.
  QApplication::clipboard()->setText("<label name=\"X\"/>\n<label left=\"1\" left=\"2\"/>");
  view_.Paste();
  EXPECT_TRUE(view_.StatusMessage().contains("clipboard:2:")) << view_.StatusMessage().toStdString();
}

TEST_F(PageTest, DraggingABandsBottomEdgeSetsItsHeight) {
  // The bottom edge of the detail band: 20 mm below its top.
  Drag(At("Detail", 150, 20), At("Detail", 150, 25.4));
  EXPECT_EQ(Attr("Detail", "height"), "25");
  EXPECT_EQ(doc_.UndoStack().undoText(), "Band Height");
  // The band below moves down with it: the header above did not change.
  EXPECT_EQ(Attr("Header", "height"), "10");
  // A band dragged up past its top keeps a height of zero, never less.
  Drag(At("Header", 150, 10), At("Header", 150, -30));
  EXPECT_EQ(Attr("Header", "height"), "0");
}

TEST_F(PageTest, PaletteToolsAndDropsPlaceControls) {
  // Every element a band may hold but conditional styles is a tool.
  for (const char* kind : {"label", "text", "memo", "sysdata", "shape", "image", "richtext", "chart", "barcode"})
    EXPECT_NE(std::find(page::ControlKinds().begin(), page::ControlKinds().end(), kind), page::ControlKinds().end()) << kind;
  EXPECT_EQ(std::find(page::ControlKinds().begin(), page::ControlKinds().end(), "style"), page::ControlKinds().end());

  TPalette palette(doc_);
  QObject::connect(&palette, &TPalette::ToolChosen, &view_, &TPageView::SetPendingTool);
  ASSERT_NE(palette.Button("shape"), nullptr);
  palette.Button("shape")->click();
  Click(At("Detail", 60.4, 12.2));
  TOxrNode* shape = Node("Shape1");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->Parent(), Node("Detail"));
  EXPECT_EQ(Attr("Shape1", "left"), "60");
  EXPECT_EQ(Attr("Shape1", "top"), "12");
  EXPECT_EQ(doc_.UndoStack().undoText(), "Insert Shape");
  EXPECT_TRUE(view_.PendingTool().empty());

  // From the keyboard: the tool, then Enter on the page places it in the current band.
  palette.Button("label")->click();
  doc_.Select({Node("Header")});
  QTest::keyClick(&view_, Qt::Key_Return);
  ASSERT_NE(Node("Label1"), nullptr);
  EXPECT_EQ(Node("Label1")->Parent(), Node("Header"));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Label1"}));
  doc_.UndoStack().undo();

  // A tool dragged from the palette; a kind the schema does not have is refused.
  auto drop = [&](const char* mimeType, const QByteArray& data, const QPointF& at, Qt::KeyboardModifiers m) {
    QMimeData mime;
    mime.setData(mimeType, data);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, m);
    QApplication::sendEvent(&view_, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, m);
    QApplication::sendEvent(&view_, &dropped);
  };
  drop(TPageView::kControlMime, "barcode", At("Detail", 120, 3), Qt::NoModifier);
  ASSERT_NE(Node("Barcode1"), nullptr);
  EXPECT_EQ(Attr("Barcode1", "left"), "120");
  const int steps = doc_.UndoStack().count();
  drop(TPageView::kControlMime, "script", At("Detail", 120, 3), Qt::NoModifier);
  EXPECT_EQ(doc_.UndoStack().count(), steps);

  // A field from the data panel, with Ctrl: the text and its caption in the header above.
  drop(TPageView::kFieldMime, "Customer.Company", At("Detail", 20, 10), Qt::ControlModifier);
  TOxrNode* text = Node("Text1");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(Attr("Text1", "field"), "Customer.Company");
  EXPECT_EQ(Attr("Text1", "left"), "20");
  EXPECT_EQ(text->Parent(), Node("Detail"));
  TOxrNode* caption = Node("Label1");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->Parent(), Node("Header"));
  EXPECT_EQ(Attr("Label1", "text"), "Company");
  EXPECT_EQ(doc_.UndoStack().undoText(), "Insert Field");
  doc_.UndoStack().undo();  // both in one step
  EXPECT_EQ(Node("Text1"), nullptr);
  EXPECT_EQ(Node("Label1"), nullptr);
}

TEST_F(PageTest, BandsAreAddedWhereTheyPrintRemovedAndReordered) {
  auto types = [&] {
    std::string s;
    for (TOxrNode* b : doc_.Tree().Root().Elements("band")) s += b->AttributeOr("type", "") + " ";
    return s;
  };
  view_.Action("insertBand.groupHeader")->trigger();
  EXPECT_EQ(types(), "pageHeader groupHeader detail groupFooter ");
  EXPECT_EQ(Attr("GroupHeaderBand1", "footer"), "GroupFooterBand1");
  view_.Action("insertBand.title")->trigger();
  view_.Action("insertBand.summary")->trigger();
  EXPECT_EQ(types(), "pageHeader title groupHeader detail groupFooter summary ");
  doc_.Select({Node("Detail")});
  view_.Action("insertBand.child")->trigger();
  EXPECT_EQ(types(), "pageHeader title groupHeader detail child groupFooter summary ");
  EXPECT_EQ(Attr("Detail", "child"), "ChildBand1");
  doc_.Select({Node("Detail")});
  view_.Action("moveBandUp")->trigger();
  EXPECT_EQ(types(), "pageHeader title detail groupHeader child groupFooter summary ");
  view_.Action("moveBandDown")->trigger();
  view_.Action("moveBandDown")->trigger();
  EXPECT_EQ(types(), "pageHeader title groupHeader child detail groupFooter summary ");
  // Removing a band takes the other bands' references to it along.
  doc_.Select({Node("ChildBand1")});
  view_.Action("removeBand")->trigger();
  EXPECT_EQ(Attr("Detail", "child"), "?");
  doc_.Select({Node("Detail")});
  view_.Action("removeBand")->trigger();
  EXPECT_EQ(types(), "pageHeader title groupHeader groupFooter summary ");
  EXPECT_EQ(Node("A"), nullptr);
  // Each of those was one step: the group's pair is undone at once.
  while (doc_.UndoStack().canUndo()) doc_.UndoStack().undo();
  EXPECT_EQ(doc_.Text(), original_);
}

TEST_F(PageTest, TabWalksTheControlsOfTheBand) {
  Click(At("B", 5, 2));
  QTest::keyClick(&view_, Qt::Key_Tab);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"C"}));
  QTest::keyClick(&view_, Qt::Key_Tab);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A"}));
  QTest::keyClick(&view_, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"C"}));
}

TEST_F(PageTest, UndoAllGivesTheOriginalAndRedoAllTheEditedText) {
  Click(At("A", 5, 2));
  Drag(At("A", 5, 2), At("A", 9, 2));                  // move
  Drag(At("A", 20, 5), At("A", 23, 7));                // resize
  Click(At("B", 5, 2), Qt::ShiftModifier);
  view_.Arrange(page::TArrange::AlignTop);             // align
  view_.BringToFront();                                 // z-order... of A and B
  view_.CopySelection();
  view_.Paste();                                        // paste
  QTest::keyClick(&view_, Qt::Key_Right, Qt::ShiftModifier);  // nudge the copies
  Drag(At("Detail", 150, 20), At("Detail", 150, 30));  // band height
  view_.Action("insertBand.summary")->trigger();        // band
  doc_.Select({Node("C")});
  view_.DeleteSelection();                              // delete
  const std::string edited = doc_.Text();
  ASSERT_NE(edited, original_);
  while (doc_.UndoStack().canUndo()) doc_.UndoStack().undo();
  EXPECT_EQ(doc_.Text(), original_);
  while (doc_.UndoStack().canRedo()) doc_.UndoStack().redo();
  EXPECT_EQ(doc_.Text(), edited);
}

TEST(DesignerWindowMenus, EditMenuNamesTheStepAndEveryActionHasAKey) {
  TDesignerWindow window;
  window.Document().Reset(ReadOxrDocument(kReport, "test.oxr"), {});
  TPageView& view = window.PageView();
  TOxrNode* detail = window.Document().Tree().Root().Elements("band")[1];
  window.Document().Select({page::Controls(*detail)[0]});
  view.MoveSelection(1, 0);
  QAction* undo = window.findChild<QAction*>("undo");
  ASSERT_NE(undo, nullptr);
  EXPECT_EQ(undo->text().remove('&'), "Undo Move");
  undo->trigger();
  EXPECT_EQ(window.findChild<QAction*>("redo")->text().remove('&'), "Redo Move");
  // Every action of the Edit, View and Insert menus is reachable from the keyboard: a
  // shortcut, or the menu's accelerator and its own, and a tooltip says what it does.
  for (const char* name : {"Edit", "View", "Insert"}) {
    QMenu* menu = window.Menu(name);
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_TRUE(!a->shortcut().isEmpty() || a->text().contains('&')) << a->text().toStdString();
      EXPECT_FALSE(a->toolTip().isEmpty()) << a->text().toStdString();
    }
  }
  // The window fits a 1366 x 768 screen.
  EXPECT_LE(window.minimumSizeHint().width(), 1366);
  EXPECT_LE(window.minimumSizeHint().height(), 768);
}

TEST_F(PageTest, PaintsBandsAndControlsWhetherOrNotTheDefinitionLoads) {
  // A misspelt field keeps the tree from loading: the page still shows every band's colour
  // and the field's name; at 400 % as at 25 %.
  TOxrNode* detail = Node("Detail");
  detail->SetAttribute("color", "teal");
  auto field = std::make_unique<TOxrNode>("text");
  field->SetAttribute("name", "F");
  field->SetAttribute("field", "Nowhere.Nothing");
  field->SetAttribute("left", "150");
  field->SetAttribute("width", "30");
  field->SetAttribute("height", "5");
  doc_.InsertNode(detail, 0, std::move(field), "Insert");
  // The fixture loads as the engine loads it; the misspelt field stops that, with its name.
  TPageRendering loaded;
  doc_.UndoStack().undo();
  loaded.Rebuild(doc_.Tree(), "test.oxr");
  EXPECT_TRUE(loaded.LoadError().isEmpty()) << loaded.LoadError().toStdString();
  doc_.UndoStack().redo();
  loaded.Rebuild(doc_.Tree(), "test.oxr");
  EXPECT_TRUE(loaded.LoadError().contains("Nowhere")) << loaded.LoadError().toStdString();
  for (int zoom : {25, 100, 400}) {
    view_.SetZoom(zoom);
    QImage image(view_.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    view_.PaintPage(painter, image.rect());
    painter.end();
    const QPoint inBand = At("Detail", 130.5, 17.5).toPoint();  // between grid lines
    EXPECT_EQ(image.pixelColor(inBand), QColor(0, 128, 128)) << zoom;
  }
}

TEST(PageRenderingLoad, ADefinitionNamingNoDatabaseLoadsWithTheDefaultOne) {
  // A shipped definition reads the sample database: with it the engine draws the page
  // (pictures, fields); without it the page falls back to the tree.
  const std::string file = std::string(OXQR_TEST_SOURCE_DIR) + "/Showcase/reports/customers.oxr";
  TOxrDocument tree = ReadOxrDocumentFile(file);
  TPageRendering rendering;
  rendering.Rebuild(tree, QString::fromStdString(file));
  EXPECT_TRUE(rendering.LoadError().contains("database")) << rendering.LoadError().toStdString();
  if (!QFile::exists(OXQR_DEMODATA)) GTEST_SKIP() << "no sample database built";
  rendering.SetDefaultDatabase(OXQR_DEMODATA);
  rendering.Rebuild(tree, QString::fromStdString(file));
  EXPECT_TRUE(rendering.LoadError().isEmpty()) << rendering.LoadError().toStdString();
}

TEST_F(PageTest, AMovedControlIsDrawnWhereItNowStands) {
  // The engine's drawing of a control is moved to the control's place in the tree, also when
  // only its place changed since the definition was loaded, and at any zoom.
  auto red = std::make_unique<TOxrNode>("shape");
  for (const auto& [k, v] : std::vector<std::pair<const char*, const char*>>{
           {"name", "Dot"}, {"left", "150"}, {"top", "5"}, {"width", "10"}, {"height", "10"},
           {"shape", "rectangle"}, {"brushColor", "red"}, {"penColor", "red"}})
    red->SetAttribute(k, std::string(v));
  doc_.InsertNode(Node("Detail"), 0, std::move(red), "Insert");
  auto paint = [&] {
    QImage image(view_.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    view_.PaintPage(painter, image.rect());
    return image;
  };
  for (int zoom : {100, 200}) {
    view_.SetZoom(zoom);
    EXPECT_EQ(paint().pixelColor(At("Dot", 5, 5).toPoint()), QColor(Qt::red)) << zoom;
    const QPoint before = At("Dot", 5, 5).toPoint();
    doc_.Select({Node("Dot")});
    view_.MoveSelection(-20, 3);
    const QImage moved = paint();
    EXPECT_EQ(moved.pixelColor(At("Dot", 5, 5).toPoint()), QColor(Qt::red)) << zoom;
    EXPECT_NE(moved.pixelColor(before), QColor(Qt::red)) << zoom;
    doc_.UndoStack().undo();
  }
}

}  // namespace
}  // namespace oxqr
