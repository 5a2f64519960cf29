#include "CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <QString>

#include "Utf8.h"

namespace oxqr {
namespace {

std::atomic<int> gCodePage{1252};
// Characters that became '?' on their way into the ANSI code page (see LostCharacterCount).
std::atomic<std::uint64_t> gLostCharacters{0};

constexpr char32_t kNoChar = 0xFFFFFFFF;

std::string IconvName(int codePage) {
  if (codePage == 65001) return "UTF-8";
  if (codePage == 20127) return "ASCII";
  if (codePage == 28591) return "ISO-8859-1";
  return "CP" + std::to_string(codePage);
}

bool IsMultiByte(int codePage) {
  switch (codePage) {
    case 932: case 936: case 949: case 950: case 1361: case 20932: case 51932: case 51949:
    case 54936: case 65000: case 65001:
      return true;
    default:
      return false;
  }
}

// An iconv conversion descriptor, closed by the destructor.
class IconvHandle {
 public:
  IconvHandle(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view s) {
  for (const char ch : s)
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  return true;
}

// Both directions of a single-byte code page, built once through iconv.
struct SingleByteTable {
  std::array<char32_t, 256> ToUnicode{};
  std::unordered_map<char32_t, char> FromUnicode;
};

std::unique_ptr<SingleByteTable> BuildTable(int codePage) {
  IconvHandle cd("UTF-32LE", IconvName(codePage));
  if (!cd.Valid()) return nullptr;
  auto table = std::make_unique<SingleByteTable>();
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    unsigned char out[8] = {};
    char* inPtr = &in;
    std::size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
    char32_t c = kNoChar;
    if (r != static_cast<std::size_t>(-1) && sizeof out - outLeft == 4)
      c = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
    table->ToUnicode[b] = c;
    if (c != kNoChar) table->FromUnicode.emplace(c, static_cast<char>(b));
  }
  return table;
}

// The table of a single-byte code page; 1252's when the system does not know the page.
const SingleByteTable& TableFor(int codePage) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<SingleByteTable>> tables;
  const std::lock_guard lock(mutex);
  auto it = tables.find(codePage);
  if (it == tables.end()) {
    auto table = BuildTable(codePage);
    if (!table) table = BuildTable(1252);
    if (!table) table = std::make_unique<SingleByteTable>();  // no iconv tables at all: ASCII only
    if (!table->FromUnicode.count(U'a'))
      for (char32_t c = 0; c < 128; ++c) {
        table->ToUnicode[c] = c;
        table->FromUnicode.emplace(c, static_cast<char>(c));
      }
    it = tables.emplace(codePage, std::move(table)).first;
  }
  return *it->second;
}

// Converts with iconv through a per-thread cache of descriptors. Bytes iconv refuses
// become '?': an unconvertible character or an invalid sequence of the input.
std::string ConvertMultiByte(std::string_view in, const std::string& to, const std::string& from,
                             bool inputIsUtf8) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<IconvHandle>> cache;
  auto& slot = cache[{to, from}];
  if (!slot) slot = std::make_unique<IconvHandle>(to, from);
  std::string out;
  if (!slot->Valid()) {
    for (const char ch : in) out += static_cast<unsigned char>(ch) < 0x80 ? ch : '?';
    return out;
  }
  const iconv_t cd = slot->Get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(in.size() * 4 + 16);
  std::size_t written = 0;
  std::size_t pos = 0;
  while (pos < in.size()) {
    char* inPtr = const_cast<char*>(in.data() + pos);
    std::size_t inLeft = in.size() - pos;
    char* outPtr = out.data() + written;
    std::size_t outLeft = out.size() - written;
    const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    written = static_cast<std::size_t>(outPtr - out.data());
    pos = static_cast<std::size_t>(inPtr - in.data());
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: skip the offending character and write '?'.
    std::size_t skip = 1;
    if (inputIsUtf8) {
      char32_t cp;
      skip = std::max<std::size_t>(1, DecodeUtf8At(in, pos, &cp));
    }
    pos += skip;
    if (written + 1 > out.size()) out.resize(out.size() * 2);
    out[written++] = '?';
    if (inputIsUtf8) gLostCharacters.fetch_add(1, std::memory_order_relaxed);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(written);
  return out;
}

// The Unicode mode's conversion: valid UTF-8 passes as it is; a byte that does not start a
// valid sequence becomes '?' and counts as lost.
std::string CheckedUtf8(std::string_view in) {
  if (IsValidUtf8(in)) return std::string(in);
  std::string out;
  out.reserve(in.size());
  std::uint64_t lost = 0;
  for (std::size_t i = 0; i < in.size();) {
    char32_t c = 0;
    const std::size_t len = DecodeUtf8At(in, i, &c);
    if (len == 0) {
      out += '?';
      ++lost;
      ++i;
    } else {
      out.append(in.substr(i, len));
      i += len;
    }
  }
  gLostCharacters.fetch_add(lost, std::memory_order_relaxed);
  return out;
}

}  // namespace

std::uint64_t LostCharacterCount() { return gLostCharacters.load(std::memory_order_relaxed); }

int AnsiCodePage() { return gCodePage.load(); }
void SetAnsiCodePage(int codePage) { gCodePage.store(codePage); }
bool UnicodeMode() { return AnsiCodePage() == CP_UTF8; }

std::string Utf8ToCodePage(std::string_view utf8, int cp) {
  if (IsAscii(utf8)) return std::string(utf8);
  if (cp == CP_UTF8) return CheckedUtf8(utf8);
  if (IsMultiByte(cp)) return ConvertMultiByte(utf8, IconvName(cp), "UTF-8", true);
  const SingleByteTable& table = TableFor(cp);
  std::string out;
  std::uint64_t lost = 0;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t len = DecodeUtf8At(utf8, i, &c);
    if (len == 0) {
      out += '?';
      ++lost;
      ++i;
      continue;
    }
    const auto it = table.FromUnicode.find(c);
    if (it == table.FromUnicode.end()) {
      out += '?';
      ++lost;
    } else {
      out += it->second;
    }
    i += len;
  }
  if (lost > 0) gLostCharacters.fetch_add(lost, std::memory_order_relaxed);
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToCodePage(utf8, AnsiCodePage()); }

int EightBitCodePage() { return UnicodeMode() ? kEightBitFallback : AnsiCodePage(); }

std::string ToEightBitText(std::string_view text) {
  if (!UnicodeMode()) return std::string(text);
  return Utf8ToCodePage(text, kEightBitFallback);
}

std::string AnsiToUtf8(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  const int cp = AnsiCodePage();
  if (cp == CP_UTF8) return CheckedUtf8(ansi);
  if (IsMultiByte(cp)) return ConvertMultiByte(ansi, "UTF-8", IconvName(cp), false);
  const SingleByteTable& table = TableFor(cp);
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 2);
  for (const char ch : ansi) {
    const char32_t c = table.ToUnicode[static_cast<unsigned char>(ch)];
    if (c == kNoChar) out += '?';
    else AppendUtf8(out, c);
  }
  return out;
}

QString AnsiToQString(std::string_view ansi) {
  if (IsAscii(ansi)) return QString::fromLatin1(ansi.data(), static_cast<qsizetype>(ansi.size()));
  const int cp = AnsiCodePage();
  if (cp == CP_UTF8) return QString::fromUtf8(ansi.data(), static_cast<qsizetype>(ansi.size()));
  if (IsMultiByte(cp)) {
    const std::string utf8 = AnsiToUtf8(ansi);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  }
  const SingleByteTable& table = TableFor(cp);
  QString out;
  out.reserve(static_cast<qsizetype>(ansi.size()));
  for (const char ch : ansi) {
    const char32_t c = table.ToUnicode[static_cast<unsigned char>(ch)];
    if (c == kNoChar) out += QChar(u'?');
    else if (c < 0x10000) out += QChar(static_cast<char16_t>(c));
    else out += QString::fromUcs4(&c, 1);
  }
  return out;
}

std::string QStringToAnsi(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace oxqr
