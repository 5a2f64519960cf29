#include "FontCoverage.h"

#include <algorithm>
#include <memory>
#include <set>

#include <QLocale>
#include <QString>

#include <fontconfig/fontconfig.h>
#include <hb.h>

namespace oxqr {
namespace {

std::string ScriptCode(char32_t ch) {
  const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), ch);
  const hb_tag_t tag = hb_script_to_iso15924_tag(script);
  char code[5] = {};
  hb_tag_to_string(tag, code);
  return code;
}

std::string NameOfCode(const std::string& code) {
  // Unicode's names where the locale data uses another one.
  if (code == "Beng") return "Bengali";
  if (code == "Zyyy" || code == "Zinh" || code.empty()) return "Common";
  const QLocale::Script script = QLocale::codeToScript(QString::fromStdString(code));
  if (script == QLocale::AnyScript) return code;
  std::string name = QLocale::scriptToString(script).toStdString();
  return name;
}

// The Debian package whose faces cover a script: the Noto faces, split by Debian into the
// CJK package and the core one; symbols and emoji in an outline face of their own.
std::string PackageFor(const std::string& code) {
  static const std::set<std::string> cjk = {"Hani", "Hira", "Kana", "Hang", "Bopo", "Hrkt", "Jpan", "Kore"};
  if (cjk.count(code)) return "fonts-noto-cjk";
  if (code == "Zyyy" || code == "Zinh" || code.empty()) return "fonts-symbola";
  return "fonts-noto-core";
}

std::string Characters(int n) { return std::to_string(n) + (n == 1 ? " character" : " characters"); }

std::string JoinNames(const std::vector<std::string>& names, const std::string& last) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) out += (i == 0 ? "" : i + 1 == names.size() ? last : ", ") + names[i];
  return out;
}

struct FcDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
  void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
  void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

}  // namespace

std::string ScriptName(char32_t ch) { return NameOfCode(ScriptCode(ch)); }

std::string InstalledFamilyFor(char32_t ch) {
  const std::unique_ptr<FcCharSet, FcDeleter> chars(FcCharSetCreate());
  const std::unique_ptr<FcPattern, FcDeleter> pattern(FcPatternCreate());
  const std::unique_ptr<FcObjectSet, FcDeleter> objects(FcObjectSetBuild(FC_FAMILY, nullptr));
  if (!chars || !pattern || !objects || !FcCharSetAddChar(chars.get(), ch) ||
      !FcPatternAddCharSet(pattern.get(), FC_CHARSET, chars.get()))
    return {};
  const std::unique_ptr<FcFontSet, FcDeleter> fonts(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!fonts) return {};
  std::vector<std::string> families;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
      families.emplace_back(reinterpret_cast<const char*>(family));
  }
  if (families.empty()) return {};
  // The same answer on every run, whatever order fontconfig lists the faces in.
  return *std::min_element(families.begin(), families.end());
}

void TMissingFontTally::Add(char32_t ch) {
  ++count_;
  const std::string code = ScriptCode(ch);
  const auto it = std::find_if(scripts_.begin(), scripts_.end(), [&](const TScript& s) { return s.Code == code; });
  if (it != scripts_.end())
    ++it->Count;
  else
    scripts_.push_back({code, ch, 1});
}

std::string TMissingFontTally::Message() const {
  // Scripts without any installed face, and scripts whose installed faces were not used.
  int missing = 0, rejected = 0;
  std::vector<std::string> missingNames, packages, rejectedNames, faces;
  for (const TScript& s : scripts_) {
    const std::string family = InstalledFamilyFor(s.Sample);
    if (family.empty()) {
      missing += s.Count;
      missingNames.push_back(NameOfCode(s.Code));
      const std::string package = PackageFor(s.Code);
      if (std::find(packages.begin(), packages.end(), package) == packages.end()) packages.push_back(package);
    } else {
      rejected += s.Count;
      rejectedNames.push_back(NameOfCode(s.Code));
      if (std::find(faces.begin(), faces.end(), family) == faces.end()) faces.push_back(family);
    }
  }
  std::string message;
  if (missing > 0)
    message = Characters(missing) + " in " + JoinNames(missingNames, ", ") + " had no font; " +
              JoinNames(packages, " and ") + (packages.size() == 1 ? " covers them." : " cover them.");
  if (rejected > 0)
    message += (message.empty() ? "" : " ") + Characters(rejected) + " in " + JoinNames(rejectedNames, ", ") +
               " had no font the text layout can use (" + JoinNames(faces, ", ") +
               (faces.size() == 1 ? " is installed but lacks" : " are installed but lack") +
               " the script's OpenType tables).";
  return message;
}

}  // namespace oxqr
