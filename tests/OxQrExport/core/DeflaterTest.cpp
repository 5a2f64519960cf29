// The reused compressor writes what a fresh zlib compression writes, stream after stream and
// level after level, so documents keep their bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "OxQrExport/core/Deflater.h"

namespace oxqr {
namespace {

std::string Compress2(const std::string& source, int level) {
  uLongf size = compressBound(static_cast<uLong>(source.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(source.data()),
            static_cast<uLong>(source.size()), level);
  out.resize(size);
  return out;
}

TEST(Deflater, SameBytesAsAFreshCompressionForEveryStream) {
  std::string page;
  for (int i = 0; i < 2000; ++i) page += "BT /F1 10 Tf " + std::to_string(i * 7 % 613) + " 700 Td (Row) Tj ET\r\n";
  const std::vector<std::string> sources = {page, "", "x", std::string(100000, 'a'), page.substr(0, 999)};
  TDeflater deflater;
  // Levels interleaved and repeated: each stream must be independent of the ones before it.
  for (const int level : {9, 1, -1, 0, 9, 6, 1})
    for (const auto& source : sources)
      EXPECT_EQ(std::string(deflater.Compress(source, level)), Compress2(source, level))
          << "level " << level << ", " << source.size() << " bytes";
}

}  // namespace
}  // namespace oxqr
