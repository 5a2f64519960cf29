#include "designer/AttributeEditors.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <array>
#include <cmath>
#include <limits>

namespace oxqr {

namespace {

const QString kDiffering = QObject::tr("(different values)");

// Combo boxes as narrow as a few characters: the inspector's dock is narrow, and a font
// list would otherwise be as wide as its longest family name.
void Narrow(QComboBox* combo) {
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(6);
}

QHBoxLayout* Row(QWidget* owner) {
  auto* row = new QHBoxLayout(owner);  // owned by the widget
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  return row;
}

// Free text, committed when editing ends; cleared text removes an optional attribute.
class TTextEditor final : public TAttributeEditor {
 public:
  TTextEditor(const TSchemaAttribute& a, QWidget* parent) : TAttributeEditor(parent), required_(a.Required) {
    line_ = new QLineEdit(this);  // owned by the editor
    line_->setObjectName("line");
    Row(this)->addWidget(line_);
    connect(line_, &QLineEdit::textEdited, this, [this](const QString& text) { Typed(text); });
    connect(line_, &QLineEdit::editingFinished, this, [this] {
      if (!line_->isModified()) return;
      line_->setModified(false);
      const QString text = line_->text();
      Edited(text.isEmpty() && !required_ ? std::nullopt : std::optional<std::string>(text.toStdString()));
    });
    if (a.Default) default_ = QString::fromStdString(*a.Default);
  }
  void Show(const std::optional<std::string>& value, bool differing) override {
    const QSignalBlocker block(line_);
    const QString text = value && !differing ? QString::fromStdString(*value) : QString();
    const bool changed = text != line_->text();
    line_->setText(text);
    // A long value shows its beginning, as a field not being typed into does.
    if (!line_->hasFocus()) line_->setCursorPosition(0);
    line_->setPlaceholderText(differing ? kDiffering : default_);
    line_->setModified(false);
    if (changed) Typed(text);  // a value changed elsewhere (undo) is checked anew
  }

 private:
  QLineEdit* line_;
  bool required_;
  QString default_;
};

// A number in a spin box whose lowest value stands for "not set" (shown blank).
template <class TSpin, class TValue>
class TNumberEditor final : public TAttributeEditor {
 public:
  TNumberEditor(TValue low, TValue high, std::function<std::string(TValue)> text,
                std::function<std::optional<TValue>(const std::string&)> parse, QWidget* parent)
      : TAttributeEditor(parent), text_(std::move(text)), parse_(std::move(parse)) {
    spin_ = new TSpin(this);  // owned by the editor
    spin_->setObjectName("spin");
    spin_->setRange(low, high);
    spin_->setSpecialValueText(" ");
    spin_->setKeyboardTracking(false);
    Row(this)->addWidget(spin_);
    connect(spin_, &TSpin::valueChanged, this, [this] { dirty_ = true; });
    connect(spin_, &TSpin::editingFinished, this, [this] {
      if (!dirty_) return;
      dirty_ = false;
      if (spin_->value() != spin_->minimum()) Edited(text_(spin_->value()));
    });
  }
  TSpin* Spin() const { return spin_; }
  void Show(const std::optional<std::string>& value, bool differing) override {
    const QSignalBlocker block(spin_);
    const auto parsed = value && !differing ? parse_(*value) : std::nullopt;
    spin_->setValue(parsed ? *parsed : spin_->minimum());
    spin_->setToolTip(differing ? kDiffering : QString());
    dirty_ = false;
  }

 private:
  TSpin* spin_;
  std::function<std::string(TValue)> text_;
  std::function<std::optional<TValue>(const std::string&)> parse_;
  bool dirty_ = false;
};

std::optional<double> ParseDouble(const std::string& s) {
  bool ok = false;
  const double v = QString::fromStdString(s).toDouble(&ok);
  return ok ? std::optional<double>(v) : std::nullopt;
}

std::optional<int> ParseInt(const std::string& s) {
  bool ok = false;
  const int v = QString::fromStdString(s).toInt(&ok);
  return ok ? std::optional<int>(v) : std::nullopt;
}

// true / false; partly checked: not set (the default) or different values.
class TBoolEditor final : public TAttributeEditor {
 public:
  explicit TBoolEditor(QWidget* parent) : TAttributeEditor(parent) {
    box_ = new QCheckBox(this);  // owned by the editor
    box_->setObjectName("check");
    box_->setTristate(true);
    box_->setToolTip(tr("Partly checked: not set (the default) or different values"));
    auto* row = Row(this);
    row->addWidget(box_);
    row->addStretch(1);  // the box as wide as its indicator, so a click beside it does nothing
    connect(box_, &QCheckBox::clicked, this, [this] {
      const auto state = box_->checkState();
      Edited(state == Qt::PartiallyChecked ? std::nullopt
                                           : std::optional<std::string>(state == Qt::Checked ? "true" : "false"));
    });
  }
  void Show(const std::optional<std::string>& value, bool differing) override {
    const QSignalBlocker block(box_);
    box_->setCheckState(differing || !value ? Qt::PartiallyChecked : (*value == "true" ? Qt::Checked : Qt::Unchecked));
  }

 private:
  QCheckBox* box_;
};

// One of the schema's values, or the first (empty) entry for "not set".
class TEnumEditor final : public TAttributeEditor {
 public:
  TEnumEditor(const TSchemaAttribute& a, QWidget* parent) : TAttributeEditor(parent) {
    combo_ = new QComboBox(this);  // owned by the editor
    combo_->setObjectName("combo");
    Narrow(combo_);
    combo_->addItem(QString());
    for (const auto& v : a.Values) combo_->addItem(QString::fromStdString(v));
    Row(this)->addWidget(combo_);
    connect(combo_, &QComboBox::activated, this, [this](int index) {
      Edited(index <= 0 ? std::nullopt : std::optional<std::string>(combo_->itemText(index).toStdString()));
    });
  }
  void Show(const std::optional<std::string>& value, bool differing) override {
    const QSignalBlocker block(combo_);
    combo_->setCurrentIndex(differing ? -1 : (value ? combo_->findText(QString::fromStdString(*value)) : 0));
    combo_->setToolTip(differing ? kDiffering : QString());
  }

 private:
  QComboBox* combo_;
};

// The colour a colour name stands for on screen (system colours from the palette).
std::optional<QColor> NamedColor(const QString& name) {
  static const std::array<std::pair<const char*, QPalette::ColorRole>, 6> kSystem{{
      {"window", QPalette::Window},
      {"windowText", QPalette::WindowText},
      {"buttonFace", QPalette::Button},
      {"buttonText", QPalette::ButtonText},
      {"infoText", QPalette::ToolTipText},
      {"infoBk", QPalette::ToolTipBase},
  }};
  for (const auto& [n, role] : kSystem)
    if (name == QLatin1String(n)) return QPalette().color(role);
  const QColor c = QColor::fromString(name);
  return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

QIcon Swatch(const QString& name) {
  const auto color = NamedColor(name);
  if (!color) return {};
  QPixmap pixmap(14, 14);
  pixmap.fill(*color);
  QPainter painter(&pixmap);
  painter.setPen(Qt::darkGray);
  painter.drawRect(0, 0, 13, 13);
  return QIcon(pixmap);
}

// The schema's colour names with their swatches, or any #RRGGBB typed or picked.
class TColorEditor final : public TAttributeEditor {
 public:
  TColorEditor(const TDefinitionSchema& schema, QWidget* parent) : TAttributeEditor(parent) {
    combo_ = new QComboBox(this);  // owned by the editor
    combo_->setObjectName("combo");
    Narrow(combo_);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    QStringList names;
    for (const auto& n : schema.ColorNames()) {
      names << QRegularExpression::escape(QString::fromStdString(n));
      combo_->addItem(Swatch(QString::fromStdString(n)), QString::fromStdString(n));
    }
    combo_->setValidator(new QRegularExpressionValidator(  // owned by the combo box
        QRegularExpression("#[0-9A-Fa-f]{0,6}|" + names.join('|') + "|[A-Za-z]*"), combo_));
    auto* pick = new QToolButton(this);  // owned by the editor
    pick->setObjectName("pick");
    pick->setText("...");
    pick->setToolTip(tr("Pick a colour"));
    auto* row = Row(this);
    row->addWidget(combo_, 1);
    row->addWidget(pick);
    connect(combo_, &QComboBox::activated, this, [this] { Commit(combo_->currentText()); });
    connect(combo_->lineEdit(), &QLineEdit::editingFinished, this, [this] {
      if (combo_->lineEdit()->isModified()) Commit(combo_->currentText());
    });
    connect(pick, &QToolButton::clicked, this, [this] {
      const auto current = NamedColor(combo_->currentText());
      const QColor chosen = QColorDialog::getColor(current.value_or(Qt::white), this, tr("Colour"));
      if (chosen.isValid()) Commit(chosen.name(QColor::HexRgb).toUpper());
    });
  }
  void Show(const std::optional<std::string>& value, bool differing) override {
    const QSignalBlocker block(combo_);
    const QString text = value && !differing ? QString::fromStdString(*value) : QString();
    combo_->setCurrentIndex(combo_->findText(text));  // the name's swatch, none for #RRGGBB
    combo_->setEditText(text);
    combo_->lineEdit()->setPlaceholderText(differing ? kDiffering : QString());
    combo_->lineEdit()->setModified(false);
  }

 private:
  void Commit(const QString& text) {
    combo_->lineEdit()->setModified(false);
    static const QRegularExpression hex("^#[0-9A-Fa-f]{6}$");
    if (text.isEmpty()) return Edited(std::nullopt);
    if (combo_->findText(text) < 0 && !hex.match(text).hasMatch()) return;  // not a colour yet
    Edited(text.toStdString());
  }
  QComboBox* combo_;
};

class TFontFamilyEditor final : public TAttributeEditor {
 public:
  explicit TFontFamilyEditor(QWidget* parent) : TAttributeEditor(parent) {
    combo_ = new QFontComboBox(this);  // owned by the editor
    combo_->setObjectName("combo");
    Narrow(combo_);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    Row(this)->addWidget(combo_);
    connect(combo_, &QComboBox::activated, this, [this] { Commit(); });
    connect(combo_->lineEdit(), &QLineEdit::editingFinished, this, [this] {
      if (combo_->lineEdit()->isModified()) Commit();
    });
  }
  void Show(const std::optional<std::string>& value, bool differing) override {
    const QSignalBlocker block(combo_);
    combo_->setEditText(value && !differing ? QString::fromStdString(*value) : QString());
    combo_->lineEdit()->setPlaceholderText(differing ? kDiffering : QString());
    combo_->lineEdit()->setModified(false);
  }

 private:
  void Commit() {
    combo_->lineEdit()->setModified(false);
    const QString text = combo_->currentText().trimmed();
    Edited(text.isEmpty() ? std::nullopt : std::optional<std::string>(text.toStdString()));
  }
  QFontComboBox* combo_;
};

constexpr std::array<const char*, 4> kStyleWords{"bold", "italic", "underline", "strikeout"};

bool HasWord(const std::optional<std::string>& value, const char* word) {
  return value && QString::fromStdString(*value).split(' ', Qt::SkipEmptyParts).contains(QLatin1String(word));
}

// Bold, italic, underline and strikeout: a box changed sets or clears its word in each
// selected element's style, keeping the others.
class TFontStyleEditor final : public TAttributeEditor {
 public:
  explicit TFontStyleEditor(QWidget* parent) : TAttributeEditor(parent) {
    auto* row = Row(this);
    for (std::size_t i = 0; i < kStyleWords.size(); ++i) {
      auto* box = new QCheckBox(QString(QChar(QLatin1Char(kStyleWords[i][0])).toUpper()), this);  // owned by the editor
      box->setObjectName(kStyleWords[i]);
      box->setToolTip(QLatin1String(kStyleWords[i]));
      QFont f = box->font();
      f.setBold(i == 0);
      f.setItalic(i == 1);
      f.setUnderline(i == 2);
      f.setStrikeOut(i == 3);
      box->setFont(f);
      row->addWidget(box);
      boxes_[i] = box;
      connect(box, &QCheckBox::clicked, this, [this, i] {
        boxes_[i]->setTristate(false);
        const bool on = boxes_[i]->checkState() != Qt::Unchecked;
        EditedBy([i, on](const std::optional<std::string>& old) -> std::optional<std::string> {
          std::string out;
          for (std::size_t w = 0; w < kStyleWords.size(); ++w)
            if (w == i ? on : HasWord(old, kStyleWords[w]))
              out += (out.empty() ? "" : " ") + std::string(kStyleWords[w]);
          return out.empty() ? std::nullopt : std::optional<std::string>(out);
        });
      });
    }
    row->addStretch(1);
  }
  void Show(const std::optional<std::string>& value, bool differing) override {
    if (differing) return ShowAll({value, std::string("-")});  // every box partly checked
    ShowAll({value});
  }
  // Each box on its own: checked when every element has the style, partly checked when
  // some have it.
  void ShowAll(const std::vector<std::optional<std::string>>& values) override {
    for (std::size_t i = 0; i < kStyleWords.size(); ++i) {
      const auto with =
          std::count_if(values.begin(), values.end(), [&](const auto& v) { return HasWord(v, kStyleWords[i]); });
      const bool some = with > 0 && with < static_cast<std::ptrdiff_t>(values.size());
      const QSignalBlocker block(boxes_[i]);
      boxes_[i]->setTristate(some);
      boxes_[i]->setCheckState(some ? Qt::PartiallyChecked : (with > 0 ? Qt::Checked : Qt::Unchecked));
    }
  }

 private:
  std::array<QCheckBox*, 4> boxes_{};
};

}  // namespace

std::string MillimetreText(double mm) {
  QString s = QString::number(std::round(mm * 100.0) / 100.0, 'f', 2);
  while (s.endsWith('0')) s.chop(1);
  if (s.endsWith('.')) s.chop(1);
  if (s == "-0") s = "0";
  return s.toStdString();
}

TAttributeEditor* MakeAttributeEditor(const TSchemaAttribute& a, const TDefinitionSchema& schema, QWidget* parent) {
  switch (a.Kind) {
    case TAttributeKind::Length: {
      auto* e = new TNumberEditor<QDoubleSpinBox, double>(-2000.01, 2000, MillimetreText, ParseDouble, parent);
      e->Spin()->setDecimals(2);
      e->Spin()->setSingleStep(1);
      e->Spin()->setSuffix(" mm");
      return e;
    }
    case TAttributeKind::Integer: {
      const int low = static_cast<int>(a.Minimum.value_or(-1000000));
      const int high = static_cast<int>(a.Maximum.value_or(1000000));
      return new TNumberEditor<QSpinBox, int>(
          low - 1, high, [](int v) { return std::to_string(v); }, ParseInt, parent);
    }
    case TAttributeKind::Boolean:
      return new TBoolEditor(parent);
    case TAttributeKind::Enumeration:
      return new TEnumEditor(a, parent);
    case TAttributeKind::Color:
      return new TColorEditor(schema, parent);
    case TAttributeKind::FontFamily:
      return new TFontFamilyEditor(parent);
    case TAttributeKind::FontStyle:
      return new TFontStyleEditor(parent);
    case TAttributeKind::Text:
    case TAttributeKind::FieldRef:
      break;
  }
  return new TTextEditor(a, parent);
}

}  // namespace oxqr
