#pragma once
// Byte streams: the sink and source every writer and reader uses, so that tests can
// write to memory and filters to files. Failures throw oxqr::EFileError / EStreamError.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

class TStream {
 public:
  virtual ~TStream() = default;
  virtual void Write(const void* data, std::size_t count) = 0;
  // Reads up to `count` bytes; returns how many were read.
  virtual std::size_t Read(void* data, std::size_t count) = 0;
  virtual std::int64_t Position() const = 0;
  virtual void SetPosition(std::int64_t pos) = 0;
  virtual std::int64_t Size() const = 0;

  void Write(std::string_view s) { Write(s.data(), s.size()); }
  void WriteByte(std::uint8_t b) { Write(&b, 1); }
  void WriteU16(std::uint16_t v);  // little endian
  void WriteU32(std::uint32_t v);  // little endian
  // Reads everything from the current position to the end.
  std::string ReadAll();
  // Copies `count` bytes (all remaining when count < 0) from `src` into this stream.
  void CopyFrom(TStream& src, std::int64_t count = -1);
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}
  void Write(const void* data, std::size_t count) override;
  using TStream::Write;
  std::size_t Read(void* data, std::size_t count) override;
  std::int64_t Position() const override { return pos_; }
  void SetPosition(std::int64_t pos) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
  const std::string& Bytes() const { return data_; }
  std::string& Bytes() { return data_; }
  void Clear() { data_.clear(); pos_ = 0; }

 private:
  std::string data_;
  std::int64_t pos_ = 0;
};

enum class TFileMode { fmCreate, fmOpenRead, fmOpenReadWrite };

// A file owned for the lifetime of the object; closed by the destructor on every path.
class TFileStream final : public TStream {
 public:
  // fmCreate creates or truncates; throws EFileError carrying the system's reason.
  TFileStream(const std::string& fileName, TFileMode mode);
  // Takes ownership of an open C stream; `fileName` names it in messages.
  TFileStream(std::FILE* adopted, const std::string& fileName) : name_(fileName), file_(adopted) {}
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  void Write(const void* data, std::size_t count) override;
  using TStream::Write;
  std::size_t Read(void* data, std::size_t count) override;
  std::int64_t Position() const override;
  void SetPosition(std::int64_t pos) override;
  std::int64_t Size() const override;
  const std::string& FileName() const { return name_; }
  // Flushes and closes; throws when the data could not be written. Idempotent.
  void Close();

 private:
  std::string name_;
  std::FILE* file_ = nullptr;
  // C streams need a positioning call between reading and writing; we make one only
  // when the direction changes, so that writes stay buffered.
  enum class LastOp : std::uint8_t { None, Read, Write } last_ = LastOp::None;
  // Where the stream stands and how long the file is, kept so that asking does not seek:
  // a seek flushes the write buffer. -1 until first asked, or after a failure.
  mutable std::int64_t pos_ = -1;
  mutable std::int64_t size_ = -1;
};

}  // namespace oxqr
