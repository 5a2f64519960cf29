#pragma once
// Whole-buffer deflate in the zlib format, for documents that compress many streams: one
// compressor state per level lives as long as the object and is reset between streams, and
// the output buffer is kept, so a stream costs its compression and nothing else (building and
// freeing a state per stream costs more than compressing a small page). The bytes are those
// of zlib's compress2 at the same level.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

class TDeflater {
 public:
  TDeflater();
  ~TDeflater();
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // `source` as one complete zlib stream at `level` (zlib's 0..9, or -1 for its default).
  // The view stays valid until the next call. Throws EOxQRError when zlib fails.
  std::string_view Compress(std::string_view source, int level);

 private:
  struct TState;
  std::map<int, std::unique_ptr<TState>> states_;
  std::vector<unsigned char> out_;
};

}  // namespace oxqr
