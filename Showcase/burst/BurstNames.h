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

// The key under which a file system that ignores letter case and drops trailing blanks and
// dots of a name (the usual Windows volumes and SMB shares) files `file` (UTF-8): the normal
// form of the path, each part case-folded and without trailing blanks and dots. Two names with
// one key are one file there ("US.pdf", "us.pdf"; "out/US /a.pdf", "out/US/a.pdf").
std::string PortableNameKey(const std::string& file);

// The first part of `file` that such volumes reserve for a device (CON, PRN, AUX, NUL,
// COM0..COM9, LPT0..LPT9, in any case and with any extension: "con.pdf"); empty when none.
std::string ReservedNamePart(const std::string& file);

// The field values a name template reads: the value (UTF-8) of the field named (letter case
// as written in the template), std::nullopt when there is no such field.
using TFieldLookup = std::function<std::optional<std::string>(const std::string& field)>;

// Expands `pattern`: "{Name}" becomes the safe value of field Name, "{{" and "}}" stand for
// one brace, the rest stays as it is (folders included). Throws EBurstError naming an
// unknown field or a brace left open, with its position in the template.
std::string ExpandNameTemplate(const std::string& pattern, const TFieldLookup& lookup);

}  // namespace oxqr
