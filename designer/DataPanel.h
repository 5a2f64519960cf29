#pragma once
// The report's datasets, their fields and the parameters.
#include <QWidget>

namespace oxqr {

class TDesignDocument;

class TDataPanel final : public QWidget {
  Q_OBJECT
 public:
  explicit TDataPanel(TDesignDocument& document, QWidget* parent = nullptr);

 private:
  TDesignDocument& document_;
};

}  // namespace oxqr
