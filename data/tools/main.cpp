// oxqr-demodata: writes the DEMODATA sample database.
//   oxqr-demodata OUTPUT.sqlite [--scale N]
#include <cstdio>
#include <exception>
#include <string>

#include "data/tools/DemoDataBuilder.h"

int main(int argc, char** argv) {
  std::string output;
  oxqr::TDemoDataOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scale" && i + 1 < argc) {
      try {
        options.Scale = std::stoi(argv[++i]);
      } catch (const std::exception&) {
        options.Scale = 0;
      }
    } else if (output.empty() && !arg.starts_with("-")) {
      output = arg;
    } else {
      output.clear();
      break;
    }
  }
  if (output.empty() || options.Scale < 1) {
    std::fprintf(stderr, "usage: oxqr-demodata OUTPUT.sqlite [--scale N]   (N >= 1)\n");
    return 2;
  }
  try {
    oxqr::BuildDemoDatabase(output, options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "oxqr-demodata: %s\n", e.what());
    return 1;
  }
  return 0;
}
