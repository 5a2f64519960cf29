#include "server/SettingsAllowList.h"

#include <QString>
#include <array>
#include <string_view>

namespace oxqr::serve {

namespace {

constexpr std::array<std::string_view, 25> kAllowed{
    "PDF.Compressed",        "PDF.CompressionMethod",  "PDF.FontEncoding",    "PDF.EmbedFonts",
    "PDF.ReuseIdenticalImages", "Excel.ExportRichText", "Excel.LineSpacing",  "Excel.SetCellAttributes",
    "Excel.NativeNumbers",   "Text.ExportRichText",    "Text.LineSpacing",    "Text.PageBreaks",
    "Text.PageEndLines",     "XLSX.ExportRichText",    "XLSX.LineSpacing",    "XLSX.FreezeHeaderRows",
    "XLSX.SheetPerPage",     "XLSX.Author",            "XLSX.Subject",        "XLSX.Title",
    "CSV.ExportRichText",    "CSV.Separator",          "CSV.ByteOrderMark",   "CSV.PlainNumbers",
    "CSV.FormulaGuard"};

}  // namespace

bool IsAllowedSetting(const std::string& path) {
  const QString p = QString::fromStdString(path);
  for (const auto a : kAllowed)
    if (p.compare(QLatin1String(a.data(), static_cast<qsizetype>(a.size())), Qt::CaseInsensitive) == 0) return true;
  return false;
}

std::string AllowedSettingsText() {
  std::string s;
  for (const auto a : kAllowed) s += (s.empty() ? "" : ", ") + std::string(a);
  return s;
}

}  // namespace oxqr::serve
