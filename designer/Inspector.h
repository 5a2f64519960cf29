#pragma once
// The attributes of the selection, with typed editors.
#include <QWidget>

namespace oxqr {

class TDesignDocument;

class TInspector final : public QWidget {
  Q_OBJECT
 public:
  explicit TInspector(TDesignDocument& document, QWidget* parent = nullptr);

 private:
  TDesignDocument& document_;
};

}  // namespace oxqr
