#pragma once
// The controls that can be placed, by click or drag.
#include <QWidget>

namespace oxqr {

class TDesignDocument;

class TPalette final : public QWidget {
  Q_OBJECT
 public:
  explicit TPalette(TDesignDocument& document, QWidget* parent = nullptr);

 private:
  TDesignDocument& document_;
};

}  // namespace oxqr
