// oxqr-showcase: the demonstration program. Four sample reports in tabs, the engine's
// preview with print and save through every registered filter, and the Properties window.
#include <exception>
#include <iostream>
#include <string>

#include <QApplication>

#include "Showcase/app/ShowcaseStart.h"

int main(int argc, char** argv) {
  std::string database;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--db" && i + 1 < argc) {
      database = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      std::cout << "Usage: oxqr-showcase [--db PATH]\n"
                   "  --db PATH  the DEMODATA sample database (default: the one beside the program)\n";
      return 0;
    } else if (arg.rfind("-", 0) == 0 && arg.rfind("-platform", 0) != 0) {
      std::cerr << "oxqr-showcase: unknown option " << arg << "\n";
      return 2;
    }
  }
  return oxqr::RunShowcase(argc, argv, database);
}
