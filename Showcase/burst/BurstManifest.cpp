#include "BurstManifest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <fstream>

#include "platform/Errors.h"

namespace oxqr {

std::string ManifestLine(const TManifestEntry& e) {
  QJsonObject o;
  o.insert("value", QString::fromStdString(e.Value));
  o.insert("file", QString::fromStdString(e.File));
  o.insert("pages", e.Pages);
  o.insert("bytes", static_cast<qint64>(e.Bytes));
  o.insert("sha256", QString::fromStdString(e.Sha256));
  // Milliseconds are enough for a batch's timing; fewer digits keep the lines short.
  o.insert("seconds", static_cast<double>(static_cast<std::int64_t>(e.Seconds * 1000.0 + 0.5)) / 1000.0);
  o.insert("status", QString::fromStdString(e.Status));
  if (!e.Error.empty()) o.insert("error", QString::fromStdString(e.Error));
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::map<std::string, std::string> LastStatusByFile(const std::string& path) {
  std::map<std::string, std::string> status;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    if (!doc.isObject()) continue;
    const QJsonObject o = doc.object();
    if (!o.value("file").isString() || !o.value("status").isString()) continue;
    status[o.value("file").toString().toStdString()] = o.value("status").toString().toStdString();
  }
  return status;
}

std::string FileSha256(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw EFileError(path, "read", ENOENT, file.errorString().toStdString());
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) throw EFileError(path, "read", EIO, file.errorString().toStdString());
  return hash.result().toHex().toStdString();
}

}  // namespace oxqr
