// The PDF file writer: pages compressed and written on a second thread give the bytes and
// offsets of writing them inline, and a failure there reaches the caller and leaves no file.
#include <csignal>
#include <filesystem>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <QImage>

#include "OxQrExport/pdf/PdfFileWriter.h"
#include "pdf/PdfTestSupport.h"
#include "platform/Errors.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using pdf::TObjectRun;
using pdf::TPdfFileWriter;
using testing::Inflate;
using testing::TPdfFile;

// A stream that fails like a full disk once `limit` bytes are in it.
class TFailingStream final : public TStream {
 public:
  explicit TFailingStream(std::size_t limit) : limit_(limit) {}
  void Write(const void* data, std::size_t count) override {
    if (bytes_.size() + count > limit_) throw EFileError("out.pdf", "write", ENOSPC);
    bytes_.append(static_cast<const char*>(data), count);
  }
  using TStream::Write;
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::int64_t Position() const override { return Size(); }
  void SetPosition(std::int64_t) override {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::size_t limit_;
  std::string bytes_;
};

// Page k's content: text of a length that varies from page to page.
std::string PageContent(int k) {
  std::string text;
  for (int i = 0; i < (k * 37) % 300 + 1; ++i) text += "BT (" + std::to_string(k * i) + ") Tj ET\r\n";
  return text;
}

// Writes `pages` pages the way the filter does: page and stream objects, the content to be
// compressed (level 9, 1 or stored in turn) with its length object, then an object made aside.
void WritePages(TPdfFileWriter& writer, int pages) {
  writer.Write("%PDF-1.3\r\n");
  int object = 0;
  for (int k = 1; k <= pages; ++k) {
    const int page = ++object, contents = ++object, length = ++object;
    writer.WriteObject("/Type /Page", page, true);
    writer.WriteObject("<< /Length " + std::to_string(length) + " 0 R >>", contents, false);
    writer.Write("stream\r\n");
    std::string content = PageContent(k);
    const int levels[] = {9, 1, TPdfFileWriter::kStored};
    writer.WriteContent(content, levels[k % 3], length);
    EXPECT_TRUE(content.empty());
    TObjectRun aside;
    const int image = ++object;
    aside.BeginObject(image);
    aside.Write(std::to_string(image) + " 0 obj\r\n(image " + std::to_string(k) + ")\r\nendobj\r\n");
    writer.WriteRun(aside);
    EXPECT_TRUE(aside.Empty());
    writer.Submit();
  }
}

TEST(PdfFileWriterTest, SecondThreadWritesTheBytesAndOffsetsOfInlineWriting) {
  constexpr int kPages = 60;
  TMemoryStream inlineOut, threadedOut;
  std::vector<std::int64_t> inlineOffsets, threadedOffsets;
  for (const bool thread : {false, true}) {
    TMemoryStream& out = thread ? threadedOut : inlineOut;
    TPdfFileWriter writer(out, thread);
    WritePages(writer, kPages);
    const std::int64_t size = writer.Flush();
    EXPECT_EQ(size, out.Size());
    for (int n = 0; n <= kPages * 4 + 1; ++n) (thread ? threadedOffsets : inlineOffsets).push_back(writer.Offset(n));
  }
  EXPECT_EQ(threadedOut.Bytes(), inlineOut.Bytes());
  EXPECT_EQ(threadedOffsets, inlineOffsets);

  // Every offset points at its object; each length object holds its stream's length, and
  // the streams hold the page content, deflated or stored.
  const std::string& bytes = inlineOut.Bytes();
  EXPECT_EQ(inlineOffsets[0], -1);
  EXPECT_EQ(inlineOffsets[kPages * 4 + 1], -1);
  for (int n = 1; n <= kPages * 4; ++n) {
    const auto at = static_cast<std::size_t>(inlineOffsets[static_cast<std::size_t>(n)]);
    ASSERT_EQ(bytes.compare(at, std::to_string(n).size() + 8, std::to_string(n) + " 0 obj\r\n"), 0) << n;
  }
  for (int k = 1; k <= kPages; ++k) {
    const int contents = (k - 1) * 4 + 2, length = contents + 1;
    const auto from = bytes.find("stream\r\n", static_cast<std::size_t>(inlineOffsets[contents])) + 8;
    const auto end = bytes.find("\r\nendstream\r\nendobj\r\n", from);
    const std::string data = bytes.substr(from, end - from);
    const auto lengthAt = static_cast<std::size_t>(inlineOffsets[length]);
    EXPECT_EQ(end + 21, lengthAt) << "the length object follows its stream";
    EXPECT_EQ(bytes.substr(lengthAt, bytes.find("endobj", lengthAt) - lengthAt),
              std::to_string(length) + " 0 obj\r\n" + std::to_string(data.size()) + "\r\n");
    EXPECT_EQ(k % 3 == 2 ? data : Inflate(data), PageContent(k)) << "page " << k;
  }
}

TEST(PdfFileWriterTest, AFailedWriteIsThrownToTheCallerAndNothingFollowsIt) {
  for (const bool thread : {false, true}) {
    SCOPED_TRACE(thread ? "second thread" : "inline");
    TFailingStream out(20000);
    std::string message;
    std::size_t atFailure = 0;
    {
      TPdfFileWriter writer(out, thread);
      try {
        WritePages(writer, 200);
        writer.Flush();
      } catch (const EFileError& e) {
        message = e.what();
        atFailure = out.Bytes().size();
      }
      // From then on every hand-over throws the same error, and nothing more is written.
      writer.Write("more");
      EXPECT_THROW(writer.Submit(), EFileError);
      EXPECT_THROW(writer.Flush(), EFileError);
      EXPECT_EQ(out.Bytes().size(), atFailure);
    }  // the writer is joined here
    EXPECT_EQ(message, EFileError("out.pdf", "write", ENOSPC).what());
    EXPECT_LE(out.Bytes().size(), 20000u);
  }
}

TEST(PdfFileWriterTest, DestroyedWithBatchesPendingStopsAfterAWholeBatch) {
  TMemoryStream whole;
  {
    TPdfFileWriter writer(whole, false);
    WritePages(writer, 30);
  }
  TMemoryStream out;
  {
    TPdfFileWriter writer(out, true);
    WritePages(writer, 30);
  }  // no Flush, as when a job is abandoned: the worker is joined, the rest dropped
  EXPECT_EQ(whole.Bytes().compare(0, out.Bytes().size(), out.Bytes()), 0) << "a prefix of the file, in order";
  if (!out.Bytes().empty()) {
    EXPECT_EQ(out.Bytes().rfind("endobj\r\n"), out.Bytes().size() - 8) << "batches are never cut";
  }
}

class PdfPipelineTest : public testing::ExportTest {
 protected:
  std::string File(bool thread) const { return Dir() + (thread ? "threaded.pdf" : "inline.pdf"); }
  // A document of `pages` pages with text and two pictures a page (one repeated on
  // every page, one new on each), written on a second thread or inline. With `cancel`, the
  // last page is opened and never closed, as a cancelled run leaves it.
  void Export(bool thread, int pages, bool cancel, std::size_t reuseStore = std::size_t{8} << 20) {
    TOxQRPDFFilter f(File(thread));
    f.SecondThread = thread;
    f.ReuseStoreBudget = reuseStore;
    f.SourcePrinter = &printer_;
    f.StartJob(2100, 2970, TFont());
    f.ClosePage();
    const int control = 0;
    TBitmap logo(8, 8);
    for (int k = 1; k <= pages; ++k) {
      f.OpenPage();
      for (int line = 0; line < 40; ++line) {
        TOxQrTextRec r;
        r.X = 50;
        r.Y = 800 - line * 15;
        r.Width = 200;
        r.Height = 12;
        r.Font.Name = "Arial";
        r.Font.Size = 10;
        r.Text = "page " + std::to_string(k) + " line " + std::to_string(line) + " \\(x\\)";
        f.AddText(r);
      }
      QImage image(16, 16, QImage::Format_RGB32);
      image.fill(qRgb(k * 7 % 256, k * 13 % 256, 200));
      TBitmap picture(16, 16);
      picture.SetImage(image);
      f.EmbedImage(logo, {20, 200, 30, 30}, nullptr, &control);
      f.EmbedImage(picture, {60, 200, 30, 30}, nullptr, &control);
      f.EmbedImage(picture, {100, 200, 30, 30}, nullptr, &control);  // again on its page
      if (!(cancel && k == pages)) f.ClosePage();
    }
    f.FinishJob();
  }
  TQRPrinter printer_;
};

TEST_F(PdfPipelineTest, PagesWrittenOnASecondThreadGiveTheFileOfInlineWriting) {
  struct TCase {
    const char* Name;
    bool Compressed;
    TPDFCompressionMethod Method;
    bool ReuseImages;
    bool Cancel;
  };
  const TCase cases[] = {
      {"default", true, TPDFCompressionMethod::cmMaxCompress, false, false},
      {"fastest, reused pictures", true, TPDFCompressionMethod::cmFastest, true, false},
      {"uncompressed", false, TPDFCompressionMethod::cmNormal, false, false},
      {"cancelled on the last page", true, TPDFCompressionMethod::cmMaxCompress, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QRExportSettings().PDF.Compressed = c.Compressed;
    QRExportSettings().PDF.CompressionMethod = c.Method;
    QRExportSettings().PDF.ReuseIdenticalImages = c.ReuseImages;
    Export(false, 12, c.Cancel);
    Export(true, 12, c.Cancel);
    const std::string threaded = ReadFileBytes(File(true));
    EXPECT_EQ(threaded, ReadFileBytes(File(false)));
    const TPdfFile pdf(threaded);
    EXPECT_GT(pdf.Size, 12 * 4);
    for (const auto& [n, offset] : pdf.Offsets)
      EXPECT_EQ(pdf.Bytes.compare(static_cast<std::size_t>(offset), std::to_string(n).size() + 8,
                                  std::to_string(n) + " 0 obj\r\n"),
                0)
          << n;
    EXPECT_NE(pdf.Body(2).find(c.Cancel ? "/Count 11\r\n" : "/Count 12\r\n"), std::string::npos);
  }
}

TEST_F(PdfPipelineTest, ReusedImagesBeyondTheStoreAreConfirmedFromTheFile) {
  QRExportSettings().PDF.ReuseIdenticalImages = true;
  for (const bool thread : {false, true}) {
    SCOPED_TRACE(thread ? "second thread" : "inline");
    Export(thread, 6, false);
    const std::string stored = ReadFileBytes(File(thread));
    Export(thread, 6, false, 0);  // nothing kept: every match is read back from the file
    const std::string readBack = ReadFileBytes(File(thread));
    EXPECT_EQ(readBack, stored);
    EXPECT_EQ(testing::CountOf(readBack, "/Subtype /Image"), 1 + 6) << "the logo once, each page's picture once";
  }
}

// Makes writes beyond `bytes` fail as on a full disk (EFBIG), for the scope.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = SIG_DFL;
};

TEST_F(PdfPipelineTest, AWriteFailingOnEitherThreadLeavesTheOldFileAndNoTemporaryFile) {
  QRExportSettings().PDF.Compressed = false;  // large pages: the limit is met half-way
  for (const bool thread : {false, true}) {
    SCOPED_TRACE(thread ? "second thread" : "inline");
    WriteFileSafely(File(thread), "old");
    std::string message;
    {
      const TFileSizeLimit limit(64 * 1024);
      try {
        Export(thread, 40, false);
      } catch (const EFileError& e) {
        message = e.what();
      }
    }
    EXPECT_NE(message.find("write"), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(File(thread)), "old");
    for (const auto& entry : std::filesystem::directory_iterator(Dir()))
      EXPECT_EQ(entry.path().extension(), ".pdf") << "left behind: " << entry.path();
  }
}

}  // namespace
}  // namespace oxqr
