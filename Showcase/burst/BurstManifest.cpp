#include "BurstManifest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/Errors.h"

namespace oxqr {

std::string ManifestLine(const TManifestEntry& e) {
  QJsonObject o;
  o.insert("value", e.Null ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(e.Value)));
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

std::map<std::string, TManifestEntry> LastEntryByFile(const std::string& path) {
  std::map<std::string, TManifestEntry> entries;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    if (!doc.isObject()) continue;
    const QJsonObject o = doc.object();
    if (!o.value("file").isString() || !o.value("status").isString()) continue;
    TManifestEntry e;
    e.File = o.value("file").toString().toStdString();
    e.Status = o.value("status").toString().toStdString();
    e.Bytes = o.value("bytes").isDouble() ? static_cast<std::int64_t>(o.value("bytes").toDouble()) : -1;
    e.Sha256 = o.value("sha256").toString().toStdString();
    entries[e.File] = std::move(e);
  }
  return entries;
}

std::map<std::string, std::string> LastStatusByFile(const std::string& path) {
  std::map<std::string, std::string> status;
  for (auto& [file, entry] : LastEntryByFile(path)) status[file] = std::move(entry.Status);
  return status;
}

bool MatchesManifest(const std::string& file, const TManifestEntry& entry) {
  if (entry.Status != "ok" || entry.Bytes < 0 || entry.Sha256.empty()) return false;
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec || static_cast<std::int64_t>(size) != entry.Bytes) return false;
  try {
    return FileSha256(file) == entry.Sha256;
  } catch (const EFileError&) {
    return false;
  }
}

std::string FileSha256(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw EFileError(path, "read", ENOENT, file.errorString().toStdString());
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) throw EFileError(path, "read", EIO, file.errorString().toStdString());
  return hash.result().toHex().toStdString();
}

}  // namespace oxqr
