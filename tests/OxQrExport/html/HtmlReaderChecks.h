#pragma once
// What the markup readers say about a written HTML file, and whether its references lead to
// files: shared by the reader tests of fixtures and of the sample reports.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/ReaderSupport.h"

namespace oxqr::testing {

// html5lib's parse errors of `file` (the encoding as the file declares it), one per line,
// except the one an HTML 4 doctype always earns.
inline std::string Html5libErrors(const std::string& file) {
  static const char* script =
      "import sys, html5lib\n"
      "p = html5lib.HTMLParser()\n"
      "p.parse(open(sys.argv[1], 'rb'))\n"
      "errors = [e for e in p.errors if e[1] != 'unknown-doctype']\n"
      "for pos, code, data in errors[:10]: print(pos, code, data)\n"
      "if len(errors) > 10: print(len(errors) - 10, 'more')\n";
  const TShellRun r = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(file) + " 2>&1");
  return r.Status == 0 ? r.Output : "html5lib failed: " + r.Output;
}

// tidy's lines that report an error or an unescaped "&".
inline std::string TidyProblems(const std::string& file) {
  const TShellRun r = RunShell("tidy -errors -q -win1252 " + ShellQuote(file) + " 2>&1");
  std::string problems;
  std::size_t start = 0;
  while (start < r.Output.size()) {
    const std::size_t end = r.Output.find('\n', start);
    const std::string line = r.Output.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (line.find("Error:") != std::string::npos || line.find("unescaped &") != std::string::npos)
      problems += line + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return problems;
}

inline std::string PercentDecoded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The values of attribute `name` (SRC, HREF, href) in `html`, in order.
inline std::vector<std::string> AttributeValues(const std::string& html, const std::string& name) {
  std::vector<std::string> values;
  const std::regex re(" " + name + "=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), re); it != std::sregex_iterator(); ++it)
    values.push_back((*it)[1].str());
  return values;
}

// Headless Chromium on `file` with its own profile under `profileDir`; `what` is
// --screenshot=... or --dump-dom. Returns what it prints.
inline std::string HeadlessChromium(const std::string& what, const std::string& file, const std::string& profileDir) {
  return RunShell(
             "timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
             "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
             ShellQuote(profileDir) + " " + what + " " + ShellQuote(file) + " 2>/dev/null")
      .Output;
}

// References of SRC, HREF and the style sheet's href in `file` that name no existing file
// (URL-decoded, relative to the file's folder).
inline std::vector<std::string> UnresolvedReferences(const std::string& file, const std::string& html) {
  std::vector<std::string> missing;
  const auto folder = std::filesystem::path(file).parent_path();
  for (const char* attribute : {"SRC", "HREF", "href"})
    for (const auto& value : AttributeValues(html, attribute))
      if (!std::filesystem::is_regular_file(folder / PercentDecoded(value))) missing.push_back(value);
  return missing;
}

}  // namespace oxqr::testing
