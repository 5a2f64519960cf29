#include "Filters.h"

#include <cctype>
#include <utility>
#include <vector>

#include "OxQrConsts/OxQrConsts.h"
#include "platform/Errors.h"

namespace oxqr {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool StartsWithWord(std::string_view line, std::string_view word) {
  return line.substr(0, word.size()) == word && (line.size() == word.size() || line[word.size()] == ' ');
}

}  // namespace

std::string TOxQRFilters::About() const { return std::string(SAboutText); }

std::string TOxQRFilters::Version() const { return std::string(SVersion); }

void TOxQRFilters::SetVisibleFilters(TOxQRVisibleFilters value) const {
  if (value != QRExportSettings().VisibleFilters()) QRExportSettings().SetVisibleFilters(value);
}

std::string TOxQRFilters::WriteFormText(const std::string& componentName) const {
  const TOxQRExportSettings& settings = QRExportSettings();
  std::string out;
  if (!componentName.empty()) out += "object " + componentName + ": TOxQRFilters\n";
  for (const auto& p : SettingProperties()) {
    if (!p.IsStored(settings)) continue;
    out += "  " + p.Path + " = " + FormatFormValue(p, p.Get(settings)) + "\n";
  }
  if (!componentName.empty()) out += "end\n";
  return out;
}

void TOxQRFilters::ReadFormText(const std::string& text) const {
  std::vector<std::pair<const TSettingProperty*, TSettingValue>> values;
  std::string_view rest = text;
  while (!rest.empty()) {
    const auto eol = rest.find('\n');
    const std::string_view line = Trim(rest.substr(0, eol));
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (line.empty() || line == "end" || StartsWithWord(line, "object") || StartsWithWord(line, "inherited")) continue;

    const auto eq = line.find('=');
    if (eq == std::string_view::npos) throw EOxQRError("Form text line without '=': " + std::string(line));
    const std::string_view name = Trim(line.substr(0, eq));
    if (name == "About" || name == "Version") continue;  // read-only, never stored
    const TSettingProperty* p = FindSetting(name);
    if (!p) throw EOxQRError("Unknown property in form text: " + std::string(name));
    values.emplace_back(p, ParseFormValue(*p, line.substr(eq + 1)));
  }
  TOxQRExportSettings& settings = QRExportSettings();
  for (const auto& [p, v] : values) p->Set(settings, v);
}

}  // namespace oxqr
