#include "server/Catalogue.h"

#include <QFile>
#include <QXmlStreamReader>
#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace oxqr::serve {

namespace {

std::string Attr(const QXmlStreamReader& xml, const char* name) {
  return xml.attributes().value(QLatin1String(name)).toString().toStdString();
}

// What the catalogue lists of a definition: its title, parameters and top-level JSON
// datasets, read from the elements before its bands (the loader checks the rest per render).
bool ReadHead(const std::string& file, TCatalogueEntry& entry) {
  QFile f(QString::fromStdString(file));
  if (!f.open(QIODevice::ReadOnly)) return false;
  QXmlStreamReader xml(&f);
  std::vector<std::string> jsonPaths;
  bool sawReport = false;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto name = xml.name();
    if (name == QLatin1String("report")) {
      entry.Title = Attr(xml, "title");
      sawReport = true;
    } else if (name == QLatin1String("parameter")) {
      TCatalogueParameter p{Attr(xml, "name"), Attr(xml, "type"), std::nullopt};
      if (p.Type.empty()) p.Type = "string";
      if (xml.attributes().hasAttribute(QLatin1String("default"))) p.Default = Attr(xml, "default");
      entry.Parameters.push_back(std::move(p));
    } else if (name == QLatin1String("json")) {
      // A path under an earlier JSON dataset's path without a file of its own is a detail.
      const std::string path = Attr(xml, "path");
      bool detail = !xml.attributes().hasAttribute(QLatin1String("file"));
      if (detail) {
        detail = false;
        for (const auto& p : jsonPaths) detail = detail || path.starts_with(p + ".");
      }
      jsonPaths.push_back(path);
      if (!detail) entry.JsonDataSets.push_back(Attr(xml, "name"));
    } else if (name == QLatin1String("band")) {
      break;
    }
  }
  return sawReport;
}

}  // namespace

bool IsCatalogueName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (const char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
  return true;
}

TCatalogue::TCatalogue(const std::string& dir) : dir_(fs::canonical(dir).string()) {
  for (const auto& e : fs::directory_iterator(dir_)) {
    if (!e.is_regular_file() || e.path().extension() != ".oxr") continue;
    TCatalogueEntry entry;
    entry.Name = e.path().stem().string();
    entry.File = e.path().string();
    if (!IsCatalogueName(entry.Name) || !ReadHead(entry.File, entry)) {
      std::cerr << "oxqr-serve: " << e.path().filename().string() << " is left out of the catalogue\n";
      continue;
    }
    entries_.emplace(entry.Name, std::move(entry));
  }
}

const TCatalogueEntry* TCatalogue::Find(const std::string& name) const {
  const auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace oxqr::serve
