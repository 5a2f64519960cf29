#pragma once
// The PDF file's bytes in file order, with the offset of every object for the
// cross-reference table. The filter hands over a page's objects as batches: runs of bytes
// and the page's content stream still to be deflated. With a second thread the batches are
// compressed and written there while the next page is laid out; without one they are
// written at once on the caller's thread. Either way the file gets the same bytes in the
// same order: compression is deterministic and a batch is written whole, in turn.
//
// A failure while writing or compressing (a full disk, zlib refusing) stops all further
// writing and is thrown again to the caller, as the same exception, by the next Submit or
// Flush; from then on every call throws it. At most two batches are in flight (one being
// written, one waiting), so memory stays at a couple of pages whatever the length of the
// document. The destructor stops the
// worker and joins it on every path; batches not yet written are dropped.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "OxQrExport/core/Deflater.h"
#include "platform/Streams.h"

namespace oxqr::pdf {

// Bytes of whole objects and where each object starts in them.
struct TObjectRun {
  std::string Bytes;
  std::vector<std::pair<int, std::size_t>> Starts;  // object number, offset in Bytes

  void BeginObject(int number) { Starts.emplace_back(number, Bytes.size()); }
  void Write(std::string_view bytes) { Bytes.append(bytes); }
  bool Empty() const { return Bytes.empty() && Starts.empty(); }
  void Clear() {
    Bytes.clear();
    Starts.clear();
  }
};

// "N 0 obj" CR LF, the body (wrapped in "<<" ">>" lines when it has a line break), CR LF
// and, with `endObj`, "endobj" CR LF, appended to `out`.
void AppendObject(std::string& out, int number, std::string_view body, bool endObj);

// True when this process may run on more than one processor, so that a second thread can
// compress while the first lays out. On one processor it would only add switching.
bool SecondProcessorAvailable();

class TPdfFileWriter final {
 public:
  // `level` of WriteContent for a stream stored as it is.
  static constexpr int kStored = -100;
  static constexpr std::size_t kLargeBatch = 64 * 1024;

  // Writes to `out`, which must outlive the writer; offsets count from out's current size.
  TPdfFileWriter(TStream& out, bool secondThread);
  ~TPdfFileWriter();
  TPdfFileWriter(const TPdfFileWriter&) = delete;
  TPdfFileWriter& operator=(const TPdfFileWriter&) = delete;

  // The run the next bytes are appended to.
  TObjectRun& Run() { return current_.Last().Run; }
  void BeginObject(int number) { Run().BeginObject(number); }
  void Write(std::string_view bytes) { Run().Write(bytes); }
  // Object `number`, as AppendObject writes it.
  void WriteObject(std::string_view body, int number, bool endObj) {
    BeginObject(number);
    AppendObject(Run().Bytes, number, body, endObj);
  }
  // A stream's data after the run so far: `content` deflated at zlib `level` (or stored
  // with kStored), then "\r\nendstream\r\nendobj\r\n" and object `lengthObject` holding the
  // data's length. `content` is taken; it comes back empty, with the capacity of a buffer
  // written earlier, so that page after page reuses the same memory.
  void WriteContent(std::string& content, int level, int lengthObject);
  // Appends `run` (objects made aside, such as a page's images); it comes back empty.
  void WriteRun(TObjectRun& run);

  // Hands what was written since the last call to be written to the file. Waits while a
  // batch is already waiting. Throws the failure of an earlier batch.
  void Submit();
  // Submits when the batch holds more than 64 KiB, so that a long list of objects or
  // entries is not held whole.
  void SubmitWhenLarge() {
    if (current_.Last().Run.Bytes.size() >= kLargeBatch) Submit();
  }
  // Submits and waits until everything is in the file; returns the file's size. Throws the
  // failure of any batch.
  std::int64_t Flush();
  // Where object `number` starts in the file, or -1 when no object of that number was
  // written. Complete for what was written before the last Flush.
  std::int64_t Offset(int number) const;

 private:
  // A run of bytes, then optionally a content stream.
  struct TPiece {
    TObjectRun Run;
    std::string Content;
    int Level = kStored;
    int LengthObject = 0;  // 0: no content stream after the run
  };
  // Pieces [0, Used) are this batch's; the rest keep their buffers for later batches.
  struct TBatch {
    std::vector<TPiece> Pieces{1};
    std::size_t Used = 1;
    TPiece& Last() { return Pieces[Used - 1]; }
    TPiece& Add();
  };

  bool Pending() const;
  void Work();
  void WriteBatch(TBatch& batch);
  void WriteBytes(std::string_view bytes);
  void RecordOffset(int number, std::int64_t offset);
  static void Empty(TBatch& batch);

  TStream& out_;
  std::int64_t size_ = 0;              // bytes in out_ (the worker's while it runs)
  std::vector<std::int64_t> offsets_;  // by object number; -1 where none
  TDeflater deflater_;                 // used only by whichever thread writes
  std::string lengthText_;             // scratch of the length objects
  TBatch current_;                     // being filled by the caller

  std::mutex mutex_;
  std::condition_variable changed_;  // a batch queued, taken or written; stop asked
  std::deque<TBatch> queue_;
  std::vector<TBatch> spare_;  // written batches, whose buffers are used again
  bool busy_ = false;              // the worker is writing a batch it took
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::jthread worker_;  // last: joined before anything it uses goes away
};

}  // namespace oxqr::pdf
