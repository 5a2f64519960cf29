#pragma once
// Helpers of the PDF tests: a filter run through a real printer, the objects of a written
// file found through its cross-reference table, and inflating a stream.
#include <functional>
#include <map>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include <QByteArray>

#include "OxQrExport/pdf/PdfFilter.h"
#include "engine/Printer.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "support/FilterJob.h"

namespace oxqr::testing {

// Pins the clock and the time zone so that the information dictionary is repeatable.
struct TPinnedClock {
  TPinnedClock() {
    TLocalTime t;
    t.Tm.tm_year = 2026 - 1900;
    t.Tm.tm_mon = 2;
    t.Tm.tm_mday = 9;
    t.Tm.tm_hour = 14;
    t.Tm.tm_min = 5;
    t.Tm.tm_sec = 7;
    SetFixedNow(t);
    SetTimeZoneBias(-60);
  }
  ~TPinnedClock() {
    SetFixedNow(std::nullopt);
    SetTimeZoneBias(std::nullopt);
  }
};

// Starts `filter` on A4 with Arial 10, runs `pages` pages (`page(k)` fills page k) and
// finishes the job.
inline void RunPdf(TOxQRPDFFilter& filter, TQRPrinter& printer, int pages, const std::function<void(int)>& page) {
  testing::RunFilterJob(filter, printer, pages, page);
}

// A written file, read through its own cross-reference table.
struct TPdfFile {
  explicit TPdfFile(std::string bytes) : Bytes(std::move(bytes)) {
    const auto start = Bytes.rfind("startxref\r\n");
    if (start == std::string::npos) return;
    XrefOffset = std::stoll(Bytes.substr(start + 11));
    const auto header = Bytes.find("\r\n", XrefOffset + 6);
    Size = std::stoi(Bytes.substr(XrefOffset + 7, header - XrefOffset - 7));
    for (int n = 0; n < Size; ++n) {
      const std::string entry = Bytes.substr(header + 2 + static_cast<std::size_t>(n) * 20, 20);
      if (n > 0 && entry.substr(17, 1) == "n") Offsets[n] = std::stoll(entry.substr(0, 10));
    }
  }
  // The text of object n from "n 0 obj" CR LF to just before its "endobj" or "stream".
  std::string Body(int n) const {
    const auto it = Offsets.find(n);
    if (it == Offsets.end()) return "<missing>";
    const std::string head = std::to_string(n) + " 0 obj\r\n";
    const auto from = static_cast<std::size_t>(it->second) + head.size();
    const auto endobj = Bytes.find("\r\nendobj\r\n", from);
    const auto stream = Bytes.find("\r\nstream\r\n", from);
    return Bytes.substr(from, std::min(endobj, stream) - from);
  }
  // The data of stream object n, as stored.
  std::string Stream(int n) const {
    const auto it = Offsets.find(n);
    const auto from = Bytes.find("\r\nstream\r\n", static_cast<std::size_t>(it->second)) + 10;
    return Bytes.substr(from, Bytes.find("\r\nendstream\r\n", from) - from);
  }
  std::string Bytes;
  std::int64_t XrefOffset = -1;
  int Size = 0;
  std::map<int, std::int64_t> Offsets;
};

// A zlib stream inflated (through Qt's qUncompress, which wants a size hint in front).
inline std::string Inflate(const std::string& data) {
  QByteArray framed(4, '\0');
  const auto hint = static_cast<quint32>(data.size() * 4 + 64);
  for (int i = 0; i < 4; ++i) framed[i] = static_cast<char>((hint >> (24 - 8 * i)) & 0xFF);
  framed.append(data.data(), static_cast<qsizetype>(data.size()));
  const QByteArray out = qUncompress(framed);
  return out.isNull() ? std::string("<not a zlib stream>") : out.toStdString();
}

inline int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
  return n;
}

}  // namespace oxqr::testing
