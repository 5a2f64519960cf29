// The page image filters driven through the engine's export: file naming, events, page
// file contents and the failure paths. Pictures are checked with the platform decoders
// here; the reader tests check them with programs of their own.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/images/ImageFilters.h"
#include "images/PageReportFixture.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

using test::TPageReport;
using test::TScratchDir;
using test::TSettingsGuard;

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Names(const TStringObjectList& list) {
  std::vector<std::string> out;
  for (const auto& e : list.Items) out.push_back(e.Text);
  return out;
}

std::uint32_t U32At(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
         static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

class ImageFiltersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    report_ = std::make_unique<TPageReport>(3);
    report_->Report.Prepare();
  }
  static void TearDownTestSuite() { report_.reset(); }
  TQRReport& Report() { return report_->Report; }

  TSettingsGuard settings_;
  TScratchDir dir_;
  static inline std::unique_ptr<TPageReport> report_;
};

TEST_F(ImageFiltersTest, PreparedReportHasThreePages) { ASSERT_EQ(Report().QRPrinter().PageCount(), 3); }

// Every bitmap format: one file per page named after the chosen file, the right kind of
// data in it, and a picture of the A4 page at 96 pixels per inch.
TEST_F(ImageFiltersTest, BitmapFormatsWriteOnePictureFilePerPage) {
  struct Case {
    const TQRExportFilterClass* Class;
    std::string Ext;
    std::string Magic;
  };
  const Case cases[] = {
      {ClassOf<TOxQRJPEGFilter>(), "jpg", "\xFF\xD8\xFF"},
      {ClassOf<TOxQRGIFFilter>(), "gif", "GIF89a"},
      {ClassOf<TOxQRBMPFilter>(), "bmp", "BM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Ext);
    int begins = 0, ends = 0;
    QRExportSettings().OnBeginPage = [&](TOxQRExportFilter* f) { EXPECT_EQ(f->PageNumber(), ++begins); };
    QRExportSettings().OnEndPage = [&](TOxQRExportFilter* f) { EXPECT_EQ(f->PageNumber(), ++ends); };
    ExportReport(Report(), *c.Class, dir_.File("sales." + c.Ext));
    EXPECT_EQ(begins, 3);
    EXPECT_EQ(ends, 3);
    const std::vector<std::string> expected{"sales0001." + c.Ext, "sales0002." + c.Ext, "sales0003." + c.Ext};
    EXPECT_EQ(Names(QRExportSettings().CreatedReportFiles), expected);
    for (const auto& name : expected) {
      const std::string bytes = Bytes(dir_.File(name));
      ASSERT_EQ(bytes.substr(0, c.Magic.size()), c.Magic) << name;
      QImage img;
      ASSERT_TRUE(img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size())));
      EXPECT_EQ(img.size(), QSize(794, 1123));
    }
  }
}

TEST_F(ImageFiltersTest, JPEGSettingsReachTheEncoder) {
  QRExportSettings().JPEG.Quality = 10;
  QRExportSettings().JPEG.ProgressiveEncoding = false;
  ExportReport(Report(), *ClassOf<TOxQRJPEGFilter>(), dir_.File("low.jpg"));
  const std::string low = Bytes(dir_.File("low0001.jpg"));
  QRExportSettings().JPEG.Quality = 100;
  QRExportSettings().JPEG.ProgressiveEncoding = true;
  ExportReport(Report(), *ClassOf<TOxQRJPEGFilter>(), dir_.File("high.jpg"));
  const std::string high = Bytes(dir_.File("high0001.jpg"));
  EXPECT_LT(low.size() * 3, high.size() * 2);
  EXPECT_NE(low.find("\xFF\xC0"), std::string::npos);   // baseline frame
  EXPECT_NE(high.find("\xFF\xC2"), std::string::npos);  // progressive frame
}

// The BMP header's bit count follows PixelFormat, and Monochrome makes a 1-bit file.
TEST_F(ImageFiltersTest, BMPBitDepthFollowsSettings) {
  struct Case {
    TPixelFormat Format;
    bool Monochrome;
    int Bits;
  };
  const Case cases[] = {
      {TPixelFormat::pf1bit, false, 1},  {TPixelFormat::pf4bit, false, 4},  {TPixelFormat::pf8bit, false, 8},
      {TPixelFormat::pf24bit, false, 24}, {TPixelFormat::pf32bit, false, 32}, {TPixelFormat::pf24bit, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Bits << (c.Monochrome ? " monochrome" : ""));
    QRExportSettings().BMP.PixelFormat = c.Format;
    QRExportSettings().BMP.Monochrome = c.Monochrome;
    ExportReport(Report(), *ClassOf<TOxQRBMPFilter>(), dir_.File("depth.bmp"));
    const std::string bmp = Bytes(dir_.File("depth0002.bmp"));
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), c.Bits);
    EXPECT_EQ(U32At(bmp, 2), bmp.size());  // bfSize
  }
}

// Names: cut by the extension's length, and renamed by OnMakeRepFileName.
TEST_F(ImageFiltersTest, PageFileNames) {
  ExportReport(Report(), *ClassOf<TOxQRJPEGFilter>(), dir_.File("sales"));  // no extension: "sales" loses 4
  EXPECT_EQ(Names(QRExportSettings().CreatedReportFiles),
            (std::vector<std::string>{"s0001.jpg", "s0002.jpg", "s0003.jpg"}));
  EXPECT_TRUE(FileExists(dir_.File("s0003.jpg")));

  QRExportSettings().OnMakeRepFileName = [](TOxQRExportFilter*, std::string& name, int page) {
    if (page == 1) name = "cover.wmf";
  };
  ExportReport(Report(), *ClassOf<TOxQRWMFFilter>(), dir_.File("sales.wmf"));
  EXPECT_EQ(Names(QRExportSettings().CreatedReportFiles),
            (std::vector<std::string>{"cover.wmf", "sales0002.wmf", "sales0003.wmf"}));
  EXPECT_TRUE(FileExists(dir_.File("cover.wmf")));
  EXPECT_FALSE(FileExists(dir_.File("sales0001.wmf")));
}

// Continue = false: the file holds exactly what the handler wrote (nothing at all, or
// its own encoding), for each bitmap format.
TEST_F(ImageFiltersTest, CreateBitmapHandlerCanTakeOverTheFile) {
  const TQRExportFilterClass* classes[] = {ClassOf<TOxQRJPEGFilter>(), ClassOf<TOxQRGIFFilter>(),
                                           ClassOf<TOxQRBMPFilter>()};
  const std::string exts[] = {"jpg", "gif", "bmp"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(exts[i]);
    std::vector<int> sizes;
    QRExportSettings().OnCreateBitmap = [&](TOxQRExportFilter*, TBitmap& bmp, TStream& out, int page, bool& go) {
      sizes.push_back(bmp.Width());
      if (page == 2) out.Write("own bytes");
      go = false;
    };
    ExportReport(Report(), *classes[i], dir_.File("own." + exts[i]));
    EXPECT_EQ(sizes, (std::vector<int>{794, 794, 794}));
    EXPECT_EQ(Bytes(dir_.File("own0001." + exts[i])), "");
    EXPECT_EQ(Bytes(dir_.File("own0002." + exts[i])), "own bytes");
  }
}

// An existing page file that cannot be deleted aborts the job with the message; nothing
// more is named, written or deleted.
TEST_F(ImageFiltersTest, UndeletablePageFileAbortsTheJob) {
  const std::string locked = (dir_.Path() / "locked").string();
  ForceFolder(locked);
  WriteFileBytes(locked + "/sales0001.jpg", "old");
  // Root may delete in a read-only folder; an immutable folder stops it too.
  ::chmod(locked.c_str(), 0555);
  const bool immutable = ::geteuid() == 0 && std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) == 0;
  struct Unlock {
    std::string Dir;
    bool Immutable;
    ~Unlock() {
      if (Immutable) {
        const int rc = std::system(("chattr -i '" + Dir + "'").c_str());
        (void)rc;
      }
      ::chmod(Dir.c_str(), 0755);
    }
  } unlock{locked, immutable};
  if (::geteuid() == 0 && !immutable) GTEST_SKIP() << "cannot make a file undeletable here";

  std::vector<std::string> messages;
  int ends = 0;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter* sender, const std::string& msg) {
    EXPECT_NE(sender, nullptr);
    messages.push_back(msg);
  };
  QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++ends; };
  ExportReport(Report(), *ClassOf<TOxQRJPEGFilter>(), locked + "/sales.jpg");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("File could not be created!\r\n\r\nPossible cause:", 0), 0u);
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(QRExportSettings().CreatedReportFiles.Count(), 0);
  EXPECT_EQ(Bytes(locked + "/sales0001.jpg"), "old");
}

// A folder or a FIFO (standing for a device) under a page file's name is never deleted or
// replaced: the job aborts with the message, whose second line names the file and why.
TEST_F(ImageFiltersTest, NonRegularPageFileAbortsTheJobAndStays) {
  struct Case {
    const char* Name;
    std::function<void(const std::string&)> Make;
    const char* Reason;
  };
  const Case cases[] = {
      {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "is a FIFO, not a regular file"},
      {"folder", [](const std::string& p) { ForceFolder(p); }, "is a folder, not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string page2 = dir_.File(std::string(c.Name) + "0002.emf");
    c.Make(page2);
    const auto type = std::filesystem::symlink_status(page2).type();
    std::vector<std::string> messages;
    QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& msg) { messages.push_back(msg); };
    ExportReport(Report(), *ClassOf<TOxQREMFFilter>(), dir_.File(std::string(c.Name) + ".emf"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::string(SFileNotCreated) + "\r\n" + page2 + ": " + c.Reason);
    EXPECT_EQ(std::filesystem::symlink_status(page2).type(), type);
    EXPECT_EQ(Names(QRExportSettings().CreatedReportFiles), std::vector<std::string>{std::string(c.Name) + "0001.emf"});
    EXPECT_FALSE(FileExists(dir_.File(std::string(c.Name) + "0003.emf")));
  }
}

// A page file name that is a symbolic link: the file it points to gets the page, the link stays.
TEST_F(ImageFiltersTest, SymbolicLinkPageFileReplacesItsTarget) {
  ForceFolder(dir_.File("kept"));
  WriteFileBytes(dir_.File("kept/first.jpg"), "old");
  std::filesystem::create_symlink(dir_.File("kept/first.jpg"), dir_.File("linked0001.jpg"));
  ExportReport(Report(), *ClassOf<TOxQRJPEGFilter>(), dir_.File("linked.jpg"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.File("linked0001.jpg")));
  EXPECT_EQ(Bytes(dir_.File("kept/first.jpg")).substr(0, 2), "\xFF\xD8");
}

// A page whose writing fails halfway leaves nothing under its name and no temporary file.
TEST_F(ImageFiltersTest, FailedPageLeavesNoPartialFile) {
  const TQRExportFilterClass* classes[] = {ClassOf<TOxQRJPEGFilter>(), ClassOf<TOxQRGIFFilter>(),
                                           ClassOf<TOxQRBMPFilter>()};
  for (const auto* cls : classes) {
    TScratchDir dir;
    QRExportSettings().OnCreateBitmap = [&](TOxQRExportFilter*, TBitmap&, TStream& out, int page, bool&) {
      out.Write("half a page");
      if (page == 2) throw EOxQRError("cancelled");
    };
    auto filter = cls->Create(dir.File("part.x"));
    const std::string ext = filter->Extension();
    EXPECT_THROW(ExportReport(Report(), *cls, dir.File("part." + ext)), EOxQRError);
    std::vector<std::string> entries;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries.push_back(e.path().filename().string());
    EXPECT_EQ(entries, std::vector<std::string>{"part0001." + ext}) << ext;
  }
}

// A page file that cannot be created: the error travels out, and the report's units and
// zoom are back as they were, for a bitmap and a metafile format.
TEST_F(ImageFiltersTest, WriteFailureRestoresUnitsAndZoom) {
  const TQRExportFilterClass* classes[] = {ClassOf<TOxQRJPEGFilter>(), ClassOf<TOxQRBMPFilter>(),
                                           ClassOf<TOxQREMFFilter>()};
  for (const auto* cls : classes) {
    auto filter = cls->Create(dir_.File("missing/folder/page.xyz"));
    filter->Report = &Report();
    filter->SourcePrinter = &Report().QRPrinter();
    Report().SetUnits(TQRUnit::Inches);
    Report().SetZoom(75);
    int ends = 0;
    QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++ends; };
    filter->StartJob(2100, 2970, Report().Font);
    filter->ClosePage();
    filter->OpenPage();
    EXPECT_THROW(filter->ClosePage(), EOxQRError);
    EXPECT_EQ(Report().Units(), TQRUnit::Inches);
    EXPECT_EQ(Report().Zoom(), 75);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(dynamic_cast<TOxQRExportFilter&>(*filter).ClosedPageNumber(), 0);
  }
  Report().SetUnits(TQRUnit::MM);
  Report().SetZoom(100);
}

// Without a report the pages are skipped silently, but OnEndPage still fires.
TEST_F(ImageFiltersTest, NoReportSkipsPagesButEndsThem) {
  TOxQRBMPFilter filter(dir_.File("none.bmp"));
  int ends = 0;
  QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++ends; };
  filter.StartJob(2100, 2970, TFont{});
  filter.ClosePage();
  filter.OpenPage();
  filter.ClosePage();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(FileExists(dir_.File("none0001.bmp")));
}

// Walks the records of an EMF file: (type, offset) pairs.
std::vector<std::pair<std::uint32_t, std::size_t>> EmfRecords(const std::string& emf) {
  std::vector<std::pair<std::uint32_t, std::size_t>> out;
  for (std::size_t at = 0; at + 8 <= emf.size();) {
    out.emplace_back(U32At(emf, at), at);
    const auto size = U32At(emf, at + 4);
    if (size < 8) break;
    at += size;
  }
  return out;
}

// FillUnusedArea puts a white rectangle over the whole page before the page's own
// drawing; without it the first rectangle is the page's own (a smaller one).
TEST_F(ImageFiltersTest, EMFFillUnusedArea) {
  for (bool fill : {true, false}) {
    SCOPED_TRACE(fill);
    QRExportSettings().EMF.FillUnusedArea = fill;
    ExportReport(Report(), *ClassOf<TOxQREMFFilter>(), dir_.File("fill.emf"));
    const std::string emf = Bytes(dir_.File("fill0001.emf"));
    const auto records = EmfRecords(emf);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().first, 14u);  // EMR_EOF
    bool wholePage = false;
    for (auto [type, at] : records)
      if (type == 43 && U32At(emf, at + 8) == 0 && U32At(emf, at + 12) == 0 && U32At(emf, at + 16) >= 794 &&
          U32At(emf, at + 20) >= 1123)
        wholePage = true;
    EXPECT_EQ(wholePage, fill);
  }
}

}  // namespace
}  // namespace oxqr
