#pragma once
// Running the real readers from tests: shell commands, program lookup, the readers'
// fontconfig file and LibreOffice conversions with a private profile per call.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace oxqr::testing {

struct TShellRun {
  int Status = -1;     // exit status of the command (-1 when it could not be started)
  std::string Output;  // standard output (add 2>&1 to the command for standard error)
};

// Whether readers run with the machine's own font configuration, as a user's do (the
// stock-fonts label sets OXQR_STOCK_FONTS), instead of the tests' one, which gives them the
// substitutions our own drawing uses.
inline bool StockFonts() {
  const char* stock = std::getenv("OXQR_STOCK_FONTS");
  return stock != nullptr && *stock != '\0';
}

// Runs `command` through /bin/sh with the readers' fontconfig file (none in a stock-fonts
// run) and collects its output.
inline TShellRun RunShell(const std::string& command) {
  TShellRun r;
  const std::string full =
      StockFonts() ? command : "FONTCONFIG_FILE='" OXQR_TEST_SOURCE_DIR "/tests/readers-fonts.conf' " + command;
  std::FILE* p = ::popen(full.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.Output.append(buf, n);
  const int raw = ::pclose(p);
  r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

inline bool HaveProgram(const std::string& name) {
  return RunShell("command -v '" + name + "' >/dev/null 2>&1").Status == 0;
}

// Single-quotes `s` for the shell.
inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Converts `input` with LibreOffice into `outDir` (e.g. to "pdf" or "csv:Text - txt - csv
// (StarCalc):44,34,76"), with a profile of its own under `outDir` so that parallel tests do
// not meet. Returns the converted file's path; it exists only when the conversion worked.
inline std::filesystem::path SofficeConvert(const std::filesystem::path& input, const std::string& to,
                                            const std::filesystem::path& outDir) {
  namespace fs = std::filesystem;
  fs::create_directories(outDir);
  const fs::path profile = outDir / ".lo-profile";
  RunShell("timeout 300 soffice -env:UserInstallation=file://" + profile.string() +
           " --headless --convert-to " + ShellQuote(to) + " --outdir " + ShellQuote(outDir.string()) + " " +
           ShellQuote(input.string()) + " >/dev/null 2>&1");
  return outDir / (input.stem().string() + "." + to.substr(0, to.find(':')));
}

}  // namespace oxqr::testing
