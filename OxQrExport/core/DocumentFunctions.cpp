#include "DocumentFunctions.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "DocumentFilter.h"
#include "NumberText.h"

namespace oxqr {

namespace {

char UpperAnsi(char c) {
  // Upper-cases ASCII and the Latin-1 letters of code page 1252 (a-z, à..þ without ÷).
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
  return c;
}

bool EqualAt(const std::string& s, std::size_t pos, const std::string& find) {
  for (std::size_t i = 0; i < find.size(); ++i)
    if (UpperAnsi(s[pos + i]) != UpperAnsi(find[i])) return false;
  return true;
}

// Parses hexadecimal text; invalid or empty text gives 0.
long long ParseHex(std::string_view hex) {
  long long value = 0;
  const auto* end = hex.data() + hex.size();
  const auto [ptr, ec] = std::from_chars(hex.data(), end, value, 16);
  if (ec != std::errc() || ptr != end || value < 0) return 0;
  return value;
}

}  // namespace

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) {
           return UpperAnsi(a) == UpperAnsi(b);
         });
}

std::string ControlBytesAsBlanks(std::string Text) {
  for (char& c : Text)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  return Text;
}

std::string ReplaceText(const std::string& S, const std::string& Find, const std::string& Replacement) {
  if (Find.empty() || S.size() < Find.size()) return S;
  std::string result;
  result.reserve(S.size());
  std::size_t i = 0;
  while (i < S.size()) {
    if (i + Find.size() <= S.size() && EqualAt(S, i, Find)) {
      result += Replacement;
      i += Find.size();  // resume after the replaced text, never inside the replacement
    } else {
      result += S[i++];
    }
  }
  return result;
}

std::string RGBHex(TColor Color) {
  static constexpr char digits[] = "0123456789ABCDEF";
  const TColor rgb = ColorToRGB(Color);
  const int parts[3] = {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)};
  std::string out;
  for (int p : parts) {
    out += digits[(p >> 4) & 0xF];
    out += digits[p & 0xF];
  }
  return out;
}

std::string HexByteToUnit(std::string_view Hex) {
  return FixedNumber4(static_cast<double>(ParseHex(Hex)) / 255.0);
}

std::string ColorToPDF(TColor Color) {
  const std::string hex = RGBHex(Color);
  return HexByteToUnit(std::string_view(hex).substr(0, 2)) + " " + HexByteToUnit(std::string_view(hex).substr(2, 2)) +
         " " + HexByteToUnit(std::string_view(hex).substr(4, 2));
}

std::string HexToDecimal(std::string_view Hex) { return std::to_string(ParseHex(Hex)); }

std::string ColorComponent(int Index, TColor Color) {
  if (Index < 0 || Index > 2) return "0";
  const std::string hex = RGBHex(Color);
  return HexToDecimal(std::string_view(hex).substr(static_cast<std::size_t>(Index) * 2, 2));
}

void InsertTextSorted(std::unique_ptr<TOxQrTextRec> Rec, std::vector<std::unique_ptr<TOxQrTextRec>>& List) {
  auto notGreater = [&](const TOxQrTextRec& e) { return e.Y < Rec->Y || (e.Y == Rec->Y && e.X <= Rec->X); };
  std::size_t pos = List.size();
  while (pos > 0 && !notGreater(*List[pos - 1])) --pos;
  List.insert(List.begin() + static_cast<std::ptrdiff_t>(pos), std::move(Rec));
}

bool FrameAllSides(const TQRFrame& Frame) {
  return Frame.DrawTop && Frame.DrawRight && Frame.DrawBottom && Frame.DrawLeft;
}

std::string IncludeTrailingBackslash(const std::string& Path) {
  if (!Path.empty() && (Path.back() == '/' || Path.back() == '\\')) return Path;
  return Path + '/';
}

TOxQrRect MakeRect(double Left, double Top, double Width, double Height) {
  return TOxQrRect{Left, Top, Width, Height};
}

}  // namespace oxqr
