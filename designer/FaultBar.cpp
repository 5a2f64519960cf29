#include "designer/FaultBar.h"

#include "definition/DefinitionError.h"
#include "definition/OxrDocument.h"

namespace oxqr {

QString ElementCaption(const TOxrNode& element) {
  QString caption = QString::fromStdString(element.Name());
  if (element.Name() == "band") caption += " " + QString::fromStdString(element.AttributeOr("type", ""));
  if (const auto name = element.Attribute("name")) caption += " " + QString::fromStdString(*name);
  return caption;
}

TFaultBar::TFaultBar(QWidget* parent) : QLabel(parent) {
  setObjectName("faultBar");
  setStyleSheet("color: #C00000;");
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  hide();
}

void TFaultBar::ShowFault(const EDefinitionError& error, const TOxrNode* element) {
  QString text = tr("Line %1, column %2").arg(error.Line()).arg(error.Column());
  if (element != nullptr) text += " (" + ElementCaption(*element) + ")";
  text += ": " + QString::fromStdString(error.Message());
  if (error.Faults().size() > 1) text += tr("  [%1 faults]").arg(error.Faults().size());
  setText(text);
  setToolTip(QString::fromStdString(error.Listing()));
  show();
}

void TFaultBar::ShowMessage(const QString& message) {
  setText(message);
  setToolTip(message);
  show();
}

void TFaultBar::Clear() {
  clear();
  setToolTip(QString());
  hide();
}

}  // namespace oxqr
