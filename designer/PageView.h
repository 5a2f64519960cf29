#pragma once
// The report's page: the paper with its margins, the bands stacked as the definition holds
// them and their controls, with rulers in millimetres and a grid. Controls are selected by
// click, rubber band and Shift/Ctrl+click, moved by dragging and with the arrow keys, resized
// by eight handles; a band's height follows a drag of its bottom edge. Every change is one
// step on the document's undo stack.
#include <QPointF>
#include <QImage>
#include <QRectF>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "designer/PageEditing.h"
#include "designer/PageGeometry.h"

class QAction;
class QMenu;

namespace oxqr {

class TDesignDocument;
class TOxrNode;
class TPageRendering;

class TPageView final : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kRuler = 20;   // ruler width in pixels
  static constexpr int kBorder = 16;  // grey border around the paper
  static constexpr int kMinZoom = 25;
  static constexpr int kMaxZoom = 400;
  // The mime type a palette tool is dragged with (the element name, UTF-8).
  static constexpr const char* kControlMime = "application/x-oxqr-control";
  // The mime type a data panel's field is dragged with ("Dataset.Field", UTF-8).
  static constexpr const char* kFieldMime = "application/x-oxqr-field";

  explicit TPageView(TDesignDocument& document, QWidget* parent = nullptr);
  ~TPageView() override;

  TDesignDocument& Document() { return document_; }
  int Zoom() const { return zoom_; }
  void SetZoom(int percent);
  double GridStep() const { return grid_; }
  void SetGridStep(double mm);
  bool SnapToGrid() const { return snap_; }
  void SetSnapToGrid(bool on);
  // The next click on a band places a control of this kind (empty: none).
  void SetPendingTool(const std::string& kind);
  const std::string& PendingTool() const { return pendingTool_; }

  // Screen (widget) position of a point on the paper in mm, and back.
  QPointF ToScreen(const QPointF& mm) const;
  QPointF ToPaper(const QPointF& screen) const;
  // Screen rectangles of a control and a band as they are drawn now.
  QRectF ScreenRect(const TOxrNode& control) const;
  QRectF BandScreenRect(const TOxrNode& band) const;

  // The selected controls (not bands) in selection order.
  std::vector<TOxrNode*> SelectedControls() const;
  // The band edits apply to: the selected band, the band of the first selected control, or
  // the first band.
  TOxrNode* CurrentBand() const;

  // Edits, each one undo step.
  void MoveSelection(double dx, double dy);
  void Arrange(page::TArrange arrange);
  void BringToFront();
  void SendToBack();
  void CopySelection();
  void CutSelection();
  // Pastes definition text from the clipboard: controls into the current band, bands after
  // it. Answers false (with the message in StatusMessage) when the text is not a fragment.
  bool Paste();
  void DeleteSelection();
  void SelectAll();
  // Places a control of `kind` in `band` at `at` (mm from the band's corner); answers it.
  TOxrNode* InsertControl(TOxrNode* band, const std::string& kind, const QPointF& at);
  // A text bound to `field` ("Dataset.Field") at `at` in `band`; with `withCaption` also a
  // label with the field's name in the page or column header band above.
  TOxrNode* InsertField(TOxrNode* band, const std::string& field, const QPointF& at, bool withCaption);

  // The view's actions by their object names ("cut", "alignLeft", "zoomIn", "insertBand.detail").
  QAction* Action(const QString& name) const;
  // The actions of a menu, in order (nullptr for a separator): "Edit", "View", "Insert".
  std::vector<QAction*> MenuActions(const QString& menu) const;

  // Paints the page into `painter` (widget coordinates) for the rectangle `exposed`.
  void PaintPage(QPainter& painter, const QRect& exposed);
  // The last message for the status bar (a refused paste, a load fault).
  const QString& StatusMessage() const { return message_; }

  QSize sizeHint() const override;

 signals:
  void ZoomChanged(int percent);
  void Message(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  enum class TDrag { None, Press, Move, Resize, Rubber, BandHeight };
  struct THit {
    TOxrNode* Band = nullptr;
    TOxrNode* Control = nullptr;
    page::THandle Handle = page::THandle::None;
    bool BandEdge = false;
    QPointF InBand;  // mm from the band's corner
  };

  void CreateActions();
  QAction* AddAction(const QString& name, const QString& text, const QKeySequence& shortcut, const QString& tip);
  void UpdateActions();
  THit HitTest(const QPointF& screen) const;
  double Scale() const;  // screen pixels per mm
  QRectF BandBox(const TOxrNode& band) const;  // mm on the paper
  QPointF DragDelta(const QPointF& screen, bool freely) const;
  // What stands still (paper, bands, controls not being dragged, rulers).
  void PaintStill(QPainter& painter, const QRect& exposed);
  void PaintDragged(QPainter& painter);
  void PaintSelection(QPainter& painter);
  bool IsDragged(const TOxrNode* control) const;
  void TakeDragPicture();
  void CancelDrag();
  std::vector<TOxrNode*> EditedNodes() const;  // what Cut, Copy and Delete act on
  void MoveDragged();
  void PaintRulers(QPainter& painter, const QRect& exposed);
  QRect ShownArea() const;  // the part of the page the scroll area shows (all when unshown)
  void PaintBand(QPainter& painter, const page::TBandBox& box, const QRect& exposed);
  void SetMessage(const QString& text);
  void SelectAfterInsert(std::vector<TOxrNode*> nodes);

  TDesignDocument& document_;
  std::unique_ptr<TPageRendering> rendering_;
  bool renderingStale_ = true;
  int zoom_ = 100;
  double grid_ = 1.0;
  bool snap_ = true;
  std::string pendingTool_;
  QString message_;

  TDrag drag_ = TDrag::None;
  QPointF pressAt_;
  THit press_;
  QPointF delta_;  // mm, a move's offset or a resize's drag
  QRectF rubber_;  // screen
  std::vector<TOxrNode*> dragged_;
  QImage dragCache_;     // the still page while a move or resize is under way
  QRect dragCacheRect_;  // the part of the widget it holds
};

}  // namespace oxqr
