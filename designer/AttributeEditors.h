#pragma once
// The typed editors of the inspector, one per kind of attribute: a line for text, a spin
// box in millimetres for lengths, a spin box for numbers, a check box for booleans, a list
// for enumerations, the colour names with a colour picker, the font families, and the font
// styles as four check boxes. Each shows the value the selection shares (blank when the
// selected elements differ) and hands a change back as an edit of the value, applied by
// the inspector to every selected element.
#include <QWidget>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "definition/OxrSchema.h"

namespace oxqr {

// A change of one attribute's value: the new value from the old one (nullopt: absent).
using TValueEdit = std::function<std::optional<std::string>(const std::optional<std::string>&)>;

class TAttributeEditor : public QWidget {
 public:
  explicit TAttributeEditor(QWidget* parent) : QWidget(parent) {}
  // Shows `value` (nullopt: absent) or, when `differing`, nothing.
  virtual void Show(const std::optional<std::string>& value, bool differing) = 0;
  // Shows the values of all selected elements; by default the one they share, or nothing.
  virtual void ShowAll(const std::vector<std::optional<std::string>>& values) {
    const bool differing =
        std::any_of(values.begin(), values.end(), [&](const auto& v) { return v != values.front(); });
    Show(values.empty() ? std::nullopt : values.front(), differing);
  }
  // Called with each change the user makes.
  void OnEdited(std::function<void(const TValueEdit&)> f) { edited_ = std::move(f); }
  // Called with the text as it is typed (text editors only).
  void OnTyped(std::function<void(const QString&)> f) { typed_ = std::move(f); }

 protected:
  void Edited(std::optional<std::string> value) {
    if (edited_) edited_([value](const std::optional<std::string>&) { return value; });
  }
  void EditedBy(const TValueEdit& edit) {
    if (edited_) edited_(edit);
  }
  void Typed(const QString& text) {
    if (typed_) typed_(text);
  }

 private:
  std::function<void(const TValueEdit&)> edited_;
  std::function<void(const QString&)> typed_;
};

// The editor of `attribute`, as a child of `parent`.
TAttributeEditor* MakeAttributeEditor(const TSchemaAttribute& attribute, const TDefinitionSchema& schema,
                                      QWidget* parent);

// A length in millimetres as a definition writes it: at most two decimals, no trailing
// zeros ("12.7", "0", "-3.25").
std::string MillimetreText(double mm);

}  // namespace oxqr
