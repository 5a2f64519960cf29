#pragma once
// The controls that can be placed, one button per kind of control the schema lets a band
// hold: a click chooses the tool for the next click on a band, a drag drops it on a band.
#include <QWidget>
#include <string>

class QToolButton;

namespace oxqr {

class TDesignDocument;

class TPalette final : public QWidget {
  Q_OBJECT
 public:
  explicit TPalette(TDesignDocument& document, QWidget* parent = nullptr);
  // The button of a kind ("label"), nullptr when the palette has none.
  QToolButton* Button(const std::string& kind) const;

 signals:
  // A tool was clicked: the next click on a band places a control of `kind`.
  void ToolChosen(const std::string& kind);

 private:
  TDesignDocument& document_;
};

}  // namespace oxqr
