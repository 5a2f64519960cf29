#include "designer/NewReportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLocale>

namespace oxqr {

namespace {

// Lengths are written as the loader reads them: a plain decimal in the C locale.
std::string Mm(double value) { return QLocale::c().toString(value, 'g', 10).toStdString(); }

QDoubleSpinBox* LengthBox(double value, double max, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);  // owned by the dialog
  box->setRange(0, max);
  box->setDecimals(1);
  box->setSuffix(" mm");
  box->setValue(value);
  return box;
}

}  // namespace

TOxrDocument NewReportTree(const TNewPage& page) {
  TOxrDocument doc;
  TOxrNode& r = doc.Root();
  r.SetAttribute("paper", page.Paper.toStdString());
  if (page.Paper == "custom") {
    r.SetAttribute("pageWidth", Mm(page.Width));
    r.SetAttribute("pageHeight", Mm(page.Height));
  }
  r.SetAttribute("orientation", page.Landscape ? "landscape" : "portrait");
  r.SetAttribute("topMargin", Mm(page.Top));
  r.SetAttribute("bottomMargin", Mm(page.Bottom));
  r.SetAttribute("leftMargin", Mm(page.Left));
  r.SetAttribute("rightMargin", Mm(page.Right));
  return doc;
}

TNewReportDialog::TNewReportDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("New Report"));
  auto* form = new QFormLayout(this);  // owned by the dialog
  paper_ = new QComboBox(this);
  paper_->addItem(tr("A4 (210 x 297 mm)"), "A4");
  paper_->addItem(tr("Letter (215.9 x 279.4 mm)"), "Letter");
  paper_->addItem(tr("Custom"), "custom");
  orientation_ = new QComboBox(this);
  orientation_->addItems({tr("Portrait"), tr("Landscape")});
  width_ = LengthBox(210, 5000, this);
  height_ = LengthBox(297, 5000, this);
  width_->setMinimum(10);  // the loader's smallest page
  height_->setMinimum(10);
  form->addRow(tr("&Paper:"), paper_);
  form->addRow(tr("&Width:"), width_);
  form->addRow(tr("&Height:"), height_);
  form->addRow(tr("&Orientation:"), orientation_);
  const char* names[4] = {"&Top margin:", "&Bottom margin:", "&Left margin:", "&Right margin:"};
  for (int i = 0; i < 4; ++i) {
    margins_[i] = LengthBox(10, 1000, this);
    form->addRow(tr(names[i]), margins_[i]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(paper_, &QComboBox::currentIndexChanged, this, &TNewReportDialog::PaperChanged);
  PaperChanged();
}

void TNewReportDialog::PaperChanged() {
  const bool custom = paper_->currentData().toString() == "custom";
  width_->setEnabled(custom);
  height_->setEnabled(custom);
}

TNewPage TNewReportDialog::Page() const {
  TNewPage page;
  page.Paper = paper_->currentData().toString();
  page.Width = width_->value();
  page.Height = height_->value();
  page.Landscape = orientation_->currentIndex() == 1;
  page.Top = margins_[0]->value();
  page.Bottom = margins_[1]->value();
  page.Left = margins_[2]->value();
  page.Right = margins_[3]->value();
  return page;
}

}  // namespace oxqr
