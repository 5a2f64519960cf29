#pragma once
// File > New: the paper (A4, Letter or a custom size), its orientation and the margins of a
// new, empty report.
#include <QDialog>

#include "definition/OxrDocument.h"

class QComboBox;
class QDoubleSpinBox;

namespace oxqr {

// The page a new report starts with, in millimetres.
struct TNewPage {
  QString Paper = "A4";  // A4, Letter or custom
  double Width = 210, Height = 297;  // for a custom paper
  bool Landscape = false;
  double Top = 10, Bottom = 10, Left = 10, Right = 10;
};

// The empty report's tree for `page`: a report element with the page's attributes only.
TOxrDocument NewReportTree(const TNewPage& page);

class TNewReportDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit TNewReportDialog(QWidget* parent = nullptr);
  TNewPage Page() const;

 private:
  void PaperChanged();
  QComboBox* paper_;
  QComboBox* orientation_;
  QDoubleSpinBox* width_;
  QDoubleSpinBox* height_;
  QDoubleSpinBox* margins_[4];  // top, bottom, left, right
};

}  // namespace oxqr
