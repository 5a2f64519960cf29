#pragma once
// The committed sources of the sample database (data/demodata), compiled into the builder.
#include <string_view>

namespace oxqr::demodata {

// The text of source file `name` ("schema.sql"); throws std::runtime_error when unknown.
std::string_view Source(std::string_view name);

}  // namespace oxqr::demodata
