#pragma once
// The worksheet as three real readers see it (LibreOffice, gnumeric, xlrd), as a grid of
// non-empty cells with their shown text, and the comparison with the cells of the file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "excel/SheetRecords.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "support/ReaderSupport.h"

namespace oxqr::testing {

using TCellPos = std::pair<int, int>;  // row, column from 0

struct TReaderGrid {
  bool Ok = false;
  std::string Error;                         // what the reader said when it failed
  std::map<TCellPos, std::string> Cells;     // shown text (numbers as the reader shows them)
  std::map<TCellPos, int> Types;             // xlrd's cell type, where known
  bool FromUsedRange = false;  // the grid starts at the first used row and column, not at A1
};

// Fields of a CSV text (comma, double quotes, LF or CR LF); empty fields are left out.
inline std::map<TCellPos, std::string> ParseCsv(const std::string& csv) {
  std::map<TCellPos, std::string> cells;
  int row = 0, col = 0;
  std::string field;
  bool quoted = false, wasQuoted = false;
  auto endField = [&] {
    if (!field.empty()) cells[{row, col}] = field;
    field.clear();
    wasQuoted = false;
    ++col;
  };
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && field.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (c == ',') {
      endField();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') ++i;
      endField();
      ++row;
      col = 0;
    } else {
      field += c;
    }
  }
  if (!field.empty()) endField();
  return cells;
}

inline TReaderGrid ReadWithXlrd(const std::filesystem::path& xls) {
  static const char* script =
      "import sys, xlrd\n"
      "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
      "out = []\n"
      "for r in range(s.nrows):\n"
      "  for c in range(s.ncols):\n"
      "    cell = s.cell(r, c)\n"
      "    if cell.ctype == 0: continue\n"
      "    v = cell.value\n"
      "    if cell.ctype in (2, 3): v = '%.15g' % v\n"
      "    out.append('%d\\t%d\\t%d\\t%s' % (r, c, cell.ctype, v))\n"
      "sys.stdout.buffer.write('\\n'.join(out).encode('utf-8'))\n";
  TReaderGrid g;
  const auto run = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(xls.string()) + " 2>&1");
  if (run.Status != 0) {
    g.Error = run.Output;
    return g;
  }
  std::istringstream lines(run.Output);
  std::string line;
  while (std::getline(lines, line)) {
    // row, column, type and the value, separated by tabs; the value keeps its blanks.
    std::size_t at = 0;
    int field[3] = {0, 0, 0};
    bool ok = true;
    for (int& f : field) {
      const std::size_t tab = line.find('\t', at);
      ok = ok && tab != std::string::npos;
      if (!ok) break;
      f = std::atoi(line.substr(at, tab - at).c_str());
      at = tab + 1;
    }
    if (!ok) continue;
    g.Cells[{field[0], field[1]}] = line.substr(at);
    g.Types[{field[0], field[1]}] = field[2];
  }
  g.Ok = true;
  return g;
}

inline TReaderGrid ReadWithSsconvert(const std::filesystem::path& xls, const std::filesystem::path& dir) {
  TReaderGrid g;
  std::filesystem::create_directories(dir);
  const auto csv = dir / (xls.stem().string() + "-gnumeric.csv");
  const auto run = RunShell("ssconvert " + ShellQuote(xls.string()) + " " + ShellQuote(csv.string()) + " 2>&1");
  if (run.Status != 0 || !std::filesystem::exists(csv)) {
    g.Error = run.Output;
    return g;
  }
  g.Cells = ParseCsv(ReadFileBytes(csv.string()));
  g.FromUsedRange = true;  // gnumeric writes the used range only
  g.Ok = true;
  return g;
}

// LibreOffice's CSV with cell contents as stored, not as shown (the last option): numbers in
// a number format come back as their values, dates as MM/DD/YYYY. With `shown`, as shown
// ("$1,234.50", "12/9/2025").
inline TReaderGrid ReadWithSoffice(const std::filesystem::path& xls, const std::filesystem::path& dir,
                                   bool shown = false) {
  TReaderGrid g;
  const auto csv = SofficeConvert(
      xls, std::string("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,") + (shown ? "true" : "false"), dir);
  if (!std::filesystem::exists(csv)) {
    g.Error = "no CSV file from soffice";
    return g;
  }
  g.Cells = ParseCsv(ReadFileBytes(csv.string()));
  g.Ok = true;
  return g;
}

// The serial day number (days since 1899-12-30) of a date shown as M/D/YYYY; false for any
// other text.
inline bool SerialOfShownDate(const std::string& text, double& serial) {
  int m = 0, d = 0, y = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d/%d/%d%c", &m, &d, &y, &tail) != 3 || m < 1 || m > 12 || d < 1 || d > 31)
    return false;
  // Days from 1970-01-01 of the civil date, then moved to the 1899-12-30 epoch.
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  serial = era * 146097.0 + doe - 719468 + 25569;
  return true;
}

// Differences between the file's cells and a reader's grid: a cell missing, shown with
// another text or value, or a cell the file does not have. Empty when they agree.
inline std::vector<std::string> CompareWithFile(const std::string& xlsBytes, const TReaderGrid& grid) {
  std::vector<std::string> diffs;
  const auto cells = SheetCells(xlsBytes);
  std::map<TCellPos, std::string> rest;
  if (grid.FromUsedRange && !cells.empty()) {
    int row = cells.front().Row, col = cells.front().Column;
    for (const auto& c : cells) {
      row = std::min(row, c.Row);
      col = std::min(col, c.Column);
    }
    for (const auto& [pos, text] : grid.Cells) rest[{pos.first + row, pos.second + col}] = text;
  } else {
    rest = grid.Cells;
  }
  for (const auto& c : cells) {
    const TCellPos pos{c.Row, c.Column};
    const std::string where = "(" + std::to_string(c.Row) + "," + std::to_string(c.Column) + ") ";
    const auto it = rest.find(pos);
    if (it == rest.end()) {
      diffs.push_back(where + "missing");
      continue;
    }
    if (c.IsNumber()) {
      char* end = nullptr;
      double v = std::strtod(it->second.c_str(), &end);
      const bool parsed = (end != it->second.c_str() && *end == '\0') || SerialOfShownDate(it->second, v);
      if (!parsed || std::fabs(v - c.Value) > 1e-9 * std::max(1.0, std::fabs(v)))
        diffs.push_back(where + "number " + std::to_string(c.Value) + " shown as \"" + it->second + "\"");
      const auto t = grid.Types.find(pos);
      if (t != grid.Types.end() && t->second != 2 && t->second != 3)
        diffs.push_back(where + "number read as cell type " + std::to_string(t->second));
    } else {
      const std::string text = AnsiToUtf8(c.Text);
      if (it->second != text) diffs.push_back(where + "\"" + text + "\" shown as \"" + it->second + "\"");
    }
    rest.erase(it);
  }
  for (const auto& [pos, text] : rest)
    diffs.push_back("(" + std::to_string(pos.first) + "," + std::to_string(pos.second) + ") extra \"" + text + "\"");
  return diffs;
}

}  // namespace oxqr::testing
