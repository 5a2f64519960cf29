#include "data/DatabaseSettings.h"

namespace oxqr {

TDatabaseSettings& DatabaseSettings() {
  static TDatabaseSettings settings;
  return settings;
}

}  // namespace oxqr
