#include "Errors.h"

#include <cstring>

namespace oxqr {
namespace {

std::string FileErrorMessage(const std::string& path, const std::string& action, int err) {
  return "Cannot " + action + " \"" + path + "\": " + std::strerror(err);
}

}  // namespace

EFileError::EFileError(const std::string& path, const std::string& action, int err)
    : EOxQRError(FileErrorMessage(path, action, err)), path_(path), err_(err) {}

}  // namespace oxqr
