#include "OxQrExport/core/Deflater.h"

#include <zlib.h>

#include "platform/Errors.h"

namespace oxqr {

namespace {

[[noreturn]] void Fail(int rc) {
  throw EOxQRError("zlib could not compress a stream (error " + std::to_string(rc) + ")");
}

}  // namespace

struct TDeflater::TState {
  z_stream Stream{};
  explicit TState(int level) {
    if (const int rc = deflateInit(&Stream, level); rc != Z_OK) Fail(rc);
  }
  ~TState() { deflateEnd(&Stream); }
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
};

TDeflater::TDeflater() = default;
TDeflater::~TDeflater() = default;

std::string_view TDeflater::Compress(std::string_view source, int level) {
  auto& state = states_[level];
  if (!state) state = std::make_unique<TState>(level);
  z_stream& z = state->Stream;
  if (const int rc = deflateReset(&z); rc != Z_OK) Fail(rc);
  const uLong bound = deflateBound(&z, static_cast<uLong>(source.size()));
  if (out_.size() < bound) out_.resize(bound);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(source.data()));
  z.avail_in = static_cast<uInt>(source.size());
  z.next_out = out_.data();
  z.avail_out = static_cast<uInt>(out_.size());
  if (const int rc = deflate(&z, Z_FINISH); rc != Z_STREAM_END) Fail(rc);
  return {reinterpret_cast<const char*>(out_.data()), static_cast<std::size_t>(z.total_out)};
}

}  // namespace oxqr
