#include "BurstPlan.h"

#include <map>
#include <unordered_map>

#include "BurstNames.h"
#include "data/DataSet.h"
#include "platform/CodePage.h"

namespace oxqr {

namespace {

TFieldLookup Lookup(TDataSet& master) {
  return [&master](const std::string& name) -> std::optional<std::string> {
    const TField* f = master.FindField(name);
    if (!f) return std::nullopt;
    return AnsiToUtf8(f->AsString());
  };
}


}  // namespace

std::vector<TBurst> PlanBursts(TDataSet& master, const std::string& field, const std::string& nameTemplate) {
  TField* key = master.FindField(field);
  if (!key) throw EBurstError("the master dataset " + master.Name() + " has no field \"" + field + "\"");
  if (!master.Active()) master.Open();
  const TFieldLookup lookup = Lookup(master);
  ExpandNameTemplate(nameTemplate, lookup);  // an unknown field is an error even without records

  // The folders the template names before its first field are the user's choice, not a value's.
  const std::string fixed = nameTemplate.substr(0, nameTemplate.find('{'));
  const std::size_t fixedFolder = fixed.rfind('/') == std::string::npos ? 0 : fixed.rfind('/') + 1;
  std::vector<TBurst> bursts;
  std::map<std::pair<bool, std::string>, std::size_t> byValue;
  std::unordered_map<std::string, std::size_t> byName;
  for (master.First(); !master.Eof(); master.Next()) {
    TMasterValue value = CurrentValue(*key);
    const auto [it, fresh] = byValue.try_emplace({value.Null, value.Text}, bursts.size());
    if (!fresh) {
      ++bursts[it->second].Value.Records;
      continue;
    }
    value.Records = 1;
    TBurst burst{std::move(value), ExpandNameTemplate(nameTemplate, lookup), static_cast<int>(bursts.size())};
    // Names that differ only in letter case or trailing blanks are one file on the volumes
    // of many batches (SMB shares, the usual Windows file systems): refused like equal names.
    const auto [named, unique] = byName.try_emplace(PortableNameKey(burst.File), bursts.size());
    if (!unique) {
      const std::string& other = bursts[named->second].File;
      throw EBurstError("the values \"" + BurstValueText(bursts[named->second]) + "\" and \"" + BurstValueText(burst) +
                        "\" of " + field + " both give the file name \"" + burst.File + "\"" +
                        (other == burst.File ? "" : " (as \"" + other + "\" on a file system that ignores letter case or trailing blanks)") +
                        "; put a field that tells them apart in the name template");
    }
    if (const std::string device = ReservedNamePart(burst.File.substr(fixedFolder)); !device.empty()) {
      throw EBurstError("the value \"" + BurstValueText(burst) + "\" of " + field + " gives the file name \"" + burst.File +
                        "\", whose part \"" + device +
                        "\" names a device on Windows and SMB volumes; put another field in the name template");
    }
    bursts.push_back(std::move(burst));
  }
  return bursts;
}

std::string BurstValueText(const TBurst& burst) {
  return burst.Value.Null ? std::string("(null)") : AnsiToUtf8(burst.Value.Text);
}

}  // namespace oxqr
