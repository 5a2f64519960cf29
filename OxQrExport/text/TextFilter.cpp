#include "TextFilter.h"

#include <algorithm>
#include <cmath>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/core/Settings.h"
#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/SafeFile.h"
#include "platform/TextMetrics.h"
#include "platform/Utf8.h"

namespace oxqr {

namespace {

const TOxQRTextSettings& TextSettings() { return QRExportSettings().Text; }

int Rounded(double v) { return static_cast<int>(RoundHalfEven(v)); }

// The Unicode mode's grid row as cells: each holds one character with the marks that
// combine with it; a double-width character is followed by an empty cell.
std::vector<std::string> SplitCells(std::string_view utf8) {
  std::vector<std::string> cells;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    std::size_t len = DecodeUtf8At(utf8, i, &c);
    if (len == 0) len = 1;
    const std::string_view bytes = utf8.substr(i, len);
    const int width = len == 1 ? 1 : CharacterCells(c);
    if (width == 0 && !cells.empty()) {
      for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        if (!it->empty()) {
          it->append(bytes);
          break;
        }
    } else {
      cells.emplace_back(bytes);
      if (width == 2) cells.emplace_back();
    }
    i += len;
  }
  return cells;
}

// Writes `text` over the cells of `line` from cell `pos` on, as PutText does with bytes; a
// double-width character that loses one of its halves becomes a blank.
void PutCells(std::string& line, int column, std::string_view text) {
  std::vector<std::string> cells = SplitCells(line);
  const std::vector<std::string> put = SplitCells(text);
  const int length = static_cast<int>(cells.size());
  if (column < 1) {
    cells.insert(cells.begin(), put.begin(), put.end());
  } else if (column > length) {
    cells.insert(cells.end(), put.begin(), put.end());
  } else {
    const auto pos = static_cast<std::size_t>(column - 1);
    const std::size_t end = std::min(cells.size(), pos + put.size());
    if (cells[pos].empty() && pos > 0) cells[pos - 1] = " ";
    if (end < cells.size() && cells[end].empty()) cells[end] = " ";
    cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(pos), cells.begin() + static_cast<std::ptrdiff_t>(end));
    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(pos), put.begin(), put.end());
  }
  line.clear();
  for (const auto& cell : cells) line += cell;
}

// The settings' setter takes any number; a factor that is not a positive finite number
// would make the cells zero, negative or endless, so such a factor counts as 1.
double UsableScaleFactor(double factor) { return std::isfinite(factor) && factor > 0 ? factor : 1.0; }

}  // namespace

std::string TOxQRTextFilter::DisplayName() const { return std::string(STextDocument); }

std::string TOxQRTextFilter::Extension() const { return "txt"; }

void TOxQRTextFilter::StartJob(int APageWidth, int APageHeight, const TFont& Font) {
  // The cell sizes come first: the document filter's StartJob already maps the page.
  const TSize w = TextExtent(Font, "W");
  const double scale = UsableScaleFactor(TextSettings().XScaleFactor);
  CharWidth = w.cx > 0 ? w.cx / scale : 1.0;
  LineHeight = w.cy > 0 ? w.cy : 1.0;
  TOxQRDocumentFilter::StartJob(APageWidth, APageHeight, Font);
}

double TOxQRTextFilter::MapX(double X) { return X * SourcePrinter->HorizontalFactor() / CharWidth; }

double TOxQRTextFilter::MapY(double Y) { return Y * SourcePrinter->VerticalFactor() / LineHeight; }

void TOxQRTextFilter::MapSize(TSize Size, double& Width, double& Height) {
  Width = MapX(Size.cx);
  Height = MapY(Size.cy);
}

void TOxQRTextFilter::BeginDocument() {
  auto& settings = QRExportSettings();
  settings.CreatedReportFiles.Clear();
  if (TextSettings().SingleFile) {
    // The file is written beside its final name and replaces a previous one only when the
    // job is complete (EndDocument); a failed run leaves the previous file as it was.
    try {
      Output = std::make_unique<TSafeFileStream>(FileName);
    } catch (const EFileError& e) {
      AbortFileNotCreated(e);
      return;
    }
    settings.CreatedReportFiles.Add(ExtractFileName(FileName));
  }
  PageTexts.clear();
  PageLines.clear();
  // The base of the page file names: the file name without ".txt" (cut by length).
  const std::size_t cut = Extension().size() + 1;
  SetBaseName(FileName.size() > cut ? FileName.substr(0, FileName.size() - cut) : std::string());
}

void TOxQRTextFilter::BeginPage() {
  TOxQRDocumentFilter::BeginPage();
  PageLines.clear();
  if (TextSettings().SingleFile) return;
  std::string name = PageFileName(PageNumber());
  auto& settings = QRExportSettings();
  if (settings.OnMakeRepFileName) settings.OnMakeRepFileName(this, name, PageNumber());
  settings.CreatedReportFiles.Add(name);
}

void TOxQRTextFilter::AddText(const TOxQrTextRec& Rec) {
  // Every line goes to the page grid, inside a text block or not. The anchor becomes the
  // first column of the text.
  auto copy = std::make_unique<TOxQrTextRec>(Rec);
  const double n = static_cast<double>(UnicodeMode() ? TextCells(Rec.Text) : Rec.Text.size());
  switch (Rec.Alignment) {
    case TAlignment::taLeftJustify:
      break;
    case TAlignment::taRightJustify:
      copy->X = Rec.X - n + 1;
      break;
    case TAlignment::taCenter:
      copy->X = Rec.X - n / 2 + 1;
      break;
  }
  InsertTextSorted(std::move(copy), PageTexts);
}

std::string TOxQRTextFilter::BlankRow() const { return std::string(std::max(0, Rounded(PageWidth)), ' '); }

int TOxQRTextFilter::BlankRowsBetween() const {
  switch (TextSettings().LineSpacing) {
    case TTextLineSpacing::lsActual:
    case TTextLineSpacing::lsNoBlank:
      return 0;
    case TTextLineSpacing::lsOneBlank:
      return 1;
    case TTextLineSpacing::lsTwoBlank:
      return 2;
    case TTextLineSpacing::lsThreeBlank:
      return 3;
    case TTextLineSpacing::lsFourBlank:
      return 4;
    case TTextLineSpacing::lsFiveBlank:
      return 5;
  }
  return 0;
}

void TOxQRTextFilter::PutText(int Row, int Column, const std::string& RawText) {
  if (Row < 1) Row = 1;
  while (static_cast<int>(PageLines.size()) < Row) PageLines.push_back(BlankRow());
  std::string& line = PageLines[static_cast<std::size_t>(Row - 1)];
  // A form feed is the page separator and a tab or escape sequence moves what follows, so
  // control bytes of the report's text become spaces and the columns stay where they are.
  const std::string Text = ControlBytesAsBlanks(RawText);
  if (UnicodeMode()) {
    PutCells(line, Column, Text);
    return;
  }
  const int length = static_cast<int>(line.size());
  if (Column < 1) {
    line.insert(0, Text);  // pushes the row to the right
  } else if (Column > length) {
    line += Text;
  } else {
    const auto pos = static_cast<std::size_t>(Column - 1);
    line.replace(pos, std::min(Text.size(), line.size() - pos), Text);
  }
}

std::string TOxQRTextFilter::PageBytes() const {
  std::string bytes;
  for (const auto& row : PageLines) bytes += row + "\r\n";
  return bytes;
}

void TOxQRTextFilter::SavePageFile(const std::string& bytes) {
  auto& files = QRExportSettings().CreatedReportFiles;
  const int index = PageNumber() - 1;
  const bool listed = index < files.Count();
  const std::string name = listed ? files[index] : PageFileName(PageNumber());
  const std::string path = ExtractFilePath(BaseName()) + name;
  // A page file is created inside the same guard as the single file: a failure aborts
  // the job with the file-not-created message instead of ending the report run.
  try {
    WriteFileSafely(path, bytes);
  } catch (const EFileError& e) {
    // The list names only files that exist.
    if (listed) files.Items.erase(files.Items.begin() + index);
    AbortFileNotCreated(e);
  }
}

void TOxQRTextFilter::ClosePage() {
  // The engine also closes "page 0" before the first page and pages after a failure;
  // only an open page has a grid to write.
  if (PageOpen()) WritePage();
  TOxQRDocumentFilter::ClosePage();
}

void TOxQRTextFilter::WritePage() {
  const bool actual = TextSettings().LineSpacing == TTextLineSpacing::lsActual;
  const int blanks = BlankRowsBetween();

  int row = 0;
  bool anyRow = false;
  int lastY = 0;
  for (const auto& rec : PageTexts) {
    const int y = Rounded(rec->Y);
    if (actual) {
      // A line within half a row of the paper's top has row 0 or less; it goes on row 1.
      row = std::max(1, y);
    } else if (!anyRow || y != lastY) {
      row += blanks + 1;
      lastY = y;
      anyRow = true;
    }
    PutText(row, Rounded(rec->X), rec->Text);
  }
  PageTexts.clear();

  if (actual) {
    while (static_cast<int>(PageLines.size()) < Rounded(PageHeight)) PageLines.push_back(BlankRow());
  } else {
    for (int i = 0; i < blanks; ++i) PageLines.push_back(BlankRow());
  }
  if (TextSettings().PageEndLines) PageLines.push_back(std::string(std::max(0, Rounded(PageWidth)), '-'));
  if (TextSettings().PageBreaks) PageLines.emplace_back("\f");

  const std::string bytes = PageBytes();
  if (TextSettings().SingleFile) {
    if (Output) Output->Write(bytes);
  } else {
    SavePageFile(bytes);
  }
}

void TOxQRTextFilter::EndBand(const TQRCustomBand&, const TOxQrRect&) { BandOpen = false; }

void TOxQRTextFilter::EndDocument() {
  PageTexts.clear();
  PageLines.clear();
  // Only a complete job replaces the previous file; a write error travels on and leaves it.
  if (auto* file = dynamic_cast<TSafeFileStream*>(Output.get())) file->Commit();
  Output.reset();
}

void TOxQRTextFilter::EndTextBlock(const TQRPrintable& Control, int, int, bool Continuing) {
  if (!PageOpen()) return;
  TextControl = nullptr;
  InTextBlock = false;
  CloseBandIfLast(Control, Continuing);
}

void TOxQRTextFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X,
                                    double Y, bool Continuing) {
  if (TextSettings().ExportRichText) TOxQRDocumentFilter::WriteRichText(Control, Graphic, Stream, X, Y, Continuing);
}

}  // namespace oxqr
