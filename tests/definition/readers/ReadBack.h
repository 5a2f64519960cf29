#pragma once
// What the definition reader tests read back: the text a reader finds in a file, and the
// files the command-line exporter writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "../DefinitionTestSupport.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr::test {

// The text a reader finds in `file`: pdftotext for PDF, openpyxl for workbooks (every
// cell's value), Python's HTML parser for HTML (the text between the tags, entities read),
// the bytes themselves for the formats that hold their text as it is.
inline std::string ReadBack(const std::filesystem::path& file) {
  const std::string ext = file.extension().string();
  if (ext == ".pdf") return testing::RunShell("pdftotext -layout " + testing::ShellQuote(file.string()) + " -").Output;
  if (ext == ".xlsx") {
    return testing::RunShell(
               "python3 -c 'import sys, openpyxl\n"
               "for ws in openpyxl.load_workbook(sys.argv[1]).worksheets:\n"
               "  for row in ws.iter_rows(values_only=True):\n"
               "    print(*[v for v in row if v is not None])' " +
               testing::ShellQuote(file.string()))
        .Output;
  }
  if (ext == ".htm") {
    return testing::RunShell(
               "python3 -c 'import sys, html.parser\n"
               "class Text(html.parser.HTMLParser):\n"
               "  def handle_data(self, data): print(data.replace(chr(160), chr(32)))\n"
               "Text().feed(open(sys.argv[1], encoding=\"latin-1\").read())' " +
               testing::ShellQuote(file.string()))
        .Output;
  }
  return ReadText(file);
}

// `args` run through the command-line exporter in `dir`; the files it names, read back.
inline std::string ExportAndReadBack(const std::filesystem::path& dir, const std::string& args) {
  const auto run = testing::RunShell("cd " + testing::ShellQuote(dir.string()) + " && " +
                                     testing::ShellQuote(OXQR_EXPORTER) + " --quiet " + args);
  EXPECT_EQ(run.Status, 0) << args;
  std::string text;
  std::istringstream files(run.Output);
  for (std::string file; std::getline(files, file);) text += ReadBack(dir / file) + "\n";  // relative: to dir
  return text;
}

}  // namespace oxqr::test
