// RTF from and for a reader no one here wrote: LibreOffice saves a formatted HTML page
// as RTF, our reader must see its text and formats; LibreOffice must read our RTF back
// to the same text. Skipped when soffice is not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

bool HaveSoffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class LibreOfficeRtf : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSoffice()) GTEST_SKIP() << "soffice not installed";
    dir_ = fs::temp_directory_path() / ("oxqr_richtext_lo_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  // Converts `input` with soffice; a private profile keeps parallel runs apart.
  fs::path Convert(const fs::path& input, const std::string& to, const std::string& inFilter = "") {
    const std::string cmd = "soffice -env:UserInstallation=file://" + (dir_ / "profile").string() +
                            " --headless " + (inFilter.empty() ? "" : "--infilter=\"" + inFilter + "\" ") +
                            "--convert-to \"" + to + "\" --outdir " + dir_.string() + " " + input.string() +
                            " >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return dir_ / (input.stem().string() + "." + to.substr(0, to.find(':')));
  }
  fs::path dir_;
};

const TRichRun* FindRun(const TRichDocument& doc, const std::string& text) {
  for (const auto& p : doc.Paragraphs)
    for (const auto& r : p.Runs)
      if (r.Text.find(text) != std::string::npos) return &r;
  return nullptr;
}

TEST_F(LibreOfficeRtf, ReadsWhatLibreOfficeWrites) {
  const fs::path html = dir_ / "sample.html";
  std::ofstream(html) << "<html><body>"
                         "<p style=\"text-align:center\"><b>Bold</b> <i>Italic</i> <u>Under</u> <s>Strike</s> "
                         "<span style=\"color:#ff0000\">Red</span></p>"
                         "<p><span style=\"font-family:'Times New Roman'; font-size:16pt\">Times caf&eacute;</span></p>"
                         "<p style=\"text-align:right\">Right</p></body></html>";
  const fs::path rtf = Convert(html, "rtf", "HTML (StarWriter)");
  const std::string data = ReadFile(rtf);
  ASSERT_FALSE(data.empty());
  const TRtfReadResult r = ReadRtf(data);
  EXPECT_TRUE(r.Ok()) << r.Error;
  const TRichDocument& doc = r.Document;
  const std::string plain = doc.PlainText();
  EXPECT_NE(plain.find("Bold Italic Under Strike Red"), std::string::npos) << plain;
  EXPECT_NE(plain.find("Times caf\xe9"), std::string::npos) << plain;
  ASSERT_TRUE(FindRun(doc, "Bold") && FindRun(doc, "Italic") && FindRun(doc, "Under") && FindRun(doc, "Strike"));
  EXPECT_TRUE(FindRun(doc, "Bold")->Format.Bold);
  EXPECT_TRUE(FindRun(doc, "Italic")->Format.Italic);
  EXPECT_TRUE(FindRun(doc, "Under")->Format.Underline);
  EXPECT_TRUE(FindRun(doc, "Strike")->Format.StrikeOut);
  ASSERT_TRUE(FindRun(doc, "Red"));
  EXPECT_EQ(FindRun(doc, "Red")->Format.Color, RGBColor(255, 0, 0));
  ASSERT_TRUE(FindRun(doc, "Times"));
  EXPECT_EQ(FindRun(doc, "Times")->Format.FontName, "Times New Roman");
  EXPECT_EQ(FindRun(doc, "Times")->Format.SizeHalfPoints, 32);
  bool centred = false, right = false;
  for (const auto& p : doc.Paragraphs) {
    if (p.Text().find("Bold") != std::string::npos) centred = p.Format.Align == TRichAlign::raCenter;
    if (p.Text().find("Right") != std::string::npos) right = p.Format.Align == TRichAlign::raRight;
  }
  EXPECT_TRUE(centred);
  EXPECT_TRUE(right);
  EXPECT_EQ(LoadRtf(WriteRtf(doc)), doc);
}

TEST_F(LibreOfficeRtf, LibreOfficeReadsWhatWeWrite) {
  const TRichDocument doc = LoadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl ;\\red0\\green128\\blue0;}"
      "\\pard\\qc\\b Title\\b0\\par\\pard\\cf1 green caf\\'e9 \\{braces\\}\\tab tab\\par last}");
  const fs::path rtf = dir_ / "ours.rtf";
  std::ofstream(rtf, std::ios::binary) << RangeAsRtf(doc, 0, doc.TextLength());
  const std::string text = ReadFile(Convert(rtf, "txt:Text (encoded):UTF8"));
  EXPECT_NE(text.find("Title"), std::string::npos) << text;
  EXPECT_NE(text.find("green caf\xc3\xa9 {braces}\ttab"), std::string::npos) << text;
  EXPECT_NE(text.find("last"), std::string::npos) << text;
}

}  // namespace
}  // namespace oxqr
