// Reading a JSON dataset: <json name file path> with typed <field> declarations. Its data
// comes from the application when it gives the dataset's records (a request body), from
// the command line's file for that name, or from the definition's own file attribute; a
// path under the path of an earlier JSON dataset makes it that dataset's detail.
#include <filesystem>

#include "data/JsonData.h"
#include "definition/DefinitionBuilder.h"

namespace fs = std::filesystem;

namespace oxqr {

using oxr::TElement;

void TDefinitionBuilder::ReadJson(TElement& e) {
  const std::string name = DataSetName(e);
  const auto fileAttr = e.Raw("file");
  const std::string path = e.Raw("path").value_or("");
  e.Finish();
  std::vector<TJsonFieldDecl> decls;
  std::vector<std::string> formats;
  while (NextChild()) {
    TElement f(source_, *xml_);
    if (f.Name() != "field") f.Fail("<json> has no element <" + f.Name() + "> (field)");
    TJsonFieldDecl d;
    d.Name = f.Required("name");
    const std::string typeName = f.Required("type");
    const auto type = JsonFieldTypeFromName(typeName);
    if (!type) f.FailAt("type", "unknown field type '" + typeName + "' (one of: " + std::string(kJsonFieldTypeNames) + ")");
    d.Type = *type;
    for (const auto& other : decls)
      if (SameName(other.Name, d.Name)) f.FailAt("name", "field '" + d.Name + "' is declared twice");
    formats.push_back(f.Text("format", ""));
    f.Finish();
    if (NextChild()) TElement(source_, *xml_).Fail("<field> holds no elements");
    decls.push_back(d);
  }
  std::unique_ptr<TJsonDataSet> data;
  const auto given = options_.JsonData.find(name);
  const auto file = options_.JsonFiles.find(name);
  if (given != options_.JsonData.end()) {
    data = std::make_unique<TJsonDataSet>(name, decls, given->second, "");
  } else if (file != options_.JsonFiles.end()) {
    data = std::make_unique<TJsonDataSet>(name, decls, TJsonDocument::ReadFile(file->second), path);
  } else if (fileAttr) {
    data = std::make_unique<TJsonDataSet>(name, decls, TJsonDocument::ReadFile((baseDir_ / *fileAttr).string()), path);
  } else {
    // A detail: the JSON dataset whose path is the longest one in front of this path.
    TJsonDataSet* master = nullptr;
    for (const auto& [n, d] : result_->DataSets()) {
      auto* j = dynamic_cast<TJsonDataSet*>(d);
      if (j != nullptr && path.starts_with(j->PathAttribute + ".") &&
          (master == nullptr || j->PathAttribute.size() > master->PathAttribute.size()))
        master = j;
    }
    const std::string member = master ? path.substr(master->PathAttribute.size() + 1) : std::string();
    if (master == nullptr || member.find('.') != std::string::npos)
      e.Fail("JSON dataset '" + name + "' has no data: give it a file (or --data " + name +
             "=FILE), or a path under an earlier JSON dataset's path to make it a detail");
    data = std::make_unique<TJsonDataSet>(name, decls, *master, member);
  }
  data->FileAttribute = fileAttr.value_or("");
  data->PathAttribute = path;
  data->Open();
  for (std::size_t i = 0; i < decls.size(); ++i) data->Fields()[i]->DisplayFormat = formats[i];
  AddDataSet(name, std::move(data));
}

void TDefinitionBuilder::CheckJsonDataNames() const {
  auto check = [this](const std::string& name) {
    const auto* j = dynamic_cast<const TJsonDataSet*>(result_->FindDataSet(name));
    if (j == nullptr) source_.FailAtOffset(reportStart_, "data given for '" + name + "', which is not a JSON dataset of the report");
    if (j->Master() != nullptr)
      source_.FailAtOffset(reportStart_, "data given for '" + name + "', a detail of '" + j->Master()->Name() +
                                             "': its records come inside each record of its master");
  };
  for (const auto& [name, doc] : options_.JsonData) check(name);
  for (const auto& [name, file] : options_.JsonFiles) check(name);
}

}  // namespace oxqr
