#include "BurstPlan.h"

#include <filesystem>
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

// Two names are the same file when their normal forms are equal ("a/./b" and "a/b").
std::string NameKey(const std::string& file) { return std::filesystem::path(file).lexically_normal().string(); }

}  // namespace

std::vector<TBurst> PlanBursts(TDataSet& master, const std::string& field, const std::string& nameTemplate) {
  TField* key = master.FindField(field);
  if (!key) throw EBurstError("the master dataset " + master.Name() + " has no field \"" + field + "\"");
  if (!master.Active()) master.Open();
  const TFieldLookup lookup = Lookup(master);
  ExpandNameTemplate(nameTemplate, lookup);  // an unknown field is an error even without records

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
    const auto [named, unique] = byName.try_emplace(NameKey(burst.File), bursts.size());
    if (!unique) {
      throw EBurstError("the values \"" + BurstValueText(bursts[named->second]) + "\" and \"" + BurstValueText(burst) +
                        "\" of " + field + " both give the file name \"" + burst.File +
                        "\"; put a field that tells them apart in the name template");
    }
    bursts.push_back(std::move(burst));
  }
  return bursts;
}

std::string BurstValueText(const TBurst& burst) {
  return burst.Value.Null ? std::string("(null)") : AnsiToUtf8(burst.Value.Text);
}

}  // namespace oxqr
