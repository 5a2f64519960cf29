#include "Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Errors.h"

namespace oxqr {

void TStream::WriteU16(std::uint16_t v) {
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
  Write(b, 2);
}

void TStream::WriteU32(std::uint32_t v) {
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  Write(b, 4);
}

std::string TStream::ReadAll() {
  std::string out;
  const std::int64_t remaining = Size() - Position();
  if (remaining > 0) out.reserve(static_cast<std::size_t>(remaining));
  char buf[65536];
  for (;;) {
    const std::size_t n = Read(buf, sizeof buf);
    if (n == 0) break;
    out.append(buf, n);
  }
  return out;
}

void TStream::CopyFrom(TStream& src, std::int64_t count) {
  char buf[65536];
  while (count != 0) {
    const std::size_t want =
        count < 0 ? sizeof buf : static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof buf));
    const std::size_t n = src.Read(buf, want);
    if (n == 0) {
      if (count > 0) throw EStreamError("Stream read error: fewer bytes than requested");
      break;
    }
    Write(buf, n);
    if (count > 0) count -= static_cast<std::int64_t>(n);
  }
}

// --- TMemoryStream ---

void TMemoryStream::Write(const void* data, std::size_t count) {
  if (count == 0) return;
  const auto pos = static_cast<std::size_t>(pos_);
  if (pos > data_.size()) data_.resize(pos, '\0');  // a gap left by seeking past the end
  const std::size_t overlap = std::min(count, data_.size() - pos);
  std::memcpy(data_.data() + pos, data, overlap);
  data_.append(static_cast<const char*>(data) + overlap, count - overlap);
  pos_ += static_cast<std::int64_t>(count);
}

std::size_t TMemoryStream::Read(void* data, std::size_t count) {
  const auto pos = static_cast<std::size_t>(pos_);
  if (pos >= data_.size()) return 0;
  const std::size_t n = std::min(count, data_.size() - pos);
  std::memcpy(data, data_.data() + pos, n);
  pos_ += static_cast<std::int64_t>(n);
  return n;
}

void TMemoryStream::SetPosition(std::int64_t pos) {
  if (pos < 0) throw EStreamError("Stream position out of range");
  pos_ = pos;
}

// --- TFileStream ---

namespace {

const char* ModeString(TFileMode mode) {
  switch (mode) {
    case TFileMode::fmCreate: return "wb";
    case TFileMode::fmOpenRead: return "rb";
    case TFileMode::fmOpenReadWrite: return "r+b";
  }
  return "rb";
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : name_(fileName) {
  file_ = std::fopen(fileName.c_str(), ModeString(mode));
  if (!file_) throw EFileError(fileName, mode == TFileMode::fmCreate ? "create" : "open", errno);
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

void TFileStream::Write(const void* data, std::size_t count) {
  if (!file_) throw EFileError(name_, "write", EBADF);
  if (count == 0) return;
  if (last_ == LastOp::Read) std::fseek(file_, 0, SEEK_CUR);
  last_ = LastOp::Write;
  const std::int64_t at = Position();
  if (std::fwrite(data, 1, count, file_) != count) {
    pos_ = size_ = -1;  // where a failed write stopped is not known
    throw EFileError(name_, "write", errno);
  }
  pos_ = at + static_cast<std::int64_t>(count);
  if (size_ >= 0) size_ = std::max(size_, pos_);
}

std::size_t TFileStream::Read(void* data, std::size_t count) {
  if (!file_) throw EFileError(name_, "read", EBADF);
  if (last_ == LastOp::Write) std::fseek(file_, 0, SEEK_CUR);
  last_ = LastOp::Read;
  const std::int64_t at = Position();
  const std::size_t n = std::fread(data, 1, count, file_);
  pos_ = at + static_cast<std::int64_t>(n);
  if (n < count && std::ferror(file_)) throw EFileError(name_, "read", errno);
  return n;
}

std::int64_t TFileStream::Position() const {
  if (!file_) return 0;
  if (pos_ < 0) pos_ = static_cast<std::int64_t>(ftello(file_));
  return pos_;
}

void TFileStream::SetPosition(std::int64_t pos) {
  if (!file_) throw EFileError(name_, "seek in", EBADF);
  if (pos < 0) throw EStreamError("Stream position out of range");
  if (fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0) {
    pos_ = -1;
    throw EFileError(name_, "seek in", errno);
  }
  pos_ = pos;
  last_ = LastOp::None;
}

std::int64_t TFileStream::Size() const {
  if (!file_) return 0;
  if (size_ < 0) {  // measured once; writes keep it up to date from then on
    const off_t here = ftello(file_);
    fseeko(file_, 0, SEEK_END);
    size_ = static_cast<std::int64_t>(ftello(file_));
    fseeko(file_, here, SEEK_SET);
    pos_ = static_cast<std::int64_t>(here);
  }
  return size_;
}

void TFileStream::Close() {
  if (!file_) return;
  std::FILE* f = file_;
  file_ = nullptr;
  const bool flushed = std::fflush(f) == 0;
  const int flushErr = errno;
  const bool closed = std::fclose(f) == 0;
  if (!flushed) throw EFileError(name_, "write", flushErr);
  if (!closed) throw EFileError(name_, "close", errno);
}

}  // namespace oxqr
