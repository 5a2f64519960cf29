#pragma once
// The checks of dataset and field names shared by token text and print conditions: each
// throws TTokenError at `offset` with the names that would have been right.
#include <cstddef>
#include <string>
#include <vector>

namespace oxqr {

class TDataSet;
class TField;
class TReportEnvironment;

// A name of a dataset, a parameter or a calculated field: letters, digits and _, not a digit first.
bool IsIdentifier(const std::string& s);
// The dataset `name` of `env`, opened when it is not (its fields exist only then).
TDataSet& RequireDataSet(const TReportEnvironment& env, const std::string& name, std::size_t offset);
TField& RequireField(TDataSet& data, const std::string& dataSetName, const std::string& field, std::size_t offset);
// "a, b, c" (at most a dozen names, then "..."); "none" for no names.
std::string NameList(const std::vector<std::string>& names);

}  // namespace oxqr
