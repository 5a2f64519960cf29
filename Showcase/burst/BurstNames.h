#pragma once
// Output names of a burst run: a template whose "{FIELD}" parts are replaced by the values
// of the master record that starts each burst, made safe as parts of a file name.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace oxqr {

// A burst run that cannot start or a burst that failed; what() says why.
class EBurstError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `utf8` as one part of a file name: the folder separators, control characters and
// : * ? " < > | become '_' (so a name is the same on every file system a batch may write
// to); an empty value, "." and ".." become "_".
std::string FileNamePart(std::string_view utf8);

// The field values a name template reads: the value (UTF-8) of the field named (letter case
// as written in the template), std::nullopt when there is no such field.
using TFieldLookup = std::function<std::optional<std::string>(const std::string& field)>;

// Expands `pattern`: "{Name}" becomes the safe value of field Name, "{{" and "}}" stand for
// one brace, the rest stays as it is (folders included). Throws EBurstError naming an
// unknown field or a brace left open, with its position in the template.
std::string ExpandNameTemplate(const std::string& pattern, const TFieldLookup& lookup);

}  // namespace oxqr
