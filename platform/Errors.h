#pragma once
// Exception types of the library: file-system failures carry the path and the system's reason.
#include <stdexcept>
#include <string>

namespace oxqr {

// Base of every error the library raises.
class EOxQRError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file or folder operation failed; what() is `Cannot <action> "<path>": <reason>`, where the
// reason is the system's text for `err` unless one is given.
class EFileError : public EOxQRError {
 public:
  EFileError(const std::string& path, const std::string& action, int err);
  EFileError(const std::string& path, const std::string& action, int err, const std::string& reason);
  const std::string& Path() const { return path_; }
  int ErrorCode() const { return err_; }
  // Why it failed, without the path: "No such file or directory", "not a regular file", ...
  const std::string& Reason() const { return reason_; }

 private:
  std::string path_;
  int err_;
  std::string reason_;
};

// A stream was used outside its bounds (a negative position, a read past a fixed end).
class EStreamError : public EOxQRError {
 public:
  using EOxQRError::EOxQRError;
};

// Malformed input data (a picture, an RTF text, a prepared report file).
class EInvalidData : public EOxQRError {
 public:
  using EOxQRError::EOxQRError;
};

}  // namespace oxqr
