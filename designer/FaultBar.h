#pragma once
// The line under the page that shows the last fault of a preview in red: what is wrong,
// the element it concerns and where in the definition's text, with every fault in its
// tooltip. Empty (hidden) when the last preview ran.
#include <QLabel>

namespace oxqr {

class EDefinitionError;
class TOxrNode;

class TFaultBar final : public QLabel {
  Q_OBJECT
 public:
  explicit TFaultBar(QWidget* parent = nullptr);
  // Shows `error`; `element` is the element it concerns (null when none was found).
  void ShowFault(const EDefinitionError& error, const TOxrNode* element);
  // Shows a fault that has no place in the definition.
  void ShowMessage(const QString& message);
  void Clear();
};

// How an element is named to the user: its tag and, when it has one, its name
// ("text QRDBTextCompany", "band detail").
QString ElementCaption(const TOxrNode& element);

}  // namespace oxqr
