#include "Errors.h"

#include <cstring>

namespace oxqr {

EFileError::EFileError(const std::string& path, const std::string& action, int err)
    : EFileError(path, action, err, std::strerror(err)) {}

EFileError::EFileError(const std::string& path, const std::string& action, int err, const std::string& reason)
    : EOxQRError("Cannot " + action + " \"" + path + "\": " + reason), path_(path), err_(err), reason_(reason) {}

}  // namespace oxqr
