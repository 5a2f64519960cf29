#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Streams.h"

using namespace oxqr;

TEST(MemoryStreamTest, WritesOverwriteAndExtend) {
  TMemoryStream s;
  s.Write("hello");
  s.WriteU16(0x0201);
  s.WriteU32(0x06050403);
  EXPECT_EQ(s.Bytes(), std::string("hello\x01\x02\x03\x04\x05\x06", 11));
  s.SetPosition(1);
  s.Write("EL");
  EXPECT_EQ(s.Bytes().substr(0, 5), "hELlo");
  s.SetPosition(s.Size() + 2);  // a gap is filled with zeros
  s.WriteByte('!');
  EXPECT_EQ(s.Bytes().substr(11), std::string("\0\0!", 3));
  EXPECT_THROW(s.SetPosition(-1), EStreamError);

  s.SetPosition(3);
  EXPECT_EQ(s.ReadAll().substr(0, 2), "lo");
  char c;
  EXPECT_EQ(s.Read(&c, 1), 0u);
}

TEST(MemoryStreamTest, CopyFromCopiesExactlyOrThrows) {
  TMemoryStream src(std::string(100000, 'x') + "tail");
  TMemoryStream dst;
  dst.CopyFrom(src, 70000);
  EXPECT_EQ(dst.Size(), 70000);
  dst.CopyFrom(src);
  EXPECT_EQ(dst.Size(), 100004);
  EXPECT_EQ(dst.Bytes().substr(100000), "tail");
  src.SetPosition(100000);
  EXPECT_THROW(dst.CopyFrom(src, 10), EStreamError);
}

TEST(FileStreamTest, WriteReadAndReadWrite) {
  TTempFile tmp("oxqr-fs");
  {
    TFileStream f(tmp.Name(), TFileMode::fmCreate);
    f.Write("0123456789");
    EXPECT_EQ(f.Size(), 10);
    f.Close();
    f.Close();  // idempotent
  }
  {
    TFileStream f(tmp.Name(), TFileMode::fmOpenReadWrite);
    char buf[3] = {};
    f.SetPosition(2);
    ASSERT_EQ(f.Read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "234");
    f.Write("ab");  // a write right after a read
    EXPECT_EQ(f.Position(), 7);
  }
  EXPECT_EQ(ReadFileBytes(tmp.Name()), "01234ab789");
}

// Size and position are kept by the stream once known; they must follow every write,
// read and seek, past the end and back, as the file itself does.
TEST(FileStreamTest, SizeAndPositionFollowWritesReadsAndSeeks) {
  TTempFile tmp("oxqr-fs");
  WriteFileBytes(tmp.Name(), "0123456789");
  {
    TFileStream f(tmp.Name(), TFileMode::fmOpenReadWrite);
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.Position(), 0);
    f.Write("ab");
    EXPECT_EQ(f.Position(), 2);
    EXPECT_EQ(f.Size(), 10);  // overwritten inside the file
    f.SetPosition(9);
    f.Write("XYZ");
    EXPECT_EQ(f.Position(), 12);
    EXPECT_EQ(f.Size(), 12);
    f.SetPosition(14);
    f.Write("!");  // past the end: the gap reads as zeros
    EXPECT_EQ(f.Size(), 15);
    f.SetPosition(3);
    char buf[4] = {};
    ASSERT_EQ(f.Read(buf, 4), 4u);
    EXPECT_EQ(f.Position(), 7);
    EXPECT_EQ(f.Read(buf, 4), 4u);
    f.SetPosition(13);
    EXPECT_EQ(f.Read(buf, 4), 2u);  // short read at the end
    EXPECT_EQ(f.Position(), 15);
    f.Write("?");
    EXPECT_EQ(f.Size(), 16);
  }
  EXPECT_EQ(ReadFileBytes(tmp.Name()), std::string("ab2345678XYZ\0\0!?", 16));
}

TEST(FileStreamTest, FailuresNameThePathAndTheReason) {
  const std::string path = "/nonexistent-dir-oxqr/sub/out.bin";
  try {
    TFileStream f(path, TFileMode::fmCreate);
    FAIL() << "no exception";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Path(), path);
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
  }
  EXPECT_THROW(ReadFileBytes("/nonexistent-dir-oxqr/x"), EFileError);
  EXPECT_THROW(WriteFileBytes("/nonexistent-dir-oxqr/x", "a"), EFileError);
  EXPECT_THROW(WriteFileBytes(TempDirectory(), "a"), EFileError);  // a folder
}

TEST(FilesTest, PathParts) {
  const struct { const char* path; const char* dir; const char* name; const char* ext; } cases[] = {
      {"/a/b/report.pdf", "/a/b/", "report.pdf", ".pdf"},
      {"report", "", "report", ""},
      {"/a.b/report", "/a.b/", "report", ""},
      {"/a/b/archive.tar.gz", "/a/b/", "archive.tar.gz", ".gz"},
      {"/a/", "/a/", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.dir) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
  }
  EXPECT_EQ(ChangeFileExt("/a/report.qrp", ".html"), "/a/report.html");
  EXPECT_EQ(ChangeFileExt("/a.b/report", ".html"), "/a.b/report.html");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  EXPECT_EQ(ExpandFileName("/a/b/../c/./d.txt"), "/a/c/d.txt");
  EXPECT_EQ(ExpandFileName("x.txt")[0], '/');
}

TEST(FilesTest, FoldersTempFilesAndDeletion) {
  const std::string base = TempDirectory() + "oxqr-files-test-" + std::to_string(::getpid());
  const std::string deep = base + "/one/two";
  EXPECT_TRUE(ForceFolder(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_FALSE(FileExists(deep));

  std::string name;
  {
    TTempFile tmp("oxqr");
    name = tmp.Name();
    EXPECT_EQ(name.rfind(TempDirectory() + "oxqr", 0), 0u);
    EXPECT_TRUE(FileExists(name));
  }
  EXPECT_FALSE(FileExists(name));  // removed by the destructor

  const std::string f = deep + "/f.txt";
  WriteFileBytes(f, "x");
  EXPECT_TRUE(FileExists(f));
  DeleteFileOrThrow(f);
  EXPECT_NO_THROW(DeleteFileOrThrow(f));  // already gone is fine
  EXPECT_FALSE(TryDeleteFile(f));
  std::filesystem::remove_all(base);
}
