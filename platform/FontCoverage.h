#pragma once
// Characters that no installed face could draw. A writer that shapes text counts them while
// it lays a document out and reports them once, by script, with the Debian package whose
// faces cover them, instead of the text layout's own warnings for every line.
#include <string>
#include <vector>

namespace oxqr {

// The English name of the script of `ch` ("Devanagari", "Bengali", "Thaana"); "Common" for
// digits, punctuation and symbols that scripts share.
std::string ScriptName(char32_t ch);

// A family of an installed face that holds a glyph for `ch`, asked of fontconfig; empty
// when none does.
std::string InstalledFamilyFor(char32_t ch);

class TMissingFontTally final {
 public:
  void Add(char32_t ch);
  int Count() const { return count_; }
  // One message for every character counted, e.g. "412 characters in Devanagari, Bengali
  // had no font; fonts-noto-core covers them."; scripts whose installed faces the text
  // layout rejects get a sentence naming those faces. Empty when nothing was counted.
  std::string Message() const;

 private:
  struct TScript {
    std::string Code;  // ISO 15924 ("Deva")
    char32_t Sample = 0;
    int Count = 0;
  };
  std::vector<TScript> scripts_;  // in the order first met
  int count_ = 0;
};

}  // namespace oxqr
