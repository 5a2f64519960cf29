#pragma once
// Builds the DEMODATA sample database (tables customer, orders, events, animals) from
// the committed sources in data/demodata and a seeded generator: the same scale gives
// the same data on every machine.
#include <string>

namespace oxqr {

struct TDemoDataOptions {
  int Scale = 1;  // multiplies the number of customers (50) and orders (200)
};

// Writes the database to `path`, replacing an existing file. The file appears only
// when complete (written beside it, then renamed). Throws std::runtime_error.
void BuildDemoDatabase(const std::string& path, const TDemoDataOptions& options = {});

}  // namespace oxqr
