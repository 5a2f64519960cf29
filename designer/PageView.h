#pragma once
// The report's page: paper, margins, bands and controls, edited with the mouse and keyboard.
#include <QWidget>

namespace oxqr {

class TDesignDocument;

class TPageView final : public QWidget {
  Q_OBJECT
 public:
  explicit TPageView(TDesignDocument& document, QWidget* parent = nullptr);

 private:
  TDesignDocument& document_;
};

}  // namespace oxqr
