#include "designer/Palette.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QGridLayout>

#include "designer/DesignDocument.h"
#include "designer/PageGeometry.h"
#include "designer/PageView.h"

namespace oxqr {

namespace {

// A tool button that also starts a drag of its kind.
class TPaletteButton final : public QToolButton {
 public:
  TPaletteButton(const std::string& kind, QWidget* parent) : QToolButton(parent), kind_(kind) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) pressAt_ = event->position().toPoint();
    QToolButton::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance())
      return QToolButton::mouseMoveEvent(event);
    setDown(false);
    auto* mime = new QMimeData;  // owned by the drag
    mime->setData(TPageView::kControlMime, QByteArray::fromStdString(kind_));
    auto* drag = new QDrag(this);  // deletes itself
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction);
  }

 private:
  std::string kind_;
  QPoint pressAt_;
};

QString Caption(const std::string& kind) {
  if (kind == "sysdata") return QObject::tr("System Data");
  if (kind == "richtext") return QObject::tr("Rich Text");
  QString s = QString::fromStdString(kind);
  if (!s.isEmpty()) s[0] = s[0].toUpper();
  return s;
}

}  // namespace

TPalette::TPalette(TDesignDocument& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName("palette");
  // Three tools to a row, so that the dock beside the data panel stays short on a 768-pixel
  // screen and leaves the data panel's tree, SQL and rows the height they need.
  constexpr int kColumns = 3;
  auto* layout = new QGridLayout(this);  // owned by the palette
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);
  int placed = 0;
  for (const std::string& kind : page::ControlKinds()) {
    auto* button = new TPaletteButton(kind, this);  // owned by the palette
    button->setObjectName(QString::fromStdString("tool." + kind));
    button->setText(Caption(kind));
    button->setToolTip(tr("%1: click it, then click a band; or drag it onto a band").arg(Caption(kind)));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QToolButton::clicked, this, [this, kind] { emit ToolChosen(kind); });
    layout->addWidget(button, placed / kColumns, placed % kColumns);
    ++placed;
  }
  layout->setRowStretch((placed + kColumns - 1) / kColumns, 1);
}

QToolButton* TPalette::Button(const std::string& kind) const {
  return findChild<QToolButton*>(QString::fromStdString("tool." + kind));
}

}  // namespace oxqr
