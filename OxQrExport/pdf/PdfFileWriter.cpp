#include "OxQrExport/pdf/PdfFileWriter.h"

#include <algorithm>

#ifdef __linux__
#include <sched.h>
#endif

#include "OxQrExport/pdf/PdfSyntax.h"

namespace oxqr::pdf {
namespace {

// Batches waiting for the worker; one more may be in writing. More would only hold pages
// in memory: the caller waits for the worker either way when compressing is the slower side.
constexpr std::size_t kMaxQueued = 1;
// Written batches kept for their buffers: the queue, the one in writing and the caller's.
constexpr std::size_t kMaxSpares = 2;

}  // namespace

void AppendObject(std::string& out, int number, std::string_view body, bool endObj) {
  AppendInt(out, number);
  out += " 0 obj\r\n";
  if (body.find("\r\n") != std::string_view::npos) {
    out += "<<\r\n";
    out += body;
    out += "\r\n>>";
  } else {
    out += body;
  }
  out += "\r\n";
  if (endObj) out += "endobj\r\n";
}

bool SecondProcessorAvailable() {
#ifdef __linux__
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set) > 1;
#endif
  return std::thread::hardware_concurrency() > 1;
}

TPdfFileWriter::TPiece& TPdfFileWriter::TBatch::Add() {
  if (Used == Pieces.size()) Pieces.emplace_back();
  return Pieces[Used++];
}

TPdfFileWriter::TPdfFileWriter(TStream& out, bool secondThread) : out_(out), size_(out.Size()) {
  if (secondThread) worker_ = std::jthread([this] { Work(); });
}

TPdfFileWriter::~TPdfFileWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  // worker_ is joined by its destructor, before the members it uses are destroyed.
}

void TPdfFileWriter::WriteContent(std::string& content, int level, int lengthObject) {
  TPiece& piece = current_.Last();
  piece.Content.swap(content);
  piece.Level = level;
  piece.LengthObject = lengthObject;
  content.clear();
  current_.Add();
}

void TPdfFileWriter::WriteRun(TObjectRun& run) {
  if (!current_.Last().Run.Empty()) current_.Add();
  current_.Last().Run.Bytes.swap(run.Bytes);
  current_.Last().Run.Starts.swap(run.Starts);
  run.Clear();
}

bool TPdfFileWriter::Pending() const {
  return current_.Used > 1 || !current_.Pieces[0].Run.Empty();
}

void TPdfFileWriter::Submit() {
  if (!worker_.joinable()) {
    if (failure_) std::rethrow_exception(failure_);
    try {
      WriteBatch(current_);
    } catch (...) {
      failure_ = std::current_exception();
      throw;
    }
    Empty(current_);
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return failure_ || queue_.size() < kMaxQueued; });
  if (failure_) std::rethrow_exception(failure_);
  if (!Pending()) return;
  queue_.push_back(std::move(current_));
  if (spare_.empty()) {
    current_ = TBatch();
  } else {
    current_ = std::move(spare_.back());
    spare_.pop_back();
  }
  lock.unlock();
  changed_.notify_all();
}

std::int64_t TPdfFileWriter::Flush() {
  Submit();
  if (worker_.joinable()) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failure_ || (queue_.empty() && !busy_); });
    if (failure_) std::rethrow_exception(failure_);
  }
  return size_;
}

std::int64_t TPdfFileWriter::Offset(int number) const {
  return number >= 0 && static_cast<std::size_t>(number) < offsets_.size() ? offsets_[static_cast<std::size_t>(number)]
                                                                           : -1;
}

void TPdfFileWriter::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    TBatch batch = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    std::exception_ptr failed;
    try {
      WriteBatch(batch);
    } catch (...) {
      failed = std::current_exception();
    }
    Empty(batch);
    lock.lock();
    busy_ = false;
    if (failed) {
      // Nothing after a failed batch may reach the file: it would sit at wrong offsets.
      failure_ = failed;
      queue_.clear();
    }
    if (spare_.size() < kMaxSpares) spare_.push_back(std::move(batch));
    changed_.notify_all();
  }
}

void TPdfFileWriter::WriteBatch(TBatch& batch) {
  for (std::size_t i = 0; i < batch.Used; ++i) {
    TPiece& piece = batch.Pieces[i];
    for (const auto& [number, at] : piece.Run.Starts) RecordOffset(number, size_ + static_cast<std::int64_t>(at));
    WriteBytes(piece.Run.Bytes);
    if (piece.LengthObject == 0) continue;
    const std::string_view data =
        piece.Level == kStored ? std::string_view(piece.Content) : deflater_.Compress(piece.Content, piece.Level);
    WriteBytes(data);
    lengthText_ = "\r\nendstream\r\nendobj\r\n";
    RecordOffset(piece.LengthObject, size_ + static_cast<std::int64_t>(lengthText_.size()));
    std::string length;
    AppendInt(length, static_cast<long long>(data.size()));
    AppendObject(lengthText_, piece.LengthObject, length, true);
    WriteBytes(lengthText_);
  }
}

void TPdfFileWriter::WriteBytes(std::string_view bytes) {
  if (bytes.empty()) return;
  out_.Write(bytes.data(), bytes.size());
  size_ += static_cast<std::int64_t>(bytes.size());
}

void TPdfFileWriter::RecordOffset(int number, std::int64_t offset) {
  const auto n = static_cast<std::size_t>(number);
  if (n >= offsets_.size()) offsets_.resize(std::max(n + 1, offsets_.size() * 2), -1);
  offsets_[n] = offset;
}

void TPdfFileWriter::Empty(TBatch& batch) {
  for (std::size_t i = 0; i < batch.Used; ++i) {
    TPiece& piece = batch.Pieces[i];
    piece.Run.Clear();
    piece.Content.clear();
    piece.LengthObject = 0;
    piece.Level = kStored;
  }
  batch.Used = 1;
}

}  // namespace oxqr::pdf
