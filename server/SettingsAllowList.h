#pragma once
// The export settings a request may give: those that change only how the one answered file
// looks. Settings that name files or folders, split the output into several files, or touch
// the database or the registered formats stay as the service starts.
#include <string>

namespace oxqr::serve {

// Letter case ignored, as the settings' paths are.
bool IsAllowedSetting(const std::string& path);
// The allowed paths, separated by commas.
std::string AllowedSettingsText();

}  // namespace oxqr::serve
