#include "PdfFontSubset.h"

#include <hb-subset.h>
#include <hb.h>

#include <array>
#include <memory>

#include <QByteArray>
#include <QRawFont>

#include "platform/TextMetrics.h"

namespace oxqr::pdf {
namespace {

// HarfBuzz objects released on every path.
struct BlobDeleter {
  void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
};
struct FaceDeleter {
  void operator()(hb_face_t* f) const { hb_face_destroy(f); }
};
struct InputDeleter {
  void operator()(hb_subset_input_t* i) const { hb_subset_input_destroy(i); }
};
using Blob = std::unique_ptr<hb_blob_t, BlobDeleter>;
using Face = std::unique_ptr<hb_face_t, FaceDeleter>;
using Input = std::unique_ptr<hb_subset_input_t, InputDeleter>;

// The tables a TrueType program in a PDF needs; layout tables are of no use there.
constexpr std::array<const char*, 14> kTables{"head", "hhea", "maxp", "loca", "glyf", "hmtx", "cmap",
                                              "name", "OS/2", "post", "cvt ", "fpgm", "prep", "gasp"};

// The face of `raw`, rebuilt from its tables.
Face SourceFace(const QRawFont& raw) {
  if (!raw.isValid() || raw.fontTable("glyf").isEmpty()) return nullptr;
  Face builder(hb_face_builder_create());
  for (const char* tag : kTables) {
    const QByteArray table = raw.fontTable(tag);
    if (table.isEmpty()) continue;
    Blob blob(hb_blob_create(table.constData(), static_cast<unsigned>(table.size()), HB_MEMORY_MODE_DUPLICATE,
                             nullptr, nullptr));
    hb_face_builder_add_table(builder.get(), hb_tag_from_string(tag, 4), blob.get());
  }
  Blob file(hb_face_reference_blob(builder.get()));
  return Face(hb_face_create(file.get(), 0));
}

// The file bytes of `source` cut down as `input` says; empty when HarfBuzz refuses.
std::string Subset(const Face& source, const Input& input) {
  const Face subset(hb_subset_or_fail(source.get(), input.get()));
  if (!subset) return {};
  const Blob blob(hb_face_reference_blob(subset.get()));
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob.get(), &length);
  return data ? std::string(data, length) : std::string();
}

}  // namespace

std::string SubsetFontProgram(const TFont& font, const std::set<char32_t>& characters) {
  EnsureGuiApplication();
  const Face source = SourceFace(QRawFont::fromFont(ToQFont(font)));
  if (!source) return {};
  Input input(hb_subset_input_create_or_fail());
  if (!input) return {};
  hb_set_t* unicodes = hb_subset_input_unicode_set(input.get());
  for (const char32_t c : characters) hb_set_add(unicodes, c);
  return Subset(source, input);
}

std::string SubsetFontGlyphs(const QRawFont& raw, const std::set<unsigned>& glyphs) {
  const Face source = SourceFace(raw);
  if (!source) return {};
  Input input(hb_subset_input_create_or_fail());
  if (!input) return {};
  hb_set_t* set = hb_subset_input_glyph_set(input.get());
  for (const unsigned g : glyphs) hb_set_add(set, g);
  hb_set_clear(hb_subset_input_unicode_set(input.get()));
  hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_RETAIN_GIDS);
  return Subset(source, input);
}

std::string SubsetTag(const std::string& seed) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (const char c : seed) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  std::string tag(6, 'A');
  for (char& c : tag) {
    c = static_cast<char>('A' + h % 26);
    h /= 26;
  }
  return tag;
}

}  // namespace oxqr::pdf
