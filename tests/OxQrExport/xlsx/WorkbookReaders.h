#pragma once
// A workbook as openpyxl reads it (cells with their types and number formats, frozen panes,
// sheet names, document properties), and a LibreOffice conversion to ODS with its number and
// text cells counted. LibreOffice's and gnumeric's CSV views come from excel/SheetReaders.h.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "excel/SheetReaders.h"
#include "support/ReaderSupport.h"

namespace oxqr::testing {

struct TWorkbookView {
  TReaderGrid Grid;                          // the first sheet; Types as xlrd: 1 text, 2 number, 3 date
  std::map<TCellPos, std::string> Formats;   // number format of each non-empty cell
  std::map<TCellPos, bool> Bold;
  std::map<TCellPos, std::string> Fill;      // "RRGGBB" of a solid fill
  std::string Freeze;                        // the first sheet's top-left unfrozen cell ("A3"), or ""
  std::vector<std::string> Sheets;
  std::map<std::string, std::string> Properties;  // title, subject, creator, keywords, created
  int Formulas = 0;                          // cells read as formulas
};

inline bool HaveOpenpyxl() { return RunShell("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null").Status == 0; }

inline TWorkbookView ReadWithOpenpyxl(const std::filesystem::path& xlsx) {
  static const char* script =
      "import sys, json, openpyxl\n"
      "from openpyxl.utils.datetime import to_excel\n"
      "import datetime\n"
      "wb = openpyxl.load_workbook(sys.argv[1])\n"
      "ws = wb.worksheets[0]\n"
      "cells = []\n"
      "formulas = 0\n"
      "for row in ws.iter_rows():\n"
      "  for c in row:\n"
      "    v = c.value\n"
      "    if v is None: continue\n"
      "    if c.data_type == 'f': formulas += 1\n"
      "    if isinstance(v, (datetime.datetime, datetime.date)): t, v = 3, '%.15g' % to_excel(v)\n"
      "    elif isinstance(v, (int, float)): t, v = 2, '%.15g' % v\n"
      "    else: t, v = 1, str(v)\n"
      "    fill = c.fill.fgColor.rgb if c.fill and c.fill.fill_type == 'solid' else ''\n"
      "    cells.append([c.row - 1, c.column - 1, t, v, c.number_format, bool(c.font.b), str(fill)[-6:]])\n"
      "p = wb.properties\n"
      "out = {'cells': cells, 'freeze': ws.freeze_panes or '', 'sheets': wb.sheetnames, 'formulas': formulas,\n"
      "       'properties': {'title': p.title or '', 'subject': p.subject or '', 'creator': p.creator or '',\n"
      "                      'keywords': p.keywords or '', 'created': str(p.created or '')}}\n"
      "sys.stdout.write(json.dumps(out))\n";
  TWorkbookView view;
  const auto run = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(xlsx.string()) + " 2>&1");
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(run.Output));
  if (run.Status != 0 || !doc.isObject()) {
    view.Grid.Error = run.Output;
    return view;
  }
  const QJsonObject o = doc.object();
  for (const auto& item : o["cells"].toArray()) {
    const QJsonArray c = item.toArray();
    const TCellPos pos{c[0].toInt(), c[1].toInt()};
    view.Grid.Cells[pos] = c[3].toString().toStdString();
    view.Grid.Types[pos] = c[2].toInt();
    view.Formats[pos] = c[4].toString().toStdString();
    view.Bold[pos] = c[5].toBool();
    if (!c[6].toString().isEmpty()) view.Fill[pos] = c[6].toString().toStdString();
  }
  view.Freeze = o["freeze"].toString().toStdString();
  for (const auto& s : o["sheets"].toArray()) view.Sheets.push_back(s.toString().toStdString());
  const QJsonObject p = o["properties"].toObject();
  for (auto it = p.begin(); it != p.end(); ++it) view.Properties[it.key().toStdString()] = it.value().toString().toStdString();
  view.Formulas = o["formulas"].toInt();
  view.Grid.Ok = true;
  return view;
}

// Cells of the ODS that LibreOffice converts the file to: numbers, dates and texts counted.
struct TOdsCounts {
  bool Ok = false;
  std::string Error;
  int Numbers = 0;  // office:value-type float, currency or percentage
  int Dates = 0;
  int Texts = 0;
};

inline TOdsCounts ConvertToOds(const std::filesystem::path& file, const std::filesystem::path& dir) {
  TOdsCounts counts;
  const auto ods = SofficeConvert(file, "ods", dir);
  if (!std::filesystem::exists(ods)) {
    counts.Error = "no ODS file from soffice";
    return counts;
  }
  static const char* script =
      "import sys, zipfile, re\n"
      "x = zipfile.ZipFile(sys.argv[1]).read('content.xml').decode('utf-8')\n"
      "t = re.findall(r'office:value-type=\"([a-z]+)\"', x)\n"
      "print(sum(v in ('float', 'currency', 'percentage') for v in t), t.count('date'), t.count('string'))\n";
  const auto run = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(ods.string()) + " 2>&1");
  if (run.Status != 0 || std::sscanf(run.Output.c_str(), "%d %d %d", &counts.Numbers, &counts.Dates, &counts.Texts) != 3) {
    counts.Error = run.Output;
    return counts;
  }
  counts.Ok = true;
  return counts;
}

}  // namespace oxqr::testing
