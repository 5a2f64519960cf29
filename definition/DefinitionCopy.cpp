#include "definition/DefinitionCopy.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <QXmlStreamReader>

#include "definition/OxrElement.h"
#include "platform/Files.h"

namespace oxqr {

namespace fs = std::filesystem;

namespace {

// One piece of the text replaced: [At, At + Length) becomes Text.
struct TSplice {
  qint64 At = 0;
  qint64 Length = 0;
  QString Text;
};

QString AttributeValue(const std::string& value) {
  QString v = QString::fromStdString(value);
  v.replace(u'&', QStringLiteral("&amp;"))
      .replace(u'<', QStringLiteral("&lt;"))
      .replace(u'"', QStringLiteral("&quot;"))
      .replace(u'\'', QStringLiteral("&apos;"));
  return v;
}

}  // namespace

std::string CopiedDefinitionText(const std::string& fileName, const TDefinitionCopy& copy) {
  const oxr::TSourceText source{fileName, QString::fromStdString(ReadFileBytes(fileName))};
  const fs::path folder = fs::absolute(fs::path(fileName)).parent_path();
  std::vector<TSplice> splices;
  QXmlStreamReader xml(source.Text);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    oxr::TElement e(source, xml);
    if (const auto file = e.Raw("file"); file && copy.FileName) {
      // The value runs from after its quote to the same quote again (entities included).
      const qint64 at = e.ValueOffset("file");
      const qint64 end = source.Text.indexOf(source.Text[at - 1], at);
      const std::string path = (folder / fs::path(*file)).lexically_normal().string();
      splices.push_back({at, end - at, AttributeValue(copy.FileName(path))});
    }
    if (e.Name() == "report" && !e.Raw("database") && !copy.Database.empty())
      splices.push_back({e.StartOffset() + 7, 0, " database=\"" + AttributeValue(copy.Database) + "\""});
  }
  if (xml.hasError())
    source.FailAtOffset(xml.characterOffset(), "not a well-formed definition: " + xml.errorString().toStdString());
  QString text = source.Text;
  std::sort(splices.begin(), splices.end(), [](const TSplice& a, const TSplice& b) { return a.At > b.At; });
  for (const TSplice& s : splices) text.replace(s.At, s.Length, s.Text);
  return text.toStdString();
}

}  // namespace oxqr
